#include "WelcomeWidget.h"

#include "SharedTexts.h"
#include "StyledBackground.h"

#include <QEvent>

WelcomeWidget::WelcomeWidget(QWidget* parent)
    : QWidget(parent)
{
    m_ui.setupUi(this);
    m_ui.lbWelcomeText->setText(WelcomeWelcomeText());
}

void WelcomeWidget::on_lbWelcomeSeeGuide_linkActivated(QString link)
{
    if (link.compare(QLatin1String("link:QuickStart"), Qt::CaseInsensitive) == 0)
        emit quickStartActivated();
}

void WelcomeWidget::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        m_ui.retranslateUi(this);
        // The greeting carries the product name and is never translated.
        m_ui.lbWelcomeText->setText(WelcomeWelcomeText());
    }
    QWidget::changeEvent(event);
}

void WelcomeWidget::paintEvent(QPaintEvent*)
{
    paintStyledBackground(this);
}
