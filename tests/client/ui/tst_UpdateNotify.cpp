// The update notice: its offer, the download's course as the updater reports
// it, and the version the user hid.
#include "UiTestKit.h"
#include "UpdateNotify.h"

#include <ClientConfig.h>
#include <Folders.h>
#include <OzmApplication.h>

#include <QCheckBox>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>

class tst_UpdateNotify : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { UiTestKit::prepare(); }
    void init();
    void cleanup();

    void offer();
    void hiddenVersionIsNotShown();
    void closingStoresTheVersionOnlyWhenAsked_data();
    void closingStoresTheVersionOnlyWhenAsked();
    void failedDownloadIsRetried();
    void finishedDownloadCloses();
    void escapeDoesNotClose();

private:
    template<typename T>
    T* part(const char* name) const
    {
        return notice->findChild<T*>(name);
    }
    QString buttonText() const { return part<QPushButton>("btnUpdate")->text(); }

    std::unique_ptr<QTemporaryDir> dir;
    QPointer<UpdateNotify> notice;
};

void tst_UpdateNotify::init()
{
    dir = std::make_unique<QTemporaryDir>();
    Folders::setAppDataFolder(dir->path());
    notice = new UpdateNotify("Faster start-up.", "https://example.invalid/ozm.dmg", 5400);
}

void tst_UpdateNotify::cleanup()
{
    delete notice;
    Config::drop();
    dir.reset();
}

void tst_UpdateNotify::offer()
{
    notice->display();
    QVERIFY(notice->isVisible());
    QCOMPARE(notice->windowTitle(), OzmApplication::windowTitle_ + " - Update");
    QCOMPARE(notice->size(), QSize(491, 385));
    QCOMPARE(part<QLabel>("lbUpdateDescription")->text(), "Faster start-up.");
    QVERIFY(part<QLabel>("lbUpdateCaption")->text().contains("A new version of Ozmira is available"));
    QCOMPARE(part<QLabel>("lbUpdateToDo")->text(),
             "Click Start update to download and install an updated version of Ozmira.\n"
             "Ozmira will close during the installation process.");
    QCOMPARE(buttonText(), "Start update");
    QCOMPARE(part<QStackedWidget>("stackedWidget")->currentIndex(), 0);
}

// As it was never shown nor rejected, the dialog just goes.
void tst_UpdateNotify::hiddenVersionIsNotShown()
{
    ClientConfig::instanceClient()->setLastHiddenVersion(5400);
    QSignalSpy finished(notice.data(), &QDialog::finished);
    notice->display();
    QVERIFY(!notice->isVisible());
    QTRY_VERIFY(notice.isNull());
    QCOMPARE(finished.count(), 0);
    QCOMPARE(ClientConfig::instanceClient()->getLastHiddenVersion(), 5400);
}

void tst_UpdateNotify::closingStoresTheVersionOnlyWhenAsked_data()
{
    QTest::addColumn<bool>("checked");
    QTest::addColumn<bool>("downloading");
    QTest::addColumn<int>("stored");
    QTest::newRow("box checked") << true << false << 5400;
    QTest::newRow("box unchecked") << false << false << 0;
    QTest::newRow("checked before the download") << true << true << 5400;
}

void tst_UpdateNotify::closingStoresTheVersionOnlyWhenAsked()
{
    QFETCH(bool, checked);
    QFETCH(bool, downloading);
    QFETCH(int, stored);
    ClientConfig::instanceClient()->setLastHiddenVersion(0);
    notice->display();
    part<QCheckBox>("cbDontShowAgain")->setChecked(checked);
    QSignalSpy finished(notice.data(), &QDialog::finished);
    if (downloading) {
        part<QPushButton>("btnUpdate")->click();
        notice->close();
    } else {
        part<QPushButton>("btnCancel")->click();
    }
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().first().toInt(), int(QDialog::Rejected));
    QCOMPARE(ClientConfig::instanceClient()->getLastHiddenVersion(), stored);
    QTRY_VERIFY(notice.isNull());
}

void tst_UpdateNotify::failedDownloadIsRetried()
{
    notice->display();
    QSignalSpy started(notice.data(), &UpdateNotify::startUpdate);
    QSignalSpy stopped(notice.data(), &UpdateNotify::stopUpdate);
    QProgressBar* const bar = part<QProgressBar>("pbUpdate");
    part<QPushButton>("btnUpdate")->click();
    QCOMPARE(started.count(), 1);
    QCOMPARE(buttonText(), "Cancel update");
    QCOMPARE(part<QStackedWidget>("stackedWidget")->currentWidget()->objectName(), "pageProgress");

    notice->updateProgress("Downloading", 40);
    QCOMPARE(bar->value(), 40);
    QCOMPARE(part<QLabel>("lbUpdateStatus")->text(), "Downloading");
    notice->updateError("The download was cut off");
    QCOMPARE(buttonText(), "Retry update");
    QCOMPARE(bar->value(), 100);
    QCOMPARE(part<QLabel>("lbUpdateStatus")->text(), "The download was cut off");
    QCOMPARE(part<QStackedWidget>("stackedWidget")->currentWidget()->objectName(), "pageProgress");

    part<QPushButton>("btnUpdate")->click();
    QCOMPARE(started.count(), 2);
    QCOMPARE(buttonText(), "Cancel update");
    QCOMPARE(bar->value(), 0);
    QCOMPARE(stopped.count(), 0);

    part<QPushButton>("btnUpdate")->click();
    QCOMPARE(stopped.count(), 1);
    QCOMPARE(buttonText(), "Start update");
    QCOMPARE(part<QStackedWidget>("stackedWidget")->currentIndex(), 0);
}

void tst_UpdateNotify::finishedDownloadCloses()
{
    notice->display();
    part<QPushButton>("btnUpdate")->click();
    QPushButton* const button = part<QPushButton>("btnUpdate");
    notice->updateFinished();
    QVERIFY(!button->isEnabled());
    QCOMPARE(part<QProgressBar>("pbUpdate")->value(), 100);
    QVERIFY(!notice->isVisible());
    QTRY_VERIFY(notice.isNull());
}

// Escape is not a way out (the base dialog swallows it); the window's close button is.
void tst_UpdateNotify::escapeDoesNotClose()
{
    notice->display();
    QTest::keyClick(notice.data(), Qt::Key_Escape);
    QVERIFY(notice->isVisible());
    QSignalSpy finished(notice.data(), &QDialog::finished);
    notice->close();
    QCOMPARE(finished.count(), 1);
    QTRY_VERIFY(notice.isNull());
}

QTEST_MAIN(tst_UpdateNotify)
#include "tst_UpdateNotify.moc"
