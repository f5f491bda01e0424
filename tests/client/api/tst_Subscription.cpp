#include <MeteredSubscription.h>
#include <Subscription.h>
#include <UnlimitedSubscription.h>

#include <QDomDocument>
#include <QtTest>

#include <climits>
#include <ctime>

namespace {

constexpr int None = -1;

// The subscription a profile reply's result element with these children gives.
SubscriptionPointer fromChildren(const QString& children)
{
    QDomDocument document;
    if (!document.setContent(QStringLiteral("<result>") + children + QStringLiteral("</result>")))
        return SubscriptionPointer();
    return Subscription::fromReply(document.documentElement());
}

const char* const Unlimited = "<lictype>Premium</lictype><tariff_name>Year</tariff_name>"
                              "<not_before>2024-01-01 00:00:00</not_before><total_days>365</total_days>";

} // namespace

class tst_Subscription : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    // First: no subscription may have been made before it.
    void registeredForSignals();
    void fromReply_data();
    void fromReply();
    void unlimitedFields();
    void equality_data();
    void equality();
};

void tst_Subscription::initTestCase()
{
    // A zone where the start times below fall into the spring-forward gap.
    qputenv("TZ", "Europe/Berlin");
    tzset();
}

void tst_Subscription::fromReply_data()
{
    QTest::addColumn<QString>("children");
    QTest::addColumn<int>("type");
    QTest::addColumn<qint64>("quota");
    QTest::addColumn<qint64>("initialQuota");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<bool>("expired");
    QTest::addColumn<bool>("permanent");

    const QString metered = QStringLiteral("<lictype>Free</lictype><account_type>0</account_type>");
    const QString quota = metered + QStringLiteral("<initial_quotalabel>500MB</initial_quotalabel><quotalabel>%1</quotalabel>");
    const QString unlimited = QLatin1String(Unlimited);
    const QString ending = unlimited + QStringLiteral("<not_after>%1</not_after><left_days>30</left_days>");
    const QString running = unlimited + QStringLiteral("<not_after>2030-01-01 00:00:00</not_after>");

    QTest::newRow("no lictype: none") << "<account_type>0</account_type><quotalabel>1MB</quotalabel>" << None
                                      << 0LL << 0LL << false << false << false;
    QTest::newRow("metered in MB and mb")
        << metered + "<quotalabel>250MB</quotalabel><initial_quotalabel>1024mb</initial_quotalabel>"
        << MeteredSubscription::Type << 250000000LL << 1024000000LL << true << false << false;
    QTest::newRow("half a megabyte") << quota.arg("0.5mb") << 0 << 500000LL << 500000000LL << true << false << false;
    QTest::newRow("nothing left") << quota.arg("0mb") << 0 << 0LL << 500000000LL << true << true << false;
    QTest::newRow("under a byte left, truncated") << quota.arg("0.0000009") << 0 << 0LL << 500000000LL << true
                                                  << true << false;
    QTest::newRow("no quota, initial readable") << metered + "<initial_quotalabel>5MB</initial_quotalabel>" << 0
                                                << -1LL << 5000000LL << true << false << false;
    QTest::newRow("neither readable") << quota.arg("lots").replace("500MB", "mb") << 0 << -1LL << -1LL << false
                                      << false << false;
    QTest::newRow("account type not a number is metered")
        << "<lictype>Free</lictype><account_type>x</account_type><quotalabel>1MB</quotalabel>" << 0 << 1000000LL
        << -1LL << true << false << false;
    QTest::newRow("empty account type is metered") << "<lictype/><account_type/>" << 0 << -1LL << -1LL << false
                                                   << false << false;
    // Hostile numbers: none of them may reach a conversion that does not fit.
    QTest::newRow("quota beyond 64 bits") << quota.arg("1e30MB") << 0 << -1LL << 500000000LL << true << false
                                          << false;
    QTest::newRow("quota near the top of 64 bits") << quota.arg("9000000000000MB") << 0 << 9000000000000000000LL
                                                   << 500000000LL << true << false << false;
    QTest::newRow("quota just past 64 bits") << quota.arg("9300000000000MB") << 0 << -1LL << 500000000LL << true
                                             << false << false;
    QTest::newRow("negative beyond 64 bits") << quota.arg("-1e300mb") << 0 << -1LL << 500000000LL << true << false
                                             << false;
    QTest::newRow("infinite quota") << quota.arg("inf") << 0 << -1LL << 500000000LL << true << false << false;
    QTest::newRow("quota not a number") << quota.arg("nan") << 0 << -1LL << 500000000LL << true << false << false;

    QTest::newRow("no account type is unlimited") << running + "<left_days>10</left_days>"
                                                  << UnlimitedSubscription::Type << 0LL << 0LL << true << false
                                                  << false;
    QTest::newRow("other account type is unlimited") << running + "<account_type>2</account_type><left_days>1</left_days>"
                                                     << 1 << 0LL << 0LL << true << false << false;
    QTest::newRow("ends 2099: permanent") << ending.arg("2099-12-31 23:59:59") << 1 << 0LL << 0LL << true << false
                                          << true;
    QTest::newRow("ends 2050: not permanent") << ending.arg("2050-12-31 23:59:59") << 1 << 0LL << 0LL << true
                                              << false << false;
    QTest::newRow("no end: invalid") << unlimited + "<left_days>3</left_days>" << 1 << 0LL << 0LL << false << false
                                     << false;
    QTest::newRow("end of another pattern: invalid") << ending.arg("2030-01-01T00:00:00") << 1 << 0LL << 0LL
                                                     << false << false << false;
    QTest::newRow("under a day left") << running + "<left_days>0.4</left_days><days_before_start>0</days_before_start>"
                                      << 1 << 0LL << 0LL << true << false << false;
    QTest::newRow("no day left") << running + "<left_days>0</left_days>" << 1 << 0LL << 0LL << true << true
                                 << false;
    QTest::newRow("days left not given") << running << 1 << 0LL << 0LL << true << true << false;
    QTest::newRow("not started yet") << running + "<left_days>9</left_days><days_before_start>2</days_before_start>"
                                     << 1 << 0LL << 0LL << true << true << false;
    QTest::newRow("days left beyond a float") << running + "<left_days>1e300</left_days>" << 1 << 0LL << 0LL << true
                                              << true << false;
    QTest::newRow("days left infinite") << running + "<left_days>inf</left_days>" << 1 << 0LL << 0LL << true << true
                                        << false;
    QTest::newRow("days left not a number") << running + "<left_days>nan</left_days>" << 1 << 0LL << 0LL << true
                                            << true << false;
}

void tst_Subscription::fromReply()
{
    QFETCH(QString, children);
    QFETCH(int, type);
    const SubscriptionPointer subscription = fromChildren(children);
    if (type == None) {
        QVERIFY(subscription.isNull());
        return;
    }
    QVERIFY(subscription);
    QCOMPARE(subscription->type(), type);
    QTEST(subscription->isValid(), "valid");
    QTEST(subscription->isExpired(), "expired");
    QTEST(subscription->isPermanent(), "permanent");
    if (const auto* metered = dynamic_cast<const MeteredSubscription*>(subscription.data())) {
        QCOMPARE(type, MeteredSubscription::Type);
        QTEST(metered->quota(), "quota");
        QTEST(metered->initialQuota(), "initialQuota");
    } else {
        QVERIFY(dynamic_cast<const UnlimitedSubscription*>(subscription.data()));
    }
}

void tst_Subscription::unlimitedFields()
{
    const QString hostile = QStringLiteral(
        "<lictype>Premium</lictype><tariff_name>Year</tariff_name><not_before>2024-03-31 02:30:00</not_before>"
        "<not_after>2025-03-31 02:30:00</not_after><total_days>%1</total_days><left_days>12.5</left_days>"
        "<days_before_start>%2</days_before_start>");
    const auto read = [&](const QString& totalDays, const QString& daysBeforeStart) {
        return fromChildren(hostile.arg(totalDays, daysBeforeStart)).dynamicCast<UnlimitedSubscription>();
    };

    const auto plain = read(QStringLiteral("365.9"), QStringLiteral("0"));
    QVERIFY(plain);
    QCOMPARE(plain->name(), QStringLiteral("Year"));
    QCOMPARE(plain->typeName(), QStringLiteral("Premium"));
    // The wall-clock time as UTC, not converted from the local zone.
    QCOMPARE(plain->notBefore(), QDateTime(QDate(2024, 3, 31), QTime(2, 30), Qt::UTC));
    QCOMPARE(plain->notBefore().timeSpec(), Qt::UTC);
    QCOMPARE(plain->notAfter(), QDateTime(QDate(2025, 3, 31), QTime(2, 30), Qt::UTC));
    QCOMPARE(plain->totalDays(), 365);
    QCOMPARE(plain->leftDays(), 12.5f);
    QCOMPARE(plain->daysBeforeStart(), 0);

    for (const char* unreadable : {"1e10", "-3e9", "inf", "nan", "x"}) {
        const auto subscription = read(QLatin1String(unreadable), QLatin1String(unreadable));
        QCOMPARE(subscription->totalDays(), -1);
        QCOMPARE(subscription->daysBeforeStart(), -1);
    }
    QCOMPARE(read(QStringLiteral("-2147483648.5"), QStringLiteral("-7"))->totalDays(), INT_MIN);
    QCOMPARE(read(QStringLiteral("1"), QStringLiteral("-7"))->daysBeforeStart(), -7);
}

void tst_Subscription::equality_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<bool>("equal");

    const QString unlimited = QLatin1String(Unlimited) + QStringLiteral("<not_after>2030-01-01 00:00:00</not_after>");
    const QString metered = QStringLiteral("<lictype>Free</lictype><account_type>0</account_type>");
    QTest::newRow("unlimited differing in days left and before start")
        << unlimited + "<left_days>3</left_days><days_before_start>0</days_before_start>"
        << unlimited + "<left_days>2</left_days><days_before_start>1</days_before_start>" << true;
    QTest::newRow("unlimited differing in total days") << unlimited
                                                       << QString(unlimited).replace("365", "366") << false;
    QTest::newRow("unlimited differing in end") << unlimited << QString(unlimited).replace("2030", "2031") << false;
    QTest::newRow("unlimited differing in name") << unlimited << QString(unlimited).replace("Year", "Month")
                                                 << false;
    QTest::newRow("metered alike") << metered + "<quotalabel>1MB</quotalabel>" << metered + "<quotalabel>1mb</quotalabel>"
                                   << true;
    QTest::newRow("metered differing in quota") << metered + "<quotalabel>1MB</quotalabel>"
                                                << metered + "<quotalabel>2MB</quotalabel>" << false;
    QTest::newRow("metered differing in initial quota")
        << metered + "<initial_quotalabel>1MB</initial_quotalabel>" << metered << false;
    QTest::newRow("metered and unlimited of the same names")
        << "<lictype>P</lictype><tariff_name>T</tariff_name><account_type>0</account_type>"
        << "<lictype>P</lictype><tariff_name>T</tariff_name><account_type>1</account_type>" << false;
}

void tst_Subscription::equality()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(bool, equal);
    const SubscriptionPointer a = fromChildren(first);
    const SubscriptionPointer b = fromChildren(second);
    QVERIFY(a && b);
    QCOMPARE(*a == b.data(), equal);
    QCOMPARE(*b == a.data(), equal);
    QCOMPARE(a->isEqualTo(b.data()), equal);
    QVERIFY(*a == a.data());
    QVERIFY(!(*a == nullptr));
}

void tst_Subscription::registeredForSignals()
{
    QCOMPARE(QMetaType::type("SubscriptionPointer"), 0);
    MeteredSubscription first(QStringLiteral("n"), QStringLiteral("t"), 1, 1);
    QCOMPARE(QMetaType::type("SubscriptionPointer"), qMetaTypeId<SubscriptionPointer>());
}

QTEST_GUILESS_MAIN(tst_Subscription)
#include "tst_Subscription.moc"
