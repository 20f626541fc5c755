"""Whether this machine executes 32-bit x86 code, found by running a tiny 32-bit program.

Some kernels run no 32-bit code at all ("Exec format error"); there Wine's 32-bit loader cannot
start by itself, and the 32-bit build runs under emulation (run_i386.py). The answer comes from
trying, not from the kernel's version. Run as a script it prints the answer and exits 0 when 32-bit code runs, 1 when not.
"""

import os
import struct
import subprocess
import sys
import tempfile

# _exit(0) through the 32-bit system call gate: mov eax, 1; xor ebx, ebx; int 0x80.
_CODE = bytes([0xB8, 0x01, 0x00, 0x00, 0x00, 0x31, 0xDB, 0xCD, 0x80])
_BASE = 0x08048000
_HEADERS = 52 + 32


def _elf32():
    """A static ELF32 i386 executable of one loadable segment holding `_CODE`."""
    size = _HEADERS + len(_CODE)
    header = (b"\x7fELF" + bytes([1, 1, 1, 0]) + bytes(8)
              + struct.pack("<HHIIIIIHHHHHH", 2, 3, 1, _BASE + _HEADERS, 52, 0, 0, 52, 32, 1,
                            0, 0, 0))
    segment = struct.pack("<IIIIIIII", 1, 0, _BASE, _BASE, size, size, 5, 0x1000)
    return header + segment + _CODE


def probe():
    """Returns (runs, reason): whether 32-bit x86 code runs here, and why not when it doesn't."""
    with tempfile.TemporaryDirectory(prefix="qv3-probe-") as folder:
        path = os.path.join(folder, "probe32")
        with open(path, "wb") as f:
            f.write(_elf32())
        os.chmod(path, 0o755)
        try:
            code = subprocess.run([path], timeout=30).returncode
        except OSError as error:
            return False, f"a 32-bit x86 program cannot be started here: {error.strerror}"
        except subprocess.TimeoutExpired:
            return False, "a 32-bit x86 program did not finish"
        if code != 0:
            return False, f"a 32-bit x86 program ended with {code} instead of 0"
        return True, ""


_ANSWER = None


def runs_i386():
    """The answer for this test run: taken from QV3_RUNS_I386 when the run has probed already,
    otherwise probed once for this process."""
    global _ANSWER
    if _ANSWER is None:
        known = os.environ.get("QV3_RUNS_I386")
        if known in ("0", "1"):
            _ANSWER = (known == "1", os.environ.get("QV3_I386_REASON", ""))
        else:
            _ANSWER = probe()
    return _ANSWER


def main():
    runs, reason = probe()
    if runs:
        print("32-bit x86 code: runs on this machine")
    else:
        print(f"32-bit x86 code: does not run on this machine ({reason})")
    return 0 if runs else 1


if __name__ == "__main__":
    sys.exit(main())
