#include "FeedbackPage.h"

#include "ExternalUrl.h"
#include "coBranding.h"

#include <QUrl>

FeedbackPage::FeedbackPage(QWidget* parent) : QWidget(parent)
{
    m_ui.setupUi(this);
    updateUi();
}

void FeedbackPage::updateUi()
{
    // A "&" of the brand text is a character, not a shortcut.
    m_ui.btnFeedbacLink->setText(coBranding::inst()->feedback_email->getStrData().replace(QLatin1Char('&'), QLatin1String("&&")));
}

void FeedbackPage::on_btnFeedbacLink_clicked()
{
    ozm::openExternalUrl(QUrl(QStringLiteral("mailto:") + coBranding::inst()->feedback_email->getStrData()));
}

void FeedbackPage::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        m_ui.retranslateUi(this);
        updateUi();
    }
    QWidget::changeEvent(event);
}

void FeedbackPage::showEvent(QShowEvent* event)
{
    updateUi();
    QWidget::showEvent(event);
}
