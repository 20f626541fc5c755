"""qavsaver3 as a hack of XScreenSaver itself.

The program and its option file are installed (cmake --install into a staging folder) where
Debian's XScreenSaver looks for them; the daemon runs in an Xvfb screen as an unprivileged user
(it refuses to launch hacks as root) with a settings file naming only this hack, with the options
its option file describes. `xscreensaver-command -activate` must bring the characters onto the
screen, and `-deactivate` must end the hack."""

import os
import pwd
import shutil
import signal
import subprocess
import tempfile
import time
import unittest
import xml.etree.ElementTree as ElementTree

import testkit
from testkit import GrayImage, Xvfb

NATIVE_DIR = testkit.NATIVE_DIR
USER = "qv3saver"


def end_group(proc):
    if proc.poll() is None:
        os.killpg(proc.pid, signal.SIGTERM)
        try:
            proc.wait(5)
        except subprocess.TimeoutExpired:
            os.killpg(proc.pid, signal.SIGKILL)
            proc.wait()


def processes_of(path):
    """Pids of the processes running the program at `path`."""
    pids = []
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                argv = f.read().split(b"\0")
        except OSError:
            continue
        if argv and argv[0].decode("latin-1") == path:
            pids.append(int(pid))
    return pids


def environ_of(pid):
    with open(f"/proc/{pid}/environ", "rb") as f:
        return dict(item.split("=", 1) for item in f.read().decode("latin-1").split("\0")
                    if "=" in item)


class XScreenSaver(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        try:
            pwd.getpwnam(USER)
        except KeyError:
            if os.geteuid() != 0:
                raise unittest.SkipTest(f"needs root to create the user {USER}")
            subprocess.run(["useradd", "--create-home", "--shell", "/bin/sh", USER], check=True)
        cls.stage = tempfile.mkdtemp(prefix="qv3-xss-")
        os.chmod(cls.stage, 0o755)
        # A home of the run's own, so that runs side by side do not share a settings file.
        cls.home = os.path.join(cls.stage, "home")
        os.mkdir(cls.home)
        shutil.chown(cls.home, USER)
        subprocess.run(["cmake", "--install", NATIVE_DIR, "--prefix", "/usr"], check=True,
                       env=dict(os.environ, DESTDIR=cls.stage), stdout=subprocess.DEVNULL)
        cls.hack = os.path.join(cls.stage, "usr", "libexec", "xscreensaver", "qavsaver3")
        cls.options = os.path.join(cls.stage, "usr", "share", "xscreensaver", "config",
                                   "qavsaver3.xml")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.stage, ignore_errors=True)

    def as_user(self, display, *argv, **kwargs):
        return ["runuser", "-u", USER, "--", "env", f"DISPLAY={display}", f"HOME={self.home}",
                *argv]

    def command(self, display, *args):
        return subprocess.run(self.as_user(display, "xscreensaver-command", *args),
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                              timeout=30)

    def screen_count(self, display, width, height):
        raw = subprocess.run(["import", "-window", "root", "-depth", "8", "-colorspace", "gray",
                              "gray:-"], env=dict(os.environ, DISPLAY=display), check=True,
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                             timeout=60).stdout
        return GrayImage(width, height, raw).count(0, 0, width, height)

    def test_option_file_describes_what_the_program_takes(self):
        root = ElementTree.parse(self.options).getroot()
        self.assertEqual(root.get("name"), "qavsaver3")
        self.assertEqual(root.find("command").get("arg"), "--root")
        speed = root.find("number[@id='speed']")
        self.assertEqual((speed.get("type"), speed.get("arg"), speed.get("low"),
                          speed.get("high"), speed.get("default")),
                         ("slider", "--speed %", "1", "5", "3"))
        self.assertEqual(root.find("boolean[@id='music']").get("arg-set"), "--music")
        self.assertTrue(os.access(self.hack, os.X_OK))

    def test_activate_shows_the_characters_and_deactivate_ends_the_hack(self):
        width, height = 800, 600
        # The hack's command line as XScreenSaver's settings make it from the option file.
        command = f"{self.hack} --root --speed 5"
        settings = os.path.join(self.home, ".xscreensaver")
        with open(settings, "w") as f:
            f.write("timeout:\t0:30:00\ncycle:\t0:00:00\nlock:\tFalse\nfade:\tFalse\n"
                    "unfade:\tFalse\nsplash:\tFalse\ndpmsEnabled:\tFalse\nmode:\tone\n"
                    "selected:\t0\nprograms:\t\\\n"
                    f"  \"QAV SAVER Vol.3\"\t{command} \\n\\\n\n")
        shutil.chown(settings, USER)
        xvfb = Xvfb(width, height, open_to_all=True)
        display = xvfb.display
        daemon = None
        try:
            log = tempfile.TemporaryFile(mode="w+")
            daemon = subprocess.Popen(self.as_user(display, "xscreensaver", "-no-splash",
                                                   "-verbose"),
                                      stdout=log, stderr=log, start_new_session=True)
            deadline = time.time() + 20
            while self.command(display, "-version").returncode != 0:
                self.assertLess(time.time(), deadline, "the daemon did not start")
                time.sleep(0.5)
            self.assertEqual(processes_of(self.hack), [])

            self.assertEqual(self.command(display, "-activate").returncode, 0)
            drawn, deadline = 0, time.time() + 20
            while drawn < 2000 and time.time() < deadline:
                drawn = self.screen_count(display, width, height)
            self.assertGreaterEqual(drawn, 2000, "no characters on the screen")
            pids = processes_of(self.hack)
            self.assertEqual(len(pids), 1)
            # XScreenSaver names its window and starts the hack with --root.
            self.assertIn("XSCREENSAVER_WINDOW", environ_of(pids[0]))
            shot = os.path.join(testkit.screenshot_dir(NATIVE_DIR), "native-xscreensaver.png")
            subprocess.run(["import", "-window", "root", shot],
                           env=dict(os.environ, DISPLAY=display), timeout=60)

            # A new hack in its place: the daemon ends this one and logs how it ended; it
            # expects a hack to end by the signal it was sent.
            self.assertEqual(self.command(display, "-cycle").returncode, 0)
            deadline = time.time() + 10
            while os.path.exists(f"/proc/{pids[0]}") and time.time() < deadline:
                time.sleep(0.1)
            time.sleep(1)
            log.seek(0)
            lines = log.read().splitlines()
            ending = [line for line in lines if f"pid {pids[0]}" in line and "exited" in line]
            self.assertTrue(ending, "the daemon logged no end of the hack:\n" + "\n".join(lines))
            self.assertIn("exited normally with SIGTERM", ending[-1])
            pids = processes_of(self.hack)
            self.assertEqual(len(pids), 1, "no hack after the cycle")

            self.assertEqual(self.command(display, "-deactivate").returncode, 0)
            deadline = time.time() + 10
            while os.path.exists(f"/proc/{pids[0]}") and time.time() < deadline:
                time.sleep(0.1)
            self.assertFalse(os.path.exists(f"/proc/{pids[0]}"), "the hack goes on running")
            # The saver's window is gone with it: the screen is dark again.
            deadline = time.time() + 10
            while self.screen_count(display, width, height) and time.time() < deadline:
                time.sleep(0.2)
            self.assertEqual(self.screen_count(display, width, height), 0)
        finally:
            if daemon is not None:
                end_group(daemon)
            xvfb.stop()


if __name__ == "__main__":
    unittest.main(verbosity=2)
