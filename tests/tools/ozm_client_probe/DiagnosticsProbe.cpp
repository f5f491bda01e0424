#include "DiagnosticsProbe.h"

#include <ConnectivityTest.h>
#include <ConnectivityTestReportDlg.h>
#include <SendReport.h>
#include <TechSupportSender.h>
#include <VpnServerList.h>

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QTest>

DiagnosticsProbe::DiagnosticsProbe(QSharedPointer<HttpAccess> access, QSharedPointer<ClientAuthData> auth,
                                   QSharedPointer<VpnServerList> servers, Printer print, QObject* parent)
    : QObject(parent)
    , m_servers(std::move(servers))
    , m_print(std::move(print))
    , m_test(std::make_unique<ConnectivityTest>())
{
    m_test->init(std::move(access), std::move(auth));
    // After the controller's own connections: the dialogs have taken the news.
    TechSupportSender* const sender = m_test->supportSender();
    connect(sender, &TechSupportSender::connectivityTestCompleted, this, &DiagnosticsProbe::printResults);
    SendReport* const form = m_test->sendReportDialog();
    connect(sender, &TechSupportSender::reportGenerated, this, [this, form] {
        m_print(QStringLiteral("REPORTFORM"), {form->findChild<QLineEdit*>(QStringLiteral("leSubject"))->text()});
    });
    connect(form->findChild<QStackedWidget*>(QStringLiteral("stackedWidget")), &QStackedWidget::currentChanged, this,
            &DiagnosticsProbe::printPage);
}

DiagnosticsProbe::~DiagnosticsProbe() = default;

bool DiagnosticsProbe::run(const QStringList& words)
{
    const QString& name = words.first();
    if (name == QLatin1String("ctest") && words.size() <= 2) {
        m_test->setServers(m_servers->allServers());
        if (words.size() == 2)
            m_test->start(m_servers->findByHost(words.at(1)));
        else
            m_test->start();
        return true;
    }
    const bool clicking = name == QLatin1String("click") && words.size() == 2;
    const bool typing = name == QLatin1String("type") && words.size() == 3;
    if (!clicking && !typing)
        return false;
    if (clicking ? !click(words.at(1)) : !type(words.at(1), words.at(2)))
        m_print(QStringLiteral("ERROR"), {QStringLiteral("nothing of that kind shown:"), words.at(1)});
    return true;
}

void DiagnosticsProbe::printResults()
{
    const ConnectivityTestReportDlg* const dialog = m_test->resultDialog();
    const auto text = [dialog](const char* name) { return dialog->findChild<QLabel*>(QLatin1String(name))->text(); };
    QStringList rows;
    for (const char* row : {"getTestLabel", "dnsTestLabel", "ping8888TestLabel", "dns8888TestLabel", "licenseSrvLabel"})
        rows << text(row);
    m_print(QStringLiteral("TESTROWS"), rows);
    m_print(QStringLiteral("TESTADVICE"), {text("suggestionLabel")});
    m_print(QStringLiteral("TESTSERVER"),
            {dialog->findChild<QWidget*>(QStringLiteral("serverFrame"))->isVisible() ? text("serverNameLabel")
                                                                                      : QString()});
    const bool wifiShown = dialog->findChild<QWidget*>(QStringLiteral("wifiAdapterFrame"))->isVisible();
    const QWidget* const button = dialog->findChild<QWidget*>(QStringLiteral("wifiEnablingButton"));
    const QString buttonState = !button->isVisible() ? QStringLiteral("hidden")
                                : button->isEnabled() ? QStringLiteral("enabled")
                                                      : QStringLiteral("disabled");
    m_print(QStringLiteral("TESTWIFI"),
            {wifiShown ? text("wifiAdapterStatus") : QStringLiteral("-"), wifiShown ? buttonState : QStringLiteral("hidden")});
}

void DiagnosticsProbe::printPage(int page)
{
    const SendReport* const form = m_test->sendReportDialog();
    m_print(QStringLiteral("REPORTPAGE"),
            {QString::number(page), form->findChild<QLabel*>(QStringLiteral("lbSendError"))->text()});
}

QWidget* DiagnosticsProbe::shownWidget(const QString& name) const
{
    for (const QWidget* dialog : {static_cast<QWidget*>(m_test->resultDialog()),
                                  static_cast<QWidget*>(m_test->sendReportDialog())}) {
        QWidget* const widget = dialog->findChild<QWidget*>(name);
        if (widget && widget->isVisible())
            return widget;
    }
    return nullptr;
}

bool DiagnosticsProbe::click(const QString& name)
{
    auto* const button = qobject_cast<QAbstractButton*>(shownWidget(name));
    if (!button)
        return false;
    QTest::mouseClick(button, Qt::LeftButton);
    return true;
}

bool DiagnosticsProbe::type(const QString& name, const QString& text)
{
    QWidget* const field = shownWidget(name);
    if (!qobject_cast<QLineEdit*>(field) && !qobject_cast<QPlainTextEdit*>(field))
        return false;
    field->setFocus();
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
    return true;
}
