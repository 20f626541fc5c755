"""Runs the native program inside Xvfb for a few seconds and writes screenshots of it:
   show.py PROGRAM OUTDIR [PROGRAM ARGUMENTS...]"""

import os
import signal
import subprocess
import sys

import testkit


def main(argv):
    program, outdir, args = argv[1], argv[2], argv[3:] or ["-root"]
    xvfb = testkit.Xvfb(1024, 768)
    env = dict(os.environ, DISPLAY=xvfb.display)
    env.pop("XSCREENSAVER_WINDOW", None)
    shots = []
    try:
        proc = subprocess.Popen([program] + args, env=env, start_new_session=True)

        def shoot(path):
            subprocess.run(["import", "-window", "root", path], env=env, check=True, timeout=60)

        shots = testkit.show(outdir, "native-screen", proc, shoot)
        if proc.poll() is None:
            proc.send_signal(signal.SIGTERM)
            proc.wait(10)
    finally:
        xvfb.stop()
    testkit.print_shots(shots)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
