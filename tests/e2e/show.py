"""Runs the saver under Wine inside Xvfb for a few seconds and writes screenshots of it:
   show.py OUTDIR [SAVER ARGUMENTS...]"""

import sys

import harness
import testkit


def main(argv):
    outdir, args = argv[1], argv[2:] or ["/s"]
    harness.prepare_prefix()
    with harness.Session(1024, 768) as session:
        proc = session.start_saver(*args)
        shots = testkit.show(outdir, "screen", proc, session.screenshot)
        if proc.poll() is None:
            session.xdotool("key", "Escape")
            session.wait_exit(proc, 10)
    testkit.print_shots(shots)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
