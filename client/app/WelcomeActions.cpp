// What the main window's fields and buttons do, the housekeeping of every
// page change, the progress animation and the steps that close the window.
#include "Welcome.h"

#include "ExternalUrl.h"
#include "QOZMHamburgerMenuSignalHandler.h"
#include "SharedTexts.h"
#include "coBranding.h"
#include "ui_Welcome.h"

#include <QDebug>
#include <QStyle>
#include <QUrl>

namespace {

constexpr int PasswordMinLength = 6;
constexpr int PasswordMaxLength = 50;
constexpr int DeviceNameWarningLength = 50;

// The progress bars slow down near their end, so that a long exchange with
// the service does not leave a full bar waiting.
constexpr int ConfiguringSlowAt = 90;
constexpr int ConfiguringSlowTickMs = 450;
constexpr int ActivatingSlowAt = 80;
constexpr int ActivatingSlowTickMs = 400;

const QString& acceptedPasswordStyle()
{
    static const QString style = QStringLiteral("QLineEdit:focus { border: 1px solid #ABD08B; }");
    return style;
}

const QString& rejectedPasswordStyle()
{
    static const QString style = QStringLiteral("QLineEdit:focus { border: 1px solid #FD3737; }");
    return style;
}

// One tick of a bar; a full bar stays full until the page changes.
void advance(QProgressBar* bar, QTimer* timer, int slowAt, int slowTickMs)
{
    const int value = bar->value() + 1;
    if (value > bar->maximum())
        return;
    bar->setValue(value);
    if (value == slowAt)
        timer->setInterval(slowTickMs);
}

} // namespace

bool Welcome::isEnteredPasswordsValid()
{
    if (!m_passwordConfirmation)
        return true;
    QLabel* const reason = m_ui->passwordMatchErrorLbl;
    const QString password = m_ui->lePassword->text();
    if (password.size() < PasswordMinLength || password.size() > PasswordMaxLength) {
        reason->setText(QCoreApplication::translate("ChangePassword",
                                                    "Your password should contain %1 to %2 valid characters.")
                            .arg(PasswordMinLength)
                            .arg(PasswordMaxLength));
        reason->show();
        setPasswordStyle(m_ui->lePassword, false);
        return false;
    }
    reason->hide();
    setPasswordStyle(m_ui->lePassword, true);
    const QString confirmation = m_ui->lePasswordConfirm->text();
    if (confirmation.isEmpty())
        return true;
    if (confirmation != password) {
        reason->setText(tr("The passwords entered do not match."));
        reason->show();
        setPasswordStyle(m_ui->lePasswordConfirm, false);
        return false;
    }
    reason->hide();
    setPasswordStyle(m_ui->lePasswordConfirm, true);
    return true;
}

void Welcome::setPasswordStyle(QLineEdit* edit, bool accepted)
{
    edit->setStyleSheet(accepted ? acceptedPasswordStyle() : rejectedPasswordStyle());
    if (!accepted)
        edit->setFocus(Qt::OtherFocusReason);
}

void Welcome::on_leEmail_textChanged(const QString& text)
{
    m_ui->btnEmail->setEnabled(checkEmail(text));
}

void Welcome::on_btnEmail_clicked()
{
    hideErrorMsg();
    m_ui->btnEmail->setEnabled(false);
    const QString email = m_ui->leEmail->text().trimmed();
    if (!checkEmail(email))
        return;
    m_ui->leEmail->setEnabled(false);
    emit emailEntered(email);
}

void Welcome::on_leDeviceId_textChanged(const QString& text)
{
    const bool atLimit = text.size() >= DeviceNameWarningLength;
    m_ui->leSorryDevLengthReached->setVisible(atLimit);
    m_ui->leDeviceId->setStyleSheet(atLimit ? QStringLiteral("QLineEdit#leDeviceId:focus { border-color: #000000; } "
                                                             "QLineEdit#leDeviceId:!focus { border-color: #CCCCCC; }")
                                            : QString());
}

void Welcome::on_leEmail_2_returnPressed()
{
    m_ui->leDeviceId->setFocus(Qt::OtherFocusReason);
}

void Welcome::on_leDeviceId_returnPressed()
{
    m_ui->lePassword->setFocus(Qt::OtherFocusReason);
}

void Welcome::on_lePassword_returnPressed()
{
    if (!isEnteredPasswordsValid())
        return;
    if (m_ui->lePasswordConfirm->isVisible())
        m_ui->lePasswordConfirm->setFocus(Qt::OtherFocusReason);
    else
        m_ui->btnRegister->click();
}

void Welcome::on_lePasswordConfirm_returnPressed()
{
    if (!isEnteredPasswordsValid())
        return;
    if (m_ui->lePassword->text().isEmpty())
        m_ui->lePassword->setFocus(Qt::OtherFocusReason);
    else if (m_ui->btnRegister->isEnabled())
        m_ui->btnRegister->click();
}

void Welcome::on_btnRegister_clicked()
{
    if (!isEnteredPasswordsValid())
        return;
    m_ui->btnRegister->setEnabled(false);
    m_ui->leDeviceId->setEnabled(false);
    m_ui->lePassword->setEnabled(false);
    emit deviceEntered(m_ui->leDeviceId->text().trimmed(), m_ui->lePassword->text(), true);
}

void Welcome::setPasswordEcho(bool clear)
{
    const QLineEdit::EchoMode mode = clear ? QLineEdit::Normal : QLineEdit::Password;
    m_ui->lePassword->setEchoMode(mode);
    m_ui->lePasswordConfirm->setEchoMode(mode);
}

void Welcome::on_toolShowPassword_pressed()
{
    setPasswordEcho(true);
}

void Welcome::on_toolShowPassword_released()
{
    setPasswordEcho(false);
}

void Welcome::on_leEnterPassword_textChanged(const QString& text)
{
    m_ui->btnRegister_2->setEnabled(!text.isEmpty());
}

void Welcome::on_btnRegister_2_clicked()
{
    m_ui->btnRegister_2->setEnabled(false);
    m_ui->leEnterPassword->setEnabled(false);
    emit deviceEntered(QString(), m_ui->leEnterPassword->text(), true);
}

void Welcome::on_leEnterPassword_returnPressed()
{
    m_ui->btnRegister_2->click();
}

void Welcome::on_leEmail_3_returnPressed()
{
    m_ui->btnContinue_2->click();
}

void Welcome::on_btnContinue_2_clicked()
{
    emit startDeviceRegistrationSignal();
}

void Welcome::on_tryAgainButton_clicked()
{
    if (m_previousPageIndex >= 0)
        m_ui->stackedWidget->setCurrentIndex(m_previousPageIndex);
    emit errorRetry();
}

void Welcome::on_btnErrorBack_clicked()
{
    if (m_previousPageIndex >= 0 && m_previousPageIndex != getPageConfigured()) {
        showMainPage();
        m_ui->stackedWidget->setCurrentIndex(m_previousPageIndex);
    } else {
        m_ui->btnBackToEmail->click();
    }
}

// The brand's address becomes the path of the mail address, so that what it
// holds can add no header and no body to the message.
void Welcome::on_btnEmailCustomerSupport_clicked()
{
    const QString address = coBranding::inst()->support_email->getStrData().trimmed();
    if (address.isEmpty()) {
        qWarning() << "No customer support address to write to";
        return;
    }
    QUrl mail;
    mail.setScheme(QStringLiteral("mailto"));
    mail.setPath(address, QUrl::DecodedMode);
    ozm::openExternalUrl(mail);
}

void Welcome::on_manageDevicesBtn_clicked()
{
    emit openDeviceManagementPage();
    m_ui->deviceLimitReachedSw->setCurrentIndex(1);
    adjustSize();
    if (m_ui->btnContinue->isVisible())
        m_ui->btnContinue->setEnabled(true);
}

void Welcome::on_btnContinue_clicked()
{
    m_ui->btnContinue->setEnabled(false);
    emit errorRetry();
}

void Welcome::on_btnBackToEmail_2_clicked()
{
    switch (m_ui->deviceLimitReachedSw->currentIndex()) {
    case 1:
        m_ui->deviceLimitReachedSw->setCurrentIndex(0);
        break;
    case 0:
        if (m_previousPageIndex >= 0 && m_previousPageIndex != getPageConfigured())
            m_ui->stackedWidget->setCurrentIndex(m_previousPageIndex);
        else
            backToEmail();
        break;
    default:
        break;
    }
}

void Welcome::on_activateButton_clicked()
{
    if (m_activationState != Activated) {
        m_activationScreens = true;
        emit activateVpnMandatory();
        return;
    }
    showScreen(ScreenActivated, {!m_trafficLow});
}

void Welcome::on_closeButton_clicked()
{
    emit welcomeClosed();
    closeWindow();
}

void Welcome::on_cancelActivationButton_clicked()
{
    emit cancelActivateTriggered();
    emit disableStatusShowing();
    closeWindow();
}

void Welcome::on_btnRunConnectivityTest_clicked()
{
    qDebug().noquote() << "Welcome Screen has started Connectivity Test.";
    emit runTest();
}

void Welcome::onBtnBuy4TopUpNow()
{
    emit buy();
    m_ui->topUpSw->setCurrentIndex(1);
    preventAutoTransferToFinalState();
}

void Welcome::on_btnRefresh_clicked()
{
    emit updateSubscription();
    m_ui->lbRefreshText->setText(tr("Refreshing..."));
    m_ui->btnRefresh->setEnabled(false);
    preventAutoTransferToFinalState();
}

void Welcome::preventAutoTransferToFinalState()
{
    m_autoTransferPrevented = true;
    m_autoTransferTimer.stop();
}

void Welcome::on_btnExpiredNoThanks_2_clicked()
{
    m_ui->expiredFooterLbl_2->setText(WelcomeExpiredFooter2());
    m_ui->lbSeeGuide->hide();
    m_ui->expiredSw->setCurrentWidget(m_ui->privacy_info_2);
}

void Welcome::on_lbSeeGuide_linkActivated(const QString& link)
{
    if (link.compare(QLatin1String("link:QuickStart"), Qt::CaseInsensitive) == 0)
        emit quickStartActivated();
}

void Welcome::closeWindow()
{
    switch (m_currentScreen) {
    case ScreenConfigured:
    case ScreenSecured:
    case ScreenReady:
        emit disableStatusShowing();
        break;
    case ScreenActivating:
    case ScreenActivated:
        emit enableStatusShowing();
        break;
    default:
        break;
    }
    close();
}

void Welcome::onCloseDelayIsEnd()
{
    switch (m_currentScreen) {
    case ScreenError:
    case ScreenActivating:
    case ScreenDisconnected:
    case ScreenCommonError:
    case ScreenSubscriptionError:
    case ScreenDeactivating:
    case ScreenBackendServiceError:
        return;
    default:
        break;
    }
    // The window must not close under a menu the user is looking at.
    if (QOZMHamburgerMenuSignalHandler::inst()->isMenuShown())
        return;
    closeWindow();
}

void Welcome::onPrivacyTipClose()
{
    QWidget* const page = m_ui->stackedWidget->currentWidget();
    if (page == m_ui->page_secure || page == m_ui->page_unsecure || page == m_ui->page_connected
        || page == m_ui->page_disconnected)
        m_closeDelayTimer.start(CloseDelayMs);
    adjustSize();
}

void Welcome::onQOZMStackedWidgetCurrentChanged(int)
{
    adjustSize();
}

void Welcome::onStackedWidgetCurrentChanged(int index)
{
    m_ui->trafficSw->hide();
    hideErrorMsg();
    if (m_progressTimer->isActive()) {
        m_ui->progressBar_2->setValue(100);
        m_ui->progressBarActivating->setValue(100);
        m_progressTimer->stop();
        m_progressAnimationArmed = true;
    }
    QWidget* const page = m_ui->stackedWidget->widget(index);
    PrivacyTipPanel* const tip = m_ui->privacyTipPanel;
    // Only hidden for the prompts: the user's own choice to close it stays.
    if (page == m_ui->page_email || page == m_ui->page_device)
        tip->QWidget::setVisible(false);
    else if (!tip->isHidden())
        tip->QWidget::setVisible(true);

    if (page == m_ui->page_email) {
        m_ui->leEmail->setEnabled(true);
        m_ui->btnEmail->setEnabled(true);
        m_ui->leEmail->setFocus(Qt::OtherFocusReason);
    } else if (page == m_ui->page_device) {
        enterDevicePage();
    } else if (page == m_ui->page_manage_devices) {
        m_ui->deviceLimitReachedSw->setCurrentIndex(0);
        m_ui->btnContinue->setEnabled(false);
    } else if (page == m_ui->page_configured) {
        m_ui->topUpSw->setCurrentIndex(0);
    }
    if (page != m_ui->page_configured)
        m_autoTransferPrevented = false;
}

void Welcome::enterDevicePage()
{
    QLineEdit* const password = m_ui->lePassword;
    password->setProperty("errorStyle", QStringLiteral("off"));
    password->style()->unpolish(password);
    password->style()->polish(password);
    password->update();
    m_ui->passwordMatchErrorLbl->hide();
    m_ui->leDeviceId->setEnabled(true);
    password->clear();
    password->setEnabled(true);
    if (m_ui->leDeviceId->text().isEmpty())
        m_ui->leDeviceId->setFocus(Qt::OtherFocusReason);
    else
        password->setFocus(Qt::OtherFocusReason);
    if (m_passwordConfirmation) {
        m_ui->label_12->setText(tr("Create Password"));
        m_ui->lePasswordConfirm->clear();
        m_ui->registerDeviceSw->setCurrentIndex(0);
    } else {
        m_ui->label_12->setText(tr("Enter Password"));
        m_ui->registerDeviceSw->setCurrentIndex(1);
    }
}

void Welcome::progressBarAnimation()
{
    QWidget* const page = m_ui->stackedWidget->currentWidget();
    if (page == m_ui->page_configured)
        advance(m_ui->progressBar_2, m_progressTimer, ConfiguringSlowAt, ConfiguringSlowTickMs);
    else if (page == m_ui->page_connecting)
        advance(m_ui->progressBarActivating, m_progressTimer, ActivatingSlowAt, ActivatingSlowTickMs);
}
