#include "VpnAuthData.h"
#include "VpnServer.h"

#include <QtTest>

Q_DECLARE_METATYPE(VpnAuthData)

char* toString(const VpnAuthData& data)
{
    return QTest::toString(data.toString());
}

namespace {
VpnAuthData authData(const QString& host, const QString& user, const QString& password, bool encrypted)
{
    VpnAuthData data;
    data.host = host;
    data.user = user;
    data.password = password;
    data.is_encrypted = encrypted;
    return data;
}

const QString Declaration = QStringLiteral("<?xml version=\"1.0\"?>");
} // namespace

class tst_VpnAuthData : public QObject
{
    Q_OBJECT
private slots:
    void text();
    void roundTrip_data();
    void roundTrip();
    void reading_data();
    void reading();
};

void tst_VpnAuthData::text()
{
    QCOMPARE(authData("vpn1.example.net", "u-17", "p&<>\"", true).toString(),
             Declaration
                 + "<VpnAuthData><host>vpn1.example.net</host><user>u-17</user>"
                   "<password>p&amp;&lt;&gt;&quot;</password><is_encrypted>1</is_encrypted></VpnAuthData>");
}

void tst_VpnAuthData::roundTrip_data()
{
    QTest::addColumn<VpnAuthData>("written");
    QTest::addColumn<VpnAuthData>("read");

    const VpnAuthData plain = authData("vpn1.example.net", "u-17", "secret", true);
    QTest::newRow("plain") << plain << plain;
    const VpnAuthData marked = authData(" h ", "ü\tß", "<separator>&\"'", false);
    QTest::newRow("blanks, tabs, markup, non-ASCII") << marked << marked;
    QTest::newRow("all empty") << VpnAuthData() << VpnAuthData();
    QTest::newRow("line feeds go, the text stays one line")
        << authData("h", "u", "pa\nss", true) << authData("h", "u", "pass", true);
}

void tst_VpnAuthData::roundTrip()
{
    QFETCH(VpnAuthData, written);
    QFETCH(VpnAuthData, read);
    const QString text = written.toString();
    QVERIFY(!text.contains('\n'));
    QCOMPARE(VpnAuthData::fromString(text), read);
}

void tst_VpnAuthData::reading_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<VpnAuthData>("read");

    const QString body = "<h>h</h><u>u</u><p>p</p><e>%1</e>";
    const auto record = [&](const QString& root, const QString& flag) {
        return Declaration + "<" + root + ">" + body.arg(flag) + "</" + root + ">";
    };
    QTest::newRow("children read by position") << record("VpnAuthData", "1") << authData("h", "u", "p", true);
    QTest::newRow("any non-zero flag") << record("VpnAuthData", "2") << authData("h", "u", "p", true);
    QTest::newRow("flag that is no number") << record("VpnAuthData", "yes") << authData("h", "u", "p", false);
    QTest::newRow("missing children") << Declaration + "<VpnAuthData><host>h</host></VpnAuthData>"
                                      << authData("h", "", "", false);

    QTest::newRow("other version") << QString(record("VpnAuthData", "1")).replace("1.0", "1.1") << VpnAuthData();
    QTest::newRow("other root") << VpnServer().toString() << VpnAuthData();
    QTest::newRow("no declaration") << record("VpnAuthData", "1").mid(Declaration.size()) << VpnAuthData();
    QTest::newRow("doctype before the root")
        << Declaration + "<!DOCTYPE VpnAuthData [<!ENTITY x \"y\">]>" + record("VpnAuthData", "1").mid(Declaration.size())
        << VpnAuthData();
    QTest::newRow("garbage") << "<<<>>>\x01" << VpnAuthData();
    QTest::newRow("empty") << QString() << VpnAuthData();
}

void tst_VpnAuthData::reading()
{
    QFETCH(QString, text);
    QFETCH(VpnAuthData, read);
    QCOMPARE(VpnAuthData::fromString(text), read);
}

QTEST_GUILESS_MAIN(tst_VpnAuthData)
#include "tst_VpnAuthData.moc"
