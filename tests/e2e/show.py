"""Runs the saver inside Xvfb for a few seconds and writes screenshots of it:
   show.py OUTDIR [SAVER ARGUMENTS...]"""

import os
import sys
import time

import harness


def main(argv):
    outdir, args = argv[1], argv[2:] or ["/s"]
    os.makedirs(outdir, exist_ok=True)
    harness.prepare_prefix()
    with harness.Session(1024, 768) as session:
        proc = session.start_saver(*args)
        shots = []
        for i in range(6):
            time.sleep(2)
            path = os.path.join(outdir, f"screen-{i + 1}.png")
            session.screenshot(path)
            shots.append(path)
            if proc.poll() is not None:
                break
        if proc.poll() is None:
            session.xdotool("key", "Escape")
            session.wait_exit(proc, 10)
    print("screenshots written:")
    for path in shots:
        print("  " + path)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
