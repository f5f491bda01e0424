#include "SplashDlg.h"

#include "MainHelpTab.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int LoopIntervalMs = 50;
constexpr int LoopLastStep = 99;

const char* const FormStyle = R"(
#SplashDlg { background: #F8F8F8; }
QLabel { color: #6D6F71; font-size: 14px; font-family: "KievitComp"; }
QProgressBar { background: white; border: 1px solid #77B542; border-radius: 6px; padding: 2px; }
QProgressBar::chunk { background: #77B542; border-radius: 3px; }
#buttonPanel { background: white; border-top: 1px solid #DBDBDB; }
QPushButton { min-width: 125px; max-width: 125px; }
)";

} // namespace

SplashDlg::SplashDlg(bool cancellable, bool showProgress, QWidget* parent)
    : OZDialog(parent)
    , cancellable(cancellable)
    , loopTimer(new QTimer(this))
    , titleLabel(new QLabel(this))
    , progressBar(new QProgressBar(this))
    , contentLabel(new QLabel(this))
    , cancelButton(new QPushButton(this))
{
    setObjectName(QStringLiteral("SplashDlg"));
    resize(300, 259);
    setStyleSheet(QLatin1String(FormStyle));

    titleLabel->setObjectName(QStringLiteral("titleLabel"));
    titleLabel->setAlignment(Qt::AlignCenter);
    titleLabel->setStyleSheet(QStringLiteral("color: #6D6F71; font-size: 16px; font-family: \"KievitComp-Bold\";"));
    progressBar->setObjectName(QStringLiteral("progressBar"));
    progressBar->setFixedSize(300, 15);
    progressBar->setRange(0, 100);
    progressBar->setValue(0);
    progressBar->setTextVisible(false);
    contentLabel->setObjectName(QStringLiteral("contentLabel"));
    contentLabel->setAlignment(Qt::AlignCenter);
    contentLabel->setWordWrap(true);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));

    auto* buttonPanel = new QWidget(this);
    buttonPanel->setObjectName(QStringLiteral("buttonPanel"));
    buttonPanel->setAttribute(Qt::WA_StyledBackground);
    auto* horizontalLayout = new QHBoxLayout(buttonPanel);
    horizontalLayout->setObjectName(QStringLiteral("horizontalLayout"));
    horizontalLayout->setSpacing(20);
    horizontalLayout->setContentsMargins(20, 20, 20, 20);
    horizontalLayout->addWidget(cancelButton);

    auto* verticalLayout = new QVBoxLayout(this);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    verticalLayout->setSpacing(20);
    verticalLayout->setContentsMargins(0, 20, 0, 0);
    verticalLayout->addStretch();
    verticalLayout->addWidget(titleLabel);
    verticalLayout->addWidget(progressBar, 0, Qt::AlignHCenter);
    verticalLayout->addWidget(contentLabel);
    verticalLayout->addWidget(buttonPanel);

    retranslate();
    cancelButton->setVisible(cancellable);
    progressBar->setVisible(showProgress);
    connect(loopTimer, &QTimer::timeout, this, &SplashDlg::loopProgressBar);
    connect(cancelButton, &QPushButton::clicked, this, &SplashDlg::on_cancelButton_clicked);
}

void SplashDlg::display(const QString& title, const QString& text)
{
    contentLabel->setText(text);
    titleLabel->setText(title);
    cancelButton->setEnabled(true);
    hMainHelp.dock(this);
    OZDialog::display();
}

void SplashDlg::runProgressBar(bool run)
{
    if (run)
        loopTimer->start(LoopIntervalMs);
    else
        loopTimer->stop();
}

void SplashDlg::progress(int value)
{
    progressBar->setValue(value);
}

void SplashDlg::loopProgressBar()
{
    // One tick at the end holds the full bar before it starts again.
    if (loopStep <= LoopLastStep) {
        progressBar->setValue(loopStep);
        ++loopStep;
    } else {
        loopStep = 0;
    }
}

void SplashDlg::on_cancelButton_clicked()
{
    cancelButton->setEnabled(false);
    hMainHelp.restoreTab();
    emit cancel();
    close();
}

void SplashDlg::reject()
{
    progressBar->setValue(0);
    if (!cancellable)
        return;
    emit cancel();
    QDialog::reject();
}

void SplashDlg::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    // The base's activation handling is for dialogs of their own, which a docked one is not.
    QDialog::changeEvent(event);
}

void SplashDlg::retranslate()
{
    cancelButton->setText(tr("Cancel"));
}
