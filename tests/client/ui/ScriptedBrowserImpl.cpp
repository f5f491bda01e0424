#include "ScriptedBrowserImpl.h"

#include <QPainter>
#include <QPointer>
#include <QUrl>

namespace {

QPointer<ScriptedBrowserImpl> newest;

} // namespace

void ScriptedBrowserImpl::install()
{
    NativeBrowserImpl::setFactory([](NativeBrowser*) { return new ScriptedBrowserImpl; });
}

ScriptedBrowserImpl* ScriptedBrowserImpl::last()
{
    return newest;
}

ScriptedBrowserImpl::ScriptedBrowserImpl()
{
    newest = this;
}

ScriptedBrowserImpl::~ScriptedBrowserImpl() = default;

void ScriptedBrowserImpl::load(const QString& url)
{
    loads << url;
    m_url = url;
    setCurrentHost(QUrl(url));
}

void ScriptedBrowserImpl::finish(bool ok)
{
    if (ok)
        setCurrentHost(QUrl(m_url));
    onLoadFinish(ok);
}

void ScriptedBrowserImpl::click(const QString& url)
{
    switch (navigationVerdict(QUrl(url), true)) {
    case Verdict::Use:
        load(url);
        break;
    case Verdict::External:
        QMetaObject::invokeMethod(this, "onExternalNavigate", Qt::QueuedConnection, Q_ARG(QString, url));
        break;
    case Verdict::Refuse:
        break;
    }
}

QPixmap ScriptedBrowserImpl::currentPixmap()
{
    // A page of its own colour, so that a still image is told from a blank one.
    QPixmap page(m_size.isEmpty() ? QSize(64, 48) : m_size);
    page.fill(Qt::white);
    QPainter painter(&page);
    painter.fillRect(QRect(QPoint(4, 4), page.size() / 2), QColor(0x2C, 0x9B, 0x38));
    return page;
}
