#include "EndToEndTest.h"
#include "Poll.h"

#include <LinkProtocol.h>

#include <QDir>
#include <QFile>
#include <QMap>
#include <QtTest>

#include <sys/stat.h>

namespace Event = LinkProtocol::Event;
namespace Request = LinkProtocol::Request;

namespace {

const QByteArray OtherLog = "root's own log, never the client's\n";

// Every entry of a folder with its mode and content: what "untouched" means.
QMap<QString, QByteArray> contentsOf(const QString& folder)
{
    QMap<QString, QByteArray> contents;
    for (const QFileInfo& entry : QDir(folder).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System)) {
        QFile file(entry.filePath());
        const QByteArray content = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
        contents.insert(entry.fileName(), QByteArray::number(uint(entry.permissions()), 8) + ' ' + content);
    }
    return contents;
}

bool writePrivate(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size()
        && file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

} // namespace

// The data folder is checked when the client names it; the folder above it is the
// user's, who may swap the data folder for a link to any other folder afterwards.
// The backend, as root, keeps acting on the folder it checked.
class tst_EndToEndDataFolder : public EndToEndTest
{
    Q_OBJECT
public:
    tst_EndToEndDataFolder()
        : EndToEndTest(Start::Session)
    {
    }

private slots:
    void dataFolderSwappedAfterTheHandshakeIsNotFollowed();
};

void tst_EndToEndDataFolder::dataFolderSwappedAfterTheHandshakeIsNotFollowed()
{
    TestBed& bed = session->bed();
    LinkSession& link = session->link();

    // A folder only root may write, holding files only root may read.
    const QString other = bed.folder() + QStringLiteral("/other");
    QVERIFY(QDir().mkdir(other));
    QVERIFY(::chmod(QFile::encodeName(other).constData(), 0755) == 0);
    QVERIFY(writePrivate(other + QStringLiteral("/openvpn.log"), OtherLog));
    QVERIFY(writePrivate(other + QStringLiteral("/openvpn.pid"), "1\n"));
    QVERIFY(writePrivate(other + QStringLiteral("/openvpn.last_pid"), "1\n"));
    for (const char* rotated : {"/openvpn_01.log", "/openvpn_09.log", "/openvpn_10.log"})
        QVERIFY(writePrivate(other + QLatin1String(rotated), QByteArray("kept ") + rotated));
    const QMap<QString, QByteArray> otherBefore = contentsOf(other);

    const QString checked = bed.dataDir() + QStringLiteral(".checked");
    QVERIFY(QDir().rename(bed.dataDir(), checked));
    QVERIFY(QFile::link(other, bed.dataDir()));

    // An activation the launcher refuses reports the log it finds: none in the
    // folder checked, and never the other folder's.
    session->activate(QStringLiteral("-refused"));
    const auto failed = link.nextEvent(QLatin1String(Event::VpnActivationFailed));
    QVERIFY(failed);
    const QString report = failed->values.value(0);
    QVERIFY2(report.startsWith(QStringLiteral("-refused") + QLatin1String(LinkProtocol::ErrorReportMarker)),
             qPrintable(report));
    QCOMPARE(QByteArray::fromBase64(report.mid(report.indexOf(LinkProtocol::ErrorReportMarker)
                                               + int(qstrlen(LinkProtocol::ErrorReportMarker)))
                                        .toLatin1()),
             QByteArray());

    QVERIFY(session->activateAndWait());
    QCOMPARE(contentsOf(other), otherBefore);
    // openvpn's files are where the backend was told at the handshake.
    QVERIFY(QFile::exists(checked + QStringLiteral("/openvpn.pid")));
    QVERIFY(Poll::until(
        [&] { return contentsOf(checked).value("openvpn.log").contains("Initialization Sequence Completed"); },
        10000));

    link.request(QLatin1String(Request::VpnDeactivate));
    QVERIFY(link.nextEvent(QLatin1String(Event::ActivationStateChanged), {BackendSession::state(session->idleState())}));
    QVERIFY(session->tunnelGone());
    QCOMPARE(contentsOf(other), otherBefore);

    link.close();
    QCOMPARE(session->backendExitCode(), 0);
}

QTEST_GUILESS_MAIN(tst_EndToEndDataFolder)
#include "tst_EndToEndDataFolder.moc"
