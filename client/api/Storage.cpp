#include "Storage.h"

#include "AppConstants.h"
#include "Folders.h"

#include <QDataStream>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QSaveFile>

const QString Storage::FileName = QStringLiteral("configuration.data");
const QString Storage::UnreadableSuffix = QStringLiteral(".unreadable");

namespace {

constexpr qint32 Magic = 0x27921FD4;
constexpr qint32 Version = 1;

// It holds the password sent with every request and the VPN serial.
constexpr QFileDevice::Permissions OwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

QString storagePath()
{
    return QDir::toNativeSeparators(Folders::app_data_folder + QDir::separator() + Storage::FileName);
}

} // namespace

Storage::Storage()
    : appId(appID())
    , oldAppIds(OldAppIdList)
    , filePath(storagePath())
{
    if (read() == ReadResult::Read) {
        currentIndex = findStorageIndex(appId, oldAppIds);
        if (currentIndex >= 0)
            return;
    }
    currentIndex = createStorage(QStringLiteral(""), QStringLiteral(""), QStringLiteral(""));
}

Storage::~Storage()
{
    save();
}

Storage::ReadResult Storage::read()
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly)) {
        qDebug().noquote() << "Storage file missing/can't be opened for reading:" << filePath;
        return ReadResult::Missing;
    }
    // Older versions left it readable by everyone.
    file.setPermissions(OwnerOnly);
    QDataStream stream(&file);
    qint32 magic = 0;
    stream >> magic;
    if (stream.status() != QDataStream::Ok || magic != Magic) {
        qDebug("Storage file: bad format");
        file.close();
        setAside();
        return ReadResult::Unreadable;
    }
    // Whatever the version says, the layout is the same.
    qint32 version = 0;
    quint32 count = 0;
    stream >> version >> count;
    // The count is not trusted for room: the entries end where the data does.
    while (stream.status() == QDataStream::Ok && quint32(entries.size()) < count) {
        AppStorageEntry entry;
        if (!entry.readFrom(stream))
            break;
        entries << entry;
    }
    if (stream.status() != QDataStream::Ok || quint32(entries.size()) < count)
        qDebug().noquote() << QStringLiteral("Storage file: cut short after %1 entries").arg(entries.size());
    return ReadResult::Read;
}

void Storage::setAside()
{
    const QString aside = filePath + UnreadableSuffix;
    QFile::remove(aside);
    if (QFile::rename(filePath, aside))
        qDebug().noquote() << "Storage file moved aside to" << aside;
    else
        qCritical().noquote() << "ERROR Storage file cannot be moved aside to" << aside;
}

AppStorageEntry& Storage::current()
{
    Q_ASSERT(currentIndex >= 0 && currentIndex < entries.size());
    return entries[currentIndex];
}

const AppStorageEntry& Storage::current() const
{
    Q_ASSERT(currentIndex >= 0 && currentIndex < entries.size());
    return entries[currentIndex];
}

QString Storage::userEmail() const
{
    return current().userEmail;
}

QString Storage::userPassword() const
{
    return current().userPassword;
}

QString Storage::serial() const
{
    return current().serial;
}

void Storage::setUserEmail(const QString& email)
{
    current().userEmail = email;
}

void Storage::setUserPassword(const QString& password)
{
    current().userPassword = password;
}

void Storage::setSerial(const QString& serial)
{
    current().serial = serial;
}

void Storage::invalidate()
{
    AppStorageEntry& entry = current();
    entry.userEmail = QString();
    entry.userPassword = QString();
    entry.serial = QString();
    save();
}

bool Storage::save()
{
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(OwnerOnly)) {
        qDebug().noquote() << "Storage file missing/can't be opened for writing" << filePath;
        return false;
    }
    QDataStream stream(&file);
    stream << Magic << Version << quint32(entries.size());
    for (const AppStorageEntry& entry : qAsConst(entries))
        entry.writeTo(stream);
    // Until the commit the old file stays whole; a failed one leaves no trace.
    // The commit alone would not see a write that fails as its buffer is
    // flushed (a full disk) and would put an empty file in the old one's place.
    if (stream.status() != QDataStream::Ok || !file.flush() || !file.commit()) {
        qCritical().noquote() << "ERROR Storage file can't be written:" << filePath << file.errorString();
        return false;
    }
    return true;
}

int Storage::createStorage(const QString& email, const QString& password, const QString& serial)
{
    entries << AppStorageEntry{appId, email, password, serial};
    save();
    return entries.size() - 1;
}

int Storage::findStorageIndex(const QString& appId) const
{
    for (int i = 0; i < entries.size(); ++i) {
        if (entries[i].appId == appId)
            return i;
    }
    return -1;
}

int Storage::findStorageIndex(const QString& appId, const QList<QString>& oldAppIds)
{
    const int own = findStorageIndex(appId);
    if (own >= 0)
        return own;
    for (const QString& oldAppId : oldAppIds) {
        const int old = findStorageIndex(oldAppId);
        if (old >= 0) {
            const AppStorageEntry found = entries[old];
            return createStorage(found.userEmail, found.userPassword, found.serial);
        }
    }
    return -1;
}

void Storage::removeStorage()
{
    QFile file(filePath);
    if (file.remove()) {
        qDebug().noquote() << "storage file '" + filePath + "' was removed successfully";
        return;
    }
    qCritical().noquote() << "ERROR"
                          << "storage file cannot be removed due error = " + file.errorString();
}
