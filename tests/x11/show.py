"""Runs the native program inside Xvfb for a few seconds and writes screenshots of it:
   show.py PROGRAM OUTDIR [PROGRAM ARGUMENTS...]"""

import os
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import harness  # noqa: E402


def main(argv):
    program, outdir, args = argv[1], argv[2], argv[3:] or ["-root"]
    os.makedirs(outdir, exist_ok=True)
    xvfb = harness.Xvfb(1024, 768)
    env = dict(os.environ, DISPLAY=xvfb.display)
    env.pop("XSCREENSAVER_WINDOW", None)
    shots = []
    try:
        proc = subprocess.Popen([program] + args, env=env, start_new_session=True)
        for i in range(6):
            time.sleep(2)
            path = os.path.join(outdir, f"native-screen-{i + 1}.png")
            subprocess.run(["import", "-window", "root", path], env=env, check=True,
                           timeout=60)
            shots.append(path)
            if proc.poll() is not None:
                break
        if proc.poll() is None:
            proc.send_signal(signal.SIGTERM)
            proc.wait(10)
    finally:
        xvfb.stop()
    print("screenshots written:")
    for path in shots:
        print("  " + path)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
