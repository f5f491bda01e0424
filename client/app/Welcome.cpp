#include "Welcome.h"

#include "Config.h"
#include "EmailValidator.h"
#include "MeteredSubscription.h"
#include "OzmApplication.h"
#include "QOZMHamburgerMenuSignalHandler.h"
#include "SharedTexts.h"
#include "SystemFunctions.h"
#include "VpnServer.h"
#include "coBranding.h"
#include "AppConstants.h"
#include "ui_Welcome.h"

#include <QCloseEvent>
#include <QMetaEnum>
#include <QRegExpValidator>
#include <QStyle>

namespace {

// Counted by every screen change that may bring the window up; goes on at 1
// after its top so that it never reads "nothing shown yet" again.
qint32 displayCounter = 0;

const qint64 TrafficLowLimit = 500000000;
const int AutoTransferMs = 4000;
const int DeviceNameLimit = 50;

int requiredArguments(Welcome::ScreenType screen)
{
    switch (screen) {
    case Welcome::ScreenError:
        return 1;
    case Welcome::ScreenForgotPasswordMessage:
    case Welcome::ScreenPasswordError:
    case Welcome::ScreenCommonError:
    case Welcome::ScreenSubscriptionError:
    case Welcome::UpdateErrorTextOnPreviousScreen:
    case Welcome::ScreenBackendServiceError:
        return 2;
    case Welcome::ScreenExpired:
        return 4;
    default:
        return 0;
    }
}

bool isKnownScreen(int screen)
{
    return screen > Welcome::ScreenNone && screen < Welcome::SIZE && screen != 3;
}

Welcome::ErrorOptions errorOptions(const QList<QVariant>& args, int position)
{
    if (args.size() <= position)
        return {};
    const QVariant& value = args.at(position);
    if (value.userType() == qMetaTypeId<Welcome::ErrorOptions>())
        return value.value<Welcome::ErrorOptions>();
    bool ok = false;
    const int bits = value.toInt(&ok);
    return ok ? Welcome::ErrorOptions(bits) : Welcome::ErrorOptions();
}

QString stringAt(const QList<QVariant>& args, int position)
{
    return args.size() > position ? args.at(position).toString() : QString();
}

bool boolAt(const QList<QVariant>& args, int position, bool fallback)
{
    return args.size() > position ? args.at(position).toBool() : fallback;
}

} // namespace

Welcome* Welcome::inst()
{
    static QPointer<Welcome> window;
    if (!window)
        window = new Welcome;
    return window;
}

Welcome::Welcome(QWidget* parent)
    : OZDialog(parent)
    , m_ui(new Ui::Welcome)
    , m_closeDelayTimer(this)
    , m_autoTransferTimer(this)
    , m_progressTimer(new QTimer(this))
{
    m_closeDelayTimer.setObjectName(QStringLiteral("closeDelayTimer"));
    m_autoTransferTimer.setObjectName(QStringLiteral("autoTransferTimer"));
    m_progressTimer->setObjectName(QStringLiteral("progressTimer"));
    qRegisterMetaType<Welcome::ErrorOptions>("Welcome::ErrorOptions");
    registerSubscriptionPointer();
    m_ui->setupUi(this);
    setWindowFlags(Qt::WindowTitleHint | Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint);
    m_ui->leSorryDevLengthReached->hide();
    connect(m_ui->btnCloseCommonError, &QPushButton::clicked, this, &Welcome::close);
    updateUi();
    onRegisterDeviceEditChange();
    connect(m_ui->stackedWidget, &QStackedWidget::currentChanged, this, &Welcome::onStackedWidgetCurrentChanged);
    // Queued, so that the size follows the page once its own entry has run.
    for (QOZMStackedWidget* stack : {m_ui->stackedWidget, m_ui->topLevelStackedWidget})
        connect(stack, &QStackedWidget::currentChanged, this, &Welcome::onQOZMStackedWidgetCurrentChanged,
                Qt::QueuedConnection);
    m_ui->privacyTipPanel->hide();
    connect(m_progressTimer, &QTimer::timeout, this, &Welcome::progressBarAnimation);
    m_ui->currentErrorWidget->hide();
    connect(m_ui->privacyTipPanel, &PrivacyTipPanel::privacyTipsClosed, this, &Welcome::onPrivacyTipClose);
    setRandomPrivacyTip();
    adjustSize();
    moveToCenter();
}

// Deleting the window is safe at any time: its timers are members and stop
// with it, and inst()'s guarded pointer forgets it.
Welcome::~Welcome()
{
    delete m_ui;
}

void Welcome::init(QSharedPointer<ClientAuthData>& authData)
{
    if (m_authData)
        disconnect(m_authData.data(), nullptr, this, nullptr);
    m_authData = authData;
    connect(m_authData.data(), &ClientAuthData::subscriptionChanged, this, &Welcome::onSubscriptionUpdate);
}

void Welcome::startInitialOpening()
{
    QOZMHamburgerMenuSignalHandler::inst()->disableAllMenus();
    showScreen(ScreenConfiguring, {});
    m_progressAnimationArmed = true;
    m_ui->expiredFooterLbl_2->setText(WelcomeExpiredFooter());
}

void Welcome::finishInitialOpening()
{
    m_emailValidator = new EmailValidator(this);
    for (QLineEdit* edit : {m_ui->leDeviceId, m_ui->leEmail, m_ui->leEmail_2, m_ui->leEmail_3, m_ui->lePassword,
                            m_ui->lePasswordConfirm, m_ui->leEnterPassword})
        edit->setAttribute(Qt::WA_MacShowFocusRect, false);

    m_closeDelayTimer.setSingleShot(true);
    m_autoTransferTimer.setSingleShot(true);
    connect(&m_closeDelayTimer, &QTimer::timeout, this, &Welcome::onCloseDelayIsEnd);
    connect(&m_autoTransferTimer, &QTimer::timeout, this, &Welcome::readyToActivateTriggered);

    m_ui->leDeviceId->setMaxLength(DeviceNameLimit);
    m_ui->btnEmail->setEnabled(false);
    m_ui->btnBuy->hide();
    m_ui->trafficSw->hide();
    m_ui->statusStackedWidget->setCurrentIndex(1);

    for (QLineEdit* edit : {m_ui->leDeviceId, m_ui->lePassword, m_ui->lePasswordConfirm})
        connect(edit, &QLineEdit::textChanged, this, &Welcome::onRegisterDeviceEditChange);

    connect(m_ui->btnCloseExpired, &QPushButton::clicked, this, &Welcome::close);
    for (QPushButton* button : {m_ui->btnBackToEmail, m_ui->btnNoThanks_2})
        connect(button, &QPushButton::clicked, this, &Welcome::backToEmail);
    for (QPushButton* button : {m_ui->btnBuy, m_ui->btnBuy_6, m_ui->btnBuy_7})
        connect(button, &QPushButton::clicked, this, &Welcome::buy);
    for (QPushButton* button : {m_ui->forgotPasswordBtn, m_ui->forgotPasswordBtn_2})
        connect(button, &QPushButton::clicked, this, &Welcome::forgotPassword);
    connect(m_ui->btnBuy_4, &QPushButton::clicked, this, &Welcome::onBtnBuy4TopUpNow);
    for (QPushButton* button : {m_ui->btnActivate_2, m_ui->btnContinue_3})
        connect(button, &QPushButton::clicked, this, &Welcome::readyToActivateTriggered);
    connect(m_ui->leEmail, &QLineEdit::returnPressed, m_ui->btnEmail, &QPushButton::click);
    connect(m_ui->welcomeWidget, &WelcomeWidget::quickStartActivated, this, &Welcome::quickStartActivated);

    QOZMHamburgerMenuSignalHandler::inst()->enableAllMenus();
    QCoreApplication::processEvents();
}

void Welcome::applyBrandInfo()
{
    const QImage logo = coBranding::inst()->logo->getImgData();
    if (!logo.isNull())
        m_ui->lbLogoImage->setPixmap(QPixmap::fromImage(logo));
}

void Welcome::setRandomPrivacyTip()
{
    m_ui->privacyTipPanel->setRandomPrivacyTip();
    adjustSize();
}

void Welcome::onRegisterDeviceEditChange()
{
    const bool missing = m_ui->leDeviceId->text().trimmed().isEmpty() || m_ui->lePassword->text().isEmpty()
                         || (m_passwordConfirmation && m_ui->lePasswordConfirm->text().isEmpty());
    m_ui->btnRegister->setEnabled(!missing);
}

void Welcome::updateUi()
{
    setWindowTitle(OzmApplication::windowTitle_ + tr(" - Welcome"));
    m_ui->leSorryDevLengthReached->setText(tr("Device name limit of %1 characters has been reached.").arg(DeviceNameLimit));
}

bool Welcome::checkEmail(const QString& email) const
{
    if (!m_emailValidator)
        return false;
    QString text = email.trimmed();
    int position = 0;
    return m_emailValidator->validate(text, position) == QValidator::Acceptable;
}

bool Welcome::isPopUpSuppressed(ScreenType screen) const
{
    if (!OzmApplication::notBlinkVudevo_)
        return false;
    switch (screen) {
    case ScreenConfiguring:
    case ScreenConfigured:
    case ScreenError:
    case ScreenSecured:
    case ScreenReady:
    case ScreenForgotPasswordMessage:
    case ScreenPasswordError:
    case ScreenDisconnected:
    case ScreenExpired:
    case ScreenCommonError:
    case ScreenSubscriptionError:
    case UpdateErrorTextOnPreviousScreen:
        return true;
    default:
        return false;
    }
}

void Welcome::showScreen(ScreenType screen, QList<QVariant> args)
{
    qDebug().noquote() << QStringLiteral("showScreen() screen type is ")
                              + QLatin1String(QMetaEnum::fromType<ScreenType>().valueToKey(screen));
    if (!isKnownScreen(screen))
        qFatal("Internal logic error : welcome screen number %d is unknown!", int(screen));
    if (args.size() < requiredArguments(screen))
        qFatal("Internal logic error! Wrong number(%d) of the passed arguments in the Welcome::showScreen(screen=%d)",
               int(args.size()), int(screen));

    switch (m_currentScreen) {
    case ScreenEmailPrompt:
    case ScreenDevicePrompt:
    case ScreenNewDeviceAdding:
    case ScreenForgotPasswordMessage:
    case ScreenPasswordError:
    case ScreenExpired:
    case ScreenPasswordChangedExternally:
        if (screen == ScreenDisconnected)
            return;
        break;
    default:
        break;
    }
    if (m_disconnected && screen != UpdateErrorTextOnPreviousScreen && screen != ScreenBackendServiceError)
        screen = ScreenDisconnected;

    QWidget* focus = nullptr;
    if (!fillScreen(screen, args, &focus))
        return;

    if (!isPopUpSuppressed(screen))
        display(screen, focus);
    m_currentScreen = screen;
    if (isScreenSuitableForConnectionDiagnostic(screen))
        emit startConnectionDiagnostic();
}

// Fills the pages of one screen; false when the screen has done all it does
// and the window's screen and pop-up stay as they were.
bool Welcome::fillScreen(ScreenType screen, const QList<QVariant>& args, QWidget** focus)
{
    switch (screen) {
    case ScreenConfiguring:
        showMainPage();
        m_ui->swConfigured->setCurrentIndex(1);
        m_ui->stackedWidget->setCurrentWidget(m_ui->page_configured);
        startProgress(m_ui->progressBar_2, 80);
        return true;
    case ScreenEmailPrompt: {
        showMainPage();
        m_ui->stackedWidget->setCurrentWidget(m_ui->page_email);
        const QString placeholder = coBranding::inst()->placeholder_email->getStrData();
        if (!placeholder.isEmpty()) {
            m_ui->leEmail->setPlaceholderText(placeholder);
            m_ui->leEmail_2->setPlaceholderText(placeholder);
        }
        const QString email = stringAt(args, 0);
        m_ui->leEmail->setText(email);
        m_ui->btnEmail->setEnabled(checkEmail(email));
        *focus = m_ui->leEmail;
        return true;
    }
    case ScreenDevicePrompt:
        fillDevicePrompt(args, focus);
        return true;
    case ScreenNewDeviceAdding:
        showMainPage();
        emit startDeviceRegistrationSignal();
        return true;
    case ScreenConfigured:
        fillConfigured(args);
        return true;
    case ScreenError:
        return fillError(args);
    case ScreenSecured:
        showMainPage();
        if (!m_ui->lbCurrentError->text().isEmpty())
            m_ui->currentErrorWidget->show();
        m_ui->stackedWidget->setCurrentWidget(m_ui->page_secure);
        m_closeDelayTimer.start(CloseDelayMs);
        return true;
    case ScreenReady:
        if (!m_ui->lbCurrentError->text().isEmpty())
            m_ui->currentErrorWidget->show();
        showMainPage();
        m_ui->stackedWidget->setCurrentWidget(m_ui->page_ready);
        return true;
    case ScreenActivating:
        showMainPage();
        m_ui->stackedWidget->setCurrentWidget(m_ui->page_connecting);
        startProgress(m_ui->progressBarActivating, 140);
        return true;
    case ScreenActivated:
        showMainPage();
        m_ui->stackedWidget->setCurrentWidget(m_ui->page_connected);
        if (boolAt(args, 0, true))
            m_closeDelayTimer.start(CloseDelayMs);
        return true;
    case ScreenForgotPasswordMessage:
        if (isVisible()) {
            if (m_ui->stackedWidget->currentWidget() == m_ui->page_device) {
                m_ui->passwordMatchErrorLbl->setText(args.at(1).toString());
                m_ui->passwordMatchErrorLbl->show();
            } else {
                m_ui->lbPasswdChngdExternally->setText(args.at(1).toString());
                m_ui->lbPasswdChngdExternally->show();
                *focus = m_ui->leEnterPassword;
            }
        }
        adjustSize();
        return true;
    case ScreenPasswordError:
        return fillPasswordError(args);
    case ScreenManageDevicesPage:
        fillManageDevices(args);
        return true;
    case ScreenDisconnected:
        m_ui->currentErrorWidget->hide();
        m_ui->label_9->setText(tr("Your device is not connected to the Internet."));
        m_ui->stackedWidget->setCurrentWidget(m_ui->page_disconnected);
        return true;
    case ScreenExpired:
        fillExpired(args);
        return true;
    case ScreenPasswordChangedExternally:
        m_passwordChangedExternally = true;
        m_ui->btnBackToEmail_3->setEnabled(false);
        m_ui->leEnterPassword->clear();
        m_ui->leEnterPassword->setEnabled(true);
        showMainPage();
        m_ui->btnRegister_2->setEnabled(false);
        m_ui->stackedWidget->setCurrentWidget(m_ui->page_password_changed_externally);
        m_ui->leEnterPassword->setFocus(Qt::OtherFocusReason);
        m_ui->lbPasswdChngdExternally->setText(passwordChangedText("Your password was changed."));
        *focus = m_ui->leEnterPassword;
        return true;
    case ScreenCommonError:
    case ScreenSubscriptionError: {
        const QString title = args.at(0).toString();
        const QString text = args.at(1).toString();
        m_ui->lbCommonError->setText(title.isEmpty() ? text : title + "\n" + text);
        m_ui->stackedWidget->setCurrentWidget(m_ui->page_commonError);
        return true;
    }
    case UpdateErrorTextOnPreviousScreen:
        updateErrorTextOnPreviousScreen(args.at(0).toString(), args.at(1).toString());
        return false;
    case ScreenDeactivating:
        showMainPage();
        m_ui->stackedWidget->setCurrentWidget(m_ui->page_deactivating);
        return true;
    case ScreenBackendServiceError:
        m_ui->lbCommonError->setText(args.at(0).toString() + "\n" + args.at(1).toString());
        showMainPage();
        m_ui->stackedWidget->setCurrentWidget(m_ui->page_commonError);
        return true;
    default:
        return false;
    }
}

void Welcome::showMainPage()
{
    m_ui->topLevelStackedWidget->setCurrentWidget(m_ui->page_main_welcome_page);
}

void Welcome::startProgress(QProgressBar* bar, int tickMs)
{
    if (!m_progressAnimationArmed)
        return;
    bar->setMaximum(100);
    bar->setValue(0);
    m_progressTimer->start(tickMs);
    m_progressAnimationArmed = false;
}

QString Welcome::passwordChangedText(const char* fallback) const
{
    const QDateTime changed = m_authData ? m_authData->oldPasswordTime() : QDateTime();
    if (!changed.isValid())
        return tr(fallback);
    return tr("Incorrect password.<br>Your password was changed on %1,<br>please re-enter your password.")
        .arg(changed.toString(tr("ddd MMM d h:mmap yyyy")));
}

void Welcome::fillDevicePrompt(const QList<QVariant>& args, QWidget** focus)
{
    m_ui->leEmail_2->setText(stringAt(args, 0));
    m_ui->leEmail_2->setEnabled(false);
    const QString device = stringAt(args, 1);
    m_ui->leDeviceId->setText(device.isEmpty() ? ozm::getComputerName() : device);
    showMainPage();
    m_ui->stackedWidget->setCurrentWidget(m_ui->page_device);
    m_ui->btnBackToEmail->setEnabled(m_passwordValidated);
    m_ui->passwordMatchErrorLbl->hide();
    m_ui->lbRegisterYourDevice->setHidden(m_authData && m_authData->isMyDeviceRegistered());
    for (QLineEdit* edit : {m_ui->leEmail_2, m_ui->leDeviceId, m_ui->lePassword})
        if (edit->text().isEmpty()) {
            *focus = edit;
            return;
        }
}

void Welcome::fillConfigured(const QList<QVariant>& args)
{
    const bool mayClose = boolAt(args, 0, true);
    showMainPage();
    m_ui->stackedWidget->setCurrentWidget(m_ui->page_configured);
    m_ui->swConfigured->setCurrentIndex(0);
    m_ui->trafficSw->setVisible(boolAt(args, 1, false));
    m_ui->widget_no_thanks->hide();
    if (m_remainingTraffic < 0) {
        if (mayClose)
            m_closeDelayTimer.start(CloseDelayMs);
    } else if (m_remainingTraffic < TrafficLowLimit) {
        m_ui->widget_no_thanks->show();
    } else if (m_autoTransferPrevented) {
        m_autoTransferPrevented = false;
    } else {
        m_autoTransferTimer.start(AutoTransferMs);
    }
}

bool Welcome::fillError(const QList<QVariant>& args)
{
    const QString text = args.at(0).toString();
    if (text == QLatin1String("Password entered is incorrect")) {
        m_ui->passwordMatchErrorLbl->setText(tr("The password you entered does not match our records. Please try again."));
        if (!isPopUpSuppressed(ScreenError))
            display();
        return false;
    }
    if (m_ui->stackedWidget->currentWidget() != m_ui->page_error)
        m_previousPageIndex = m_ui->stackedWidget->currentIndex();
    showMainPage();
    m_ui->stackedWidget->setCurrentWidget(m_ui->page_error);
    m_ui->lbError->setText(text);
    const ErrorOptions options = errorOptions(args, 1);
    m_ui->tryAgainButton->setVisible(options.testFlag(ErrorOptionRetry));
    m_ui->btnBuy->setVisible(options.testFlag(ErrorOptionBuy));
    return true;
}

bool Welcome::fillPasswordError(const QList<QVariant>& args)
{
    const bool threeTimes = args.at(1).toBool();
    if (m_passwordChangedExternally) {
        if (threeTimes)
            m_ui->stackedWidget->setCurrentWidget(m_ui->page_error_password_3times);
        else
            showScreen(ScreenPasswordChangedExternally, {});
        return false;
    }
    if (m_ui->stackedWidget->currentWidget() != m_ui->page_device)
        m_ui->stackedWidget->setCurrentWidget(m_ui->page_device);
    if (threeTimes) {
        m_ui->stackedWidget->setCurrentWidget(m_ui->page_error_password_3times);
        return true;
    }
    m_ui->leDeviceId->setEnabled(true);
    m_ui->lePassword->setEnabled(true);
    m_ui->passwordMatchErrorLbl->setText(
        passwordChangedText("The password you entered does not match our records. Please try again."));
    m_ui->passwordMatchErrorLbl->show();
    m_ui->lePassword->clear();
    // The service's verdict replaces the frame of the local length check,
    // which would otherwise hide the form's error frame.
    m_ui->lePassword->setStyleSheet(QString());
    m_ui->lePassword->setProperty("errorStyle", QStringLiteral("on"));
    m_ui->lePassword->style()->unpolish(m_ui->lePassword);
    m_ui->lePassword->style()->polish(m_ui->lePassword);
    m_ui->lePassword->update();
    m_ui->btnRegister->setEnabled(false);
    return true;
}

void Welcome::fillManageDevices(const QList<QVariant>& args)
{
    QWidget* shown = m_ui->stackedWidget->currentWidget();
    if (shown != m_ui->page_manage_devices && shown != m_ui->page_configured)
        m_previousPageIndex = m_ui->stackedWidget->currentIndex();
    m_ui->lbMaximumDevicesRegisteredFor->setText(
        tr("You already have the maximum number of devices registered for this account (%1).").arg(stringAt(args, 0)));
    m_ui->btnContinue->setVisible(errorOptions(args, 1).testFlag(ErrorOptionRetry));
    showMainPage();
    m_ui->deviceLimitReachedSw->setCurrentIndex(0);
    m_ui->stackedWidget->setCurrentWidget(m_ui->page_manage_devices);
}

void Welcome::fillExpired(const QList<QVariant>& args)
{
    m_ui->expiredFooterLbl_2->setText(WelcomeExpiredFooter());
    m_ui->lbSeeGuide->setText(WelcomeSeeGuide());
    m_ui->lbSeeGuide->show();
    m_ui->expiredHeaderLbl_3->setText(
        tr("<html><head/><body style=\"color:white;\"><span style=\"font-size:24px;font-weight:bold;\">You need to stay "
           "serious about<br>protecting your privacy.</span>"));
    m_ui->expiredHeaderLbl_2->setText(args.at(1).toString());
    m_ui->buyInfoLbl_2->setText(args.at(2).toString());
    m_ui->btnBuy_6->setText(args.at(3).toString());
    m_ui->btnBuy_7->setText(args.at(3).toString());
    m_ui->label_23->setText(
        tr("<html><head/><body style=\"color:black;\"><span style=\"font-size:13px;\"><p>To an identity thief, your "
           "WiFi signal is a treasure trove.<br>And antivirus or firewall software can't protect you.</p><p>You "
           "can't afford to be without the rock solid protection of a<br>Personal VPN. %1 makes it easy and "
           "affordable-<br>with a money-back guarantee.")
            .arg(gApplicationNameUI));
    m_ui->expiredSw->setCurrentIndex(0);
    m_ui->topLevelStackedWidget->setCurrentIndex(1);
}

void Welcome::updateErrorTextOnPreviousScreen(const QString& title, const QString& text)
{
    if (title.isEmpty() && text.isEmpty())
        return;
    switch (m_currentScreen) {
    case ScreenError:
        m_ui->lbError->setText(title + "\n" + text);
        break;
    case ScreenDisconnected:
        if (!title.isEmpty())
            m_ui->label_9->setText(title);
        break;
    case ScreenCommonError:
        m_ui->lbCommonError->setText(title + "\n" + text);
        break;
    default:
        break;
    }
}

void Welcome::display(ScreenType screen, QWidget* focus)
{
    switch (screen) {
    case ScreenConfigured:
    case ScreenSecured:
    case ScreenActivated:
        if (!isVisible())
            return;
        display();
        break;
    case ScreenExpired:
    case ScreenBackendServiceError:
        display();
        break;
    case ScreenConfiguring:
    case ScreenReady:
    case ScreenActivating:
    case ScreenDisconnected:
    case UpdateErrorTextOnPreviousScreen:
    case ScreenDeactivating:
        if (displayCounter > 0)
            return;
        Q_FALLTHROUGH();
    default:
        if (focus || !isVisible())
            display();
        break;
    }
    if (focus)
        focus->setFocus(Qt::OtherFocusReason);
    displayCounter = displayCounter >= 32767 ? 1 : displayCounter + 1;
}

bool Welcome::isScreenSuitableForConnectionDiagnostic(ScreenType screen)
{
    return screen == ScreenError || screen == ScreenDisconnected || screen == ScreenCommonError;
}

void Welcome::setActivationState(ActivationState state)
{
    m_activationState = state;
    if (!isVisible() || state > Deactivating)
        return;
    const bool onActivationScreen = m_currentScreen == ScreenActivating || m_currentScreen == ScreenActivated
                                    || m_currentScreen == ScreenDeactivating;
    switch (state) {
    case Disconnected:
        if (!m_activationScreens)
            return;
        hideErrorMsg();
        showScreen(ScreenDisconnected, {});
        break;
    case StateSecure:
    case Deactivated:
        if (m_activationScreens)
            hideErrorMsg();
        if (onActivationScreen)
            showScreen(state == StateSecure ? ScreenSecured : ScreenReady, {});
        break;
    case Activating:
        if (!m_activationScreens && m_currentScreen != ScreenSecured && m_currentScreen != ScreenReady
            && !(m_currentScreen == ScreenCommonError && m_lastCommonErrorType == ErrorMessageCtl::VpnConnectionEpicFail))
            return;
        m_activationScreens = true;
        showScreen(ScreenActivating, {});
        break;
    case Activated:
        hideErrorMsg();
        m_activationScreens = true;
        showScreen(ScreenActivated, {});
        break;
    case Deactivating:
        if (m_currentScreen == ScreenActivating || m_currentScreen == ScreenActivated)
            showScreen(ScreenDeactivating, {});
        break;
    }
}

void Welcome::showActivation()
{
    switch (m_activationState) {
    case Disconnected:
        m_activationScreens = true;
        showScreen(ScreenDisconnected, {});
        break;
    case StateSecure:
        showScreen(ScreenSecured, {});
        break;
    case Deactivated:
        showScreen(ScreenReady, {});
        break;
    case Activating:
        m_activationScreens = true;
        showScreen(ScreenActivating, {});
        break;
    case Activated:
        showScreen(ScreenActivated, {!m_trafficLow});
        break;
    case Deactivating:
        showScreen(ScreenDeactivating, {});
        break;
    }
}

bool Welcome::isMetered() const
{
    const SubscriptionPointer sub = m_authData ? m_authData->subscription() : SubscriptionPointer();
    return sub && sub->type() == 0;
}

bool Welcome::isCanActivateIfJustConfigured()
{
    const bool metered = isMetered();
    if (!metered && !Config::instance()->isFirstRun())
        return true;
    const bool visible = isVisible();
    showScreen(ScreenConfigured, {visible && !m_trafficLow, metered});
    return !visible;
}

void Welcome::setDisconnectedState(bool is_disconnected)
{
    m_disconnected = is_disconnected;
    if (is_disconnected && m_currentScreen != ScreenDisconnected)
        showScreen(ScreenDisconnected, {});
}

void Welcome::onSubscriptionUpdate(SubscriptionPointer sub)
{
    m_trafficLow = false;
    m_metered = false;
    if (!sub)
        return;
    if (const auto metered = sub.dynamicCast<MeteredSubscription>(); metered && sub->type() == 0) {
        m_metered = true;
        m_trafficLow = metered->quota() <= TrafficLowLimit;
        setTrafficNotification(metered->quota());
    }
    if (!isVisible() || m_ui->topLevelStackedWidget->currentWidget() != m_ui->page_subscription_inactive
        || !sub->isValid() || sub->isExpired())
        return;
    if (!isCanActivateIfJustConfigured()
        && m_ui->topLevelStackedWidget->currentWidget() != m_ui->page_subscription_inactive)
        return;
    showActivation();
}

void Welcome::setTrafficNotification(qint64 remaining)
{
    if (remaining >= 0) {
        m_remainingTraffic = remaining;
        m_ui->trafficSw->setCurrentWidget(m_ui->page_13);
        const QString figure = QStringLiteral("<span style=\"font-family: KievitComp-Bold;\">%1</span>")
                                   .arg(trafficInBytesToText(remaining, true));
        m_ui->lbDataRemaining->setText(tr("<span style=\"font-size: 16px;\">Data remaining: %1</span>").arg(figure));
    }
    m_ui->lbRefreshText->setText(tr("Refresh Data Amount"));
    m_ui->btnRefresh->setEnabled(true);
}

void Welcome::setActivatingServer(const VpnServer& vpnServer)
{
    setConnectingServer(vpnServer.name.isEmpty() ? QStringLiteral("...")
                                                 : tr("%1 in %2").arg(vpnServer.name, vpnServer.city));
}

void Welcome::setActivatingServer(const QString& cluster)
{
    setConnectingServer(cluster.isEmpty() ? QStringLiteral("...") : cluster);
}

void Welcome::setConnectingServer(const QString& name)
{
    if (m_disconnected)
        return;
    m_ui->lbConnecting->setText(tr("Connecting to secure server in %1").arg(name));
    if (m_ui->currentErrorWidget->isVisible())
        m_ui->lbCurrentError->setText(m_lastFailureText + tr("\nAttempting to connect to new server in %1").arg(name));
}

void Welcome::setFailedServer(const QString& server)
{
    if (m_disconnected)
        return;
    m_lastFailureText = tr("Unable to connect to %1 server.").arg(server);
    if (isVisible())
        m_ui->lbCurrentError->setText(m_lastFailureText);
    if (!m_ui->lbCurrentError->text().isEmpty())
        m_ui->currentErrorWidget->show();
}

void Welcome::hideErrorMsg()
{
    m_ui->currentErrorWidget->hide();
    m_ui->lbCurrentError->clear();
}

void Welcome::setCanDeactivate(bool canDeactivate)
{
    m_ui->cancelActivationButton->setVisible(canDeactivate);
}

void Welcome::showErrorConnectToService()
{
    showServiceError(tr("The application cannot start because its service is not installed or not running. Try to "
                        "reinstall the application."));
}

void Welcome::showErrorServiceDisconnected()
{
    showServiceError(tr("The Windows service connection was closed unexpectedly. Try to reboot your PC or reinstall "
                        "the application."));
}

void Welcome::showServiceError(const QString& text)
{
    QOZMHamburgerMenuSignalHandler::inst()->enableErrorSuitableMenus();
    m_ui->privacyTipPanel->hide();
    showScreen(ScreenBackendServiceError, {tr("Service missing"), text});
}

void Welcome::closeEvent(QCloseEvent* event)
{
    event->accept();
    emit welcomeClosed();
    if (m_ui->widget_no_thanks->isVisible())
        emit readyToActivateTriggered();
    if (m_ui->btnCloseExpired->isVisible())
        m_ui->topLevelStackedWidget->setCurrentWidget(m_ui->page_main_welcome_page);
}

void Welcome::hideEvent(QHideEvent* event)
{
    emit becomeVisible(false);
    OZDialog::hideEvent(event);
}

void Welcome::showEvent(QShowEvent* event)
{
    emit becomeVisible(true);
    OZDialog::showEvent(event);
}

void Welcome::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        m_ui->retranslateUi(this);
        updateUi();
    }
    OZDialog::changeEvent(event);
}

int Welcome::getPageConfigured() const { return m_ui->stackedWidget->indexOf(m_ui->page_configured); }
int Welcome::getPageEmail() const { return m_ui->stackedWidget->indexOf(m_ui->page_email); }
int Welcome::getPageDevice() const { return m_ui->stackedWidget->indexOf(m_ui->page_device); }
int Welcome::getPageSecure() const { return m_ui->stackedWidget->indexOf(m_ui->page_secure); }
int Welcome::getPageReady() const { return m_ui->stackedWidget->indexOf(m_ui->page_ready); }
int Welcome::getPageConnecting() const { return m_ui->stackedWidget->indexOf(m_ui->page_connecting); }
int Welcome::getPageDeactivating() const { return m_ui->stackedWidget->indexOf(m_ui->page_deactivating); }
int Welcome::getPageConnected() const { return m_ui->stackedWidget->indexOf(m_ui->page_connected); }
int Welcome::getPageManageDevices() const { return m_ui->stackedWidget->indexOf(m_ui->page_manage_devices); }
int Welcome::getPageDisconnected() const { return m_ui->stackedWidget->indexOf(m_ui->page_disconnected); }
int Welcome::getPagePasswordChangedExternally() const
{
    return m_ui->stackedWidget->indexOf(m_ui->page_password_changed_externally);
}
int Welcome::getPageErrorPassword3Times() const { return m_ui->stackedWidget->indexOf(m_ui->page_error_password_3times); }
int Welcome::getPageCommonError() const { return m_ui->stackedWidget->indexOf(m_ui->page_commonError); }
int Welcome::getPageError() const { return m_ui->stackedWidget->indexOf(m_ui->page_error); }
int Welcome::getPageUnsecure() const { return m_ui->stackedWidget->indexOf(m_ui->page_unsecure); }
int Welcome::getPageAddNewDevice() const { return m_ui->stackedWidget->indexOf(m_ui->page_add_new_device_page); }

void Welcome::changeTopLevelStackedWidgetIndex(int newIndex)
{
    m_ui->topLevelStackedWidget->setCurrentIndex(newIndex);
}

void Welcome::changeStackedWidgetIndex(int newIndex)
{
    m_ui->stackedWidget->setCurrentIndex(newIndex);
}
