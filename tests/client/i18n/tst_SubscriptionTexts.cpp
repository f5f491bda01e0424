#include "Clock.h"
#include "PackFixture.h"
#include "ReplacingTranslator.h"
#include "SharedTexts.h"
#include "SubscriptionLocalizationHelper.h"

#include <AppConstants.h>
#include <MeteredSubscription.h>
#include <UnlimitedSubscription.h>

#include <QCoreApplication>
#include <QLocale>
#include <QTest>

namespace {

// A kind of subscription the texts do not know.
class OtherSubscription : public Subscription
{
public:
    OtherSubscription()
        : Subscription(QStringLiteral("other"), QStringLiteral("other"))
    {
    }
    bool isValid() const override { return true; }
    bool isExpired() const override { return false; }
    bool isPermanent() const override { return false; }
    int type() const override { return 7; }
};

QString rich(const QString& number, const QString& colour, const QString& unit)
{
    return QStringLiteral("<span style=\"color: %1; font-size: 18px;\">%2</span> <sup>%3</sup>").arg(colour, number, unit);
}

QString bold(const QString& date)
{
    return "<span style=\"font-family: KievitOT-Book, Kievit OT; font-weight: bold;\">" + date + "</span>";
}

const QString Red = QStringLiteral("#D6002D");
const QString Green = QStringLiteral("#0EA34B");

} // namespace

// Under German: the shipped catalogue installed and German the default locale.
class tst_SubscriptionTexts : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void traffic_data();
    void traffic();
    void metered_data();
    void metered();
    void unlimited_data();
    void unlimited();
    void withoutWords_data();
    void withoutWords();
    void copyright_data();
    void copyright();
    void sharedTexts();

private:
    QByteArray m_catalogue;
    ReplacingTranslator m_translator;
    const QDateTime m_now{QDate(2027, 2, 1), QTime(12, 0), Qt::UTC};
};

void tst_SubscriptionTexts::initTestCase()
{
    m_catalogue = PackFixture::readFile(QStringLiteral(OZM_GERMAN_CATALOGUE));
    QVERIFY(m_translator.load(reinterpret_cast<const uchar*>(m_catalogue.constData()), m_catalogue.size()));
    QVERIFY(QCoreApplication::installTranslator(&m_translator));
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    Clock::pin(m_now);
}

void tst_SubscriptionTexts::cleanup()
{
    Clock::pin(m_now);
}

void tst_SubscriptionTexts::traffic_data()
{
    QTest::addColumn<qlonglong>("bytes");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("colour");

    QTest::newRow("0") << 0LL << "0.0" << "MB" << Red;
    QTest::newRow("499,999,999") << 499999999LL << "500.0" << "MB" << Red;
    QTest::newRow("500,000,000") << 500000000LL << "500.0" << "MB" << Green;
    QTest::newRow("999,999,999") << 999999999LL << "1000.0" << "MB" << Green;
    QTest::newRow("1,000,000,000") << 1000000000LL << "1.0" << "GB" << Green;
    QTest::newRow("1,500,000,000") << 1500000000LL << "1.5" << "GB" << Green;
    QTest::newRow("-1, none") << -1LL << "0.0" << "MB" << Red;
}

void tst_SubscriptionTexts::traffic()
{
    QFETCH(qlonglong, bytes);
    QFETCH(QString, number);
    QFETCH(QString, unit);
    QFETCH(QString, colour);

    QCOMPARE(trafficInBytesToText(bytes, false), number + QLatin1Char(' ') + unit);
    QCOMPARE(trafficInBytesToText(bytes, true), rich(number, colour, unit));
}

void tst_SubscriptionTexts::metered_data()
{
    QTest::addColumn<qlonglong>("remaining");
    QTest::addColumn<qlonglong>("initial");
    QTest::addColumn<QString>("expiration");
    QTest::addColumn<QString>("limit");

    QTest::newRow("part used") << 500000000LL << 2000000000LL
                               << "Ihr Abonnement ist aktiv<br>Sie haben 1.5 GB von 2.0 GB verbraucht"
                               << rich("500.0", Green, "MB");
    QTest::newRow("nothing used") << 3000000000LL << 3000000000LL
                                  << QString::fromUtf8("Ihr Abonnement ist aktiv<br>Sie haben noch 3.0 GB Daten übrig")
                                  << rich("3.0", Green, "GB");
    QTest::newRow("used up") << 0LL << 1000000000LL << "Sie haben Ihr Datenlimit von 1.0 GB erreicht"
                             << rich("0.0", Red, "MB");
    QTest::newRow("no quota at all") << -1LL << -1LL << "Sie haben Ihr Datenlimit von 0.0 MB erreicht"
                                     << rich("0.0", Red, "MB");
    QTest::newRow("quota, none bought") << 400000000LL << -1LL
                                        << QString::fromUtf8("Ihr Abonnement ist aktiv<br>Sie haben noch 400.0 MB Daten übrig")
                                        << rich("400.0", Red, "MB");
}

void tst_SubscriptionTexts::metered()
{
    QFETCH(qlonglong, remaining);
    QFETCH(qlonglong, initial);
    QFETCH(QString, expiration);
    QFETCH(QString, limit);

    SubscriptionPointer subscription(new MeteredSubscription("quota", "metered", remaining, initial));
    const SubscriptionLocalizationHelper helper(subscription);
    subscription.reset();

    QCOMPARE(helper.expirationTitle(), QStringLiteral("Verbleibende Daten: "));
    QCOMPARE(helper.expirationString(), expiration);
    QCOMPARE(helper.limit(), limit);
    QVERIFY(helper.expirationStringWS(QStringLiteral("%1 %2")).isNull());
    QVERIFY(!helper.limitIsFarFromNow());
}

void tst_SubscriptionTexts::unlimited_data()
{
    QTest::addColumn<double>("leftDays");
    QTest::addColumn<int>("daysBeforeStart");
    QTest::addColumn<QDateTime>("end");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("expiration");
    QTest::addColumn<QString>("withDays");
    QTest::addColumn<bool>("far");

    const QString renews = QString::fromUtf8("Verlängert sich am ");
    const QString expires = QString::fromUtf8("Ihr Abonnement läuft ab am<br>");
    QTest::newRow("3.2 days left") << 3.2 << 0 << m_now.addSecs(qint64(3.2 * 86400)) << renews
                                   << expires + bold("04. Februar 2027") << "4. Februar 2027|4" << false;
    QTest::newRow("expired") << 0.0 << 0 << m_now.addDays(-1) << "Abgelaufen am "
                             << "Ihr Abonnement ist abgelaufen am<br>" + bold("31. Januar 2027") << "31. Januar 2027|0"
                             << false;
    QTest::newRow("starts in 2 days") << 30.0 << 2 << m_now.addDays(32) << "Abgelaufen am "
                                      << "Ihr Abonnement beginnt in 2 Tag(en)" << "5. März 2027|30" << false;
    QTest::newRow("365 days ahead") << 365.0 << 0 << m_now.addDays(365) << renews << expires + bold("01. Februar 2028")
                                    << "1. Februar 2028|365" << false;
    QTest::newRow("366 days ahead") << 366.0 << 0 << m_now.addDays(366) << renews << expires + bold("02. Februar 2028")
                                    << "2. Februar 2028|366" << true;
    QTest::newRow("no end date") << 5.0 << 0 << QDateTime() << renews << expires + bold(QString()) << "|5" << false;
}

void tst_SubscriptionTexts::unlimited()
{
    QFETCH(double, leftDays);
    QFETCH(int, daysBeforeStart);
    QFETCH(QDateTime, end);
    QFETCH(QString, title);
    QFETCH(QString, expiration);
    QFETCH(QString, withDays);
    QFETCH(bool, far);

    const UnlimitedSubscription subscription("period", "unlimited", m_now.addDays(-30), end, 400, float(leftDays),
                                             daysBeforeStart);
    const SubscriptionLocalizationHelper helper(&subscription);

    QCOMPARE(helper.expirationTitle(), title);
    QCOMPARE(helper.expirationString(), expiration);
    QCOMPARE(helper.expirationStringWS(QStringLiteral("%1|%2")), withDays);
    QCOMPARE(helper.limitIsFarFromNow(), far);
}

void tst_SubscriptionTexts::withoutWords_data()
{
    QTest::addColumn<SubscriptionPointer>("subscription");
    QTest::addColumn<QString>("log");

    QTest::newRow("unknown type") << SubscriptionPointer(new OtherSubscription)
                                  << "ERROR SubscriptionLocalizationHelper not implemented yet for \"7\" subscription type.";
    QTest::newRow("null") << SubscriptionPointer() << "ERROR SubscriptionLocalizationHelper made without a subscription.";
}

void tst_SubscriptionTexts::withoutWords()
{
    QFETCH(SubscriptionPointer, subscription);
    QFETCH(QString, log);

    QTest::ignoreMessage(QtCriticalMsg, qPrintable(log));
    const SubscriptionLocalizationHelper helper(subscription);

    QCOMPARE(helper.expirationTitle(), QString());
    QCOMPARE(helper.expirationString(), QString());
    QCOMPARE(helper.expirationStringWS(QStringLiteral("%1 %2")), QString());
    QCOMPARE(helper.limit(), QString());
    QVERIFY(!helper.limitIsFarFromNow());
}

void tst_SubscriptionTexts::copyright_data()
{
    QTest::addColumn<int>("year");
    QTest::addColumn<QString>("shown");

    QTest::newRow("clock set back") << 2009 << "2012";
    QTest::newRow("2012") << 2012 << "2012";
    QTest::newRow("later") << 2031 << "2031";
}

void tst_SubscriptionTexts::copyright()
{
    QFETCH(int, year);
    QFETCH(QString, shown);

    Clock::pin(QDateTime(QDate(year, 6, 1), QTime(12, 0)));
    QCOMPARE(AboutCopyrigh(), "Copyright &copy; " + shown + " The Ozmira Authors. Alle Rechte vorbehalten.");
}

void tst_SubscriptionTexts::sharedTexts()
{
    const QString welcome = WelcomeWelcomeText();
    QVERIFY(welcome.startsWith("All public WiFi hotspots are unsecured.<p>Use <nobr>" + gApplicationNameUI
                               + "&trade;</nobr> VPN"));
    QCOMPARE(welcome.count(gApplicationNameUI + "&trade;"), 2);
    QCOMPARE(WelcomeExpiredFooter(), welcome);
    QVERIFY(WelcomeExpiredFooter2().startsWith("<p>Without " + gApplicationNameUI + ", your personal information"));
    QVERIFY(WelcomeSeeGuide().contains("<a href=\"link:QuickStart\">"));
    QVERIFY(QustomerSupportSupport().endsWith("via email 8AM to 12AM EST Monday through Friday."));
    for (const QString& text : {welcome, WelcomeExpiredFooter2(), QustomerSupportSupport()})
        QVERIFY(!text.contains(QLatin1Char('%')));
}

QTEST_GUILESS_MAIN(tst_SubscriptionTexts)
#include "tst_SubscriptionTexts.moc"
