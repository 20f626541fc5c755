"""The real saver under Wine: savers started together leave exactly one running, and a preview
request whose parent cannot host a preview ends at once."""

import time
import unittest

import harness

EXIT_TIMEOUT = 15    # seconds for a saver to end after input that ends it
SETTLE_TIME = 3.0    # seconds for the other starts of a round to have run their course
ROUNDS = 8


class StartUpGuards(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        harness.write_settings("[QV3_02]\nWAV=0\nSPEED=5\n")
        cls.session = harness.Session(800, 600)

    @classmethod
    def tearDownClass(cls):
        cls.session.close()
        harness.write_settings(None)

    def count_windows(self, title):
        code, out = self.session.run_helper("count", title)
        self.assertEqual(code, 0, out)
        return int(harness.parse_fields(out)["count"])

    def test_three_savers_started_together_leave_one_that_one_key_ends(self):
        s = self.session
        for round_number in range(ROUNDS):
            with self.subTest(round=round_number):
                s.xdotool("mousemove", 400, 300)
                procs = [s.start_saver("/s") for _ in range(3)]
                self.assertIsNotNone(s.find_window("QV3_02"), "no saver window appeared")
                time.sleep(SETTLE_TIME)
                running = [p for p in procs if p.poll() is None]
                self.assertEqual(self.count_windows("QV3_02"), 1, "saver windows")
                self.assertEqual(len(running), 1, "savers still running")
                self.assertEqual([p.returncode for p in procs if p not in running], [0, 0])
                s.xdotool("key", "space")
                exits = [s.wait_exit(p, EXIT_TIMEOUT) for p in procs]
                for p in procs:  # whatever a failed round left must not disturb the next one
                    if p.poll() is None:
                        p.kill()
                        p.wait()
                self.assertEqual(exits, [0, 0, 0], "a saver outlived the key")
                self.assertEqual(self.count_windows("QV3_02"), 0, "saver windows after the key")

    def test_preview_without_a_window_to_host_it_ends_at_once(self):
        s = self.session
        code, out = s.run_helper("desktop")
        fields = harness.parse_fields(out)
        self.assertEqual(code, 0, out)
        cases = [
            ("the desktop window", fields["desktop"]),
            ("the message-only windows' root", fields["messageroot"]),
            ("no window", "0"),
            ("a number that names no window", "3999999"),
        ]
        for name, handle in cases:
            with self.subTest(name):
                proc = s.start_saver("/p", handle)
                exit_code = s.wait_exit(proc, EXIT_TIMEOUT)
                if exit_code is None:
                    proc.kill()
                    proc.wait()
                self.assertEqual(exit_code, 0, "the preview did not end")
                self.assertEqual(self.count_windows("SSPREVIEW"), 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
