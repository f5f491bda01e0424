#include "I18n.h"
#include "PackFixture.h"
#include "i18consts.h"

#include <StandInService.h>

#include <QApplication>
#include <QBuffer>
#include <QDialog>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <memory>

// Stand-ins for the dialog base and dialogs built on it.
class OZDialog : public QDialog
{
    Q_OBJECT
};

class SettingsDialog : public OZDialog
{
    Q_OBJECT
};

class DerivedSettingsDialog : public SettingsDialog
{
    Q_OBJECT
};

namespace {

QByteArray png(const QSize& size)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::green);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace

class tst_I18nLocalized : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void localizedUrl_data();
    void localizedUrl();
    void brandPages_data();
    void brandPages();
    void texts_data();
    void texts();
    void tables();
    void findWndName();
    void pushButtonWidth_data();
    void pushButtonWidth();
    void image_data();
    void image();
    void localizedFilename();

private:
    void switchTo(const QString& code, const QMap<QString, QByteArray>& images = {});
    QString url(const QString& path) const { return path.isEmpty() ? QString() : m_service->url() + path; }

    std::unique_ptr<StandInService> m_service;
};

void tst_I18nLocalized::initTestCase()
{
    m_service = std::make_unique<StandInService>();
    QVERIFY(m_service->isRunning());
    QVERIFY(QDir().mkpath(I18n::getTranslationsDir()));
}

void tst_I18nLocalized::cleanup()
{
    I18n::drop();
    QCOMPARE(m_service->violations(), QStringList());
    m_service->reset();
}

// A pack of the shipped German catalogue under code, with images in "images/ui"; "en" is the built-in language.
void tst_I18nLocalized::switchTo(const QString& code, const QMap<QString, QByteArray>& images)
{
    if (code == I18n::DefaultLocale) {
        I18n::instance()->setLanguage(code);
        return;
    }
    QMap<QString, QByteArray> files{{"translation.qm", PackFixture::readFile(QStringLiteral(OZM_GERMAN_CATALOGUE))}};
    for (auto it = images.cbegin(); it != images.cend(); ++it)
        files.insert("images/ui/" + it.key(), it.value());
    QVERIFY(PackFixture::packTree(I18n::getLangContainerPath(code), files));
    I18n::instance()->setLanguage(code);
    QCOMPARE(I18n::instance()->getCurrentLocale(), code);
}

void tst_I18nLocalized::localizedUrl_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("base");
    QTest::addColumn<QStringList>("pages");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QStringList>("probed");

    QTest::newRow("en, base up") << "en" << "/help/" << QStringList{"/help/", "/help/en/"} << "/help/"
                                 << QStringList{"/help/"};
    QTest::newRow("en, base down") << "en" << "/help/" << QStringList() << "" << QStringList{"/help/"};
    QTest::newRow("de, localised page") << "de" << "/help/" << QStringList{"/help/", "/help/de/"} << "/help/de/"
                                        << QStringList{"/help/de/"};
    QTest::newRow("de, only the base") << "de" << "/help/" << QStringList{"/help/"} << "/help/"
                                       << QStringList{"/help/de/", "/help/"};
    QTest::newRow("de, nothing") << "de" << "/help/" << QStringList() << "" << QStringList{"/help/de/", "/help/"};
    QTest::newRow("de, base without /") << "de" << "/help" << QStringList{"/help/de/"} << "/help/de/"
                                        << QStringList{"/help/de/"};
}

void tst_I18nLocalized::localizedUrl()
{
    QFETCH(QString, code);
    QFETCH(QString, base);
    QFETCH(QStringList, pages);
    QFETCH(QString, expected);
    QFETCH(QStringList, probed);

    switchTo(code);
    for (const QString& page : pages)
        m_service->reply(StandInReply(QStringLiteral("GET"), page).body("page"));

    QCOMPARE(I18n::instance()->getLocalizedUrl(url(base)), url(expected));
    QStringList paths;
    for (const StandInRequest& request : m_service->requests())
        paths << request.path;
    QCOMPARE(paths, probed);
}

void tst_I18nLocalized::brandPages_data()
{
    QTest::addColumn<int>("getter");
    QTest::addColumn<QString>("item");

    QTest::newRow("help") << 0 << "help_url";
    QTest::newRow("faq") << 1 << "faq_url";
    QTest::newRow("privacy tips") << 2 << "privacy_tips_url";
    QTest::newRow("quick start guide") << 3 << "qsg_url";
    QTest::newRow("quick start pop-up") << 4 << "qsg_popup_url";
}

void tst_I18nLocalized::brandPages()
{
    QFETCH(int, getter);
    QFETCH(QString, item);
    using Getter = QString (I18n::*)() const;
    const Getter getters[] = {&I18n::getHelpUrl, &I18n::getFaqUrl, &I18n::getPrivacyTipsUrl, &I18n::getQsgUrl,
                              &I18n::getQsgPopUpUrl};

    switchTo(QStringLiteral("de"));
    I18n* i18n = I18n::instance();
    QCOMPARE((i18n->*getters[getter])(), QString());

    i18n->setBrandText([&](const QString& name) { return url("/" + name + "/"); });
    m_service->reply(StandInReply(QStringLiteral("GET"), "/" + item + "/de/").body("page"));
    QCOMPARE((i18n->*getters[getter])(), url("/" + item + "/de/"));
    QCOMPARE(m_service->requests().size(), 1);
}

void tst_I18nLocalized::texts_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("errorText");
    QTest::addColumn<QString>("connection");
    QTest::addColumn<QString>("connectionText");

    QTest::newRow("en") << "en" << 3 << "The remote host name was not found." << "Wired connection"
                        << "Wired connection";
    QTest::newRow("en, error out of the table") << "en" << 8 << "An unknown error was detected."
                                                << "Unknown connection type" << "Unknown connection type";
    QTest::newRow("de") << "de" << 3 << "Der Name des entfernten Rechners wurde nicht gefunden." << "Wired connection"
                        << "Kabelverbindung";
    QTest::newRow("de, error out of the table")
        << "de" << 8 << "Ein unbekannter Fehler ist aufgetreten." << "No connection" << "Keine Verbindung";
    QTest::newRow("de, untranslated") << "de" << 399 << "A breakdown in protocol was detected."
                                      << "PPP connection" << "PPP connection";
}

void tst_I18nLocalized::texts()
{
    QFETCH(QString, code);
    QFETCH(int, error);
    QFETCH(QString, errorText);
    QFETCH(QString, connection);
    QFETCH(QString, connectionText);

    switchTo(code);
    QCOMPARE(I18n::localizeNetworkReplyError(QNetworkReply::NetworkError(error)), errorText);
    QCOMPARE(I18n::getLocalizeTypeOfNetworkConnection(connection), connectionText);
    QCOMPARE(I18n::localizeLocation(QStringLiteral("Zürich, Schweiz")), QStringLiteral("Zürich, Schweiz"));
}

void tst_I18nLocalized::tables()
{
    QCOMPARE(i18consts::findPushButtonWidth("en", "Settings::applyButton"), 81);
    QCOMPARE(i18consts::findPushButtonWidth("de", "Settings::applyButton"), 82);
    QCOMPARE(i18consts::findPushButtonWidth("de", "QuickStart::btnClose"), 84);
    QCOMPARE(i18consts::findPushButtonWidth("fr", "Settings::applyButton"), 0);
    QCOMPARE(i18consts::findPushButtonWidth("de", "settings::applyButton"), 0);
    QCOMPARE(i18consts::findImageSourceFileName("de", "Guide::label_3"), QStringLiteral("qs_menuscr_small.png"));
    QCOMPARE(i18consts::findImageSourceFileName("fr", "Guide::label_3"), QString());
}

void tst_I18nLocalized::findWndName()
{
    SettingsDialog settings;
    settings.setObjectName("Settings");
    QWidget page(&settings);
    QPushButton button(&page);
    DerivedSettingsDialog derived;
    derived.setObjectName("Derived");
    QPushButton derivedButton(&derived);
    QDialog plain;
    plain.setObjectName("Plain");
    QPushButton plainButton(&plain);

    QCOMPARE(i18consts::findWndName(&button), QStringLiteral("Settings"));
    QCOMPARE(i18consts::findWndName(&settings), QStringLiteral("Settings"));
    QCOMPARE(i18consts::findWndName(&derivedButton), QString());
    QCOMPARE(i18consts::findWndName(&plainButton), QString());
}

void tst_I18nLocalized::pushButtonWidth_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("width");

    QTest::newRow("in the table") << "Settings" << "applyButton" << 82;
    QTest::newRow("not in the table") << "Settings" << "cancelButton" << 0;
    QTest::newRow("other window") << "Account" << "applyButton" << 0;
}

void tst_I18nLocalized::pushButtonWidth()
{
    QFETCH(QString, dialog);
    QFETCH(QString, button);
    QFETCH(int, width);

    switchTo(QStringLiteral("de"));
    SettingsDialog window;
    window.setObjectName(dialog);
    QPushButton widget(&window);
    widget.setObjectName(button);
    const QSize minimum = widget.minimumSize();
    const QSize maximum = widget.maximumSize();

    I18n::instance()->updateLocalized_PushButtonWidth(&widget);

    if (width) {
        QCOMPARE(widget.minimumWidth(), width);
        QCOMPARE(widget.maximumWidth(), width);
    } else {
        QCOMPARE(widget.minimumSize(), minimum);
        QCOMPARE(widget.maximumSize(), maximum);
    }
}

void tst_I18nLocalized::image_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QSize>("shown");

    QTest::newRow("PNG") << png(QSize(30, 20)) << QSize(30, 20);
    QTest::newRow("junk") << QByteArray("no image") << QSize(0, 0);
    QTest::newRow("empty file") << QByteArray("") << QSize(0, 0);
    QTest::newRow("JPEG is no PNG") << [] {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::green);
        image.save(&buffer, "JPEG");
        return bytes;
    }() << QSize(0, 0);
}

void tst_I18nLocalized::image()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QSize, shown);

    switchTo(QStringLiteral("de"), {{"qs_menuscr_small.png", bytes}});
    SettingsDialog guide;
    guide.setObjectName("Guide");
    QLabel label(&guide);
    label.setObjectName("label_3");

    I18n::instance()->updateLocalized_Image(&label);

    QCOMPARE(label.pixmap(Qt::ReturnByValue).size(), shown);
}

void tst_I18nLocalized::localizedFilename()
{
    QCOMPARE(I18n::instance()->getLocalizedFilename("manual"), QStringLiteral("manual_en"));
    switchTo(QStringLiteral("de"));
    QCOMPARE(I18n::instance()->getLocalizedFilename("manual"), QStringLiteral("manual_de"));
}

QTEST_MAIN(tst_I18nLocalized)
#include "tst_I18nLocalized.moc"
