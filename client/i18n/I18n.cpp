#include "I18n.h"

#include "i18consts.h"

#include <ClientConfig.h>
#include <Folders.h>
#include <NetTools.h>

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLocale>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>

#include <algorithm>

const QString I18n::DefaultLocale = QStringLiteral("en");
const QString I18n::AutomaticLocale = QStringLiteral("auto");
const QString I18n::DefaultLanguage = QStringLiteral("U.S. English");
const QString I18n::DefaultLanguageInEnglish = QStringLiteral("English");
const QString I18n::AutomaticLanguage = QStringLiteral("Automatic");

namespace {

// Qt would otherwise take the interface's locale from LANG; the client chooses
// its language itself, and "auto" reads the user's variables as they were when
// the program started.
struct StartEnvironment
{
    StartEnvironment() { qputenv("LANG", QByteArray()); }

    // Taken before LANG is cleared: members are made before the body runs.
    const QProcessEnvironment saved = QProcessEnvironment::systemEnvironment();
};
const StartEnvironment startEnvironment;

const QString CatalogueName = QStringLiteral("translation.qm");
const QString CataloguePath = QStringLiteral("/");
const QString ImagesPath = QStringLiteral("/images/ui");
// A page that has not answered in this time counts as missing.
constexpr int UrlProbeTimeoutMs = 60000;

QPointer<I18n> theInstance;
QMutex instanceMutex;

// "auto" is resolved before anything reads a pack; of the rest, only "en" and
// a language code of two or three letters name a pack, never a path.
bool isPackCode(const QString& code)
{
    static const QRegularExpression letters(QStringLiteral("^[A-Za-z]{2,3}$"));
    return code == I18n::DefaultLocale || letters.match(code).hasMatch();
}

bool isKnownLanguage(QLocale::Language language)
{
    return language != QLocale::C && language != QLocale::AnyLanguage;
}

// The language part of a locale name such as "de_DE.UTF-8" or "fil_PH".
QString languageOfLocaleName(const QString& name)
{
    const QString language = name.section(QRegularExpression(QStringLiteral("[_.@]")), 0, 0);
    if (!isPackCode(language) || !isKnownLanguage(QLocale(language).language()))
        return I18n::DefaultLocale;
    return language.toLower();
}

QString widgetKey(const QObject* widget)
{
    return i18consts::findWndName(widget) + QLatin1String("::") + widget->objectName();
}

// Texts are translated from their UTF-8 source, whatever the locale's encoding.
QString translated(const char* context, const QString& text)
{
    return QCoreApplication::translate(context, text.toUtf8().constData());
}

// The built-in language needs no pack: its absence is the rule, not an error to log.
bool openPack(FileContainer& pack, const QString& code)
{
    const QString path = I18n::getLangContainerPath(code);
    if (code == I18n::DefaultLocale && !QFileInfo::exists(path)) {
        pack.closeContainer();
        return false;
    }
    return pack.open(path);
}

void logLocaleFailure(const QString& code, const char* reason)
{
    qCritical().noquote() << "ERROR [I18n] locale" << code << reason;
}

} // namespace

I18n* I18n::instance()
{
    QMutexLocker lock(&instanceMutex);
    if (!theInstance)
        theInstance = new I18n(QCoreApplication::instance());
    return theInstance;
}

void I18n::drop()
{
    QMutexLocker lock(&instanceMutex);
    delete theInstance.data();
    theInstance = nullptr;
}

I18n::I18n(QObject* parent)
    : QObject(parent)
{
    collectTranslationsFiles();
}

I18n::~I18n()
{
    QCoreApplication::removeTranslator(&m_translator);
}

QList<LanguageEntry> I18n::getLanguages() const
{
    QMutexLocker lock(&m_listMutex);
    return m_languages;
}

QString I18n::getCurrentLocale() const
{
    QMutexLocker lock(&m_listMutex);
    return m_currentCode.isEmpty() ? DefaultLocale : m_currentCode;
}

void I18n::refreshLanguageList()
{
    collectTranslationsFiles();
}

void I18n::collectTranslationsFiles()
{
    QList<LanguageEntry> languages;
    const QDir folder(getTranslationsDir());
    for (const QString& fileName : folder.entryList(getQmFileFilters(), QDir::Files, QDir::NoSort)) {
        const QString code = fileName.left(fileName.lastIndexOf(QLatin1Char('.')));
        if (code.size() < 2 || code.size() > 3)
            continue;
        const QLocale::Language language = QLocale(code).language();
        if (language == QLocale::C) {
            qCritical().noquote() << "ERROR [I18n] file" << fileName << "skipped due to language index = C";
            continue;
        }
        const QString englishName = QLocale::languageToString(language);
        if (englishName.isEmpty() || englishName == QLatin1String("Unknown") || englishName == QLatin1String("Default")
            || englishName == QLatin1String("C")) {
            qCritical().noquote() << "ERROR [I18n] file" << fileName << "skipped due to language name =" << englishName;
            continue;
        }
        QString displayName = QLocale(language, QLocale::AnyCountry).nativeLanguageName();
        if (displayName.isEmpty()) {
            qCritical().noquote() << "ERROR [I18n] cannot translate language name to its own language" << fileName;
            displayName = englishName;
        }
        languages.append({displayName, code, englishName});
        qDebug().noquote() << "[I18n] language was added to list :" << displayName;
    }
    std::stable_sort(languages.begin(), languages.end(),
                     [](const LanguageEntry& a, const LanguageEntry& b) { return a.englishName < b.englishName; });

    const LanguageEntry defaultRow{
        DefaultLanguage, DefaultLocale,
        QCoreApplication::translate("QObject", DefaultLanguageInEnglish.toUtf8().constData(),
                                    "should be translated to language ID")};
    const int defaultIndex = languages.indexOf(defaultRow);
    if (defaultIndex >= 0) {
        languages.move(defaultIndex, 0);
        qWarning().noquote() << "[I18n] there is default language like a translation file";
    } else {
        languages.prepend(defaultRow);
    }
    languages.prepend({tr("Automatic"), AutomaticLocale, AutomaticLanguage});

    QMutexLocker lock(&m_listMutex);
    m_languages = languages;
}

void I18n::setLanguage(QString code)
{
    {
        QMutexLocker switching(&m_switchMutex);
        {
            QMutexLocker lock(&m_listMutex);
            if (code == m_currentCode)
                return;
        }
        if (code.isEmpty())
            code = DefaultLocale;
        else if (code == AutomaticLocale)
            code = systemLanguage(startEnvironment.saved);

        if (!probe(code)) {
            if (code != DefaultLocale) {
                logLocaleFailure(code, "cannot be set due to container file reading fail");
                logLocaleFailure(code, "cannot be set due to bad language container format, using en locale instead.");
            }
            code = DefaultLocale;
        }
        QCoreApplication::removeTranslator(&m_translator);
        m_catalogue.clear();
        setLocale(DefaultLocale);
        loadCatalogue(code);
    }
    notifyApp();
}

bool I18n::probe(const QString& code)
{
    if (!isPackCode(code))
        return false;
    QMutexLocker lock(&m_probeMutex);
    return openPack(m_probe, code) && !m_probe.readFile(CatalogueName, CataloguePath).isEmpty();
}

// The translator is out of the application while this runs.
void I18n::loadCatalogue(const QString& code)
{
    {
        QMutexLocker lock(&m_packMutex);
        if (openPack(m_pack, code))
            m_catalogue = m_pack.readFile(CatalogueName, CataloguePath);
        else if (code != DefaultLocale)
            logLocaleFailure(code, "cannot be set due to container file reading fail");
    }
    // Loading drops what the translator held of the old bytes, also when the new ones are no catalogue.
    if (m_translator.load(reinterpret_cast<const uchar*>(m_catalogue.constData()), m_catalogue.size())) {
        QCoreApplication::installTranslator(&m_translator);
        setLocale(code);
    } else if (code != DefaultLocale) {
        logLocaleFailure(code, "cannot be set due to file reading fail");
    }
}

void I18n::setLocale(const QString& code)
{
    {
        QMutexLocker lock(&m_listMutex);
        m_currentCode = code;
    }
    if (ClientConfig* config = ClientConfig::instanceClient())
        config->setLocale(code);
    QLocale::setDefault(QLocale(code));
    qCritical().noquote() << "[I18n] App locale was was set to" << code;
}

void I18n::notifyApp()
{
    if (QCoreApplication* application = QCoreApplication::instance()) {
        QEvent change(QEvent::LanguageChange);
        QCoreApplication::sendEvent(application, &change);
    }
    emit localeIsChanged();
}

bool I18n::openContainer(const QString& path)
{
    QMutexLocker lock(&m_packMutex);
    return m_pack.open(path);
}

void I18n::closeContainer()
{
    QMutexLocker lock(&m_packMutex);
    m_pack.closeContainer();
}

QByteArray I18n::readFile(const QString& path, const QString& name)
{
    QMutexLocker lock(&m_packMutex);
    return m_pack.readFile(name, path);
}

bool I18n::extractFile(const QString& path, const QString& name, const QString& target)
{
    QMutexLocker lock(&m_packMutex);
    return m_pack.exportFile(target, name, path);
}

bool I18n::extractDir(const QString& path, const QString& name, const QString& target)
{
    QMutexLocker lock(&m_packMutex);
    return m_pack.exportDir(target, name, path);
}

bool I18n::isFileExist(const QString& path, const QString& name)
{
    QMutexLocker lock(&m_packMutex);
    return !m_pack.findFile(name, path).isNull();
}

bool I18n::isDirectoryExist(const QString& path, const QString& name)
{
    QMutexLocker lock(&m_packMutex);
    return !m_pack.findDir(name, path).isNull();
}

bool I18n::openTempContainer(const QString& path)
{
    QMutexLocker lock(&m_probeMutex);
    return m_probe.open(path);
}

void I18n::closeTempContainer()
{
    QMutexLocker lock(&m_probeMutex);
    m_probe.closeContainer();
}

QByteArray I18n::readFileFromTempContainer(const QString& path, const QString& name)
{
    QMutexLocker lock(&m_probeMutex);
    return m_probe.readFile(name, path);
}

QByteArray I18n::getQmData()
{
    return readFile(CataloguePath, CatalogueName);
}

QByteArray I18n::getQmDataFromTempContainer()
{
    return readFileFromTempContainer(CataloguePath, CatalogueName);
}

QString I18n::getLangContainerPath(const QString& code)
{
    return getTranslationsDir() + code + QLatin1String(".ldat");
}

QString I18n::getTranslationsDir()
{
    return Folders::app_folder + QDir::separator() + QLatin1String("translations") + QDir::separator();
}

QStringList I18n::getQmFileFilters()
{
    return {QStringLiteral("??.ldat"), QStringLiteral("???.ldat")};
}

QString I18n::systemLanguage(const QProcessEnvironment& environment)
{
    QString name = environment.value(QStringLiteral("LANGUAGE")).section(QLatin1Char(':'), 0, 0,
                                                                         QString::SectionSkipEmpty);
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        if (!name.isEmpty())
            break;
        name = environment.value(QLatin1String(variable));
    }
    return languageOfLocaleName(name);
}

void I18n::setBrandText(BrandText brandText)
{
    m_brandText = std::move(brandText);
}

QString I18n::getLocalizedUrl(const QString& base) const
{
    const QString code = getCurrentLocale();
    if (base.isEmpty())
        return QString();
    if (code != DefaultLocale) {
        // Brand data may leave out the base's closing "/".
        const QString folder = base.endsWith(QLatin1Char('/')) ? base : base + QLatin1Char('/');
        const QString candidate = folder + code + QLatin1Char('/');
        if (NetTools::http_url_test(candidate, UrlProbeTimeoutMs))
            return candidate;
    }
    return NetTools::http_url_test(base, UrlProbeTimeoutMs) ? base : QString();
}

QString I18n::brandUrl(const QString& item) const
{
    return getLocalizedUrl(m_brandText ? m_brandText(item) : QString());
}

QString I18n::getHelpUrl() const
{
    return brandUrl(QStringLiteral("help_url"));
}

QString I18n::getFaqUrl() const
{
    return brandUrl(QStringLiteral("faq_url"));
}

QString I18n::getPrivacyTipsUrl() const
{
    return brandUrl(QStringLiteral("privacy_tips_url"));
}

QString I18n::getQsgUrl() const
{
    return brandUrl(QStringLiteral("qsg_url"));
}

QString I18n::getQsgPopUpUrl() const
{
    return brandUrl(QStringLiteral("qsg_popup_url"));
}

QString I18n::localizeNetworkReplyError(QNetworkReply::NetworkError error)
{
    static const QHash<int, const char*> texts{
        {0, "No error."},
        {1, "The remote server refused the connection."},
        {2, "The remote server closed the connection prematurely."},
        {3, "The remote host name was not found."},
        {4, "The connection to the remote server timed out."},
        {5, "The operation was canceled before it was finished."},
        {6, "The SSL/TLS handshake failed and the encrypted channel could not be established."},
        {7, "The connection was broken due to disconnection from the network."},
        {99, "A network-related error was detected."},
        {101, "The connection to the proxy server was refused."},
        {102, "The proxy server closed the connection prematurely."},
        {103, "The proxy host name was not found."},
        {104, "The connection to the proxy timed out."},
        {105, "The proxy requires authentication but did not accept any credentials offered."},
        {199, "A proxy-related error was detected."},
        {201, "The access to the remote content was denied."},
        {202, "The operation requested on the remote content is not permitted."},
        {203, "The remote content was not found at the server."},
        {204, "The remote server requires authentication but the credentials provided were not accepted."},
        {205, "The request needed to be sent again."},
        {299, "An error related to the remote content was detected."},
        {301, "The Network Access API cannot honor the request because the protocol is not known."},
        {302, "The requested operation is invalid for this protocol."},
        {399, "A breakdown in protocol was detected."},
    };
    return QCoreApplication::translate("HttpResponse", texts.value(error, "An unknown error was detected."));
}

QString I18n::getLocalizeTypeOfNetworkConnection(const QString& type)
{
    return translated("NetworkCtlClient", type);
}

QString I18n::localizeLocation(const QString& location)
{
    return translated("Location", location);
}

void I18n::updateLocalized_PushButtonWidth(QPushButton* button) const
{
    const int width = i18consts::findPushButtonWidth(getCurrentLocale(), widgetKey(button));
    if (width != 0)
        button->setFixedWidth(width);
}

void I18n::updateLocalized_Image(QLabel* label)
{
    const QString fileName = i18consts::findImageSourceFileName(getCurrentLocale(), widgetKey(label));
    if (fileName.isEmpty())
        return;
    const QByteArray bytes = readFile(ImagesPath, fileName);
    QImage image;
    if (!bytes.isEmpty() && image.loadFromData(bytes, "PNG"))
        label->setPixmap(QPixmap::fromImage(image));
}

QString I18n::getLocalizedFilename(const QString& base) const
{
    return base + QLatin1Char('_') + getCurrentLocale();
}
