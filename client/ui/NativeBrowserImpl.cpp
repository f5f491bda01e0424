#include "NativeBrowserImpl.h"

#include "NativeBrowser.h"

#include <QUrl>

namespace {

NativeBrowserImpl::Factory& installedFactory()
{
    static NativeBrowserImpl::Factory factory;
    return factory;
}

bool isHttps(const QUrl& url)
{
    return url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0 && !url.host().isEmpty();
}

bool isWeb(const QUrl& url)
{
    return isHttps(url)
        || (url.scheme().compare(QLatin1String("http"), Qt::CaseInsensitive) == 0 && !url.host().isEmpty());
}

} // namespace

void NativeBrowserImpl::setFactory(Factory factory)
{
    installedFactory() = std::move(factory);
}

NativeBrowserImpl* NativeBrowserImpl::createNewInstance(NativeBrowser* owner)
{
    if (!installedFactory())
        qFatal("NativeBrowser: no web engine is installed");
    NativeBrowserImpl* impl = installedFactory()(owner);
    impl->setParent(owner);
    impl->m_owner = owner;
    return impl;
}

void NativeBrowserImpl::onProgress(int done, int total)
{
    if (!m_owner)
        return;
    const int percent = (total > 0 && done >= 0 && done <= total) ? int(qint64(done) * 100 / total) : 100;
    m_owner->updateGeometry();
    emit m_owner->loadProgress(percent);
}

void NativeBrowserImpl::onLoadStart()
{
    if (m_owner)
        emit m_owner->loadStarted();
}

void NativeBrowserImpl::onLoadFinish(bool ok)
{
    if (!m_owner)
        return;
    m_owner->updateGeometry();
    emit m_owner->loadFinished(ok);
}

void NativeBrowserImpl::onExternalNavigate(const QString& external_url)
{
    if (m_owner)
        emit m_owner->externalNavigate(external_url);
}

void NativeBrowserImpl::queuedNavigate(const QString& url)
{
    if (m_owner)
        QMetaObject::invokeMethod(m_owner, "load", Qt::QueuedConnection, Q_ARG(QString, url));
}

NativeBrowserImpl::Verdict NativeBrowserImpl::navigationVerdict(const QUrl& url, bool linkClicked) const
{
    const bool sameHost = isHttps(url) && url.host(QUrl::FullyDecoded) == m_currentHost;
    if (linkClicked)
        return sameHost ? Verdict::Use : isWeb(url) ? Verdict::External : Verdict::Refuse;
    return isHttps(url) || url == QUrl(QStringLiteral("about:blank")) ? Verdict::Use : Verdict::Refuse;
}

void NativeBrowserImpl::setCurrentHost(const QUrl& url)
{
    m_currentHost = url.host(QUrl::FullyDecoded);
}
