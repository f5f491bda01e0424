#pragma once

#include <QObject>
#include <QSharedPointer>
#include <QStringList>

#include <functional>
#include <memory>

class ClientAuthData;
class ConnectivityTest;
class HttpAccess;
class QWidget;
class VpnServerList;

// The Help window's connectivity test without the Help window: the real
// controller with its result and send-report dialogs, driven by commands and
// watched through what the dialogs show. Needs a widget application.
//   Commands:
//     ctest [HOST]        the test over the first servers of the list, with the
//                         server of that host as the one to test
//     click NAME          a mouse click on the shown button of that object name
//     type NAME TEXT      the field of that object name emptied and TEXT typed in,
//                         key by key
//   Output, one line for each finished test:
//     TESTROWS w1..w5     the five rows (GET, DNS, ping and DNS of 8.8.8.8, service)
//     TESTADVICE text     TESTSERVER text
//     TESTWIFI status button   status "-" when the block is hidden; button
//                         hidden|enabled|disabled
//   and for the send-report form: REPORTFORM subject when it opens with a new
//   report, REPORTPAGE n error on every change of its page.
class DiagnosticsProbe : public QObject
{
    Q_OBJECT
public:
    using Printer = std::function<void(const QString& kind, const QStringList& values)>;

    DiagnosticsProbe(QSharedPointer<HttpAccess> access, QSharedPointer<ClientAuthData> auth,
                     QSharedPointer<VpnServerList> servers, Printer print, QObject* parent = nullptr);
    ~DiagnosticsProbe() override;

    // False when the words are no diagnostics command.
    bool run(const QStringList& words);

private:
    void printResults();
    void printPage(int page);
    // The shown widget of that object name in one of the dialogs; null when none.
    QWidget* shownWidget(const QString& name) const;
    bool click(const QString& name);
    bool type(const QString& name, const QString& text);

    const QSharedPointer<VpnServerList> m_servers;
    const Printer m_print;
    std::unique_ptr<ConnectivityTest> m_test;
};
