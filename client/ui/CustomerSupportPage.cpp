#include "CustomerSupportPage.h"

#include "ExternalUrl.h"
#include "SharedTexts.h"
#include "coBranding.h"

#include <QUrl>

CustomerSupportPage::CustomerSupportPage(QWidget* parent) : QWidget(parent)
{
    m_ui.setupUi(this);
    updateUi();
}

void CustomerSupportPage::updateUi()
{
    m_ui.lbSupport1->setText(QustomerSupportSupport());
    // Out of the layout, an empty label must not be left floating on the page either.
    if (m_ui.lbSupport1->text().isEmpty()) {
        m_ui.pageLayout->removeWidget(m_ui.lbSupport1);
        m_ui.lbSupport1->hide();
    }
    // A "&" of the brand text is a character, not a shortcut.
    m_ui.btnSupportEmail->setText(coBranding::inst()->support_email->getStrData().replace(QLatin1Char('&'), QLatin1String("&&")));
}

void CustomerSupportPage::on_btnSupportEmail_clicked()
{
    // The brand may name a support web page instead of an address.
    const QString support = coBranding::inst()->support_email->getStrData();
    ozm::openExternalUrl(support.contains(QLatin1Char('@')) ? QUrl(QStringLiteral("mailto:") + support)
                                                            : QUrl(support));
}

void CustomerSupportPage::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        m_ui.retranslateUi(this);
        updateUi();
    }
    QWidget::changeEvent(event);
}

void CustomerSupportPage::showEvent(QShowEvent* event)
{
    updateUi();
    QWidget::showEvent(event);
}
