// The account controller against the stand-in service: what it asks, what it
// opens on the desktop, what it logs, and what it tells the password dialog.
#include "AccountCtl.h"
#include "ApiTestKit.h"
#include "CommandBench.h"
#include "DesktopRecorder.h"
#include "UiTestKit.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QUrlQuery>

namespace {

const QString Mobile = "/mobile/licMobile";

QByteArray element(const char* name, const QString& value)
{
    return QByteArray("<") + name + ">" + value.toHtmlEscaped().toUtf8() + "</" + name + ">";
}

QByteArray profileReply(const QByteArray& status, int code)
{
    return "<response><result><status>" + status + "</status><code>" + QByteArray::number(code)
           + "</code><statusmsg>Profile</statusmsg><lictype>Premium</lictype><tariff_name>Premium year</tariff_name>"
             "<account_type>1</account_type><not_before>2024-01-01 00:00:00</not_before>"
             "<not_after>2030-12-31 23:59:59</not_after><total_days>365</total_days><left_days>20</left_days>"
             "<days_before_start>0</days_before_start><existing_device_count>2</existing_device_count>"
             "<user_device_limit>5</user_device_limit><devlist/></result></response>";
}

} // namespace

class tst_AccountCtl : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        UiTestKit::prepare();
        bench = std::make_unique<CommandBench>();
        service = bench->service.get();
        QVERIFY(service->isRunning());
        access = QSharedPointer<HttpAccess>::create(service->url());
    }
    void init()
    {
        service->reset();
        desktop.opened.clear();
        data = QSharedPointer<ClientAuthData>::create();
        CommandBench::fillAccount(*data);
        ctl = std::make_unique<AccountCtl>();
        ctl->init(access, data);
    }
    void cleanup()
    {
        ctl.reset();
        QCOMPARE(service->violations(), QStringList());
    }

    void pageAddresses_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("token");
        QTest::addColumn<QString>("opened");
        QTest::addColumn<QString>("menuItemSent");

        const QString pages = "https://account.example.org/devices";
        QTest::newRow("account page") << 0 << pages << "TKN-1" << pages + "?token=TKN-1" << "";
        QTest::newRow("device page") << 1 << pages << "TKN-1" << pages + "?token=TKN-1&menu_item=manage_devices"
                                     << "manage_devices";
        QTest::newRow("password page") << 2 << pages << "TKN-1" << pages + "?token=TKN-1&menu_item=change_password"
                                       << "change_password";
        QTest::newRow("token of delimiters") << 1 << pages << "a+b&c#d"
                                             << pages + "?token=a%2Bb%26c%23d&menu_item=manage_devices"
                                             << "manage_devices";
        QTest::newRow("url with a query") << 1 << pages + "?lang=de&x=a%26b" << "TKN-1"
                                          << pages + "?lang=de&x=a%26b&token=TKN-1&menu_item=manage_devices"
                                          << "manage_devices";
        QTest::newRow("http url") << 0 << "http://account.example.org/devices" << "TKN-1" << "" << "";
        QTest::newRow("empty url") << 0 << "" << "TKN-1" << "" << "";
        QTest::newRow("other scheme") << 0 << "file:///etc/passwd" << "TKN-1" << "" << "";
        QTest::newRow("unknown page") << 7 << pages << "TKN-1" << "" << "";
    }
    // The address reaches the desktop whole and encoded, only over https, and
    // the token never reaches the log.
    void pageAddresses()
    {
        QFETCH(int, page);
        QFETCH(QString, url);
        QFETCH(QString, token);
        QFETCH(QString, opened);
        QFETCH(QString, menuItemSent);
        bench->reply("GET", Mobile, "get_device_control_page",
                     "<code>401</code>" + element("url", url) + element("token", token));
        MessageCapture log;
        ctl->openManagementPage(AccountCtl::ManagementPage(page));
        waitForCommands();

        const QList<StandInRequest> requests = service->requests();
        QCOMPARE(requests.size(), 1);
        QCOMPARE(QUrlQuery(QString::fromLatin1(requests[0].rawQuery())).queryItemValue("menu_item"), menuItemSent);
        QCOMPARE(desktop.opened.size(), opened.isEmpty() ? 0 : 1);
        if (!opened.isEmpty()) {
            QCOMPARE(QString::fromLatin1(desktop.opened[0].toEncoded()), opened);
            QCOMPARE(QUrlQuery(desktop.opened[0]).queryItemValue("token", QUrl::FullyDecoded), token);
        }
        const QString messages = log.messages().join('\n');
        QVERIFY(messages.contains("getManagementPageCallFinished, STATUS CODE:"));
        QVERIFY2(!messages.contains(token), qPrintable(messages));
        QVERIFY2(!messages.contains(QString::fromLatin1(QUrl::toPercentEncoding(token))), qPrintable(messages));
        if (page == 7)
            QCOMPARE(log.messages(QtCriticalMsg).filter("urlIndex in getManagementPageCallFinished() cannot be matched: 7").size(), 1);
        else if (opened.isEmpty())
            QCOMPARE(log.messages(QtWarningMsg).filter("Management page not opened").size(), 1);
    }

    void authenticationErrorOpensNothing()
    {
        bench->reply("GET", Mobile, "get_device_control_page",
                     "<code>11</code><url>https://account.example.org/</url><token>TKN-1</token>");
        QSignalSpy refused(ctl.get(), &AccountCtl::authenticationError);
        MessageCapture log;
        ctl->openDeviceManagementPage();
        QVERIFY(refused.wait(10000));
        waitForCommands();
        QCOMPARE(desktop.opened, QList<QUrl>());
        QCOMPARE(log.messages().filter("getManagementPageCallFinished, STATUS CODE: \"AuthenticationError\"").size(), 1);
    }

    void exchangeFailureOpensNothing()
    {
        service->reply(StandInReply("GET", Mobile).act("get_device_control_page").xml("not xml"));
        MessageCapture log;
        ctl->openDeviceManagementPage();
        waitForCommands();
        QCOMPARE(desktop.opened, QList<QUrl>());
        QCOMPARE(log.messages().filter("GetManagementPageCommand execute error:").size(), 1);
    }

    // A second request while the first is on its way replaces it: only the second page opens.
    void newPageRequestReplacesTheRunningOne()
    {
        MessageCapture log;
        ctl->openAccountManagementPage();
        ctl->openDeviceManagementPage();
        waitForCommands();
        QCOMPARE(desktop.opened.size(), 1);
        QCOMPARE(QUrlQuery(desktop.opened[0]).queryItemValue("menu_item"), QString("manage_devices"));
    }

    void refreshDuringRefreshDoesNothing()
    {
        QSignalSpy counts(data.get(), &ClientAuthData::devicesNumberChanged);
        ctl->updateSubscriptionSlot();
        ctl->updateSubscriptionSlot();
        QVERIFY(counts.wait(10000));
        waitForCommands();
        QCOMPARE(service->requests().size(), 1);
        QCOMPARE(counts.count(), 1);
        QCOMPARE(counts.first(), QVariantList({5u, 2u}));

        ctl->updateSubscriptionSlot();
        QVERIFY(counts.wait(10000));
        QCOMPARE(service->requests().size(), 2);
    }

    void profileReplies_data()
    {
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("passwordValid");
        QTest::addColumn<bool>("applied");
        QTest::addColumn<bool>("subscriptionSet");
        QTest::newRow("success") << QByteArray("success") << 701 << true << true << true;
        QTest::newRow("expired account") << QByteArray("failure") << 712 << true << true << true;
        QTest::newRow("success, no password") << QByteArray("success") << 701 << false << true << false;
        QTest::newRow("refused") << QByteArray("failure") << 15 << true << false << false;
    }
    void profileReplies()
    {
        QFETCH(QByteArray, status);
        QFETCH(int, code);
        QFETCH(bool, passwordValid);
        QFETCH(bool, applied);
        QFETCH(bool, subscriptionSet);
        if (!passwordValid)
            data->setPassword(QString());
        service->reply(StandInReply("GET", Mobile).act("profile").xml(profileReply(status, code)));
        QSignalSpy names(data.get(), &ClientAuthData::devNameChanged);
        QSignalSpy subscriptions(data.get(), &ClientAuthData::subscriptionChanged);
        QSignalSpy counts(data.get(), &ClientAuthData::devicesNumberChanged);
        MessageCapture log;
        ctl->runProfile();
        waitForCommands();
        QCOMPARE(names.count(), applied ? 1 : 0);
        QCOMPARE(counts.count(), applied ? 1 : 0);
        QCOMPARE(subscriptions.count(), subscriptionSet ? 1 : 0);
        QCOMPARE(log.messages().filter("Profile command failed: true false").size(), applied ? 0 : 1);
    }

    void profileExchangeFailureChangesNothing()
    {
        service->reply(StandInReply("GET", Mobile).act("profile").xml("not xml"));
        QSignalSpy names(data.get(), &ClientAuthData::devNameChanged);
        MessageCapture log;
        ctl->runProfile();
        waitForCommands();
        QCOMPARE(names.count(), 0);
        QCOMPARE(data->devName(), QString("My PC"));
        QCOMPARE(log.messages().filter("Profile command failed: false false").size(), 1);
    }

    void passwordReset_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("success");
        QTest::addColumn<QString>("text");
        QTest::newRow("done") << QByteArray("<response><result><status>success</status>"
                                            "<statusmsg>Mail sent</statusmsg></result></response>")
                              << true << "Mail sent";
        QTest::newRow("refused") << QByteArray("<response><result><status>failure</status>"
                                               "<statusmsg>No such user</statusmsg></result></response>")
                                 << false << "No such user";
        QTest::newRow("no exchange") << QByteArray("not xml") << false << "";
    }
    void passwordReset()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, success);
        QFETCH(QString, text);
        service->reply(StandInReply("GET", Mobile).act("reset_password").xml(reply));
        QSignalSpy finished(ctl.get(), &AccountCtl::passwordResetFinished);
        MessageCapture log;
        ctl->resetPassword();
        QVERIFY(finished.wait(10000));
        QCOMPARE(finished.first(), QVariantList({success, text}));
        QCOMPARE(service->requests().first().act, QString("reset_password"));
    }

    void passwordChange_data()
    {
        QTest::addColumn<QByteArray>("encryptReply");
        QTest::addColumn<QByteArray>("changeReply");
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("storedPassword");
        QTest::addColumn<int>("requests");

        const QByteArray encrypted = "<response><result><status>success</status>"
                                     "<encrypted_password>ENC</encrypted_password></result></response>";
        const QByteArray refused = "<response><result><status>failure</status><code>2011</code>"
                                   "<statusmsg>Password is incorrect</statusmsg></result></response>";
        const QByteArray changed = "<response><result><status>success</status><code>2010</code>"
                                   "<statusmsg>Password changed</statusmsg></result></response>";
        QTest::newRow("changed") << encrypted << changed << 0 << "Password changed" << "ENC" << 3;
        QTest::newRow("change refused") << encrypted << refused << 0 << "Password is incorrect" << "Enc+Pw%41" << 3;
        QTest::newRow("change without exchange") << encrypted << QByteArray("not xml") << 1
                                                 << "Failed to connect to server, please try again" << "Enc+Pw%41" << 3;
        QTest::newRow("validation refused") << refused << QByteArray() << 0 << "Password is incorrect" << "Enc+Pw%41"
                                            << 1;
        QTest::newRow("validation without exchange") << QByteArray("not xml") << QByteArray() << 1
                                                     << "Failed to connect to server, please try again"
                                                     << "Enc+Pw%41" << 1;
    }
    // The chain as the dialog shows it and as the account data keeps it.
    void passwordChange()
    {
        QFETCH(QByteArray, encryptReply);
        QFETCH(QByteArray, changeReply);
        QFETCH(int, page);
        QFETCH(QString, status);
        QFETCH(QString, storedPassword);
        QFETCH(int, requests);
        service->reply(StandInReply("GET", Mobile).act("encrypt_password").xml(encryptReply));
        service->reply(StandInReply("GET", Mobile).act("change_password").xml(changeReply));

        ctl->showChangePassword();
        ChangePassword* dialog = ctl->changePasswordDialog();
        QVERIFY(dialog->isVisible());
        QTest::keyClicks(dialog->findChild<QLineEdit*>("oldPasswordEdit"), "old secret");
        QTest::keyClicks(dialog->findChild<QLineEdit*>("newPasswordEdit"), "new secret");
        QTest::keyClicks(dialog->findChild<QLineEdit*>("newPasswordConfirmEdit"), "new secret");
        MessageCapture log;
        QTest::mouseClick(dialog->findChild<QPushButton*>("changePasswordButton"), Qt::LeftButton);
        QVERIFY(dialog->isProcessing());
        QTRY_VERIFY_WITH_TIMEOUT(!dialog->isProcessing(), 20000);

        QCOMPARE(dialog->findChild<QStackedWidget*>("stackedWidget")->currentIndex(), page);
        QCOMPARE(dialog->findChild<QLabel*>("lbPassResetStatus")->text(), status);
        QCOMPARE(data->password(), storedPassword);
        const QList<StandInRequest> sent = service->requests();
        QCOMPARE(sent.size(), requests);
        const auto value = [&sent](int i, const char* key) {
            return QUrlQuery(QString::fromLatin1(sent[i].rawQuery())).queryItemValue(key, QUrl::FullyDecoded);
        };
        QCOMPARE(value(0, "password"), QString("old secret"));
        QCOMPARE(value(0, "email"), QString("a+b@x.org"));
        if (requests == 3) {
            QCOMPARE(value(1, "password"), QString("new secret"));
            QCOMPARE(sent[2].act, QString("change_password"));
            QCOMPARE(value(2, "encrypted_password"), QString("ENC"));
            QCOMPARE(value(2, "encrypted_new_password"), QString("ENC"));
        }
        QVERIFY(!log.messages().join('\n').contains("secret"));
    }

private:
    bool hasCommands() const { return !ctl->findChildren<HttpCommand*>().isEmpty(); }
    // Every command of the controller has had its answer and is gone.
    void waitForCommands() { QTRY_VERIFY_WITH_TIMEOUT(!hasCommands(), 20000); }

    std::unique_ptr<CommandBench> bench;
    StandInService* service = nullptr;
    QSharedPointer<HttpAccess> access;
    QSharedPointer<ClientAuthData> data;
    std::unique_ptr<AccountCtl> ctl;
    DesktopRecorder desktop;
};

QTEST_MAIN(tst_AccountCtl)
#include "tst_AccountCtl.moc"
