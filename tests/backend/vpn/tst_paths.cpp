#include "paths.h"

#include <QtTest>

class tst_paths : public QObject
{
    Q_OBJECT
private slots:
    void emptyBeforeHandshake();
    void eachFolderSetsOnlyItsFiles();
};

void tst_paths::emptyBeforeHandshake()
{
    for (const QString* path : {&paths::OPENVPN_FILE, &paths::OPENVPN_CERT_FILE, &paths::OPENVPN_UPSCRIPT_FILE,
                                &paths::OPENVPN_DOWNSCRIPT_FILE, &paths::OPENVPN_PID_FILE,
                                &paths::OPENVPN_LAST_PID_FILE, &paths::OPENVPN_LOG_FILE})
        QVERIFY(path->isEmpty());
    QCOMPARE(paths::APP_DIR.path(), QString("."));
    QCOMPARE(paths::DATA_DIR.path(), QString("."));
}

void tst_paths::eachFolderSetsOnlyItsFiles()
{
    paths::set_app_directory(QDir("/opt/ozm/Resources"));
    QCOMPARE(paths::OPENVPN_FILE, QString("/opt/ozm/Resources/openvpn"));
    QCOMPARE(paths::OPENVPN_CERT_FILE, QString("/opt/ozm/Resources/cachain.pem"));
    QCOMPARE(paths::OPENVPN_UPSCRIPT_FILE, QString("/opt/ozm/Resources/vpn-up-mac"));
    QCOMPARE(paths::OPENVPN_DOWNSCRIPT_FILE, QString("/opt/ozm/Resources/vpn-down-mac.sh"));
    QVERIFY(paths::OPENVPN_PID_FILE.isEmpty());

    paths::set_app_data_directory(QDir("/home/ann/.local/share/Ozmira"));
    QCOMPARE(paths::OPENVPN_PID_FILE, QString("/home/ann/.local/share/Ozmira/openvpn.pid"));
    QCOMPARE(paths::OPENVPN_LAST_PID_FILE, QString("/home/ann/.local/share/Ozmira/openvpn.last_pid"));
    QCOMPARE(paths::OPENVPN_LOG_FILE, QString("/home/ann/.local/share/Ozmira/openvpn.log"));
    QCOMPARE(paths::OPENVPN_FILE, QString("/opt/ozm/Resources/openvpn"));
}

QTEST_GUILESS_MAIN(tst_paths)
#include "tst_paths.moc"
