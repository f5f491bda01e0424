#include <SecretMasking.h>

#include <QtTest>

class tst_SecretMasking : public QObject
{
    Q_OBJECT
private slots:
    void maskSecrets_data();
    void maskSecrets();
    void rememberedSecrets();
};

void tst_SecretMasking::maskSecrets_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("masked");
    QTest::newRow("query") << "https://h/p?act=x&password=Pw1%2B&serial=S-1&email=a%2Bb@x.org"
                           << "https://h/p?act=x&password=***&serial=***&email=a%2Bb@x.org";
    QTest::newRow("first in a form body") << "encrypted_password=abc&encrypted_new_password=def&k=v"
                                          << "encrypted_password=***&encrypted_new_password=***&k=v";
    QTest::newRow("token in a URL inside XML") << "<url>https://h/c?a=1&amp;token=T0k#top</url>"
                                               << "<url>https://h/c?a=1&amp;token=***#top</url>";
    QTest::newRow("any case") << "?Password=x&TOKEN=y" << "?Password=***&TOKEN=***";
    QTest::newRow("empty value stays empty") << "?password=&k=v" << "?password=&k=v";
    QTest::newRow("other words alone") << "?serials_total=3&passwordless=1x" << "?serials_total=***&passwordless=***";
    QTest::newRow("not a parameter") << "the serial number=none" << "the serial number=none";
    QTest::newRow("elements") << "<r><username>u1</username><password>p w</password><code>0</code></r>"
                              << "<r><username>***</username><password>***</password><code>0</code></r>";
    QTest::newRow("element with attributes, markup and CDATA")
        << "<token kind=\"a/b\"><v>1</v><![CDATA[</x>]]></token>" << "<token kind=\"a/b\">***</token>";
    QTest::newRow("multi-line element") << "<serial>\n  S-1\n</serial>" << "<serial>***</serial>";
    QTest::newRow("empty element stays") << "<token/><code>5</code><token />" << "<token/><code>5</code><token />";
    QTest::newRow("other elements stay") << "<email>a@x.org</email><status>ok</status>"
                                         << "<email>a@x.org</email><status>ok</status>";
    QTest::newRow("options of a command line")
        << "d --password=hunter2 -key=K1 --secret s3cr3t --pass pw9 --passwd=p https://x/?token=abc 100"
        << "d --password=*** -key=*** --secret *** --pass *** --passwd=*** https://x/?token=*** 100";
    QTest::newRow("an option without a value keeps the next one") << "run --key --verbose" << "run --key --verbose";
    QTest::newRow("words that only hold the names") << "--keyboard=us passive=1 monkey=3"
                                                   << "--keyboard=us passive=1 monkey=3";
    QTest::newRow("authorization headers") << "GET /\r\nAuthorization: Basic dTpw\r\nproxy-authorization: x y\nHost: h"
                                           << "GET /\r\nAuthorization: ***\r\nproxy-authorization: ***\nHost: h";
}

void tst_SecretMasking::maskSecrets()
{
    QFETCH(QString, text);
    QTEST(::maskSecrets(text), "masked");
}

void tst_SecretMasking::rememberedSecrets()
{
    rememberSecret(QStringLiteral("abc"));
    rememberSecret(QStringLiteral("Pa55"));
    rememberSecret(QStringLiteral("xPa55y"));
    const QString text = QStringLiteral("abc Pa55 and xPa55y, then Pa55word");
    QCOMPARE(::maskSecrets(text), QStringLiteral("abc *** and ***, then ***word"));
    forgetRememberedSecrets();
    QCOMPARE(::maskSecrets(text), text);
}

QTEST_APPLESS_MAIN(tst_SecretMasking)
#include "tst_SecretMasking.moc"
