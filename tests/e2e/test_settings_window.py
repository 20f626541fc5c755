"""The real saver's settings window under Wine: clicks and drags with xdotool, what the screen
shows checked pixel by pixel against pictures composed from the skin, and the settings file
read afterwards."""

import ctypes
import os
import signal
import subprocess
import time
import unittest

import harness
from testkit import (EXIT_TIMEOUT, LOOK_TIMEOUT, SLIDER_Y, START, WINDOW_CLASS, Skin, center,
                     settings_values, slider_x)

CAPTION = "ミルカドの設定"
MESSAGE_TITLE = "QAV SAVER Vol.3"  # the caption of the program's message boxes
# What a failed save says on an English system (this machine has no Japanese locale for Wine to
# take a Japanese UI language from; the Japanese text is shown where that is the UI language).
SAVE_FAILED_TEXT = "The settings could not be saved."
UI_LANGUAGE = "en_US.UTF-8"

STAY_TIME = 1.5    # seconds the saver must go on after input that must not close it
TOGGLE = "MUSIC_OFF"  # either name clicks the same control


def mismatch(shot, origin, dest, pixels):
    """None when the screen shows `pixels` at client position `dest`, else a description."""
    bad, first = 0, None
    for j, row in enumerate(pixels):
        for i, want in enumerate(row):
            got = shot.pixel(origin[0] + dest[0] + i, origin[1] + dest[1] + j)
            if got != want:
                bad += 1
                first = first or (dest[0] + i, dest[1] + j, got, want)
    return None if bad == 0 else f"{bad} pixels differ, first at client {first}"


def send_close(env, window_id):
    """Asks an X window to close the way a window manager's close box does (WM_DELETE_WINDOW)."""
    x11 = ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.c_void_p]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                    ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                    ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                    ("format", ctypes.c_int), ("data", ctypes.c_long * 5),
                    ("pad", ctypes.c_long * 16)]

    display = x11.XOpenDisplay(env["DISPLAY"].encode())
    assert display, "no X display"
    event = ClientMessage()
    event.type = 33  # ClientMessage
    event.display = display
    event.window = window_id
    event.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
    event.format = 32
    event.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    x11.XSendEvent(display, window_id, 0, 0, ctypes.byref(event))
    x11.XFlush(display)
    x11.XCloseDisplay(display)


# Each scenario: the settings file at the start, how the saver is started ("/c", no switch, or
# "/c" from a foreground parent window), the steps, and the outcome: "unchanged" (the settings
# file keeps its bytes) or the values it holds, and whether the window has gone.
#
# Steps: ("click", control), ("press", x, y), ("move", x, y), ("release",) at client points,
# ("key", "keydown", "keyup" or "key", key), ("close",) through the caption's close box,
# ("shot", name) a screenshot kept for people to look at, and ("look", expectation) checked on
# the screen: ("face", control, pressed), ("knob", offset or
# None for not seen), ("digits", speed or None for both places blank).
SCENARIOS = [
    ("plus twice from 3, then OK", START, "/c",
     [("look", ("digits", 3)), ("look", ("knob", 86)), ("click", "PNUM"), ("click", "PNUM"),
      ("look", ("digits", 5)), ("look", ("knob", 172)), ("click", "OK")],
     {"WAV": "0", "SPEED": "5"}, True),
    ("plus at 5 leaves 5", "[QV3_02]\nWAV=1\nSPEED=5\n", "",
     [("look", ("face", "MUSIC_ON", 0)), ("click", "PNUM"), ("look", ("digits", 5)),
      ("look", ("knob", 172)), ("click", "OK")],
     {"WAV": "1", "SPEED": "5"}, True),
    ("music toggled, then Cancel", START, "/c",
     [("look", ("face", "MUSIC_OFF", 0)), ("shot", "settings_music_off"), ("click", TOGGLE),
      ("look", ("face", "MUSIC_ON", 0)), ("shot", "settings_music_on"), ("click", "CANCEL")],
     "unchanged", True),
    ("music toggled, then the close box", START, "/c",
     [("click", TOGGLE), ("look", ("face", "MUSIC_ON", 0)), ("close",)],
     "unchanged", True),
    ("music toggled twice shows the first faces again", START, "/c",
     [("click", TOGGLE), ("click", TOGGLE), ("look", ("face", "MUSIC_OFF", 0)),
      ("click", "OK")],
     {"WAV": "0", "SPEED": "3"}, True),
    ("music toggled once, then OK", START, "/c",
     [("click", TOGGLE), ("click", "OK")],
     {"WAV": "1", "SPEED": "3"}, True),
    ("OK pressed, left and released outside", START, "/c",
     [("click", "PNUM"), ("press", 150, 250), ("look", ("face", "OK", 1)), ("move", 150, 200),
      ("look", ("face", "OK", 0)), ("release",), ("look", ("face", "OK", 0))],
     "unchanged", False),
    ("OK pressed, left and entered again before the release", START, "/c",
     [("click", "PNUM"), ("press", 150, 250), ("move", 150, 200), ("look", ("face", "OK", 0)),
      ("move", 160, 255), ("look", ("face", "OK", 1)), ("release",)],
     {"WAV": "0", "SPEED": "4"}, True),
    ("OK released one pixel beyond its bottom right corner", START, "/c",
     [("click", "PNUM"), ("press", 150, 250), ("move", 216, 271), ("release",)],
     {"WAV": "0", "SPEED": "4"}, True),
    ("OK entered again with Shift held: normal face, but the release saves", START, "/c",
     [("click", "PNUM"), ("press", 150, 250), ("move", 150, 200), ("key", "keydown", "shift"),
      ("move", 160, 255), ("look", ("face", "OK", 0)), ("release",), ("key", "keyup", "shift")],
     {"WAV": "0", "SPEED": "4"}, True),
    ("slider clicked at its far left", START, "/c",
     [("press", 76, SLIDER_Y), ("release",), ("look", ("knob", 0)), ("look", ("digits", 1)),
      ("click", "OK")],
     {"WAV": "0", "SPEED": "1"}, True),
    ("slider released at offset 171", START, "/c",
     [("press", slider_x(86), SLIDER_Y), ("move", slider_x(171), SLIDER_Y),
      ("look", ("knob", 171)), ("look", ("digits", 4)), ("release",), ("look", ("knob", 129)),
      ("click", "OK")],
     {"WAV": "0", "SPEED": "4"}, True),
    ("slider released right of it during a drag", START, "/c",
     [("press", slider_x(20), SLIDER_Y), ("move", slider_x(100), SLIDER_Y + 40),
      ("move", 420, SLIDER_Y + 40), ("release",), ("look", ("knob", 172)),
      ("look", ("digits", 5)), ("click", "OK")],
     {"WAV": "0", "SPEED": "5"}, True),
    # A hand-edited speed shows as the speed the saver runs at (a number taken to the nearest
    # of 1 to 5, anything else the default 3), with its knob; no button or save leaves 1 to 5.
    ("speed 7 from the file, then plus", "[QV3_02]\nWAV=0\nSPEED=7\n", "/c",
     [("look", ("digits", 5)), ("look", ("knob", 172)), ("click", "PNUM"),
      ("look", ("digits", 5)), ("look", ("knob", 172)), ("click", "OK")],
     {"WAV": "0", "SPEED": "5"}, True),
    ("speed 6 from the file, then plus", "[QV3_02]\nWAV=0\nSPEED=6\n", "/c",
     [("look", ("digits", 5)), ("click", "PNUM"), ("look", ("digits", 5)), ("click", "OK")],
     {"WAV": "0", "SPEED": "5"}, True),
    ("speed 99 from the file, then minus and Enter", "[QV3_02]\nWAV=0\nSPEED=99\n", "/c",
     [("look", ("digits", 5)), ("look", ("knob", 172)), ("click", "MNUM"),
      ("look", ("digits", 4)), ("look", ("knob", 129)), ("key", "key", "Return")],
     {"WAV": "0", "SPEED": "4"}, True),
    ("speed 150 from the file shows 5 and saves 5", "[QV3_02]\nWAV=0\nSPEED=150\n", "/c",
     [("look", ("digits", 5)), ("look", ("knob", 172)), ("click", TOGGLE), ("click", "OK")],
     {"WAV": "1", "SPEED": "5"}, True),
    ("speed -3 from the file shows 1, then plus", "[QV3_02]\nWAV=0\nSPEED=-3\n", "/c",
     [("look", ("digits", 1)), ("look", ("knob", 0)), ("click", "PNUM"),
      ("look", ("digits", 2)), ("click", "OK")],
     {"WAV": "0", "SPEED": "2"}, True),
    ("speed -1 from the file shows 1", "[QV3_02]\nWAV=0\nSPEED=-1\n", "/c",
     [("look", ("digits", 1)), ("look", ("knob", 0)), ("click", "CANCEL")],
     "unchanged", True),
    ("speed 0 from the file shows 1", "[QV3_02]\nWAV=0\nSPEED=0\n", "/c",
     [("look", ("digits", 1)), ("look", ("knob", 0)), ("click", "CANCEL")],
     "unchanged", True),
    ("speed abc from the file shows 3 and OK saves 3", "[QV3_02]\nWAV=0\nSPEED=abc\n", "/c",
     [("look", ("digits", 3)), ("look", ("knob", 86)), ("click", "OK")],
     {"WAV": "0", "SPEED": "3"}, True),
    ("a foreground parent window, then Cancel", START, "parent",
     [("click", "MNUM"), ("look", ("digits", 2)), ("click", "CANCEL")],
     "unchanged", True),
    # The saver plays only for a music flag of exactly 1: any other value shows "off", and a
    # toggle from it turns the music on.
    ("music flag 2 shows off, a toggle turns it on", "[QV3_02]\nWAV=2\nSPEED=3\n", "/c",
     [("look", ("face", "MUSIC_OFF", 0)), ("click", TOGGLE), ("look", ("face", "MUSIC_ON", 0)),
      ("click", "OK")],
     {"WAV": "1", "SPEED": "3"}, True),
    ("music flag -1 shows off, a toggle turns it on", "[QV3_02]\nWAV=-1\nSPEED=3\n", "/c",
     [("look", ("face", "MUSIC_OFF", 0)), ("click", TOGGLE), ("look", ("face", "MUSIC_ON", 0)),
      ("click", TOGGLE), ("look", ("face", "MUSIC_OFF", 0)), ("click", TOGGLE),
      ("click", "OK")],
     {"WAV": "1", "SPEED": "3"}, True),
    ("Esc acts as Cancel", START, "/c",
     [("click", "PNUM"), ("click", TOGGLE), ("key", "key", "Escape")],
     "unchanged", True),
    ("Enter acts as OK", START, "/c",
     [("click", "PNUM"), ("key", "key", "Return")],
     {"WAV": "0", "SPEED": "4"}, True),
    ("Space does nothing", START, "/c",
     [("click", "PNUM"), ("key", "key", "space"), ("look", ("digits", 4))],
     "unchanged", False),
    ("Alt+F4 closes without saving", START, "/c",
     [("click", "PNUM"), ("key", "key", "alt+F4")],
     "unchanged", True),
]


class SettingsWindow(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.skin = Skin()
        cls.session = harness.Session(1024, 768)

    @classmethod
    def tearDownClass(cls):
        cls.session.close()
        harness.write_settings(None)

    def find_window(self):
        """Waits for the settings window to be shown with its caption; returns its fields."""
        deadline = time.time() + 20
        while time.time() < deadline:
            code, out = self.session.run_helper("findclass", WINDOW_CLASS)
            fields = harness.parse_fields(out)
            if code == 0 and fields.get("visible") == "1":
                return fields
            time.sleep(0.3)
        self.fail("no settings window appeared")

    def x_window(self):
        """The X window carrying the caption, as the window manager would show it."""
        deadline = time.time() + 10
        while True:
            tree = subprocess.run(["xwininfo", "-root", "-tree"], env=self.session.env,
                                  check=True, stdout=subprocess.PIPE,
                                  timeout=30).stdout.decode("utf-8")
            for line in tree.splitlines():
                if f'"{CAPTION}"' in line:
                    return int(line.split()[0], 16)
            if time.time() >= deadline:
                self.fail(f"no X window bears the caption:\n{tree}")
            time.sleep(0.3)

    def shot(self, name):
        self.session.screenshot(os.path.join(harness.screenshot_dir(), name + ".png"))

    def click(self, origin, control):
        x, y = center(control)
        self.session.xdotool("mousemove", origin[0] + x, origin[1] + y)
        self.session.xdotool("click", 1)
        time.sleep(0.2)

    def open_window(self, *args):
        """Starts the saver with `args` and waits for its settings window; returns the process,
        the window's fields and its client origin on the screen."""
        self.session.xdotool("mousemove", 5, 5)
        proc = self.session.start_saver(*args)
        window = self.find_window()
        time.sleep(0.5)
        return proc, window, (int(window["clientx"]), int(window["clienty"]))

    def end(self, *procs):
        for proc in procs:
            if proc is not None and proc.poll() is None:
                os.killpg(proc.pid, signal.SIGKILL)
                proc.wait()
        self.wait_window_gone()

    def look(self, origin, expectation):
        dest, pixels = self.skin.expected(expectation)
        deadline = time.time() + LOOK_TIMEOUT
        while True:
            problem = mismatch(self.session.screenshot(), origin, dest, pixels)
            if problem is None:
                return
            if time.time() >= deadline:
                self.fail(f"the screen does not show {expectation}: {problem}")
            time.sleep(0.3)

    def run_scenario(self, start_text, launch, steps, outcome, gone):
        s = self.session
        harness.write_settings(start_text)
        before = harness.read_settings()
        s.xdotool("mousemove", 5, 5)
        helper = None
        if launch == "parent":
            helper = s.start([os.path.join(harness.TEST_BIN_DIR, "testhelper.exe"), "foreground",
                              os.path.join(harness.DIST_DIR, "QAVSSV3.SCR"), "/c"],
                             cwd=harness.DIST_DIR)
            proc = helper
        else:
            proc = s.start_saver(*([launch] if launch else []))
        try:
            window = self.find_window()
            origin = (int(window["clientx"]), int(window["clienty"]))
            # Centred on the 1024 x 768 screen, the frame added once on each axis.
            self.assertEqual((window["x"], window["y"]), ("340", "240"))
            self.assertEqual((window["cw"], window["ch"]), ("341", "285"))
            x_window = self.x_window()
            time.sleep(0.5)
            for step in steps:
                kind = step[0]
                if kind == "click":
                    x, y = center(step[1])
                    s.xdotool("mousemove", origin[0] + x, origin[1] + y)
                    s.xdotool("click", 1)
                elif kind == "press":
                    s.xdotool("mousemove", origin[0] + step[1], origin[1] + step[2])
                    s.xdotool("mousedown", 1)
                elif kind == "move":
                    s.xdotool("mousemove", origin[0] + step[1], origin[1] + step[2])
                elif kind == "release":
                    s.xdotool("mouseup", 1)
                elif kind == "key":
                    s.xdotool(step[1], step[2])
                elif kind == "close":
                    send_close(s.env, x_window)
                elif kind == "shot":
                    self.shot(step[1])
                elif kind == "look":
                    self.look(origin, step[1])
                time.sleep(0.2)
            if gone:
                self.assertIsNotNone(s.wait_exit(proc, EXIT_TIMEOUT), "the saver did not end")
            else:
                time.sleep(STAY_TIME)
                self.assertIsNone(proc.poll(), "the saver ended")
                self.assertEqual(self.find_window()["hwnd"], window["hwnd"])
            if outcome == "unchanged":
                self.assertEqual(harness.read_settings(), before)
            else:
                values = settings_values(harness.read_settings())
                self.assertEqual((values.get("WAV"), values.get("SPEED")),
                                 (outcome["WAV"], outcome["SPEED"]))
            if helper is not None:
                report = harness.parse_fields(helper.stdout.read())
                self.assertEqual(report, {"disabled_while_running": "1", "enabled_after": "1",
                                          "foreground_after": "1"})
        finally:
            if proc.poll() is None:
                os.killpg(proc.pid, signal.SIGKILL)
                proc.wait()
            self.wait_window_gone()

    def wait_window_gone(self):
        deadline = time.time() + 10
        while self.session.run_helper("findclass", WINDOW_CLASS)[0] == 0:
            if time.time() >= deadline:
                self.fail("a settings window outlived its saver")
            time.sleep(0.3)

    def test_second_request_brings_the_first_window_forward(self):
        s = self.session
        harness.write_settings(START)
        first, window, origin = self.open_window("/c")
        other = second = None
        try:
            self.click(origin, "PNUM")
            # Another window takes the foreground; the second request must bring the first
            # settings window back in front of it.
            other = s.start([os.path.join(harness.TEST_BIN_DIR, "testhelper.exe"), "hold",
                             "QV3 other window", "60"])
            self.assertIsNotNone(s.find_window("QV3 other window"))
            time.sleep(0.5)
            self.assertEqual(self.find_window()["foreground"], "0")
            second = s.start_saver("/c")
            self.assertEqual(s.wait_exit(second, EXIT_TIMEOUT), 0,
                             "the second request did not end with 0")
            fields = self.find_window()
            self.assertEqual((fields["hwnd"], fields["count"]), (window["hwnd"], "1"))
            self.assertEqual(fields["foreground"], "1")
            self.click(origin, "PNUM")
            self.click(origin, "OK")
            self.assertIsNotNone(s.wait_exit(first, EXIT_TIMEOUT), "the saver did not end")
            values = settings_values(harness.read_settings())
            self.assertEqual((values.get("WAV"), values.get("SPEED")), ("0", "5"))
        finally:
            self.end(first, second, other)

    def test_failed_save_says_so_and_keeps_the_window(self):
        # Either way out after two failed saves (by OK and by Enter): OK once the file can be
        # written saves what the window shows; Cancel leaves everything as it was. The message
        # is in English where the user's UI language is not Japanese.
        saved = {k: self.session.env.get(k) for k in ("LC_MESSAGES", "LC_ALL")}
        # Wine takes the UI language from LC_MESSAGES; the code page, in which the helpers
        # print, stays the session's.
        self.session.env.pop("LC_ALL", None)
        self.session.env["LC_MESSAGES"] = UI_LANGUAGE
        try:
            for ending in ("OK once the file can be written", "Cancel"):
                with self.subTest(ending):
                    self.run_failed_save(ending, SAVE_FAILED_TEXT)
        finally:
            for key, value in saved.items():
                if value is None:
                    self.session.env.pop(key, None)
                else:
                    self.session.env[key] = value

    def run_failed_save(self, ending, text):
        s = self.session
        harness.write_settings(None)
        # A directory in the settings file's place: no write can succeed.
        blocker = harness.settings_file()
        os.mkdir(blocker)
        proc = None
        try:
            proc, window, origin = self.open_window("/c")
            for attempt in ("OK", "Enter"):
                self.click(origin, "PNUM")
                if attempt == "OK":
                    self.click(origin, "OK")
                else:
                    s.xdotool("key", "Return")
                box = s.find_window(MESSAGE_TITLE, timeout=10)
                self.assertIsNotNone(box, f"no message after a failed save by {attempt}")
                self.assertEqual(box["enabled"], "1")
                code, out = s.run_helper("boxtext", MESSAGE_TITLE)
                self.assertEqual(bytes.fromhex(harness.parse_fields(out).get("text", "")),
                                 text.encode("utf-8"))
                self.shot("settings_save_failed")
                s.xdotool("key", "Return")
                deadline = time.time() + 10
                while s.find_window(MESSAGE_TITLE, timeout=0) is not None:
                    self.assertLess(time.time(), deadline, "the message did not close")
                    time.sleep(0.3)
                time.sleep(STAY_TIME)
                self.assertIsNone(proc.poll(), "the saver ended after a failed save")
                self.assertEqual(self.find_window()["hwnd"], window["hwnd"])
            if ending == "Cancel":
                self.click(origin, "CANCEL")
                self.assertIsNotNone(s.wait_exit(proc, EXIT_TIMEOUT), "the saver did not end")
                self.assertTrue(os.path.isdir(blocker))
            else:
                os.rmdir(blocker)
                self.click(origin, "OK")
                self.assertIsNotNone(s.wait_exit(proc, EXIT_TIMEOUT), "the saver did not end")
                values = settings_values(harness.read_settings())
                self.assertEqual((values.get("WAV"), values.get("SPEED")), ("1", "5"))
        finally:
            self.end(proc)
            if os.path.isdir(blocker):
                os.rmdir(blocker)

    def test_scenarios(self):
        for name, start_text, launch, steps, outcome, gone in SCENARIOS:
            with self.subTest(name):
                self.run_scenario(start_text, launch, steps, outcome, gone)


if __name__ == "__main__":
    unittest.main(verbosity=2)
