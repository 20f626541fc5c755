"""The real saver under Wine: window creation by mode, exit input, single instance, preview."""

import os
import time
import unittest

import harness

EXIT_TIMEOUT = 15  # seconds for a saver to end after input that ends it
STAY_TIME = 2.5    # seconds a saver must survive input that must not end it


class SaverSession(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        harness.write_settings("[QV3_02]\nWAV=0\nSPEED=5\n")
        cls.session = harness.Session(1024, 768)

    @classmethod
    def tearDownClass(cls):
        cls.session.close()
        harness.write_settings(None)

    def start_saver(self, *args):
        s = self.session
        s.xdotool("mousemove", 500, 400)
        proc = s.start_saver(*args)
        window = s.find_window("QV3_02")
        self.assertIsNotNone(window, "no saver window appeared")
        time.sleep(1.0)  # let the first ticks run
        return proc, window

    def assert_ends(self, proc):
        self.assertEqual(self.session.wait_exit(proc, EXIT_TIMEOUT), 0)
        self.assertIsNone(self.session.find_window("QV3_02", timeout=0))

    def assert_stays(self, proc):
        time.sleep(STAY_TIME)
        self.assertIsNone(proc.poll(), "the saver ended")

    def test_switches_open_a_topmost_full_screen_window(self):
        for switch in ("/s", "/S", "-s"):
            with self.subTest(switch=switch):
                proc, window = self.start_saver(switch)
                self.assertEqual(window["class"], "QV3_02")
                self.assertEqual((window["x"], window["y"]), ("0", "0"))
                self.assertEqual((window["w"], window["h"]), ("1024", "768"))
                self.assertEqual(window["topmost"], "1")
                self.assertEqual(window["child"], "0")
                # Black apart from the three characters of a scene.
                shot = self.session.screenshot()
                sampled = (1024 // 7 + 1) * (768 // 7 + 1)
                self.assertLess(shot.count_non_black(0, 0, 1024, 768, step=7), sampled // 4,
                                "the saver window is not black")
                self.session.xdotool("key", "space")
                self.assert_ends(proc)

    def test_input_that_ends_the_saver(self):
        cases = [
            ("key press", ["key", "a"]),
            ("system key", ["key", "alt"]),
            ("left click", ["click", 1]),
            ("right click", ["click", 3]),
            ("move in both coordinates by one pixel", ["mousemove", 501, 401]),
        ]
        for name, command in cases:
            with self.subTest(name):
                proc, _ = self.start_saver("/s")
                self.session.xdotool(*command)
                self.assert_ends(proc)

    def test_input_that_does_not_end_the_saver(self):
        proc, _ = self.start_saver("/s")
        cases = [
            ("move in x only", ["mousemove", 620, 400]),
            ("move in y only", ["mousemove", 500, 610]),
            ("back to the start", ["mousemove", 500, 400]),
            ("middle click", ["click", 2]),
            ("key release", ["keyup", "b"]),
        ]
        for name, command in cases:
            with self.subTest(name):
                self.session.xdotool(*command)
                self.assert_stays(proc)
        self.session.xdotool("mousemove", 530, 430)
        self.assert_ends(proc)

    def test_second_start_ends_at_once_and_opens_nothing(self):
        proc, _ = self.start_saver("/s")
        for args in (["/s"], ["/p", "12345"], ["/c"], []):
            with self.subTest(args=args):
                second = self.session.start_saver(*args)
                self.assertEqual(self.session.wait_exit(second, EXIT_TIMEOUT), 0)
                code, out = self.session.run_helper("count", "QV3_02")
                self.assertEqual(harness.parse_fields(out)["count"], "1")
        self.assertIsNone(proc.poll())
        self.session.xdotool("key", "Escape")
        self.assert_ends(proc)

    def test_settings_and_password_change_modes_end(self):
        # mpr.dll has no password-change function under Wine: the request does nothing.
        for args in (["/a", "0"], ["/a"]):
            with self.subTest(args=args):
                proc = self.session.start_saver(*args)
                self.assertEqual(self.session.wait_exit(proc, EXIT_TIMEOUT), 0)

    def test_preview_child_ignores_input_and_ends_with_its_host(self):
        s = self.session
        helper = s.start([os.path.join(harness.TEST_BIN_DIR, "testhelper.exe"), "previewhost",
                          "152", "112", os.path.join(harness.DIST_DIR, "QAVSSV3.SCR"), "5000"])
        first = helper.stdout.readline()
        preview = harness.parse_fields(first)
        self.assertEqual(preview.get("title"), "SSPREVIEW", first)
        self.assertEqual((preview["cw"], preview["ch"]), ("152", "112"))
        self.assertEqual((preview["x"] != "0", preview["child"]), (True, "1"))
        self.assertEqual(helper.stdout.readline().strip(), "holding=1")
        x, y = int(preview["x"]) + 70, int(preview["y"]) + 50
        s.xdotool("mousemove", x, y)
        s.xdotool("click", 1)
        s.xdotool("click", 3)
        s.xdotool("key", "a")
        s.xdotool("mousemove", x + 20, y + 20)
        rest = helper.communicate(timeout=60)[0]
        fields = harness.parse_fields(rest)
        self.assertEqual(fields.get("alive_after_hold"), "1", rest)
        self.assertEqual((fields.get("ended"), fields.get("exit")), ("1", "0"), rest)

    def test_preview_request_ends_while_a_preview_window_exists(self):
        s = self.session
        holder = s.start([os.path.join(harness.TEST_BIN_DIR, "testhelper.exe"), "hold",
                          "SSPREVIEW", "60"])
        self.assertEqual(holder.stdout.readline().strip(), "ready=1")
        code, out = s.run_helper("previewhost", "152", "112",
                                 os.path.join(harness.DIST_DIR, "QAVSSV3.SCR"), "1000")
        self.assertIn("child=none exited=1", out)
        holder.kill()


if __name__ == "__main__":
    unittest.main(verbosity=2)
