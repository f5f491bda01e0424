#include "Account.h"

#include "OzmApplication.h"
#include "SubscriptionLocalizationHelper.h"
#include "coBranding.h"

#include <QPixmap>

namespace {

const int DevicesAuthorizedRow = 3;

// Breaks only between code points: a line feed inside a surrogate pair would
// tear an emoji of the device name in two.
QString wrapLongString(const QString& text)
{
    QString wrapped;
    wrapped.reserve(text.size() + text.size() / Account::DeviceNameLineLength);
    int position = 0;
    int lastBreak = 0;
    for (int i = 0; i < text.size(); ++position) {
        const bool pair = text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        const uint codePoint = pair ? QChar::surrogateToUcs4(text.at(i), text.at(i + 1)) : text.at(i).unicode();
        if (QChar::isSpace(codePoint)) {
            lastBreak = position;
        } else if (position - lastBreak >= Account::DeviceNameLineLength) {
            wrapped += QLatin1Char('\n');
            lastBreak = position;
        }
        const int units = pair ? 2 : 1;
        wrapped += text.midRef(i, units);
        i += units;
    }
    return wrapped;
}

} // namespace

Account::Account(QWidget* parent)
    : OZDialog(parent)
{
    m_ui.setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    connect(m_ui.btnTopUpNow, &QPushButton::clicked, this, &Account::buy);
    connect(m_ui.btnSubscriptionExpired, &QPushButton::clicked, this, &Account::buy);
    connect(m_ui.btnAdminPage, &QPushButton::clicked, this, &Account::openAccountManagementPage);
    connect(m_ui.btnChngPasswd, &QPushButton::clicked, this, &Account::showChangePasswd);
    connect(m_ui.close, &QPushButton::clicked, this, &QDialog::close);
    updateUi();
}

void Account::init(QSharedPointer<ClientAuthData> authData)
{
    m_authData = authData;
    ClientAuthData* data = authData.data();
    connect(data, &ClientAuthData::emailChanged, this, &Account::setEmail);
    connect(data, &ClientAuthData::devNameChanged, this, &Account::setDeviceName);
    connect(data, &ClientAuthData::subscriptionChanged, this, &Account::setSubscription);
    connect(data, &ClientAuthData::devicesNumberChanged, this, &Account::setDevicesNumber);
}

void Account::display()
{
    emit updateSubscription();
    OZDialog::display();
}

void Account::setEmail(const QString& email)
{
    m_ui.email->setText(email);
}

void Account::setDeviceName(const QString& name)
{
    m_ui.deviceName->setText(wrapLongString(name));
    adjustSize();
}

void Account::setDevicesNumber(const uint& limit, const uint& count)
{
    m_ui.devicesAuthNumber->setText(limit >= UnlimitedDevices ? tr("Unlimited") : QString::number(limit));
    m_ui.devicesRegNumber->setText(QString::number(count));
    adjustSize();
}

void Account::setSubscription(SubscriptionPointer subscription)
{
    m_subscription = subscription;
    if (!subscription) {
        close();
        return;
    }
    if (!subscription->isValid())
        return;
    m_ui.lbAccount->setText(subscription->name().isEmpty() ? subscription->typeName() : subscription->name());

    const SubscriptionLocalizationHelper texts(subscription);
    m_ui.lbExpiration->setText(texts.expirationTitle() + texts.limit());
    m_ui.lbExpiration->setVisible(!subscription->isPermanent() && !texts.limitIsFarFromNow());

    const bool metered = subscription->type() == 0;
    if (metered) {
        m_ui.actionButtonsStack->setCurrentWidget(m_ui.paygPanel);
        m_ui.actionButtonsStack->show();
    } else if (subscription->isExpired()) {
        m_ui.actionButtonsStack->setCurrentWidget(m_ui.subsExpiredPanel);
        m_ui.actionButtonsStack->show();
        m_ui.lbExpiration->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    } else {
        m_ui.actionButtonsStack->hide();
        m_ui.lbExpiration->setAlignment(Qt::AlignCenter);
    }
    showDevicesAuthorizedRow(!metered);
    adjustSize();
}

void Account::applyBrandInfo()
{
    const QImage logo = coBranding::inst()->logo->getImgData();
    if (!logo.isNull())
        m_ui.lbLogoImage->setPixmap(QPixmap::fromImage(logo));
}

void Account::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        m_ui.retranslateUi(this);
        restoreValues();
        updateUi();
    }
    OZDialog::changeEvent(event);
}

void Account::updateUi()
{
    setWindowTitle(OzmApplication::windowTitleShort_ + tr(" - Account"));
    // Re-applying a null one would close the window that waits for its first profile.
    if (m_subscription)
        setSubscription(m_subscription);
}

void Account::showDevicesAuthorizedRow(bool shown)
{
    QFormLayout* form = m_ui.accountLayout;
    const bool present = form->indexOf(m_ui.devicesAuthNumber) >= 0;
    if (shown && !present)
        form->insertRow(DevicesAuthorizedRow, m_ui.devicesAuth, m_ui.devicesAuthNumber);
    if (!shown && present) {
        const QFormLayout::TakeRowResult taken = form->takeRow(m_ui.devicesAuthNumber);
        delete taken.labelItem;
        delete taken.fieldItem;
    }
    m_ui.devicesAuth->setVisible(shown);
    m_ui.devicesAuthNumber->setVisible(shown);
}

// The form's texts put "Identifying" back into the value labels; what the
// account data already told stays.
void Account::restoreValues()
{
    if (!m_authData)
        return;
    if (m_authData->isEmailValid())
        setEmail(m_authData->email());
    if (m_authData->isDevNameValid())
        setDeviceName(m_authData->devName());
    if (m_authData->deviceLimit() != 0 || m_authData->deviceCount() != 0)
        setDevicesNumber(m_authData->deviceLimit(), m_authData->deviceCount());
}
