"""Runs a command where 32-bit x86 programs run: as it is where this machine runs them, else
inside a user and mount namespace of its own whose binfmt_misc hands them to qemu's user-mode
emulator.

    python3 run_i386.py COMMAND [ARGUMENT...]

The emulator is registered in a binfmt_misc instance mounted inside the namespace (Linux 6.7 or
later lets an unprivileged user namespace have one), so nothing outside it, not even the rest of
the test run, sees 32-bit code as runnable, and no system setting changes. The command gets
QV3_RUNS_I386=1 and QV3_I386_HOW, which says how the 32-bit programs run ("natively" or "under
emulation (qemu-i386 10.0.2)"). Where the emulator cannot be set up, the command is not run: the
reason is printed and the exit code is 1, so that a 32-bit run that did not happen never counts
as passed.
"""

import os
import re
import shutil
import subprocess
import sys

import probe_i386

# Older qemu-user (Debian 12's 7.2) ignores MAP_FIXED_NOREPLACE; Wine's 32-bit loader then needs
# a minute a process to reserve its address space.
LEAST_QEMU_MAJOR = 10
BINFMT = "/proc/sys/fs/binfmt_misc"
# An ELF32 little-endian i386 executable or shared object, as Debian's qemu-user-binfmt matches it.
ELF_I386_MAGIC = b"\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00"
ELF_I386_MASK = b"\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff"
INSIDE = "--inside-namespace"


def binfmt_escape(data):
    return "".join(f"\\x{byte:02x}" for byte in data)


def qemu():
    """(path, version) of qemu-i386, or (None, reason) when there is no usable one."""
    path = shutil.which("qemu-i386")
    if not path:
        return None, "qemu-i386 is not installed (scripts/setup installs qemu-user)"
    try:
        out = subprocess.run([path, "--version"], capture_output=True, text=True,
                             timeout=30).stdout
    except (OSError, subprocess.TimeoutExpired) as error:
        return None, f"{path} --version failed: {error}"
    found = re.search(r"version (\d+)\.(\d+)\.(\d+)", out)
    if not found:
        return None, f"{path} did not report its version"
    version = ".".join(found.groups())
    if int(found.group(1)) < LEAST_QEMU_MAJOR:
        return None, (f"qemu-i386 {version} is too old to run Wine's 32-bit loader at a useful "
                      f"speed ({LEAST_QEMU_MAJOR} or later needed)")
    return path, version


def fail(reason):
    print(f"32-bit x86 code: cannot be emulated here: {reason}", file=sys.stderr, flush=True)
    return 1


def run_outside(command):
    runs, _ = probe_i386.probe()
    if runs:
        os.environ.update(QV3_RUNS_I386="1", QV3_I386_HOW="natively")
        os.execvp(command[0], command)
    path, version = qemu()
    if not path:
        return fail(version)
    unshare = shutil.which("unshare")
    if not unshare:
        return fail("unshare (util-linux) is not installed")
    os.execv(unshare, [unshare, "--user", "--map-root-user", "--mount", "--propagation",
                       "private", sys.executable, os.path.abspath(__file__), INSIDE, path,
                       version, "--"] + command)


def run_inside(path, version, command):
    mounted = subprocess.run(["mount", "-t", "binfmt_misc", "binfmt_misc", BINFMT],
                             capture_output=True, text=True)
    if mounted.returncode != 0:
        return fail("binfmt_misc cannot be mounted in a user namespace (Linux 6.7 or later "
                    f"needed): {mounted.stderr.strip()}")
    # P keeps argv[0], O hands the program over open, C takes its credentials, F opens the
    # emulator now, so that it need not be reachable from the programs' own root.
    entry = (f":qemu-i386:M::{binfmt_escape(ELF_I386_MAGIC)}:{binfmt_escape(ELF_I386_MASK)}:"
             f"{path}:POCF")
    try:
        with open(os.path.join(BINFMT, "register"), "w") as register:
            register.write(entry)
    except OSError as error:
        return fail(f"the emulator cannot be registered: {error}")
    runs, reason = probe_i386.probe()
    if not runs:
        return fail(f"a 32-bit program still does not run under qemu-i386 {version}: {reason}")
    os.environ.update(QV3_RUNS_I386="1", QV3_I386_HOW=f"under emulation (qemu-i386 {version})")
    os.execvp(command[0], command)


def main(argv):
    if len(argv) >= 5 and argv[0] == INSIDE and argv[3] == "--":
        return run_inside(argv[1], argv[2], argv[4:])
    if not argv:
        print(__doc__, file=sys.stderr)
        return 2
    return run_outside(argv)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
