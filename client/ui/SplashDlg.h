#pragma once

#include "OZDialog.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

// "Please wait" for the long diagnostic operations: a title, a bar that loops
// or follows a reported percentage, a text and Cancel. When the Help window has
// lent its test tab, the dialog docks into that tab instead of standing alone.
class SplashDlg : public OZDialog
{
    Q_OBJECT
public:
    SplashDlg(bool cancellable, bool showProgress, QWidget* parent);

    using OZDialog::display;
    void display(const QString& title, const QString& text);
    void runProgressBar(bool run);

signals:
    void cancel();
    // Relayed by the connectivity test; this dialog never sends it.
    void purgeMainHelpTabLayout();

public slots:
    void progress(int value);
    void loopProgressBar();
    void on_cancelButton_clicked();
    void reject() override;

protected:
    void changeEvent(QEvent* event) override;

private:
    void retranslate();

    const bool cancellable;
    int loopStep = 0;
    QTimer* loopTimer;
    QLabel* titleLabel;
    QProgressBar* progressBar;
    QLabel* contentLabel;
    QPushButton* cancelButton;
};
