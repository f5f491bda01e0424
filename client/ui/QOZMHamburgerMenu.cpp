#include "QOZMHamburgerMenu.h"

#include "HideOnReleaseFilter.h"
#include "ImageCache.h"
#include "QOZMHamburgerMenuSignalHandler.h"

#include <QKeyEvent>
#include <QStyle>

namespace {

// The windows that carry a panel, by object name; index i is opened by the i-th own button.
const QStringList WindowNames{"Status", "Settings", "Usage", "Account", "MainHelp", "About"};

struct StateLook
{
    const char* text;
    const char* icon;
    const char* status;
};

const StateLook StateLooks[] = {
    {"Activate", ":/Images/ActivateIcon.png", ":/Images/trayDisconnected.png"},
    {"Activate", ":/Images/ActivateIcon.png", ":/Images/traySecure.png"},
    {"Activate", ":/Images/ActivateIcon.png", ":/Images/trayDeactivated.png"},
    {"Stop activating", ":/Images/DeactivateIcon.png", ":/Images/trayTransition.png"},
    {"Deactivate", ":/Images/DeactivateIcon.png", ":/Images/trayActivated.png"},
};

} // namespace

QOZMHamburgerMenu::QOZMHamburgerMenu(QWidget* parent)
    : QWidget(parent)
{
    m_ui.setupUi(this);
    m_relay = QOZMHamburgerMenuSignalHandler::inst();
    connectSignals();
    disableOwnWindowButton();
    for (QPushButton* button : {m_ui.btnAccount, m_ui.btnStatus, m_ui.btnUsage, m_ui.btnSettings, m_ui.btnHelp})
        button->setEnabled(false);
    for (QWidget* widget : std::initializer_list<QWidget*>{
             m_ui.btnAbout, m_ui.btnAccount, m_ui.btnActivateHmbrgr, m_ui.btnClose_Text, m_ui.lbClose_Icon,
             m_ui.btnHelp, m_ui.btnQuit, m_ui.btnSettings, m_ui.btnStatus, m_ui.btnUsage, m_ui.iconStatusHmenu,
             m_ui.wgetStatus})
        widget->installEventFilter(this);
    m_ui.transparent_space->installEventFilter(new HideOnReleaseFilter(this, this));
}

void QOZMHamburgerMenu::connectSignals()
{
    auto* relay = m_relay.data();
    using Relay = QOZMHamburgerMenuSignalHandler;
    connect(m_ui.btnClose_Text, &QPushButton::clicked, this, &QOZMHamburgerMenu::closeAllMenus);
    connect(relay, &Relay::closeAllMenus, this, &QWidget::hide);
    connect(this, &QOZMHamburgerMenu::closeAllMenus, relay, &Relay::closeAllMenus);
    connect(this, &QOZMHamburgerMenu::hmbrgrAbout, relay, &Relay::hmbrgrAbout);
    connect(this, &QOZMHamburgerMenu::hmbrgrHelp, relay, &Relay::hmbrgrHelp);
    connect(this, &QOZMHamburgerMenu::hmbrgrAccount, relay, &Relay::hmbrgrAccount);
    connect(this, &QOZMHamburgerMenu::hmbrgrSettings, relay, &Relay::hmbrgrSettings);
    connect(this, &QOZMHamburgerMenu::hmbrgrUsage, relay, &Relay::hmbrgrUsage);
    connect(this, &QOZMHamburgerMenu::hmbrgrStatus, relay, &Relay::hmbrgrStatus);
    connect(this, &QOZMHamburgerMenu::hmbrgrActivate, relay, &Relay::hmbrgrActivate);
    connect(this, &QOZMHamburgerMenu::hmbrgrDeactivate, relay, &Relay::hmbrgrDeactivate);
    connect(this, &QOZMHamburgerMenu::hmbrgrCancelActivate, relay, &Relay::hmbrgrCancelActivate);
    connect(this, &QOZMHamburgerMenu::hmbrgrQuit, relay, &Relay::hmbrgrQuit);
    connect(relay, &Relay::requestDisableAllMenus, this, &QOZMHamburgerMenu::disableAllMenus);
    connect(relay, &Relay::requestEnableAllMenus, this, &QOZMHamburgerMenu::enableAllMenus);
    connect(relay, &Relay::requestEnableErrorSuitableMenus, this, &QOZMHamburgerMenu::enableErrorSuitableMenus);
    connect(relay, &Relay::setAccountMenuEnabled, this, &QOZMHamburgerMenu::setAccountMenuEnabled);
    connect(relay, &Relay::setCanDeactivate, this, &QOZMHamburgerMenu::setCanDeactivate);
    connect(relay, &Relay::setInitializationDependentMenusEnabled, this,
            &QOZMHamburgerMenu::setInitializationDependentMenusEnabled);
    connect(relay, &Relay::onHmbrgrMenuActStateChngd, this, &QOZMHamburgerMenu::onHmbrgrMenuActStateChngd);
}

QPushButton* QOZMHamburgerMenu::ownButton() const
{
    const int window = parentWidget() ? WindowNames.indexOf(parentWidget()->objectName()) : -1;
    switch (window) {
    case 0: return m_ui.btnStatus;
    case 1: return m_ui.btnSettings;
    case 2: return m_ui.btnUsage;
    case 3: return m_ui.btnAccount;
    case 4: return m_ui.btnHelp;
    case 5: return m_ui.btnAbout;
    default: return nullptr;
    }
}

// The account window's own button is left to the account rules.
void QOZMHamburgerMenu::disableOwnWindowButton()
{
    QPushButton* own = ownButton();
    if (own && own != m_ui.btnAccount)
        own->setEnabled(false);
}

void QOZMHamburgerMenu::setUnlessOwn(QPushButton* button, bool enabled)
{
    if (button != ownButton())
        button->setEnabled(enabled);
}

void QOZMHamburgerMenu::setDefaultFocus()
{
    m_ui.btnClose_Text->setFocus();
}

void QOZMHamburgerMenu::onHmbrgrMenuActStateChngd(ActivationState state)
{
    m_state = state;
    if (state == Deactivating) {
        m_ui.btnActivateHmbrgr->setVisible(false);
        return;
    }
    m_ui.btnActivateHmbrgr->setVisible(true);
    if (state < Disconnected || state > Activated)
        return;
    const StateLook& look = StateLooks[state];
    m_ui.btnActivateHmbrgr->setText(QCoreApplication::translate("TrayIcon", look.text));
    m_ui.btnActivateHmbrgr->setIcon(QIcon(QString::fromLatin1(look.icon)));
    m_ui.iconStatusHmenu->setPixmap(
        ImageCache::loadPixmap(QString::fromLatin1(look.status), m_ui.iconStatusHmenu->size()));
}

void QOZMHamburgerMenu::setInitializationDependentMenusEnabled(bool enabled)
{
    for (QPushButton* button : {m_ui.btnStatus, m_ui.btnUsage, m_ui.btnHelp})
        setUnlessOwn(button, enabled);
}

void QOZMHamburgerMenu::setAccountMenuEnabled(bool enabled)
{
    for (QPushButton* button : {m_ui.btnAccount, m_ui.btnSettings})
        setUnlessOwn(button, enabled);
}

void QOZMHamburgerMenu::enableAllMenus()
{
    for (QPushButton* button : {m_ui.btnActivateHmbrgr, m_ui.btnAbout, m_ui.btnQuit})
        button->setEnabled(true);
    disableOwnWindowButton();
}

void QOZMHamburgerMenu::disableAllMenus()
{
    onHmbrgrMenuActStateChngd(Disconnected);
    for (QPushButton* button : {m_ui.btnActivateHmbrgr, m_ui.btnStatus, m_ui.btnSettings, m_ui.btnUsage,
                                m_ui.btnHelp, m_ui.btnAbout, m_ui.btnQuit})
        button->setEnabled(false);
}

void QOZMHamburgerMenu::enableErrorSuitableMenus()
{
    onHmbrgrMenuActStateChngd(Disconnected);
    for (QPushButton* button : {m_ui.btnAbout, m_ui.btnAccount, m_ui.btnActivateHmbrgr, m_ui.btnHelp,
                                m_ui.btnSettings, m_ui.btnStatus, m_ui.btnUsage})
        button->setEnabled(false);
    m_ui.btnQuit->setEnabled(true);
}

void QOZMHamburgerMenu::setCanDeactivate(bool canDeactivate)
{
    m_canDeactivate = canDeactivate;
    m_ui.btnActivateHmbrgr->setVisible(canDeactivate);
    m_ui.btnQuit->setVisible(canDeactivate);
}

void QOZMHamburgerMenu::on_btnActivateHmbrgr_clicked()
{
    switch (m_state) {
    case Disconnected:
    case StateSecure:
    case Deactivated:
        emit hmbrgrActivate();
        break;
    case Activated:
        emit hmbrgrDeactivate();
        break;
    case Activating:
        emit hmbrgrCancelActivate();
        break;
    case Deactivating:
        break;
    }
    hide();
}

void QOZMHamburgerMenu::on_btnStatus_clicked()
{
    emit hmbrgrStatus();
    hide();
}

void QOZMHamburgerMenu::on_btnUsage_clicked()
{
    emit hmbrgrUsage();
    hide();
}

void QOZMHamburgerMenu::on_btnSettings_clicked()
{
    emit hmbrgrSettings();
    hide();
}

void QOZMHamburgerMenu::on_btnAccount_clicked()
{
    emit hmbrgrAccount();
    hide();
}

void QOZMHamburgerMenu::on_btnHelp_clicked()
{
    emit hmbrgrHelp();
    hide();
}

void QOZMHamburgerMenu::on_btnAbout_clicked()
{
    emit hmbrgrAbout();
    hide();
}

void QOZMHamburgerMenu::on_btnQuit_clicked()
{
    emit hmbrgrQuit();
    hide();
}

// Style sheets react to "focused"; a dynamic property takes effect only after a re-polish.
void QOZMHamburgerMenu::setFocused(QWidget* widget, bool on)
{
    widget->setProperty("focused", on ? "on" : "off");
    widget->style()->unpolish(widget);
    widget->style()->polish(widget);
    widget->update();
}

void QOZMHamburgerMenu::hoverEntered(QWidget* widget)
{
    if (widget == m_ui.btnStatus)
        return;
    if (widget == m_ui.wgetStatus) {
        if (m_ui.btnStatus->isEnabled()) {
            setFocused(m_ui.wgetStatus, true);
            setFocused(m_ui.btnStatus, true);
            m_ui.btnStatus->setFocus();
        }
        return;
    }
    if (widget->isEnabled()) {
        setFocused(widget, true);
        widget->setFocus();
    }
}

void QOZMHamburgerMenu::hoverLeft(QWidget* widget)
{
    if (widget == m_ui.btnStatus)
        return;
    if (widget == m_ui.wgetStatus)
        setFocused(m_ui.btnStatus, false);
    setFocused(widget, false);
}

bool QOZMHamburgerMenu::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::FocusIn:
    case QEvent::FocusOut: {
        const bool on = event->type() == QEvent::FocusIn;
        setFocused(widget, on);
        if (widget == m_ui.btnStatus)
            setFocused(m_ui.wgetStatus, on);
        break;
    }
    case QEvent::Enter:
        hoverEntered(widget);
        break;
    case QEvent::Leave:
        hoverLeft(widget);
        break;
    case QEvent::MouseButtonPress:
        if (widget == m_ui.lbClose_Icon)
            m_ui.btnClose_Text->click();
        else if (widget == m_ui.iconStatusHmenu)
            m_ui.btnStatus->click();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void QOZMHamburgerMenu::showEvent(QShowEvent* event)
{
    m_relay->setMenuShown(true);
    emit aboutToShow();
    QWidget::showEvent(event);
}

void QOZMHamburgerMenu::hideEvent(QHideEvent* event)
{
    m_relay->setMenuShown(false);
    emit aboutToHide();
    QWidget::hideEvent(event);
}

void QOZMHamburgerMenu::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        m_ui.retranslateUi(this);
        onHmbrgrMenuActStateChngd(m_state);
    }
    QWidget::changeEvent(event);
}
