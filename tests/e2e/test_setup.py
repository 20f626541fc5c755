"""The setup program and its uninstaller under Wine, run silently as a user's script would, as
one table of scenarios, each starting from a machine without the saver. The same table runs for
the setup program of each build: QAVSSV3-setup.exe (the 32-bit saver into the 32-bit system
folder, the entry in the 32-bit registry view) and QAVSSV3-x64-setup.exe (the 64-bit saver into
System32, the entry in the 64-bit view); switching rows start from the other build installed
by its own setup program where it runs here. The 32-bit build's list, where both kinds of program
run, also runs the switching rows the other way round.

The scenarios run in a Wine prefix of their own, made afresh for this test: installing puts the
saver into the system folder, the music into the default data folder and the saver into the
current user's desktop settings, all of which the other tests of the run expect to be absent
(they find their data through the marker file beside the saver, or through a settings file that
must not be overridden by a default folder full of music).
"""

import os
import re
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

import harness
import probe_i386
from testkit import SECOND, sink_size, wait_for_size, wave_data

harness.PREFIX = os.path.join(harness.BUILD_DIR, "wineprefix-setup")

SETUP_NAMES = {"win32": "QAVSSV3-setup.exe", "win64": "QAVSSV3-x64-setup.exe"}
VIEWS = {"win32": 32, "win64": 64}


class Build:
    """One build's setup program, saver and registry view, in the tree beside this one."""

    def __init__(self, arch):
        self.arch = arch
        self.dir = os.path.normpath(os.path.join(harness.BUILD_DIR, "..", arch))
        self.setup = os.path.join(self.dir, SETUP_NAMES[arch])
        self.view = VIEWS[arch]
        self.saver_file = os.path.join(self.dir, "dist", "QAVSSV3.SCR")


THIS_BUILD = Build(harness.ARCH)
OTHER_BUILD = Build("win32" if harness.IS_64_BIT else "win64")
with open(os.path.join(harness.HERE, "..", "..", "VERSION")) as version_file:
    VERSION = version_file.read().strip()
BUILT_MUSIC = os.path.join(harness.NATIVE_DIR, "music", "BGM04.SSS")

ENTRY_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\QavSaver3"
DESKTOP_KEY = r"HKCU\Control Panel\Desktop"
PENDING_KEY = r"HKLM\System\CurrentControlSet\Control\Session Manager"
DATA_DIR = r"C:\QavSaver3"
UNINSTALLER = DATA_DIR + r"\QAV3UNIN.EXE"
OTHER_SAVER = r"C:\windows\system32\scrnsave.scr"
USER_SETTINGS = "[QV3_02]\nWAV=0\nSPEED=5\n"
PLAIN_FILE = "NOTES.TXT"  # a file of the user's own in the data folder
SETUP_MUTEX = "QavSaver3Setup"  # held by a setup program while it runs

RUN_TIMEOUT = 60
EXIT_TIMEOUT = 15
SCENE_TIMEOUT = 20
OK_BUTTON = (120 + 48, 239 + 16)  # the middle of the settings window's OK, client coordinates

# Each scenario: name, the machine before it, what runs, what must hold afterwards.
# Before: "installed" (a silent install made beforehand), "other build" (the other build installed
# beforehand: by its own setup program where this machine can run it, else the files and entry
# it leaves put in place by the test), "scrnsave" (the current screen saver: "ours", "ours upper
# case", "ours lower case", "other build", "other" or None), "settings" (the settings file's
# text or None), "changed" (the installed program and music overwritten with other bytes),
# "blocked" ("folder": a plain file where the data folder goes; "music" or "uninstaller": a
# folder where that file goes), "user file" (a file of the user's own in the data folder),
# "active" (the user's ScreenSaveActive switch, "0" or "1"), "saver running" (the installed
# saver runs during the action), "setup held" (another setup program holds the setup's mutex).
# Runs: ("setup", switches...), ("two setups", switches...) two setup programs at once,
# ("uninstall",) with the entry's QuietUninstallString as it is, or ("system start",) the
# installed saver started the way the system starts it, then its settings window confirmed
# with OK.
# After: "code" ("failed" for any non-zero exit code; for two setups the sorted pair), "installed"
# (True: the program, the music and the entry with all its values; False: none of them),
# "scrnsave", "active", "settings", "message" (for two setups, "no message": a text neither holds)
# (a text the standard error output must hold), "data folder" (what is left in it after the next
# start of Windows, None for no folder).
SCENARIOS = [
    ("silent install", {"scrnsave": None},
     ("setup", "/S"),
     {"code": 0, "installed": True, "scrnsave": "ours"}),
    ("silent install over another saver", {"scrnsave": "other"},
     ("setup", "/S"),
     {"code": 0, "installed": True, "scrnsave": "ours"}),
    ("silent install told to keep the current saver", {"scrnsave": "other"},
     ("setup", "/S", "/KEEPSAVER"),
     {"code": 0, "installed": True, "scrnsave": "other"}),
    ("silent install told to keep no saver, switch in lower case", {"scrnsave": None},
     ("setup", "/S", "/keepsaver"),
     {"code": 0, "installed": True, "scrnsave": None}),
    ("installed saver started by the system", {"installed": True, "settings": None},
     ("system start",),
     {"settings": "[QV3_02]\nWAV=1\nSPEED=3\n"}),
    ("install again replaces program and music, keeps the settings",
     {"installed": True, "changed": True, "settings": USER_SETTINGS, "scrnsave": "ours"},
     ("setup", "/S"),
     {"code": 0, "installed": True, "settings": USER_SETTINGS, "scrnsave": "ours"}),
    ("blocked data folder", {"blocked": "folder", "scrnsave": "other", "settings": USER_SETTINGS},
     ("setup", "/S"),
     {"code": "failed", "installed": False, "scrnsave": "other", "settings": USER_SETTINGS,
      "message": "Cannot create the folder C:\\QavSaver3."}),
    ("music that cannot be written", {"blocked": "music", "scrnsave": None},
     ("setup", "/S"),
     {"code": "failed", "installed": False, "scrnsave": None,
      "message": "Cannot write C:\\QavSaver3\\BGM04.SSS."}),
    ("uninstaller that cannot be written: what the run put is taken away again",
     {"blocked": "uninstaller", "scrnsave": None},
     ("setup", "/S"),
     {"code": "failed", "installed": False, "scrnsave": None,
      "message": "Cannot write C:\\QavSaver3\\QAV3UNIN.EXE."}),
    ("uninstall, this saver current", {"installed": True, "scrnsave": "ours",
                                       "settings": USER_SETTINGS},
     ("uninstall",),
     {"code": 0, "installed": False, "scrnsave": None, "settings": USER_SETTINGS,
      "data folder": None}),
    ("uninstall, this saver current in upper case", {"installed": True,
                                                     "scrnsave": "ours upper case"},
     ("uninstall",),
     {"code": 0, "installed": False, "scrnsave": None, "data folder": None}),
    ("uninstall, this saver current in lower case", {"installed": True,
                                                     "scrnsave": "ours lower case"},
     ("uninstall",),
     {"code": 0, "installed": False, "scrnsave": None, "data folder": None}),
    ("uninstall, another saver chosen since", {"installed": True, "scrnsave": "other",
                                               "settings": USER_SETTINGS},
     ("uninstall",),
     {"code": 0, "installed": False, "scrnsave": "other", "settings": USER_SETTINGS,
      "data folder": None}),
    ("uninstall, no saver chosen", {"installed": True, "scrnsave": None},
     ("uninstall",),
     {"code": 0, "installed": False, "scrnsave": None, "data folder": None}),
    ("switch from the other build, which was the current saver",
     {"other build": True, "scrnsave": "other build", "settings": USER_SETTINGS},
     ("setup", "/S", "/KEEPSAVER"),
     {"code": 0, "installed": True, "scrnsave": "ours", "settings": USER_SETTINGS}),
    ("switch from the other build, another saver current",
     {"other build": True, "scrnsave": "other"},
     ("setup", "/S", "/KEEPSAVER"),
     {"code": 0, "installed": True, "scrnsave": "other"}),
    ("uninstall keeps a data folder with a file of the user's",
     {"installed": True, "scrnsave": "ours", "user file": True},
     ("uninstall",),
     {"code": 0, "installed": False, "scrnsave": None, "data folder": [PLAIN_FILE]}),
    # The registered quiet uninstall waits for the work and reports its failure.
    ("quiet uninstall while the saver runs", {"installed": True, "scrnsave": "ours",
                                              "saver running": True},
     ("uninstall",),
     {"code": 2,
      "message": "QAVSSV3.SCR. If the screen saver is running, end it and run the uninstaller"}),
    # A second setup program says that another one runs, with its own exit code.
    ("setup while another setup runs", {"scrnsave": None, "setup held": True},
     ("setup", "/S"),
     {"code": 3, "installed": False, "scrnsave": None,
      "message": "Another setup of QAV SAVER Vol.3 is running."}),
    ("two setups at once", {"scrnsave": None},
     ("two setups", "/S"),
     {"installed": True, "scrnsave": "ours", "no message": "Cannot write"}),
    # The user's switch for screen savers is changed only by choosing this saver.
    ("silent install chooses the saver and switches savers on", {"scrnsave": None, "active": "0"},
     ("setup", "/S"),
     {"code": 0, "installed": True, "scrnsave": "ours", "active": "1"}),
    ("silent install keeping the saver leaves savers off", {"scrnsave": None, "active": "0"},
     ("setup", "/S", "/KEEPSAVER"),
     {"code": 0, "installed": True, "scrnsave": None, "active": "0"}),
    ("switch from the other build keeping the saver leaves savers off",
     {"other build": True, "scrnsave": "other build", "active": "0"},
     ("setup", "/S", "/KEEPSAVER"),
     {"code": 0, "installed": True, "scrnsave": "ours", "active": "0"}),
    ("uninstall leaves savers switched off", {"installed": True, "scrnsave": "ours",
                                              "active": "0"},
     ("uninstall",),
     {"code": 0, "installed": False, "scrnsave": None, "active": "0", "data folder": None}),
]

ENTRY_VALUES = ["DisplayName", "DisplayVersion", "Publisher", "DisplayIcon", "InstallLocation",
                "EstimatedSize", "UninstallString", "QuietUninstallString", "NoModify",
                "NoRepair"]


def unix_path(windows_path):
    """The prefix's file for a path on drive C."""
    assert windows_path[:3].upper() == "C:\\", windows_path
    return os.path.join(harness.PREFIX, "drive_c", *windows_path[3:].split("\\"))


def file_bytes(path):
    with open(path, "rb") as f:
        return f.read()


class Setup(unittest.TestCase):
    """The table for this build's setup program; the other build is what it switches from."""
    own, other = THIS_BUILD, OTHER_BUILD
    scenarios = SCENARIOS

    @classmethod
    def setUpClass(cls):
        harness.prepare_prefix(fresh=True)
        cls.scratch = tempfile.mkdtemp(prefix="qv3-setup-")
        cls.sink = os.path.join(cls.scratch, "sink.raw")
        cls.session = harness.Session(640, 480, audio_sink=cls.sink)
        # The messages of a failed install are checked in English.
        cls.session.env["LANG"] = cls.session.env["LC_ALL"] = "en_US.UTF-8"
        # 32-bit programs see SysWOW64 as their system folder in a 64-bit prefix, 64-bit ones
        # System32; a 32-bit prefix has no other build.
        wow64 = os.path.join(harness.windows_dir(), "syswow64")
        system32, syswow64 = r"C:\windows\system32", r"C:\windows\syswow64"
        if cls.own.arch == "win64":
            cls.system_dir, other_dir = system32, syswow64
        elif os.path.isdir(wow64):
            cls.system_dir, other_dir = syswow64, system32
        else:
            cls.system_dir, other_dir = system32, None
        cls.saver = cls.system_dir + r"\QAVSSV3.SCR"
        cls.other_saver = other_dir and other_dir + r"\QAVSSV3.SCR"
        cls.music = DATA_DIR + r"\BGM04.SSS"

    @classmethod
    def tearDownClass(cls):
        cls.session.close()
        shutil.rmtree(cls.scratch, ignore_errors=True)

    # -- the machine -------------------------------------------------------------------------
    def wine(self, *argv, timeout=RUN_TIMEOUT):
        """Runs a Windows program to its end; returns (exit code, standard error output)."""
        proc = subprocess.run(harness.wine(*argv), env=self.session.env, timeout=timeout,
                              stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        return proc.returncode, proc.stderr.decode("utf-8", "replace")

    def reg_values(self, key, view):
        """The values of a registry key in the 32- or 64-bit view as {name: data}, or None.
        A failed query is asked once more before the key counts as missing: under load a run of
        `reg` has failed once with the key there."""
        for attempt in range(2):
            if attempt:
                time.sleep(0.5)
            proc = subprocess.run(harness.wine("reg", "query", key, f"/reg:{view}"),
                                  env=self.session.env, timeout=RUN_TIMEOUT,
                                  stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
            if proc.returncode == 0:
                break
        if proc.returncode != 0:
            return None
        values = {}
        for line in proc.stdout.decode("utf-8", "replace").splitlines():
            match = re.match(r"^    (\S.*?)    (REG_\w+)    ?(.*)$", line)
            if match:
                data = match.group(3)
                if match.group(2) == "REG_DWORD":
                    data = int(data, 16)
                values[match.group(1)] = data
        return values

    def current_saver(self):
        return (self.reg_values(DESKTOP_KEY, 64) or {}).get("SCRNSAVE.EXE")

    def saver_value(self, name):
        return {None: None, "ours": self.saver, "ours upper case": self.saver.upper(),
                "ours lower case": self.saver.lower(), "other build": self.other_saver,
                "other": OTHER_SAVER}[name]

    def set_current_saver(self, name):
        value = self.saver_value(name)
        if value is None:
            self.wine("reg", "delete", DESKTOP_KEY, "/v", "SCRNSAVE.EXE", "/f")
        else:
            code, _ = self.wine("reg", "add", DESKTOP_KEY, "/v", "SCRNSAVE.EXE", "/d", value,
                                "/f")
            self.assertEqual(code, 0)
        self.assertEqual(self.current_saver(), value)

    def clean_machine(self):
        """Takes away everything an install or a test put on the machine."""
        data = unix_path(DATA_DIR)
        if os.path.isdir(data):
            shutil.rmtree(data)
        elif os.path.lexists(data):
            os.remove(data)
        for path in (self.saver, self.other_saver):
            if path and os.path.lexists(unix_path(path)):
                os.remove(unix_path(path))
        if os.path.lexists(harness.settings_file()):
            os.remove(harness.settings_file())
        for view in (32, 64):
            self.wine("reg", "delete", ENTRY_KEY, f"/reg:{view}", "/f")
        self.wine("reg", "delete", PENDING_KEY, "/v", "PendingFileRenameOperations", "/f")

    def prepare(self, before):
        self.clean_machine()
        if before.get("installed"):
            code, err = self.wine(self.own.setup, "/S", "/KEEPSAVER")
            self.assertEqual(code, 0, err)
        if before.get("other build"):
            self.install_other_build()
        if before.get("changed"):
            for path in (self.saver, self.music):
                with open(unix_path(path), "wb") as f:
                    f.write(b"changed since the install")
        if before.get("blocked") == "folder":
            with open(unix_path(DATA_DIR), "w") as f:
                f.write("not a folder\n")
        elif before.get("blocked") in ("music", "uninstaller"):
            path = self.music if before["blocked"] == "music" else UNINSTALLER
            os.makedirs(unix_path(path))
        if before.get("user file"):
            with open(os.path.join(unix_path(DATA_DIR), PLAIN_FILE), "w") as f:
                f.write("mine\n")
        harness.write_settings(before.get("settings"))
        self.set_current_saver(before.get("scrnsave"))
        if "active" in before:
            code, _ = self.wine("reg", "add", DESKTOP_KEY, "/v", "ScreenSaveActive", "/d",
                                before["active"], "/f")
            self.assertEqual(code, 0)

    def install_other_build(self):
        """The other build installed: by its setup program where it can run here, else what it
        leaves (its saver in its system folder, its entry in its registry view) put in place."""
        if not self.other_saver:
            self.skipTest("a 32-bit Windows has no other build")
        other_runs = self.other.arch == "win64" or probe_i386.runs_i386()[0]
        if other_runs and os.path.isfile(self.other.setup):
            code, err = self.wine(self.other.setup, "/S", "/KEEPSAVER")
            self.assertEqual(code, 0, err)
            print("  the other build installed by its own setup program")
        else:
            other_program = self.other.saver_file
            if not os.path.isfile(other_program):
                other_program = self.own.saver_file
            shutil.copyfile(other_program, unix_path(self.other_saver))
            for name, kind, data in (("DisplayName", "REG_SZ", "QAV SAVER Vol.3"),
                                     ("DisplayIcon", "REG_SZ", self.other_saver + ",0"),
                                     ("UninstallString", "REG_SZ", f'"{UNINSTALLER}"')):
                code, _ = self.wine("reg", "add", ENTRY_KEY, "/v", name, "/t", kind, "/d", data,
                                    f"/reg:{self.other.view}", "/f")
                self.assertEqual(code, 0)
            print("  the other build's saver and entry put in place (its setup program cannot "
                  "run here)")
        self.assertTrue(os.path.isfile(unix_path(self.other_saver)))
        self.assertIsNotNone(self.reg_values(ENTRY_KEY, self.other.view))

    # -- what runs ---------------------------------------------------------------------------
    def run_setup(self, switches):
        started = time.time()
        code, err = self.wine(self.own.setup, *switches)
        print(f"  setup {' '.join(switches)}: exit {code} after {time.time() - started:.2f} s")
        return code, err

    def run_two_setups(self, switches):
        """Two setup programs started together; returns their sorted exit codes and both
        standard error outputs."""
        procs = [subprocess.Popen(harness.wine(self.own.setup, *switches), env=self.session.env,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
                 for _ in range(2)]
        results = [p.communicate(timeout=RUN_TIMEOUT) for p in procs]
        codes = sorted(p.returncode for p in procs)
        print(f"  two setups {' '.join(switches)}: exits {codes}")
        return codes, "".join(err.decode("utf-8", "replace") for _, err in results)

    def run_uninstall(self):
        """The entry's QuietUninstallString as it is, which must return when the uninstaller's
        work is done, with its exit code; then a start of Windows, which takes away the
        uninstaller and the folder it could not remove while it ran."""
        command = self.reg_values(ENTRY_KEY, self.own.view)["QuietUninstallString"]
        match = re.match(r'^"([^"]+)"(.*)$', command)
        self.assertIsNotNone(match, command)
        program, switches = match.group(1), match.group(2).split()
        code, err = self.wine(program, *switches)
        print(f"  {command}: exit {code}")
        boot = subprocess.run(harness.wine("wineboot", "-r"), env=self.session.env,
                              timeout=RUN_TIMEOUT, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
        self.assertEqual(boot.returncode, 0)
        return code, err

    def start_installed_saver(self):
        s = self.session
        s.xdotool("mousemove", 300, 200)
        proc = s.start([self.saver, "/s"], cwd=harness.windows_dir())
        self.assertIsNotNone(s.find_window("QV3_02"), "no saver window appeared")
        return proc

    def run_system_start(self):
        """Starts the installed saver from the system folder with the Windows directory as the
        current directory, where no marker file lies: its scenes show and the music of the
        default data folder plays; then its settings window's OK writes the settings file."""
        s = self.session
        windows = harness.windows_dir()
        self.assertFalse(os.path.exists(os.path.join(windows, "QAVSSV3C.SSS")))
        if os.path.exists(self.sink):
            os.remove(self.sink)
        s.xdotool("mousemove", 300, 200)
        proc = s.start([self.saver, "/s"], cwd=windows)
        self.assertIsNotNone(s.find_window("QV3_02"), "no saver window appeared")
        deadline = time.time() + SCENE_TIMEOUT
        drawn = 0
        while drawn < 500 and time.time() < deadline:
            time.sleep(0.5)
            drawn = s.screenshot_gray().count(0, 0, s.width, s.height)
        s.screenshot(os.path.join(self.out_dir(), "installed-saver.png"))
        self.assertGreaterEqual(drawn, 500, "the installed saver shows no scene")
        self.assertGreaterEqual(wait_for_size(self.sink, SECOND, SCENE_TIMEOUT), SECOND,
                                "the installed saver plays no music")
        self.assertIsNone(proc.poll(), "the saver ended by itself")
        s.xdotool("key", "space")
        self.assertEqual(s.wait_exit(proc, EXIT_TIMEOUT), 0)
        heard = file_bytes(self.sink)
        music = wave_data(unix_path(self.music))
        self.assertNotEqual(heard.find(music[:256]), -1,
                            "the music of the default data folder never reached the device")
        print(f"  installed saver: {drawn} pixels drawn, {sink_size(self.sink)} bytes of music")

        self.assertIsNone(harness.read_settings())
        proc = s.start([self.saver, "/c"], cwd=windows)
        deadline = time.time() + EXIT_TIMEOUT
        window = None
        while window is None and time.time() < deadline:
            code, out = s.run_helper("findclass", "QV3_02")
            fields = harness.parse_fields(out)
            if code == 0 and fields.get("visible") == "1":
                window = fields
            else:
                time.sleep(0.3)
        self.assertIsNotNone(window, "no settings window appeared")
        time.sleep(0.5)
        s.xdotool("mousemove", int(window["clientx"]) + OK_BUTTON[0],
                  int(window["clienty"]) + OK_BUTTON[1])
        s.xdotool("click", 1)
        return s.wait_exit(proc, EXIT_TIMEOUT), ""

    def out_dir(self):
        return harness.screenshot_dir()

    # -- what must hold ----------------------------------------------------------------------
    def assert_installed(self):
        self.assertEqual(file_bytes(unix_path(self.saver)), file_bytes(self.own.saver_file))
        self.assertEqual(file_bytes(unix_path(self.music)), file_bytes(BUILT_MUSIC))
        self.assertTrue(os.path.isfile(unix_path(UNINSTALLER)))
        entry = self.reg_values(ENTRY_KEY, self.own.view)
        self.assertIsNotNone(entry, f"no entry in the {self.own.view}-bit view")
        self.assertEqual(sorted(entry), sorted(ENTRY_VALUES))
        sizes = [os.path.getsize(unix_path(p)) for p in (self.saver, self.music, UNINSTALLER)]
        self.assertEqual(entry, {
            "DisplayName": "QAV SAVER Vol.3",
            "DisplayVersion": VERSION,
            "Publisher": "QAV SAVER project",
            "DisplayIcon": self.saver + ",0",
            "InstallLocation": DATA_DIR,
            "EstimatedSize": (sum(sizes) + 1023) // 1024,
            "UninstallString": f'"{UNINSTALLER}"',
            "QuietUninstallString": f'"{UNINSTALLER}" /S _?={DATA_DIR}',
            "NoModify": 1,
            "NoRepair": 1,
        })
        self.assertIsNone(self.reg_values(ENTRY_KEY, self.other.view),
                          f"an entry is in the {self.other.view}-bit view")
        if self.other_saver:
            self.assertFalse(os.path.lexists(unix_path(self.other_saver)),
                             "the other build's saver is left")

    def assert_not_installed(self):
        self.assertIsNone(self.reg_values(ENTRY_KEY, 32), "an entry is left")
        self.assertIsNone(self.reg_values(ENTRY_KEY, 64), "an entry is left")
        for path in (self.saver, self.music, UNINSTALLER):
            path = unix_path(path)
            self.assertFalse(os.path.isfile(path), f"{path} is left")

    def check(self, after, code, err):
        if "code" in after:
            if after["code"] == "failed":
                self.assertNotEqual(code, 0)
            else:
                self.assertEqual(code, after["code"], err)
        if "message" in after:
            self.assertIn(after["message"], err)
        if "no message" in after:
            self.assertNotIn(after["no message"], err)
        if after.get("installed") is True:
            self.assert_installed()
        elif after.get("installed") is False:
            self.assert_not_installed()
        if "scrnsave" in after:
            self.assertEqual(self.current_saver(), self.saver_value(after["scrnsave"]))
        if "active" in after:
            self.assertEqual(self.reg_values(DESKTOP_KEY, 64).get("ScreenSaveActive"),
                             after["active"])
        if "settings" in after:
            self.assertEqual(harness.read_settings(), after["settings"])
        if "data folder" in after:
            data = unix_path(DATA_DIR)
            left = sorted(os.listdir(data)) if os.path.isdir(data) else None
            self.assertEqual(left, after["data folder"])
            pending = (self.reg_values(PENDING_KEY, 64) or {}).get("PendingFileRenameOperations")
            self.assertIsNone(pending, "operations still wait for the next start of Windows")

    def test_scenarios(self):
        self.assertTrue(os.path.isfile(self.own.setup), f"{self.own.setup} was not built")
        for name, before, action, after in self.scenarios:
            with self.subTest(name):
                print(f"\n{name}")
                self.prepare(before)
                running = holder = None
                try:
                    if before.get("saver running"):
                        running = self.start_installed_saver()
                    if before.get("setup held"):
                        # Held for a while only: under Wine the setup's run now and then
                        # returns only once the holder has ended.
                        holder = self.session.start(
                            [os.path.join(harness.TEST_BIN_DIR, "testhelper.exe"), "holdmutex",
                             SETUP_MUTEX, "20"])
                        self.assertEqual(holder.stdout.readline().strip(), "ready=1")
                    if action[0] == "setup":
                        code, err = self.run_setup(action[1:])
                    elif action[0] == "two setups":
                        codes, err = self.run_two_setups(action[1:])
                        self.assertIn(codes, ([0, 0], [0, 3]), err)
                        code = 0
                    elif action[0] == "uninstall":
                        code, err = self.run_uninstall()
                    else:
                        code, err = self.run_system_start()
                        self.assertEqual(code, 0)
                    self.check(after, code, err)
                finally:
                    for proc in (running, holder):
                        if proc is not None and proc.poll() is None:
                            os.killpg(proc.pid, signal.SIGKILL)
                            proc.wait()
        self.clean_machine()



if OTHER_BUILD.arch == "win64":
    class SetupOfTheOtherBuild(Setup):
        """The switches the other way round, in the 32-bit build's list, where both setup
        programs run: the 64-bit one replaces what the real 32-bit one installed."""
        own, other = OTHER_BUILD, THIS_BUILD
        scenarios = [row for row in SCENARIOS if row[1].get("other build")]


if __name__ == "__main__":
    unittest.main(verbosity=2)
