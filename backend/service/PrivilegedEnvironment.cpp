#include "PrivilegedEnvironment.h"

#include <QByteArray>
#include <QString>

#include <cstdlib>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Read before main(), while the real user id still names the caller.
const uid_t startingUid = ::getuid();
} // namespace

void PrivilegedEnvironment::resetIfSetuid()
{
    if (getuid() == geteuid() && getgid() == getegid())
        return;
    // HOME stays: the check modes find the user's data folder through it.
    const QByteArray home = qgetenv("HOME");
    clearenv();
    setenv("PATH", "/usr/sbin:/usr/bin:/sbin:/bin", 1);
    setenv("LC_ALL", "C.UTF-8", 1);
    if (!home.isNull())
        setenv("HOME", home.constData(), 1);
    // Files root creates (openvpn's, the scripts' copies of resolv.conf) must not
    // come out writable by others because the caller chose a lax mask.
    umask(022);
}

bool PrivilegedEnvironment::dropToCaller()
{
    const uid_t uid = getuid();
    const gid_t gid = getgid();
    return uid == 0 || (setresgid(gid, gid, gid) == 0 && setresuid(uid, uid, uid) == 0);
}

void PrivilegedEnvironment::becomeRoot()
{
    if (geteuid() != 0)
        return;
    setenv("HOME", "/root", 1);
    if (getuid() == 0)
        return;
    if (setgroups(0, nullptr) != 0 || setresgid(0, 0, 0) != 0 || setresuid(0, 0, 0) != 0)
        qWarning("BackendService: cannot take the real user id of root; openvpn may refuse to start");
}

void PrivilegedEnvironment::takeHomeOfPkexecCaller()
{
    bool isUid = false;
    const uint uid = qEnvironmentVariable("PKEXEC_UID").toUInt(&isUid);
    if (getuid() != 0 || !isUid)
        return;
    const passwd* user = getpwuid(uid_t(uid));
    if (user && user->pw_dir && *user->pw_dir)
        setenv("HOME", user->pw_dir, 1);
}

uid_t PrivilegedEnvironment::callerUid()
{
    return startingUid;
}
