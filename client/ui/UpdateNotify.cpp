#include "UpdateNotify.h"

#include "BrandLogo.h"

#include <ClientConfig.h>
#include <OzmApplication.h>

#include <utility>

UpdateNotify::UpdateNotify(const QString& description, QString url, int version)
    : OZDialog(nullptr)
    , m_version(version)
    , m_url(std::move(url))
{
    m_ui.setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setAttribute(Qt::WA_DeleteOnClose);
    connect(m_ui.btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    updateUi();
    m_ui.lbUpdateDescription->setText(description);
}

void UpdateNotify::updateUi()
{
    setWindowTitle(OzmApplication::windowTitle_ + tr(" - Update"));
    setUpdatingState(m_updating);
}

void UpdateNotify::setUpdatingState(bool on)
{
    m_updating = on;
    if (on) {
        m_ui.stackedWidget->setCurrentWidget(m_ui.pageProgress);
        m_ui.btnUpdate->setText(tr("Cancel update"));
        m_ui.pbUpdate->setValue(0);
    } else {
        m_ui.stackedWidget->setCurrentWidget(m_ui.page);
        m_ui.btnUpdate->setText(tr("Start update"));
    }
}

void UpdateNotify::on_btnUpdate_clicked()
{
    setUpdatingState(!m_updating);
    if (m_updating)
        emit startUpdate();
    else
        emit stopUpdate();
}

void UpdateNotify::updateProgress(const QString& status, int percent)
{
    m_ui.pbUpdate->setValue(percent);
    m_ui.lbUpdateStatus->setText(status);
}

// The progress page stays, so that the button starts a new attempt.
void UpdateNotify::updateError(const QString& message)
{
    m_ui.pbUpdate->setValue(100);
    m_ui.lbUpdateStatus->setText(message);
    m_updating = false;
    m_ui.btnUpdate->setText(tr("Retry update"));
}

void UpdateNotify::updateFinished()
{
    m_ui.pbUpdate->setValue(100);
    m_ui.btnUpdate->setEnabled(false);
    close();
}

// A version the user chose to hide is not offered again: the dialog goes
// without having been seen.
void UpdateNotify::display()
{
    if (ClientConfig::instanceClient()->getLastHiddenVersion() != m_version)
        OZDialog::display();
    else
        close();
}

void UpdateNotify::done(int result)
{
    if (result == QDialog::Rejected && m_ui.cbDontShowAgain->isChecked())
        ClientConfig::instanceClient()->setLastHiddenVersion(m_version);
    OZDialog::done(result);
}

void UpdateNotify::applyBrandInfo()
{
    applyBrandLogo(m_ui.lbLogoImage);
}

void UpdateNotify::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        m_ui.retranslateUi(this);
        updateUi();
    }
    OZDialog::changeEvent(event);
}
