#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

// Hides a widget when the mouse button is released over the watched one: a
// click on the see-through part of a menu panel closes the panel.
class HideOnReleaseFilter : public QObject
{
    Q_OBJECT
public:
    HideOnReleaseFilter(QWidget* toHide, QObject* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_toHide;
};
