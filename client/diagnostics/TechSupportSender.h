#pragma once

#include "TestResultsContainer.h"

#include <SplashDlg.h>
#include <VpnServer.h>

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class ConnectivityTestInterface;
class ConnectivityTestMulti;
class ConnectivityTestSingle;

// Runs the connectivity test and the traces of the technical report, each
// under its own progress dialog, and hands on what they found: the test's
// results, or the report as text.
class TechSupportSender : public QObject
{
    Q_OBJECT
public:
    // A file name with the date and time fields dd, MM, yyyy, hh and mm.
    static const QString ReportFilename;
    static const QString SaveFileFilter;

    explicit TechSupportSender(QObject* parent = nullptr);

    void setServers(const QList<VpnServer>& servers);
    // The report on this computer and on the run whose results are given, every
    // secret in it hidden.
    QString generateReportString(TestResultsContainer* testResults);

signals:
    void connectivityTestCompleted(SharedTestResults testResults, VpnServer server);
    void reportGenerated(QString report);
    void purgeMainHelpTabLayout();

public slots:
    void startConnectivityTest(VpnServer serverToTest);
    void startConnectivityTest();
    void restartConnectivityTest();
    void startReportGeneration();
    void onConnectTestFinished();
    void onTracesFinished();
    void onCancelConnectivityTest();
    void onCancelGeneratingReport();

private:
    void startTestRun();
    // A run still under way goes on to its end unheard and is released then.
    static void retire(ConnectivityTestInterface* runner);
    // The runner whose finished() is being delivered, when it is the one held.
    template <typename Runner>
    Runner* finishedRunner(QPointer<Runner>& held);

    QPointer<ConnectivityTestSingle> singleTest;
    QPointer<ConnectivityTestMulti> multiTest;
    std::shared_ptr<TestResultsContainer> results;
    SplashDlg testSplash;
    SplashDlg reportSplash;
    bool testCanceled = false;
    bool reportCanceled = false;
    VpnServer serverToTest;
    QList<VpnServer> servers;
};
