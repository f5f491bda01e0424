#include "SendReport.h"

#include <ClientAuthData.h>
#include <EmailValidator.h>
#include <HttpAccess.h>
#include <MainHelpTab.h>
#include <SendReportCommand.h>

#include <QDebug>
#include <QRegExpValidator>
#include <QStyle>

namespace {

const char NotEmptyProperty[] = "isNotEmpty";

} // namespace

SendReport::SendReport(QWidget* parent)
    : OZDialog(parent)
    , emailValidator(new EmailValidator(this))
{
    ui.setupUi(this);
    for (QLineEdit* field : {ui.leName, ui.leEmail, ui.leSubject})
        field->setAttribute(Qt::WA_MacShowFocusRect, false);
}

void SendReport::init(QSharedPointer<HttpAccess> newAccess, QSharedPointer<ClientAuthData> newAuth)
{
    if (auth)
        disconnect(auth.data(), &ClientAuthData::emailChanged, this, &SendReport::onEmailChanged);
    access = std::move(newAccess);
    auth = std::move(newAuth);
    connect(auth.data(), &ClientAuthData::emailChanged, this, &SendReport::onEmailChanged);
}

void SendReport::send(const QString& report)
{
    reportText = report;
    ui.stackedWidget->setCurrentIndex(0);
    if (ui.leSubject->text().isEmpty())
        ui.leSubject->setText(tr("Connectivity report"));
    ui.ptMessage->clear();
    hMainHelp.state = 0;
    hMainHelp.dock(this);
    display();
    setEditFieldEmptyStyle(true);
    ui.leName->setFocus();
}

void SendReport::onEmailChanged(const QString& email)
{
    ui.leEmail->setText(email);
}

bool SendReport::validateEmail()
{
    QString email = ui.leEmail->text().trimmed();
    int position = 0;
    const bool matches = emailValidator->validate(email, position) == QValidator::Acceptable;
    return matches && auth && auth->isSerialValid();
}

void SendReport::enableSending()
{
    const bool valid = validateEmail();
    ui.btnSend->setEnabled(valid);
    ui.btnRetry->setEnabled(valid);
}

void SendReport::setEditFieldEmptyStyle(bool notEmpty, QWidget* field)
{
    const QList<QWidget*> fields = field ? QList<QWidget*>{field}
                                         : QList<QWidget*>{ui.leName, ui.leSubject, ui.ptMessage};
    for (QWidget* each : fields) {
        each->setProperty(NotEmptyProperty, notEmpty);
        each->style()->unpolish(each);
        each->style()->polish(each);
        each->update();
    }
}

void SendReport::startSendReport()
{
    dropCommand();
    ui.progressBar->setValue(0);
    command = new SendReportCommand(*auth, ui.leName->text(), ui.leEmail->text(), ui.leSubject->text(),
                                    ui.ptMessage->toPlainText(), reportText, this);
    connect(command, &HttpCommand::completed, this, &SendReport::onSendReportCommandCompleted);
    connect(command, &HttpCommand::progress, this, &SendReport::onSendReportProgress);
    command->execute(access.data());
}

void SendReport::dropCommand()
{
    delete command.data();
}

void SendReport::onSendReportProgress(qint64 current, qint64 total)
{
    qDebug() << "Progress: " << current << total;
    if (total <= 0)
        return;
    ui.progressBar->setValue(static_cast<int>(static_cast<double>(current) * 100.0 / static_cast<double>(total)));
}

void SendReport::onSendReportCommandCompleted(bool success)
{
    if (!command)
        return;
    command->deleteLater();
    if (!success) {
        ui.lbSendError->setText(tr("Failed to communicate with server"));
        ui.stackedWidget->setCurrentIndex(3);
    } else if (command->isSuccess()) {
        ui.stackedWidget->setCurrentIndex(2);
    } else {
        ui.lbSendError->setText(command->resultText());
        ui.stackedWidget->setCurrentIndex(3);
    }
}

void SendReport::on_btnSend_clicked()
{
    // Checked from the last field up, so the focus ends on the first empty one.
    bool complete = true;
    const auto check = [&](QWidget* field, const QString& text) {
        if (!text.trimmed().isEmpty())
            return;
        complete = false;
        setEditFieldEmptyStyle(false, field);
        field->setFocus();
    };
    check(ui.ptMessage, ui.ptMessage->toPlainText());
    check(ui.leSubject, ui.leSubject->text());
    check(ui.leName, ui.leName->text());
    if (!complete)
        return;
    ui.stackedWidget->setCurrentIndex(1);
    startSendReport();
}

void SendReport::on_btnRetry_clicked()
{
    ui.stackedWidget->setCurrentIndex(1);
    startSendReport();
}

void SendReport::on_btnCancelSend_clicked()
{
    hMainHelp.restoreTab();
    dropCommand();
    reject();
}

void SendReport::on_btnClose_clicked()
{
    hMainHelp.restoreTab();
}

void SendReport::on_btnClose1_clicked()
{
    hMainHelp.restoreTab();
}

void SendReport::on_btnClose2_clicked()
{
    hMainHelp.restoreTab();
}

void SendReport::on_leEmail_textChanged(const QString&)
{
    enableSending();
}

void SendReport::on_leName_textEdited(const QString& text)
{
    setEditFieldEmptyStyle(!text.isEmpty(), ui.leName);
}

void SendReport::on_leSubject_textEdited(const QString& text)
{
    setEditFieldEmptyStyle(!text.isEmpty(), ui.leSubject);
}

void SendReport::on_ptMessage_textChanged()
{
    setEditFieldEmptyStyle(!ui.ptMessage->toPlainText().isEmpty(), ui.ptMessage);
}

void SendReport::showEvent(QShowEvent*)
{
    enableSending();
}

void SendReport::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        ui.retranslateUi(this);
    QDialog::changeEvent(event);
}
