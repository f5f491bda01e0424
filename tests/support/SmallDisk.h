#pragma once

#include <QByteArray>
#include <QString>

// A tiny file system mounted over a folder for the life of the object, to see
// what a program does when the disk fills up. The test must run in its own
// mount namespace.
class SmallDisk
{
public:
    SmallDisk(const QString& folder, int kibibytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool isMounted() const { return m_mounted; }
    // Takes every byte still free with one file.
    bool fill() const;

private:
    const QByteArray m_folder;
    bool m_mounted = false;
};
