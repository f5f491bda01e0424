#!/usr/bin/env python3
"""Binds a file of this machine onto a path on a test bed's client side, in the
client side's own mount namespace alone, where the machine's file may be hidden
(the bed's /run is a file system of its own). A bind mount takes its source from
the caller's namespace, so the file is cloned into a detached mount here and
attached there; the folders made for the target belong to the user given.

  mount_into_bed.py SOURCE TARGET UID GID      (TESTBED names the bed)

Needs root and a kernel with open_tree and move_mount (5.2 and later).
"""

import ctypes
import os
import subprocess
import sys

SYS_OPEN_TREE = 428
SYS_MOVE_MOUNT = 429
OPEN_TREE_CLONE = 1
AT_FDCWD = -100
MOVE_MOUNT_F_EMPTY_PATH = 0x4

libc = ctypes.CDLL(None, use_errno=True)


def checked(result, what):
    if result < 0:
        error = ctypes.get_errno()
        sys.exit("mount_into_bed: %s: %s" % (what, os.strerror(error)))
    return result


def clone_here(source):
    """The detached mount, as a descriptor a child inherits."""
    return checked(libc.syscall(SYS_OPEN_TREE, AT_FDCWD, os.fsencode(source), OPEN_TREE_CLONE), "open_tree " + source)


def attach_there(tree, target, uid, gid):
    folder = os.path.dirname(target)
    missing = []
    while not os.path.isdir(folder):
        missing.append(folder)
        folder = os.path.dirname(folder)
    for made in reversed(missing):
        os.mkdir(made, 0o700)
        os.chown(made, uid, gid)
    open(target, "a").close()
    checked(libc.syscall(SYS_MOVE_MOUNT, tree, b"", AT_FDCWD, os.fsencode(target), MOVE_MOUNT_F_EMPTY_PATH),
            "move_mount onto " + target)


def main():
    if sys.argv[1] == "--attach":
        tree, target, uid, gid = sys.argv[2:]
        attach_there(int(tree), target, int(uid), int(gid))
        return
    source, target, uid, gid = sys.argv[1:]
    tree = clone_here(source)
    testbed = os.path.join(os.path.dirname(os.path.abspath(__file__)), "testbed.sh")
    subprocess.run([testbed, "exec", sys.executable, os.path.abspath(__file__), "--attach", str(tree), target, uid, gid],
                   pass_fds=[tree], check=True)


if __name__ == "__main__":
    main()
