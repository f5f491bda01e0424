#include "ChangePassword.h"

#include "OzmApplication.h"
#include "coBranding.h"

#include <QPixmap>

namespace {

const char Positive[] = "color: #009433;";
const char Negative[] = "color: #EB1C23;";

// The bar slows down as it fills, so that a slow service does not look stuck
// at the end: the tick interval from each count on.
struct ProgressStep
{
    int count;
    int intervalMs;
};
const ProgressStep ProgressSteps[] = {{75, 160}, {85, 500}, {95, 1000}, {100, 60}};
const int FirstIntervalMs = 60;

} // namespace

ChangePassword::ChangePassword(QWidget* parent)
    : OZDialog(parent)
{
    m_ui.setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    m_progressTimer.setObjectName(QStringLiteral("progressTimer"));
    m_progressTimer.setParent(this);
    m_ui.pbPassResetProgress->hide();
    m_ui.lbPassResetStatus->hide();
    for (QLineEdit* edit : {m_ui.oldPasswordEdit, m_ui.newPasswordEdit, m_ui.newPasswordConfirmEdit}) {
        edit->setAttribute(Qt::WA_MacShowFocusRect, false);
        connect(edit, &QLineEdit::textChanged, this, &ChangePassword::updateChangeButton);
    }
    connect(&m_progressTimer, &QTimer::timeout, this, &ChangePassword::onProgressTick);
    connect(m_ui.btnClose, &QPushButton::clicked, this, &QDialog::close);
    updateChangeButton();
    applyTitle();
}

void ChangePassword::showPage(int page)
{
    m_ui.stackedWidget->setCurrentIndex(page);
}

bool ChangePassword::isProcessing() const
{
    return m_state == Validating || m_state == Changing;
}

void ChangePassword::enableControls(bool enabled)
{
    m_ui.oldPasswordEdit->setEnabled(enabled);
}

void ChangePassword::display()
{
    if (!isProcessing()) {
        for (QLineEdit* edit : {m_ui.oldPasswordEdit, m_ui.newPasswordEdit, m_ui.newPasswordConfirmEdit}) {
            edit->clear();
            edit->setEnabled(true);
        }
        m_ui.btnClose->setEnabled(true);
        updateChangeButton();
        m_state = Idle;
        updateProgressState(true, QString());
    }
    OZDialog::display();
}

void ChangePassword::displayChangePassword()
{
    m_returnPage = 0;
    showPage(0);
    display();
}

void ChangePassword::onPasswordValidateSuccess()
{
    showPage(m_returnPage);
    m_state = Changing;
    updateProgressState(true, QString());
}

void ChangePassword::onPasswordValidateFailed(ChangePassword::ErrorReason reason, const QString& text)
{
    stopProgress();
    if (reason == ExchangeFailed) {
        showPage(1);
        m_state = NoConnection;
    } else {
        showPage(m_returnPage);
        m_state = Error;
    }
    updateProgressState(false, text);
    enableControls(true);
}

void ChangePassword::onPasswordChangeResult(bool success, bool exchangeOk, const QString& text)
{
    stopProgress();
    if (!exchangeOk) {
        showPage(1);
        m_state = NoConnection;
        updateProgressState(false, text);
    } else {
        showPage(m_returnPage);
        m_state = success ? Answered : Error;
        updateProgressState(success, text);
    }
    enableControls(true);
}

void ChangePassword::applyBrandInfo()
{
    const QImage logo = coBranding::inst()->logo->getImgData();
    if (!logo.isNull())
        m_ui.lbLogoImage->setPixmap(QPixmap::fromImage(logo));
}

void ChangePassword::done(int result)
{
    if (isProcessing())
        return;
    OZDialog::done(result);
}

void ChangePassword::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        m_ui.retranslateUi(this);
        applyTitle();
    }
    OZDialog::changeEvent(event);
}

void ChangePassword::on_changePasswordButton_clicked()
{
    const QString newPassword = m_ui.newPasswordEdit->text();
    if (newPassword.isEmpty() || newPassword != m_ui.newPasswordConfirmEdit->text()) {
        refuseNewPassword(tr("The new passwords you have entered do not match, please re-enter them."));
        return;
    }
    if (newPassword.size() < MinPasswordLength || newPassword.size() > MaxPasswordLength) {
        refuseNewPassword(tr("Your password should contain %1 to %2 valid characters.")
                              .arg(MinPasswordLength)
                              .arg(MaxPasswordLength));
        return;
    }
    if (m_ui.oldPasswordEdit->text().isEmpty()) {
        m_state = Idle;
        updateProgressState(false, QString());
        m_ui.oldPasswordEdit->setFocus();
        return;
    }
    m_state = Validating;
    updateProgressState(true, QString());
    m_progressCount = 0;
    m_progressTimer.start(FirstIntervalMs);
    m_ui.pbPassResetProgress->show();
    for (QWidget* widget : std::initializer_list<QWidget*>{m_ui.oldPasswordEdit, m_ui.newPasswordEdit,
                                                           m_ui.newPasswordConfirmEdit, m_ui.btnClose,
                                                           m_ui.changePasswordButton})
        widget->setEnabled(false);
    emit startPasswordChange(m_ui.oldPasswordEdit->text(), newPassword);
}

void ChangePassword::refuseNewPassword(const QString& text)
{
    m_state = Error;
    updateProgressState(false, text);
    m_ui.newPasswordEdit->clear();
    m_ui.newPasswordConfirmEdit->clear();
    m_ui.newPasswordEdit->setFocus();
}

void ChangePassword::onProgressTick()
{
    ++m_progressCount;
    m_ui.pbPassResetProgress->setValue(qMin(m_progressCount, m_ui.pbPassResetProgress->maximum()));
    for (const ProgressStep& step : ProgressSteps)
        if (m_progressCount == step.count)
            m_progressTimer.setInterval(step.intervalMs);
}

void ChangePassword::updateChangeButton()
{
    m_ui.changePasswordButton->setEnabled(!m_ui.oldPasswordEdit->text().isEmpty()
                                          && !m_ui.newPasswordEdit->text().isEmpty()
                                          && !m_ui.newPasswordConfirmEdit->text().isEmpty());
}

void ChangePassword::updateProgressState(bool positive, const QString& text)
{
    m_ui.pbPassResetProgress->setValue(0);
    QLabel* status = m_ui.lbPassResetStatus;
    status->show();
    status->setStyleSheet(QLatin1String(positive ? Positive : Negative));
    switch (m_state) {
    case Idle:
        status->clear();
        status->hide();
        m_ui.statusRow->setContentsMargins(0, -5, 0, 0);
        break;
    case Validating:
        status->setText(tr("Validating password"));
        break;
    case NoConnection:
        status->setText(tr("Failed to connect to server, please try again"));
        break;
    case Changing:
        status->setText(tr("Changing password"));
        break;
    case Error:
    case Answered:
        status->setText(text);
        break;
    }
}

// An answer ends the animation; the dialog may be closed again from here on.
void ChangePassword::stopProgress()
{
    m_ui.pbPassResetProgress->setValue(m_ui.pbPassResetProgress->maximum());
    m_ui.pbPassResetProgress->hide();
    m_progressTimer.stop();
    m_ui.btnClose->setEnabled(true);
}

void ChangePassword::applyTitle()
{
    setWindowTitle(OzmApplication::windowTitleShort_ + tr(" - Change Password"));
}
