"""Start-and-exit smoke run of a saver build: the full-screen window appears and a key ends it
with exit code 0."""

import time
import unittest

import harness


class Smoke(unittest.TestCase):
    def test_starts_and_ends_on_a_key(self):
        harness.write_settings("[QV3_02]\nWAV=0\n")
        try:
            with harness.Session(800, 600) as session:
                proc = session.start_saver("/s")
                window = session.find_window("QV3_02", timeout=30)
                self.assertIsNotNone(window)
                self.assertEqual((window["w"], window["h"]), ("800", "600"))
                time.sleep(2)  # the window is found before it has the input focus
                session.xdotool("key", "space")
                self.assertEqual(session.wait_exit(proc, 30), 0)
        finally:
            harness.write_settings(None)


if __name__ == "__main__":
    unittest.main(verbosity=2)
