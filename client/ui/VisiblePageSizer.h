#pragma once

#include <QHash>
#include <QList>
#include <QSizePolicy>

class QEvent;
class QObject;
class QWidget;

// What QOZMStackedWidget and QOZMTabWidget share: a hidden page's vertical
// size policy is Ignored, so the container takes the height of the page on
// show instead of that of its tallest page. Each page's own policy is kept
// and given back while the page is shown.
class VisiblePageSizer
{
public:
    explicit VisiblePageSizer(QObject* filter);

    bool isOn() const { return m_on; }
    // Turning it off gives every page its own policy back; turning it on takes
    // every page in as if it were just added.
    void setOn(bool on, const QList<QWidget*>& pages);
    // A page about to be added.
    void adopt(QWidget* page);
    void ignoreVerticalSizePolicyTo(QWidget* page);
    void doNotIgnoreVerticalSizePolicyTo(QWidget* page);
    void setSizePolicy(QWidget* page, const QSizePolicy& policy);
    // From the container's event filter; never consumes the event.
    void pageEvent(QObject* watched, QEvent* event);

private:
    QObject* m_filter;
    bool m_on = true;
    QHash<QWidget*, QSizePolicy> m_saved;
};

// The pages of a stacked or tab widget, in order.
template<class Container>
QList<QWidget*> pagesOf(const Container& container)
{
    QList<QWidget*> pages;
    for (int i = 0; i < container.count(); ++i)
        pages.append(container.widget(i));
    return pages;
}
