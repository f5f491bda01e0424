#pragma once

#include "AppStorageEntry.h"

#include <QList>
#include <QString>
#include <QStringList>

// The account credentials that outlive the program: "configuration.data" in the
// data folder, one entry per application id, this client's chosen or made at
// construction (taken over from an older id where there is one). Readable and
// writable by its owner only, and replaced whole on every save, so a failed
// write leaves the file as it was.
class Storage
{
public:
    static const QString FileName;
    // Where a file that is not a store goes, so that a fresh one can take its place.
    static const QString UnreadableSuffix;

    // After it there is always a current entry.
    Storage();
    // Saves.
    ~Storage();
    Storage(const Storage&) = delete;
    Storage& operator=(const Storage&) = delete;

    QString userEmail() const;
    QString userPassword() const;
    QString serial() const;
    // In memory only; the next save writes them.
    void setUserEmail(const QString& email);
    void setUserPassword(const QString& password);
    void setSerial(const QString& serial);

    // Clears the current entry's three fields to null strings and saves.
    void invalidate();
    // Writes every entry; false (and a log line) when the file was left as it was.
    bool save();
    // Appends an entry of this application id, saves and gives its index.
    int createStorage(const QString& email, const QString& password, const QString& serial);
    // The first entry of the id, -1 when there is none.
    int findStorageIndex(const QString& appId) const;
    // The first entry of appId; else a copy, under appId, of the first entry of
    // the first old id that has one (appended and saved); else -1.
    int findStorageIndex(const QString& appId, const QList<QString>& oldAppIds);
    // Deletes the file; the entries in memory stay.
    void removeStorage();

private:
    enum class ReadResult { Missing, Unreadable, Read };

    ReadResult read();
    void setAside();
    AppStorageEntry& current();
    const AppStorageEntry& current() const;

    QList<AppStorageEntry> entries;
    int currentIndex = -1;
    const QString appId;
    const QStringList oldAppIds;
    const QString filePath;
};
