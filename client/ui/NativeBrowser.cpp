#include "NativeBrowser.h"

#include "NativeBrowserImpl.h"

#include <QPixmap>

NativeBrowser::NativeBrowser(QWidget* parent) : QWidget(parent), m_impl(NativeBrowserImpl::createNewInstance(this))
{
}

QString NativeBrowser::url() const
{
    return m_impl->url();
}

QPixmap NativeBrowser::currentPixmap()
{
    return m_impl->currentPixmap();
}

QSize NativeBrowser::sizeHint() const
{
    return m_impl->sizeHint();
}

void NativeBrowser::load(QString url)
{
    m_impl->load(url);
}

void NativeBrowser::loadBlank()
{
    load(QStringLiteral("about:blank"));
}

void NativeBrowser::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    m_impl->resize(size());
}

void NativeBrowser::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_impl->resize(size());
}

void NativeBrowser::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_impl->show();
}

void NativeBrowser::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_impl->hide();
}
