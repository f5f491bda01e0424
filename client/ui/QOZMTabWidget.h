#pragma once

#include "VisiblePageSizer.h"

#include <QTabWidget>

// The forms' tab widget: with adjustSizeToVisibleChild on, it takes the
// height of the page on show rather than that of its tallest page.
class QOZMTabWidget : public QTabWidget
{
    Q_OBJECT
    Q_PROPERTY(bool adjustSizeToVisibleChild READ adjustSizeToVisibleChild WRITE setAdjustSizeToVisibleChild)
public:
    explicit QOZMTabWidget(QWidget* parent = nullptr);

    int addTab(QWidget* page, const QString& label);
    bool adjustSizeToVisibleChild() const { return m_sizer.isOn(); }
    void ignoreVerticalSizePolicyTo(QWidget* page) { m_sizer.ignoreVerticalSizePolicyTo(page); }
    void doNotIgnoreVerticalSizePolicyTo(QWidget* page) { m_sizer.doNotIgnoreVerticalSizePolicyTo(page); }
    void setCurrentWidgetSizePolicy(const QSizePolicy& policy) { m_sizer.setSizePolicy(currentWidget(), policy); }

public slots:
    void setAdjustSizeToVisibleChild(bool adjust_size_to_visible);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    VisiblePageSizer m_sizer;
};
