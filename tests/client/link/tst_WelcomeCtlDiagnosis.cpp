#include "WelcomeBench.h"

#include <ClientConfig.h>
#include <LinkProtocol.h>
#include <PrivateNamespaces.h>
#include <VpnCtlClient.h>
#include <WebHostStandIn.h>
#include <WelcomeCtl.h>

#include <QSslCertificate>
#include <QSslConfiguration>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QByteArray Confirmed = "<p>Your connection is confirmed.</p>";
const QByteArray LoginPage = "<form>Log in to the hotel network</form>";

} // namespace

// The diagnosis of a network the computer is on while the VPN is down, with the
// operator's web host on this namespace's loopback serving the confirmation page
// (or a log-in page in its place).
class tst_WelcomeCtlDiagnosis : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void captivePortalIsCheckedUntilConfirmed();
    void networkChangeInsideTheActivationItStarted();
    void droppedDiagnosisLetsTheLogicActivate();

private:
    WelcomeCtl* welcome() const { return bench->welcome; }
    // Configured on the known account with the VPN idle long enough for a
    // diagnosis; journal emptied.
    void configure(int activateOption);
    std::unique_ptr<WebHostStandIn> serve(const std::optional<QByteArray>& page);

    std::unique_ptr<WelcomeBench> bench;
};

void tst_WelcomeCtlDiagnosis::initTestCase()
{
    QVERIFY(PrivateNamespaces::ip("addr add " + ScriptedNetwork::WebHostAddress + "/32 dev lo"));
    bench = std::make_unique<WelcomeBench>();
    // The client takes its extra CAs once, at the service's access point, which
    // the bench made before any web host existed; the web host's CA joins them
    // as it would have at start.
    QTemporaryDir appFolder;
    QVERIFY(WebHostStandIn(ScriptedNetwork::WebHostAddress, appFolder.path(), Confirmed).isRunning());
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    const QList<QSslCertificate> webHostCa =
        QSslCertificate::fromPath(appFolder.filePath("certs/web-host-ca.pem"), QSsl::Pem,
                                  QSslCertificate::PatternSyntax::FixedString);
    QCOMPARE(webHostCa.size(), 1);
    configuration.setCaCertificates(configuration.caCertificates() + webHostCa);
    QSslConfiguration::setDefaultConfiguration(configuration);
}

void tst_WelcomeCtlDiagnosis::init()
{
    QCOMPARE(bench->start(Config::ActivateNever), QString());
}

void tst_WelcomeCtlDiagnosis::cleanup()
{
    QCOMPARE(bench->stop(), QStringList());
}

void tst_WelcomeCtlDiagnosis::configure(int activateOption)
{
    bench->knownAccount();
    bench->reply("profile", bench->profile(true, 2));
    welcome()->start();
    QTRY_VERIFY(bench->journal.contains("CONFIGURED"));
    QTRY_VERIFY_WITH_TIMEOUT(!VpnCtlClient::inst()->isJustActivationStateChanged(), 5000);
    ClientConfig::instanceClient()->setActivateOption(Config::ActivateOption(activateOption));
    bench->journal.clear();
}

std::unique_ptr<WebHostStandIn> tst_WelcomeCtlDiagnosis::serve(const std::optional<QByteArray>& page)
{
    auto host = std::make_unique<WebHostStandIn>(ScriptedNetwork::WebHostAddress, bench->network->folders.appFolder(),
                                                 page);
    return host->isRunning() ? std::move(host) : nullptr;
}

// One report with the log-in page in the way, then one every 10 s marked as
// repeated, until the page confirms: then the configuration ends.
void tst_WelcomeCtlDiagnosis::captivePortalIsCheckedUntilConfirmed()
{
    configure(Config::ActivateNever);
    std::unique_ptr<WebHostStandIn> portal = serve(LoginPage);
    QVERIFY(portal);
    QVERIFY(bench->network->report(WelcomeBench::Wired));
    QTRY_COMPARE_WITH_TIMEOUT(bench->journal, (QStringList{"DOWN 0", "CONFIGURING", "DIAG 0 1 0"}), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(bench->journal.size(), 4, 30000);
    QCOMPARE(bench->journal.last(), "DIAG 0 1 1");
    welcome()->requestActivationOnConfigured();
    QCOMPARE(bench->journal.size(), 4);

    portal.reset();
    std::unique_ptr<WebHostStandIn> confirming = serve(Confirmed);
    QVERIFY(confirming);
    QTRY_VERIFY2_WITH_TIMEOUT(bench->journal.contains("CONFIGURED"),
                              qPrintable(bench->journal.join(", ") + " | " +
                                         bench->log->messages().filter("diagnostic").join(", ")),
                              40000);
    const QStringList journal = bench->settled();
    QCOMPARE(journal.mid(journal.size() - 2), (QStringList{"READY", "CONFIGURED"}));
    QCOMPARE(journal.filter("DIAG 0 1 0").size(), 1);
    for (const QString& entry : journal.mid(3, journal.size() - 5))
        QCOMPARE(entry, "DIAG 0 1 1");
}

// A diagnosis that ends well activates the VPN; a network report that arrives
// while the session waits for the backend drops that same checker from inside
// its own signal. The checker must outlive the signal.
void tst_WelcomeCtlDiagnosis::networkChangeInsideTheActivationItStarted()
{
    configure(Config::ActivateOnUnsecuredWireless);
    std::unique_ptr<WebHostStandIn> host = serve(Confirmed);
    QVERIFY(host);
    bench->held[LinkProtocol::Request::ResetReconnectionLogic] = [this](const LinkMessage& request) {
        bench->held.remove(LinkProtocol::Request::ResetReconnectionLogic);
        bench->network->backend.sendEvent(LinkProtocol::Event::LocalConnectionIsChanged, WelcomeBench::Wired);
        bench->network->backend.reply(request, {});
    };
    // On the secured network the diagnosis runs; the option the user changes
    // meanwhile has the end of the diagnosis activate.
    welcome()->onCurrentNetworkChanged();
    QCOMPARE(bench->logged("21"), 1);
    ClientConfig::instanceClient()->setActivateOption(Config::ActivateOnAnyConnection);
    QTRY_COMPARE_WITH_TIMEOUT(bench->logged("20"), 1, 20000);
    const QStringList lines = bench->log->messages(QtDebugMsg);
    QVERIFY(lines.lastIndexOf("04") < lines.indexOf("20"));
    QVERIFY(lines.indexOf("19") < lines.lastIndexOf("04"));
    QVERIFY(bench->journal.contains("ACTIVATE"));
}

// A diagnosis dropped while the VPN is on its way up leaves nothing configuring:
// the session's own activation request goes through.
void tst_WelcomeCtlDiagnosis::droppedDiagnosisLetsTheLogicActivate()
{
    configure(Config::ActivateNever);
    std::unique_ptr<WebHostStandIn> silent = serve(std::nullopt);
    QVERIFY(silent);
    QVERIFY(bench->network->report(WelcomeBench::Wired));
    QCOMPARE(bench->journal, (QStringList{"DOWN 0", "CONFIGURING"}));
    welcome()->requestActivationOnConfigured();
    QCOMPARE(bench->journal.size(), 2);

    VpnCtlClient::inst()->setState(Activating);
    QVERIFY(bench->network->report(WelcomeBench::Wired));
    welcome()->requestActivationOnConfigured();
    QCOMPARE(bench->journal.mid(2), (QStringList{"DOWN 0", "ALLOW"}));
    VpnCtlClient::inst()->setState(Deactivated);
}

OZM_NAMESPACE_TEST_MAIN(tst_WelcomeCtlDiagnosis, ScriptedNetwork::namespaces())

#include "tst_WelcomeCtlDiagnosis.moc"
