#include "ExternalUrl.h"

#include <QDebug>
#include <QDesktopServices>
#include <QUrl>

namespace ozm {

namespace {

bool isPlainMailAddress(const QString& address)
{
    if (address.count(QLatin1Char('@')) != 1)
        return false;
    const int at = address.indexOf(QLatin1Char('@'));
    if (at == 0 || at == address.size() - 1)
        return false;
    for (const QChar c : address) {
        if (c.isSpace() || c == QLatin1Char('?') || c == QLatin1Char('&') || c == QLatin1Char('#')
            || c == QLatin1Char('/'))
            return false;
    }
    return true;
}

} // namespace

bool isSafeExternalUrl(const QUrl& url)
{
    if (!url.isValid())
        return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        return !url.host().isEmpty();
    if (scheme == QLatin1String("mailto"))
        return isPlainMailAddress(
            QUrl::fromPercentEncoding(url.toString(QUrl::RemoveScheme | QUrl::FullyEncoded).toUtf8()));
    return false;
}

bool openExternalUrl(const QUrl& url)
{
    if (!isSafeExternalUrl(url)) {
        qWarning() << "Refused to open an address outside the program:" << url.toString().left(200);
        return false;
    }
    return QDesktopServices::openUrl(url);
}

} // namespace ozm
