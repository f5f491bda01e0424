#pragma once

#include "ui_PopUp.h"

#include <QBitmap>
#include <QDialog>

// The speech bubble of a help icon: a caption and a text in a rounded box
// whose arrow points sideways at the icon.
class PopUp : public QDialog, public Ui::PopUp
{
    Q_OBJECT
public:
    PopUp();

    QBitmap arrowedRect(const QRect& rect, bool arrowOnRight, int arrowOffset);

public slots:
    // Style sheets address the popup of the help icon named N as "NPopup".
    void setObjectNamePrefix(const QString& prefix);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QRect m_lastRect;
    bool m_lastArrowOnRight = false;
    int m_lastArrowOffset = 0;
    QBitmap m_lastMask;
};
