#include "TransportRules.h"

#include "Folders.h"

#include <QDebug>
#include <QDir>
#include <QNetworkReply>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QUrl>

namespace TransportRules {

bool allowsRedirect(const QUrl& from, const QUrl& to)
{
    const QString scheme = to.scheme().toLower();
    return scheme == QLatin1String("https")
           || (scheme == QLatin1String("http") && from.scheme().toLower() == QLatin1String("http"));
}

void trustExtraCertificates()
{
    static const bool installed = [] {
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        QList<QSslCertificate> certificates = configuration.caCertificates();
        const QDir folder(Folders::app_folder + QDir::separator() + QLatin1String("certs"));
        const QStringList files = folder.entryList({QStringLiteral("*.pem")}, QDir::Files, QDir::Name);
        for (const QString& file : files)
            certificates += QSslCertificate::fromPath(folder.filePath(file), QSsl::Pem,
                                                      QSslCertificate::PatternSyntax::FixedString);
        configuration.setCaCertificates(certificates);
        QSslConfiguration::setDefaultConfiguration(configuration);
        return true;
    }();
    Q_UNUSED(installed)
}

void applyIgnoredCertificateErrors(QNetworkReply* reply)
{
    reply->ignoreSslErrors({QSslError(QSslError::CertificateExpired)});
}

void logCertificateErrors(const QList<QSslError>& errors)
{
    qDebug("SSL errors:");
    for (const QSslError& error : errors)
        qDebug().noquote() << int(error.error()) << error.errorString();
}

} // namespace TransportRules
