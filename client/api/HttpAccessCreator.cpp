#include "HttpAccessCreator.h"

#include "Folders.h"
#include "HttpAccess.h"
#include "SecretMasking.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QUrl>

namespace {

// An address is a line, not a file: a larger one is not read whole.
constexpr qint64 OverrideReadLimit = 4096;

// The override's address; empty when there is no usable one.
QString overrideUrl()
{
    QFile file(Folders::app_data_folder + QDir::separator() + QLatin1String("licenseserver"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray bytes = file.read(OverrideReadLimit).trimmed();
    const QString text = QString::fromUtf8(bytes.constData(), int(qstrnlen(bytes.constData(), uint(bytes.size()))));
    if (text.isEmpty())
        return QString();
    // Anything else would send the account's password in clear, or nowhere.
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.scheme() != QLatin1String("https") || url.host().isEmpty()) {
        qWarning().noquote() << "licenseserver ignored, not an absolute https URL:" << maskSecrets(text);
        return QString();
    }
    return text;
}

} // namespace

QString HttpAccessCreator::BuiltInUrl()
{
    return QStringLiteral("https://api.ozmira.net");
}

QString HttpAccessCreator::GetAccessUrl()
{
    QString url = overrideUrl();
    if (url.isEmpty())
        url = BuiltInUrl();
    if (url.endsWith(QLatin1Char('/')))
        url.chop(1);
    qDebug().noquote() << "Remote access url:" << maskSecrets(url);
    return url;
}

QSharedPointer<HttpAccess> HttpAccessCreator::serverApi(QObject* parent)
{
    // The parent may delete it first; the shared pointer must not delete it again.
    const QPointer<HttpAccess> access = new HttpAccess(GetAccessUrl(), parent);
    return QSharedPointer<HttpAccess>(access.data(), [access](HttpAccess*) { delete access.data(); });
}
