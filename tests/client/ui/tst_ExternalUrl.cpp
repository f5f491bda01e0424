#include "DesktopRecorder.h"
#include "ExternalUrl.h"

#include <QGuiApplication>
#include <QRegularExpression>
#include <QTest>
#include <QUrl>

class tst_ExternalUrl : public QObject
{
    Q_OBJECT

private slots:
    void handOff_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("handedOn");
        QTest::newRow("https page") << "https://help.example.net/faq?lang=de#top" << true;
        QTest::newRow("http page") << "http://example.net/" << true;
        QTest::newRow("upper-case scheme") << "HTTPS://example.net/" << true;
        QTest::newRow("plain mail") << "mailto:support@example.net" << true;
        QTest::newRow("mail with a subject") << "mailto:support@example.net?subject=x" << false;
        QTest::newRow("mail with a body by &") << "mailto:support@example.net&body=x" << false;
        QTest::newRow("two addresses") << "mailto:a@example.net,b@example.net@x" << false;
        QTest::newRow("no address") << "mailto:" << false;
        QTest::newRow("an encoded second @") << "mailto:a%40b@example.net" << false;
        QTest::newRow("an encoded subject") << "mailto:support@example.net%3Fsubject=x" << false;
        QTest::newRow("space in the address") << "mailto:sup port@example.net" << false;
        QTest::newRow("slash in the address") << "mailto:a/b@example.net" << false;
        QTest::newRow("a local file") << "file:///etc/passwd" << false;
        QTest::newRow("script") << "javascript:alert(1)" << false;
        QTest::newRow("another scheme") << "smb://host/share" << false;
        QTest::newRow("web without a host") << "https:///path" << false;
        QTest::newRow("bare text") << "support@example.net" << false;
        QTest::newRow("empty") << "" << false;
    }
    void handOff()
    {
        QFETCH(QString, address);
        QFETCH(bool, handedOn);
        m_desktop.opened.clear();
        if (!handedOn)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Refused to open an address"));
        QCOMPARE(ozm::openExternalUrl(QUrl(address)), handedOn);
        QCOMPARE(m_desktop.opened.size(), handedOn ? 1 : 0);
    }

private:
    DesktopRecorder m_desktop;
};

QTEST_MAIN(tst_ExternalUrl)
#include "tst_ExternalUrl.moc"
