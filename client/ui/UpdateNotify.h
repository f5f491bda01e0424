#pragma once

#include "OZDialog.h"
#include "ui_UpdateNotify.h"

// The offer of a newer client: its description, a button that starts,
// cancels or retries the update the updater runs, the download's progress,
// and a way to hide this version for good. It goes away when closed.
class UpdateNotify : public OZDialog
{
    Q_OBJECT
public:
    UpdateNotify(const QString& description, QString url, int version);

    void done(int result) override;

signals:
    void startUpdate();
    void stopUpdate();

public slots:
    void display() override;
    void updateProgress(const QString& status, int percent);
    void updateError(const QString& message);
    void updateFinished();
    void applyBrandInfo();

private slots:
    void on_btnUpdate_clicked();

protected:
    void changeEvent(QEvent* event) override;

private:
    void updateUi();
    void setUpdatingState(bool on);

    Ui::UpdateNotify m_ui;
    const int m_version;
    const QString m_url;
    bool m_updating = false;
};
