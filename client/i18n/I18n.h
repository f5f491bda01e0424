#pragma once

#include "FileContainer.h"
#include "LanguageEntry.h"
#include "ReplacingTranslator.h"

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QNetworkReply>
#include <QObject>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <functional>

class QLabel;
class QPushButton;

// The interface language: the installed packs offered as a list, the switch
// between them, and what depends on the current language (page addresses,
// texts of errors, connection types and locations, localised widths and
// images). The application object is its parent; the shell drops it at the end.
//
// Nothing here may be called from inside a switch on the same thread except
// through the announcement, which comes after every lock is released.
class I18n : public QObject
{
    Q_OBJECT
public:
    static const QString DefaultLocale;
    static const QString AutomaticLocale;
    static const QString DefaultLanguage;
    static const QString DefaultLanguageInEnglish;
    static const QString AutomaticLanguage;

    // The brand's text item of that name; where the brand data comes from is the
    // shell's business.
    using BrandText = std::function<QString(const QString& item)>;

    static I18n* instance();
    // Harmless when there is no instance.
    static void drop();

    QList<LanguageEntry> getLanguages() const;
    // "en" before the first switch.
    QString getCurrentLocale() const;
    // "auto", "en" or a pack's code; anything else is taken for a missing pack.
    void setLanguage(QString code);
    void refreshLanguageList();
    void notifyApp();

    // The current pack.
    bool openContainer(const QString& path);
    void closeContainer();
    QByteArray readFile(const QString& path, const QString& name);
    bool extractFile(const QString& path, const QString& name, const QString& target);
    bool extractDir(const QString& path, const QString& name, const QString& target);
    bool isFileExist(const QString& path, const QString& name);
    bool isDirectoryExist(const QString& path, const QString& name);

    // The probe pack, where a pack is tried before the switch.
    bool openTempContainer(const QString& path);
    void closeTempContainer();
    QByteArray readFileFromTempContainer(const QString& path, const QString& name);

    // Copies of the catalogues: the installed translator's own bytes stay private.
    QByteArray getQmData();
    QByteArray getQmDataFromTempContainer();

    static QString getLangContainerPath(const QString& code);
    static QString getTranslationsDir();
    static QStringList getQmFileFilters();

    // What "auto" means in the given environment: the first entry of LANGUAGE,
    // else LC_ALL, LC_MESSAGES, LANG; "en" for "C", "POSIX", nothing, or a name
    // that is no known language.
    static QString systemLanguage(const QProcessEnvironment& environment);

    void setBrandText(BrandText brandText);
    // The page at base in the current language: base, the code and "/" when that
    // answers, else base when that answers, else empty. Blocks on the probes.
    QString getLocalizedUrl(const QString& base) const;
    QString getHelpUrl() const;
    QString getFaqUrl() const;
    QString getPrivacyTipsUrl() const;
    QString getQsgUrl() const;
    QString getQsgPopUpUrl() const;

    static QString localizeNetworkReplyError(QNetworkReply::NetworkError error);
    static QString getLocalizeTypeOfNetworkConnection(const QString& type);
    static QString localizeLocation(const QString& location);

    void updateLocalized_PushButtonWidth(QPushButton* button) const;
    void updateLocalized_Image(QLabel* label);
    QString getLocalizedFilename(const QString& base) const;

signals:
    void localeIsChanged();

private:
    explicit I18n(QObject* parent);
    ~I18n() override;

    void collectTranslationsFiles();
    bool probe(const QString& code);
    void loadCatalogue(const QString& code);
    void setLocale(const QString& code);
    QString brandUrl(const QString& item) const;

    // The installed translator reads these bytes in place: they change only
    // while it is removed, and outlive it.
    QByteArray m_catalogue;
    ReplacingTranslator m_translator;
    QList<LanguageEntry> m_languages;
    FileContainer m_pack;
    FileContainer m_probe;
    QString m_currentCode;
    BrandText m_brandText;

    // Guards the list and the current code, and is held only for reading or
    // writing them, so a receiver of the switch's own events may ask for them.
    mutable QMutex m_listMutex;
    QMutex m_packMutex;
    QMutex m_probeMutex;
    // One switch at a time.
    QMutex m_switchMutex;
};
