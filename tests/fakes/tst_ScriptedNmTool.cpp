// ozm_scripted_nm on a private bus: what a script sets is what a caller gets,
// and every call is printed.
#include "PrivateBus.h"
#include "ScriptedNetworkManager.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QProcess>
#include <QtTest>

namespace {

const QString Nm = QStringLiteral("org.freedesktop.NetworkManager");
const QString NmPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString Properties = QStringLiteral("org.freedesktop.DBus.Properties");

// A value's type and text, object paths by their path.
QString shown(const QVariant& value)
{
    const QString text = value.canConvert<QDBusObjectPath>() && value.userType() == qMetaTypeId<QDBusObjectPath>()
                             ? value.value<QDBusObjectPath>().path()
                             : value.toString();
    return QString::fromLatin1(value.typeName()) + ' ' + text;
}

} // namespace

class tst_ScriptedNmTool : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void scriptedAnswers_data();
    void scriptedAnswers();
    void callsArePrinted();
    void badLineIsRefused();

private:
    // The next output line, waited for; "(nothing)" when none came.
    QString nextLine();
    QString tell(const QString& line);
    QDBusMessage get(const QString& path, const QString& interface, const QString& name);

    std::unique_ptr<PrivateBus> bus;
    QProcess tool;
};

void tst_ScriptedNmTool::initTestCase()
{
    bus = std::make_unique<PrivateBus>();
    QVERIFY(bus->isRunning());
    tool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    tool.start(QStringLiteral(OZM_SCRIPTED_NM), {"--bus", bus->address()});
    QCOMPARE(nextLine(), QString("READY"));
}

void tst_ScriptedNmTool::cleanupTestCase()
{
    // The end of its input ends it.
    tool.closeWriteChannel();
    QVERIFY(tool.waitForFinished(20000));
    QCOMPARE(tool.exitCode(), 0);
    bus.reset();
}

QString tst_ScriptedNmTool::nextLine()
{
    if (!QTest::qWaitFor([this] { return tool.canReadLine(); }, 20000))
        return QStringLiteral("(nothing)");
    return QString::fromUtf8(tool.readLine()).trimmed();
}

QString tst_ScriptedNmTool::tell(const QString& line)
{
    tool.write(line.toUtf8() + '\n');
    return nextLine();
}

QDBusMessage tst_ScriptedNmTool::get(const QString& path, const QString& interface, const QString& name)
{
    QDBusMessage call = QDBusMessage::createMethodCall(Nm, path, Properties, "Get");
    call << interface << name;
    return bus->connect("caller").call(call, QDBus::Block, 10000);
}

void tst_ScriptedNmTool::scriptedAnswers_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("bool") << "b" << "false" << QVariant(false);
    QTest::newRow("number") << "u" << "2" << QVariant(2u);
    QTest::newRow("text with blanks") << "s" << "Cafe Wifi 5" << QVariant("Cafe Wifi 5");
    QTest::newRow("bytes") << "ay" << "Home net" << QVariant(QByteArray("Home net"));
    QTest::newRow("object path") << "o" << "/org/freedesktop/NetworkManager/AccessPoint/1"
                                 << QVariant::fromValue(QDBusObjectPath("/org/freedesktop/NetworkManager/AccessPoint/1"));
}

void tst_ScriptedNmTool::scriptedAnswers()
{
    QFETCH(QString, type);
    QFETCH(QString, text);
    QFETCH(QVariant, expected);
    const QString line = QStringLiteral("property %1 %2 Value %3 %4").arg(NmPath, Nm, type, text);
    QCOMPARE(tell(line), "OK " + line);
    const QDBusMessage reply = get(NmPath, Nm, "Value");
    QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
    QCOMPARE(shown(reply.arguments().value(0).value<QDBusVariant>().variant()), shown(expected));
    QCOMPARE(nextLine(), QStringLiteral("CALL Get %1 %2 Value").arg(NmPath, Nm));
}

// A method's scripted reply, a Set as the backend sends it, and a call nobody
// scripted, which is refused but still printed.
void tst_ScriptedNmTool::callsArePrinted()
{
    const QString devices = "/org/freedesktop/NetworkManager/Devices/1,/org/freedesktop/NetworkManager/Devices/2";
    QCOMPARE(tell("reply " + NmPath + " " + Nm + " GetDevices ao " + devices).left(3), QString("OK "));
    const QDBusMessage reply =
        bus->connect("caller").call(QDBusMessage::createMethodCall(Nm, NmPath, Nm, "GetDevices"), QDBus::Block, 10000);
    QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
    QCOMPARE(qdbus_cast<QList<QDBusObjectPath>>(reply.arguments().value(0)).size(), 2);
    QCOMPARE(nextLine(), "CALL GetDevices " + NmPath + " " + Nm + " GetDevices");

    QDBusMessage set = QDBusMessage::createMethodCall(Nm, NmPath, Properties, "Set");
    set << Nm << QStringLiteral("WirelessEnabled") << QVariant::fromValue(QDBusVariant(true));
    QCOMPARE(bus->connect("caller").call(set, QDBus::Block, 10000).type(), QDBusMessage::ReplyMessage);
    QCOMPARE(nextLine(), "CALL Set " + NmPath + " " + Nm + " WirelessEnabled true");

    QCOMPARE(get(NmPath + "/Devices/9", Nm + ".Device", "DeviceType").type(), QDBusMessage::ErrorMessage);
    QCOMPARE(nextLine(), "CALL Get " + NmPath + "/Devices/9 " + Nm + ".Device DeviceType");
}

void tst_ScriptedNmTool::badLineIsRefused()
{
    for (const QString& line : {QStringLiteral("property /a b c u many"), QStringLiteral("property /a b c"),
                                QStringLiteral("silent maybe"), QStringLiteral("answer everything")})
        QCOMPARE(tell(line), "BAD " + line);
}

QTEST_GUILESS_MAIN(tst_ScriptedNmTool)
#include "tst_ScriptedNmTool.moc"
