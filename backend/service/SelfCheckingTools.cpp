#include "SelfCheckingTools.h"

#include "paths.h"

#include <execute_manager.h>

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const NotOwnedByRoot = "is not owned by root. Expected uid 0, got uid";
const char* const GroupWritable = "is group-writable. Got file permissions";
const char* const WorldWritable = "is world-writable. Got file permissions";
const mode_t PermissionBits = 07777;
// Set-uid alone: the service takes every root id itself, and a set-gid bit would only
// lend root's group to whoever starts the program.
const mode_t LauncherMode = 04755;
const mode_t OpenVpnMode = 0755;

bool invokeStat(const QString& path, struct stat& out)
{
    const int code = ::stat(QFile::encodeName(path).constData(), &out);
    if (code != 0) {
        qDebug().noquote() << "stat call for" << path << "failed with code" << code;
        return false;
    }
    return true;
}

QString modeText(mode_t mode)
{
    return QLatin1Char('0') + QString::number(mode, 8);
}

QString ownerText(uid_t uid, gid_t gid)
{
    return QStringLiteral("%1:%2,").arg(uid).arg(gid);
}

bool failBecause(const QString& path, const QString& reason)
{
    qDebug().noquote() << "self-check failed because" << path << reason;
    return false;
}

bool failBecause(const QString& path, const char* reason, const QString& found)
{
    return failBecause(path, QLatin1String(reason) + QLatin1Char(' ') + found);
}

QString launcherPath()
{
    return paths::APP_DIR.path() + QLatin1String("/ozm_launch");
}

// openvpn runs these as root; whoever may rewrite them owns the machine.
QStringList scriptPaths()
{
    return {paths::OPENVPN_UPSCRIPT_FILE, paths::OPENVPN_DOWNSCRIPT_FILE};
}

bool isDataFolderUnset()
{
    return paths::DATA_DIR.path() == QLatin1String(".");
}

QString homePath()
{
    return QFile::decodeName(qgetenv("HOME"));
}

bool rootOwned(const QString& path, const struct stat& st)
{
    return st.st_uid == 0 || failBecause(path, NotOwnedByRoot, QString::number(st.st_uid));
}

bool writableByOwnerOnly(const QString& path, const struct stat& st)
{
    if (st.st_mode & S_IWGRP)
        return failBecause(path, GroupWritable, modeText(st.st_mode));
    if (st.st_mode & S_IWOTH)
        return failBecause(path, WorldWritable, modeText(st.st_mode));
    return true;
}

// Whoever may write the application folder may swap the launcher, openvpn or the
// scripts for programs of their own after any check of the files themselves.
bool appFolderIsSound()
{
    const QString path = paths::APP_DIR.path();
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return failBecause(path, QStringLiteral("is not a folder"));
    return rootOwned(path, st) && writableByOwnerOnly(path, st);
}

bool isSymbolicLink(const QString& path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool launcherIsSound()
{
    const QString path = launcherPath();
    struct stat st;
    if (!invokeStat(path, st) || !rootOwned(path, st))
        return false;
    if (st.st_gid != 0)
        return failBecause(path, "is not group wheel. Expected gid 0, got gid", QString::number(st.st_gid));
    if (!writableByOwnerOnly(path, st))
        return false;
    if (!(st.st_mode & (S_ISUID | S_ISGID)))
        return failBecause(path, "is not suid. Got file mode", modeText(st.st_mode));
    if ((st.st_mode & PermissionBits) != LauncherMode)
        return failBecause(path, "is not executable. Got file mode", modeText(st.st_mode));
    return true;
}

bool openVpnIsSound()
{
    const QString& path = paths::OPENVPN_FILE;
    struct stat st;
    if (!invokeStat(path, st))
        return false;
    if ((st.st_mode & PermissionBits) != OpenVpnMode)
        return failBecause(path, "has wrong permissions. Got file mode", modeText(st.st_mode));
    return rootOwned(path, st);
}

bool scriptsAreSound()
{
    for (const QString& path : scriptPaths()) {
        struct stat st;
        if (!invokeStat(path, st) || !rootOwned(path, st) || !writableByOwnerOnly(path, st))
            return false;
    }
    return true;
}

bool dataFolderIsSound()
{
    if (isDataFolderUnset())
        return true;
    uid_t expectedUid = 0;
    gid_t expectedGid = 0;
    struct stat home;
    if (invokeStat(homePath(), home)) {
        expectedUid = home.st_uid;
        expectedGid = home.st_gid;
    }
    const QString path = paths::DATA_DIR.path();
    struct stat st;
    if (!invokeStat(path, st))
        return false;
    if (st.st_uid != expectedUid || st.st_gid != expectedGid) {
        qDebug().noquote() << "App data dir has wrong ownership, expected" << ownerText(expectedUid, expectedGid)
                           << "got" << ownerText(st.st_uid, st.st_gid);
        return false;
    }
    return true;
}

bool check()
{
    return appFolderIsSound() && launcherIsSound() && openVpnIsSound() && scriptsAreSound() && dataFolderIsSound();
}

void logRepairFailure(const char* what, int code, const QString& path)
{
    qCritical().noquote() << QStringLiteral("%1 %2, %3").arg(QLatin1String(what)).arg(code).arg(path);
}

void chownToRoot(const QString& path, const char* failure)
{
    const int code = ::chown(QFile::encodeName(path).constData(), 0, 0);
    if (code != 0)
        logRepairFailure(failure, code, path);
}

void changeMode(const QString& path, mode_t mode, const char* failure)
{
    const int code = ::chmod(QFile::encodeName(path).constData(), mode);
    if (code != 0)
        logRepairFailure(failure, code, path);
}

void repairAppFolder()
{
    const QString path = paths::APP_DIR.path();
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return;
    chownToRoot(path, "Failed to set root owner for app folder with code");
    changeMode(path, st.st_mode & PermissionBits & ~mode_t(S_IWGRP | S_IWOTH),
               "Failed to set permissions for app folder with code");
}

// Making a link set-uid root would hand out whatever it points to.
bool refuseLink(const QString& path)
{
    if (!isSymbolicLink(path))
        return false;
    qCritical().noquote() << "Not repairing a symbolic link:" << path;
    return true;
}

// openvpn is normally a link to the system's program, which needs nothing; a link
// to anything else is not made root's and executable.
void repairOpenVpn()
{
    const QString& path = paths::OPENVPN_FILE;
    struct stat target;
    if (isSymbolicLink(path) && ::stat(QFile::encodeName(path).constData(), &target) == 0 && target.st_uid == 0
        && (target.st_mode & PermissionBits) == OpenVpnMode)
        return;
    if (refuseLink(path))
        return;
    changeMode(path, OpenVpnMode, "Failed to set permissions for openvpn with code");
    chownToRoot(path, "Failed to set root owner for openvpn with code");
}

void repairScripts()
{
    for (const QString& path : scriptPaths()) {
        if (refuseLink(path))
            continue;
        chownToRoot(path, "Failed to set root owner for script with code");
        struct stat st;
        if (invokeStat(path, st))
            changeMode(path, st.st_mode & PermissionBits & ~mode_t(S_IWGRP | S_IWOTH),
                       "Failed to set permissions for script with code");
    }
}

// The highest folder that creating `path` would add; the repair hands all of them to
// the user, since folders root creates in a home would otherwise stay root's.
QString topmostMissingFolder(const QString& path)
{
    QString top = path;
    for (QString parent = QFileInfo(top).path(); !QFileInfo::exists(parent); parent = QFileInfo(top).path())
        top = parent;
    return top;
}

void repairDataFolder()
{
    struct stat home;
    if (!invokeStat(homePath(), home) || home.st_uid == 0 || isDataFolderUnset())
        return;
    const QString path = paths::DATA_DIR.path();
    const QString top = topmostMissingFolder(path);
    if (!QDir().mkpath(path) || !QFileInfo(path).isDir()) {
        qCritical().noquote() << "Failed to create app data dir:" << path;
        return;
    }
    int exitCode = -1;
    const QStringList arguments = {QStringLiteral("-R"), QStringLiteral("%1:%2").arg(home.st_uid).arg(home.st_gid), top};
    if (!execute_manager::execute_and_wait(QStringLiteral("/usr/bin/chown"), arguments, &exitCode) || exitCode != 0)
        qCritical().noquote() << "Failed reset permissions on app data dir:" << path;
}

bool repair()
{
    if (getuid() != 0) {
        qCritical() << "Need root to perform self repair";
        return false;
    }
    repairAppFolder();
    const QString launcher = launcherPath();
    if (!refuseLink(launcher)) {
        chownToRoot(launcher, "Failed to set root owner for launcher with code");
        changeMode(launcher, LauncherMode, "Failed to set permissions for launcher with code");
    }
    repairOpenVpn();
    repairScripts();
    repairDataFolder();

    const bool sound = check();
    if (sound)
        qDebug() << "Self-repair completed successfully.";
    return sound;
}

} // namespace

bool SelfCheckingTools::selfCheck()
{
    if (check()) {
        qDebug() << "Self-check completed successfully.";
        return true;
    }
    if (getuid() == 0) {
        qDebug() << "Attempt auto self-repair.";
        if (repair()) {
            qDebug() << "Self-check completed successfully.";
            return true;
        }
    }
    return false;
}

bool SelfCheckingTools::selfRepair()
{
    return repair();
}
