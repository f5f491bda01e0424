#pragma once

#include "OZDialog.h"
#include "ui_ChangePassword.h"

#include <QTimer>

// Old password, new password and its confirmation. The dialog checks what was
// typed, hands it on through startPasswordChange and shows how the account
// controller fares; while a change runs it cannot be closed.
class ChangePassword : public OZDialog
{
    Q_OBJECT
public:
    enum ErrorReason {
        // The exchange with the service failed.
        ExchangeFailed = 0,
        // The service refused.
        Refused = 1,
    };
    Q_ENUM(ErrorReason)

    static constexpr int MinPasswordLength = 6;
    static constexpr int MaxPasswordLength = 50;

    explicit ChangePassword(QWidget* parent = nullptr);

    // The page shown after an answer; 0 is the instructions page.
    void setReturnPage(int page) { m_returnPage = page; }
    void showPage(int page);
    // Validating or changing.
    bool isProcessing() const;
    void enableControls(bool enabled);

signals:
    void startPasswordChange(QString oldPassword, QString newPassword);

public slots:
    void display() override;
    void displayChangePassword();
    void onPasswordValidateSuccess();
    void onPasswordValidateFailed(ChangePassword::ErrorReason reason, const QString& text);
    void onPasswordChangeResult(bool success, bool exchangeOk, const QString& text);
    void applyBrandInfo();
    void done(int result) override;

protected:
    void changeEvent(QEvent* event) override;

private slots:
    void on_changePasswordButton_clicked();
    void onProgressTick();
    void updateChangeButton();

private:
    enum State { Idle = 0, Validating = 1, Error = 2, NoConnection = 3, Changing = 4, Answered = 5 };

    void updateProgressState(bool positive, const QString& text);
    void refuseNewPassword(const QString& text);
    void stopProgress();
    void applyTitle();

    Ui::ChangePassword m_ui;
    QTimer m_progressTimer;
    int m_returnPage = 0;
    int m_progressCount = 0;
    State m_state = Idle;
};
