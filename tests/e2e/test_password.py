"""The saver's password check under Wine, with a stand-in password library beside the saver
whose answer the test chooses."""

import os
import shutil
import subprocess
import time
import unittest

import harness
from testkit import windows_path

DESKTOP_KEY = r"HKCU\Control Panel\desktop"


class Password(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        harness.write_settings("[QV3_02]\nWAV=0\nSPEED=5\n")
        cls.session = harness.Session(1024, 768)
        cls.dist = harness.copy_dist(os.path.join(cls.session.tmp, "dist"))
        shutil.copy(os.path.join(harness.TEST_BIN_DIR, "password.cpl"), cls.dist)
        cls.answer = os.path.join(cls.session.tmp, "answer.txt")
        cls.log = os.path.join(cls.session.tmp, "calls.txt")
        cls.env = dict(cls.session.env, QV3_TEST_PASSWORD_FILE=windows_path(cls.answer),
                       QV3_TEST_PASSWORD_LOG=windows_path(cls.log))

    @classmethod
    def tearDownClass(cls):
        cls.set_use_password(None)
        cls.session.close()
        harness.write_settings(None)

    @classmethod
    def set_use_password(cls, value):
        if value is None:
            args = ["reg", "delete", DESKTOP_KEY, "/v", "ScreenSaveUsePassword", "/f"]
        else:
            args = ["reg", "add", DESKTOP_KEY, "/v", "ScreenSaveUsePassword", "/t", "REG_DWORD",
                    "/d", str(value), "/f"]
        subprocess.run(harness.wine(*args), env=cls.session.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60)

    def setUp(self):
        for path in (self.answer, self.log):
            if os.path.exists(path):
                os.remove(path)

    def answer_with(self, text):
        with open(self.answer, "w") as f:
            f.write(text)

    def calls(self):
        if not os.path.exists(self.log):
            return []
        with open(self.log) as f:
            return f.read().splitlines()

    def start(self):
        self.session.xdotool("mousemove", 300, 300)
        proc = self.session.start_saver("/s", dist=self.dist, env=self.env)
        self.assertIsNotNone(self.session.find_window("QV3_02"))
        time.sleep(1)
        return proc

    @unittest.skipIf(harness.IS_64_BIT, "the Windows 95/98 password library has no 64-bit "
                     "Windows; the next test covers what the 64-bit build does")
    def test_refusal_keeps_the_saver_and_acceptance_ends_it(self):
        self.set_use_password(1)
        self.answer_with("refuse")
        proc = self.start()
        self.session.xdotool("key", "a")
        time.sleep(3)
        self.assertIsNone(proc.poll(), "a refused password ended the saver")
        self.assertEqual(self.calls(), ["verify window=1 answer=0"])
        # The cursor's resting place after the refusal does not count as a move.
        self.session.xdotool("mousemove", 300, 300)
        time.sleep(1)
        self.assertIsNone(proc.poll())
        self.answer_with("accept")
        self.session.xdotool("click", 1)
        self.assertEqual(self.session.wait_exit(proc, 15), 0)
        self.assertEqual(self.calls(), ["verify window=1 answer=0", "verify window=1 answer=1"])

    def test_without_a_password_the_first_input_ends_it(self):
        # The 64-bit build never asks the library: on 64-bit Windows the system itself asks
        # for the password when the saver has ended, so the first input ends it at any value.
        values = (0, None, 1) if harness.IS_64_BIT else (0, None)
        for value in values:
            with self.subTest(value=value):
                self.setUp()
                self.set_use_password(value)
                self.answer_with("refuse")
                proc = self.start()
                self.session.xdotool("key", "a")
                self.assertEqual(self.session.wait_exit(proc, 15), 0)
                self.assertEqual(self.calls(), [])


if __name__ == "__main__":
    unittest.main(verbosity=2)
