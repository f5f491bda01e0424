#include "UrlLog.h"

#include <QDesktopServices>
#include <QFile>

UrlLog::UrlLog(const QString& path, QObject* parent)
    : QObject(parent)
    , m_path(path)
{
    for (const char* scheme : {"http", "https", "mailto", "file"})
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "openUrl");
}

void UrlLog::openUrl(const QUrl& url)
{
    QFile file(m_path);
    if (file.open(QIODevice::Append | QIODevice::Text))
        file.write(url.toEncoded() + '\n');
}
