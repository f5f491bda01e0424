#include "PrivacyTipPanel.h"

#include "ClientConfig.h"
#include "StyledBackground.h"

#include <QRegularExpression>

namespace {

const QString LinkStyle = QStringLiteral(" style=\"font-family: KievitComp-Bold;color: #49C4E9;text-decoration: none;\"");

// Puts the link style into every anchor start tag, right before its href.
QString styledLinks(QString text)
{
    // The blank before href belongs to the match, so an anchor whose first
    // attribute is its href is found as well as one with others before it.
    static const QRegularExpression anchor(QStringLiteral("<a(?=\\s)[^>]*( href=\"[^\"]*)\""));
    int from = 0;
    for (;;) {
        const QRegularExpressionMatch match = anchor.match(text, from);
        if (!match.hasMatch())
            return text;
        text.insert(match.capturedStart(1), LinkStyle);
        from = match.capturedEnd(0) + LinkStyle.size();
    }
}

} // namespace

PrivacyTipPanel::PrivacyTipPanel(QWidget* parent)
    : QWidget(parent)
{
    m_ui.setupUi(this);
    m_hidden = QWidget::isHidden();
    m_ui.btnNextTip->QWidget::hide();
    m_ui.btnPrevTip->QWidget::hide();
}

void PrivacyTipPanel::setHidden(bool hidden)
{
    m_hidden = hidden;
    QWidget::setHidden(hidden);
}

void PrivacyTipPanel::hide()
{
    setHidden(true);
}

void PrivacyTipPanel::show()
{
    setHidden(false);
}

void PrivacyTipPanel::setPrivacyTipOfTheDay(const QString& tipTitle, const QString& tipText)
{
    if (!tipTitle.isEmpty())
        m_ui.lbPrivacyTipTitle->setText(tipTitle.toUpper().trimmed());
    if (tipText.isEmpty())
        return;
    m_ui.lbPrivacyTipText->setText(styledLinks(tipText).trimmed());
}

void PrivacyTipPanel::on_cbPrivacyTipEnable_stateChanged(int state)
{
    if (ClientConfig* config = ClientConfig::instanceClient())
        config->setPrvcTipShownOnStartup(state != 0);
}

void PrivacyTipPanel::on_btnPrivacyTipClose_clicked()
{
    hide();
    emit privacyTipsClosed();
}

void PrivacyTipPanel::showEvent(QShowEvent* event)
{
    if (const ClientConfig* config = ClientConfig::instanceClient())
        m_ui.cbPrivacyTipEnable->setChecked(config->isPrvcTipShownOnStartup());
    QWidget::showEvent(event);
}

void PrivacyTipPanel::paintEvent(QPaintEvent*)
{
    paintStyledBackground(this);
}
