#include "PrivilegedEnvironment.h"

#include <QtTest>

#include <sys/wait.h>
#include <unistd.h>

namespace {

const uid_t Nobody = 65534;

// Runs `step` in a child that starts with the ids of a set-uid, set-gid root program
// started by nobody; the child's exit code.
int asSetidProgramOfNobody(bool (*step)())
{
    const pid_t child = fork();
    if (child == 0) {
        if (setresgid(Nobody, 0, 0) != 0 || setresuid(Nobody, 0, 0) != 0)
            _exit(2);
        _exit(step() ? 0 : 3);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

class tst_PrivilegedEnvironment : public QObject
{
    Q_OBJECT
private slots:
    void dropToCallerKeepsNothingOfRoot();
};

// Neither root's group nor a saved root id stays behind to be taken up again.
void tst_PrivilegedEnvironment::dropToCallerKeepsNothingOfRoot()
{
    QCOMPARE(asSetidProgramOfNobody([] {
                 uid_t uid[3];
                 gid_t gid[3];
                 return PrivilegedEnvironment::dropToCaller() && getresuid(&uid[0], &uid[1], &uid[2]) == 0
                     && getresgid(&gid[0], &gid[1], &gid[2]) == 0 && uid[0] == Nobody && uid[1] == Nobody
                     && uid[2] == Nobody && gid[0] == Nobody && gid[1] == Nobody && gid[2] == Nobody
                     && setresuid(0, 0, 0) != 0 && setresgid(0, 0, 0) != 0;
             }),
             0);
}

QTEST_GUILESS_MAIN(tst_PrivilegedEnvironment)
#include "tst_PrivilegedEnvironment.moc"
