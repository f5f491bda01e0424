#include <ClientAuthData.h>
#include <CommandBench.h>
#include <HttpCommand.h>
#include <MainHelpTab.h>
#include <SendReport.h>
#include <SendReportCommand.h>

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QUrlQuery>
#include <QtTest>

#include <memory>

class tst_SendReport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void emailPattern_data();
    void emailPattern();
    void serialArrivingLater();
    void emptyFieldsAtSend();
    void openingAgain();
    void progressWithoutTotal();
    void completion_data();
    void completion();
    void noNetwork();
    void cancelWhileSending();
    void tryAgain();

private:
    template <typename T>
    T* child(const char* name) const
    {
        return dlg->findChild<T*>(QLatin1String(name));
    }
    int page() const { return child<QStackedWidget>("stackedWidget")->currentIndex(); }
    void fill(const QString& name, const QString& subject, const QString& text);
    QUrlQuery lastForm() const;

    std::unique_ptr<CommandBench> bench;
    QSharedPointer<ClientAuthData> auth;
    std::unique_ptr<SendReport> dlg;
};

void tst_SendReport::initTestCase()
{
    bench = std::make_unique<CommandBench>();
}

void tst_SendReport::init()
{
    hMainHelp = MainHelpTab();
    bench->service->reset();
    auth = QSharedPointer<ClientAuthData>::create();
    CommandBench::fillAccount(*auth);
    dlg = std::make_unique<SendReport>();
    // The bench owns its access point; the dialog only borrows it here.
    dlg->init(QSharedPointer<HttpAccess>(bench->access.get(), [](HttpAccess*) {}), auth);
    dlg->onEmailChanged(auth->email());
}

void tst_SendReport::cleanup()
{
    dlg.reset();
}

void tst_SendReport::fill(const QString& name, const QString& subject, const QString& text)
{
    child<QLineEdit>("leName")->setText(name);
    child<QLineEdit>("leSubject")->setText(subject);
    child<QPlainTextEdit>("ptMessage")->setPlainText(text);
}

QUrlQuery tst_SendReport::lastForm() const
{
    const QList<StandInRequest> received = bench->service->requests();
    return received.isEmpty() ? QUrlQuery() : QUrlQuery(QString::fromLatin1(received.last().body));
}

void tst_SendReport::emailPattern_data()
{
    QTest::addColumn<QString>("email");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("plain") << "user@example.com" << true;
    QTest::newRow("plus in the local part") << "a+b@x.org" << true;
    QTest::newRow("blanks around") << "  user@example.com " << true;
    QTest::newRow("address literal") << "user@[10.1.2.3]" << true;
    QTest::newRow("one-letter domain") << "user@example.c" << false;
    QTest::newRow("two letters") << "user@example.co" << true;
    QTest::newRow("four letters") << "user@example.info" << true;
    QTest::newRow("five letters") << "user@example.email" << false;
    QTest::newRow("no at") << "user.example.com" << false;
    QTest::newRow("blank inside") << "us er@example.com" << false;
    QTest::newRow("empty") << "" << false;
}

void tst_SendReport::emailPattern()
{
    QFETCH(QString, email);
    QFETCH(bool, accepted);

    dlg->onEmailChanged(email);
    QCOMPARE(dlg->validateEmail(), accepted);
    QCOMPARE(child<QPushButton>("btnSend")->isEnabled(), accepted);
    QCOMPARE(child<QPushButton>("btnRetry")->isEnabled(), accepted);
}

void tst_SendReport::serialArrivingLater()
{
    auth->setSerial(QString());
    dlg->onEmailChanged("user@example.com");
    QVERIFY(!child<QPushButton>("btnSend")->isEnabled());
    auth->setSerial("SER-2");
    QVERIFY(!child<QPushButton>("btnSend")->isEnabled());
    dlg->send("report");
    QVERIFY(child<QPushButton>("btnSend")->isEnabled());
}

void tst_SendReport::emptyFieldsAtSend()
{
    dlg->send("report");
    QCOMPARE(child<QLineEdit>("leSubject")->text(), QStringLiteral("Connectivity report"));
    for (const char* name : {"leName", "leSubject", "ptMessage"})
        QCOMPARE(child<QWidget>(name)->property("isNotEmpty").toBool(), true);
    QTest::keyClicks(child<QLineEdit>("leName"), "  ");
    QCOMPARE(child<QWidget>("leName")->property("isNotEmpty").toBool(), true);
    child<QLineEdit>("leSubject")->clear();
    QTest::mouseClick(child<QPushButton>("btnSend"), Qt::LeftButton);
    for (const char* name : {"leName", "leSubject", "ptMessage"})
        QCOMPARE(child<QWidget>(name)->property("isNotEmpty").toBool(), false);
    QVERIFY(!child<QWidget>("leEmail")->property("isNotEmpty").isValid());
    QCOMPARE(QApplication::focusWidget(), child<QWidget>("leName"));
    QCOMPARE(page(), 0);

    fill("Ann", "", "text");
    QTest::mouseClick(child<QPushButton>("btnSend"), Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), child<QWidget>("leSubject"));
    QVERIFY(bench->service->requests().isEmpty());
}

void tst_SendReport::openingAgain()
{
    dlg->send("first");
    fill("Ann", "Mine", "text");
    QCOMPARE(child<QLineEdit>("leName")->maxLength(), 50);
    dlg->send("second");
    QCOMPARE(child<QLineEdit>("leName")->text(), QStringLiteral("Ann"));
    QCOMPARE(child<QLineEdit>("leSubject")->text(), QStringLiteral("Mine"));
    QCOMPARE(child<QPlainTextEdit>("ptMessage")->toPlainText(), QString());
    QCOMPARE(page(), 0);
}

void tst_SendReport::progressWithoutTotal()
{
    auto* bar = child<QProgressBar>("progressBar");
    dlg->onSendReportProgress(50, 200);
    QCOMPARE(bar->value(), 25);
    dlg->onSendReportProgress(90, 0);
    dlg->onSendReportProgress(90, -1);
    QCOMPARE(bar->value(), 25);
    dlg->onSendReportProgress(2, 3);
    QCOMPARE(bar->value(), 66);
}

void tst_SendReport::completion_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("error");

    QTest::newRow("sent") << QByteArray("<response><result><status>success</status></result></response>") << 2 << "";
    QTest::newRow("refused")
        << QByteArray("<response><result><status>failure</status><message>Too many reports</message></result></response>")
        << 3 << "Too many reports";
}

void tst_SendReport::completion()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, page);
    QFETCH(QString, error);

    bench->service->reply(StandInReply("POST", HttpCommand::MobilePath).act("sendreport").xml(reply));
    dlg->send("the report");
    fill("Ann", "Help", "It broke");
    QTest::mouseClick(child<QPushButton>("btnSend"), Qt::LeftButton);
    QCOMPARE(this->page(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(this->page(), page, 20000);
    QCOMPARE(child<QLabel>("lbSendError")->text(), error);
    const QUrlQuery form = lastForm();
    QCOMPARE(form.queryItemValue("act"), QStringLiteral("sendreport"));
    QCOMPARE(form.queryItemValue("request_text", QUrl::FullyDecoded), QStringLiteral("the report"));
    QCOMPARE(form.queryItemValue("name"), QStringLiteral("Ann"));
    QCOMPARE(form.queryItemValue("user_subject"), QStringLiteral("Help"));
    QCOMPARE(form.queryItemValue("serial"), QStringLiteral("SER-1"));
    const QByteArray body = bench->service->requests().last().body;
    QVERIFY2(body.contains("request_email=a%2Bb"), body.constData());
}

void tst_SendReport::noNetwork()
{
    // A port nothing listens on: every attempt is refused, and the command
    // gives up after its own retries.
    HttpAccess nowhere(QStringLiteral("https://127.0.0.1:9"));
    dlg->init(QSharedPointer<HttpAccess>(&nowhere, [](HttpAccess*) {}), auth);
    dlg->send("the report");
    fill("Ann", "Help", "It broke");
    QTest::mouseClick(child<QPushButton>("btnSend"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(page(), 3, 120000);
    QCOMPARE(child<QLabel>("lbSendError")->text(), QStringLiteral("Failed to communicate with server"));
}

void tst_SendReport::cancelWhileSending()
{
    bench->service->reply(StandInReply("POST", HttpCommand::MobilePath).act("sendreport").stall());
    dlg->send("the report");
    fill("Ann", "Help", "It broke");
    QTest::mouseClick(child<QPushButton>("btnSend"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(bench->service->requests().size(), 1, 20000);
    QPointer<SendReportCommand> running = dlg->findChild<SendReportCommand*>();
    QVERIFY(running);
    QTest::mouseClick(child<QPushButton>("btnCancelSend"), Qt::LeftButton);
    QVERIFY(!running);
    QVERIFY(!dlg->isVisible());
    // An answer that would have come now finds no command to complete.
    dlg->onSendReportCommandCompleted(true);
    QCOMPARE(page(), 1);
}

void tst_SendReport::tryAgain()
{
    bench->service->reply(StandInReply("POST", HttpCommand::MobilePath)
                              .act("sendreport")
                              .xml("<response><result><status>failure</status><message>Busy</message></result></response>")
                              .times(1));
    dlg->send("the report");
    fill("Ann", "Help", "It broke");
    QTest::mouseClick(child<QPushButton>("btnSend"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(page(), 3, 20000);
    child<QLineEdit>("leSubject")->setText("Help again");
    QTest::mouseClick(child<QPushButton>("btnRetry"), Qt::LeftButton);
    QCOMPARE(page(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(page(), 2, 20000);
    QCOMPARE(bench->service->requests().size(), 2);
    QCOMPARE(lastForm().queryItemValue("user_subject"), QStringLiteral("Help again"));
    QCOMPARE(lastForm().queryItemValue("request_text"), QStringLiteral("the report"));
}

QTEST_MAIN(tst_SendReport)
#include "tst_SendReport.moc"
