#include "VisiblePageSizer.h"

#include "QOZMLabel.h"

#include <QEvent>
#include <QWidget>

VisiblePageSizer::VisiblePageSizer(QObject* filter)
    : m_filter(filter)
{
}

void VisiblePageSizer::setOn(bool on, const QList<QWidget*>& pages)
{
    if (on == m_on)
        return;
    m_on = on;
    for (QWidget* page : pages) {
        if (on) {
            adopt(page);
        } else {
            doNotIgnoreVerticalSizePolicyTo(page);
            page->removeEventFilter(m_filter);
        }
    }
    if (!on)
        m_saved.clear();
}

void VisiblePageSizer::adopt(QWidget* page)
{
    if (!m_on || !page)
        return;
    ignoreVerticalSizePolicyTo(page);
    page->installEventFilter(m_filter);
}

void VisiblePageSizer::ignoreVerticalSizePolicyTo(QWidget* page)
{
    QSizePolicy policy = page->sizePolicy();
    m_saved.insert(page, policy);
    policy.setVerticalPolicy(QSizePolicy::Ignored);
    page->setSizePolicy(policy);
}

void VisiblePageSizer::doNotIgnoreVerticalSizePolicyTo(QWidget* page)
{
    const auto saved = m_saved.constFind(page);
    if (saved != m_saved.constEnd())
        page->setSizePolicy(*saved);
}

void VisiblePageSizer::setSizePolicy(QWidget* page, const QSizePolicy& policy)
{
    if (!page)
        return;
    page->setSizePolicy(policy);
    m_saved.insert(page, policy);
}

void VisiblePageSizer::pageEvent(QObject* watched, QEvent* event)
{
    auto* page = qobject_cast<QWidget*>(watched);
    if (!page || !m_saved.contains(page))
        return;
    if (event->type() == QEvent::Show) {
        doNotIgnoreVerticalSizePolicyTo(page);
        for (QOZMLabel* label : page->findChildren<QOZMLabel*>())
            label->updateWordWrapSizePolicy();
    } else if (event->type() == QEvent::Hide) {
        ignoreVerticalSizePolicyTo(page);
    }
}
