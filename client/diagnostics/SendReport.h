#pragma once

#include "ui_SendReport.h"

#include <OZDialog.h>

#include <QPointer>
#include <QSharedPointer>

class ClientAuthData;
class HttpAccess;
class QRegExpValidator;
class SendReportCommand;

// The support request that carries a technical report: the user's name,
// address, subject and description go with the report to customer support,
// and the form ends on a success page or on a failure page with a retry.
class SendReport : public OZDialog
{
    Q_OBJECT

public:
    explicit SendReport(QWidget* parent = nullptr);

    void init(QSharedPointer<HttpAccess> access, QSharedPointer<ClientAuthData> auth);
    bool validateEmail();
    // Null marks the three mandatory fields at once.
    void setEditFieldEmptyStyle(bool notEmpty, QWidget* field = nullptr);
    void startSendReport();

public slots:
    void send(const QString& report);
    void onEmailChanged(const QString& email);
    void onSendReportProgress(qint64 current, qint64 total);
    void onSendReportCommandCompleted(bool success);
    void on_btnSend_clicked();
    void on_btnRetry_clicked();
    void on_btnCancelSend_clicked();
    void on_btnClose_clicked();
    void on_btnClose1_clicked();
    void on_btnClose2_clicked();
    void on_leEmail_textChanged(const QString& text);
    void on_leName_textEdited(const QString& text);
    void on_leSubject_textEdited(const QString& text);
    void on_ptMessage_textChanged();

protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void enableSending();
    void dropCommand();

    Ui::SendReport ui;
    QSharedPointer<HttpAccess> access;
    QSharedPointer<ClientAuthData> auth;
    QPointer<SendReportCommand> command;
    QString reportText;
    QRegExpValidator* const emailValidator;
};
