#include "EnablingWiFiDlg.h"

#include <RoundedCorners.h>

#include <QTimer>

qint32 EnablingWiFiDlg::dots = 0;

EnablingWiFiDlg::EnablingWiFiDlg(QWidget* parent)
    : OZDialog(parent)
    , timer(new QTimer(this))
{
    ui.setupUi(this);
    connect(timer, &QTimer::timeout, this, &EnablingWiFiDlg::updateLabel);
    setWindowFlags(Qt::FramelessWindowHint | Qt::CustomizeWindowHint);
    setMask(roundedCornersMask(rect(), 5));
}

void EnablingWiFiDlg::display()
{
    timer->start(TickMs);
    OZDialog::display();
}

void EnablingWiFiDlg::updateLabel()
{
    QString text = tr("Enabling WiFi adapter...");
    if (dots <= 3) {
        text += QString(dots, QLatin1Char('.'));
        ++dots;
    } else {
        dots = 0;
    }
    ui.dotsLabel->setText(text);
}

void EnablingWiFiDlg::enabled(bool ok)
{
    timer->stop();
    ui.dotsLabel->setText(ok ? tr("Wi-Fi adapter enabled") : tr("Unable to activate Wi-Fi adapter"));
    QTimer::singleShot(CloseDelayMs, this, &QWidget::close);
}
