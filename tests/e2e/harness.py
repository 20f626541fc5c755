"""Runs the screen saver and its test programs under Wine inside Xvfb.

The build it tests (QV3_BUILD_DIR) is the 32-bit one ("win32") or the 64-bit one ("win64"):
the same tests run for each, in a 64-bit (WoW64) prefix, as most users run the 32-bit saver.
The 32-bit build's runs are started through run_i386.py, which runs them natively or under
emulation; started any other way where this machine runs no 32-bit x86 code, each is skipped
with the reason (exit code 77) instead of failing or passing.

One Wine prefix is made per test run (see `prepare_prefix`) and shared by every test of the
run; each `Session` starts its own Xvfb with the screen size it asks for, and on leaving ends
every process it started, by id, and the prefix's wineserver.
"""

import os
import runpy
import shutil
import signal
import subprocess
import sys
import tempfile
import time

import probe_i386
import testkit
from testkit import GrayImage, Xvfb

HERE = os.path.dirname(os.path.abspath(__file__))
BUILD_DIR = os.environ.get("QV3_BUILD_DIR", os.path.join(HERE, "..", "..", "build", "win32"))
PREFIX = os.environ.get("QV3_WINEPREFIX", os.path.join(BUILD_DIR, "wineprefix"))
DIST_DIR = os.path.join(BUILD_DIR, "dist")
TEST_BIN_DIR = os.path.join(BUILD_DIR, "testbin")
NATIVE_DIR = testkit.NATIVE_DIR
READY_MARK = ".qv3-ready"

# "win32" or "win64": which of the two builds these tests run.
ARCH = os.environ.get("QV3_ARCH") or os.path.basename(os.path.normpath(BUILD_DIR))
IS_64_BIT = ARCH == "win64"
# The `wine` wrapper always picks the 32-bit loader when it is installed; the 64-bit build is
# started through the 64-bit loader directly.
WINE64_LOADER = "/usr/lib/wine/wine64"
WINE = [WINE64_LOADER] if IS_64_BIT else ["wine"]
SKIP_EXIT_CODE = 77


def skip_reason():
    """Why this build cannot run on this machine, or None when it can."""
    if IS_64_BIT:
        return None
    runs, reason = probe_i386.runs_i386()
    return None if runs else (f"32-bit build not run: {reason}; tests/e2e/run_i386.py runs it "
                              "under emulation")


def exit_if_cannot_run():
    """Ends the process with the skip code, and the reason on the standard output, when the
    build under test cannot run here."""
    reason = skip_reason()
    if reason:
        print(f"SKIPPED: {reason}", flush=True)
        sys.exit(SKIP_EXIT_CODE)


def wine(*argv):
    """The command line that runs a Windows program (or a Wine built-in such as `reg`)."""
    return WINE + [str(a) for a in argv]


def base_env(display=None, audio_sink=None, alsa=True):
    env = dict(os.environ)
    env["WINEPREFIX"] = PREFIX
    if IS_64_BIT:
        env["WINEARCH"] = "win64"
        env["WINELOADER"] = WINE64_LOADER
    env["WINEDEBUG"] = "-all"
    env["WINEDLLOVERRIDES"] = "mscoree,mshtml=;winemenubuilder.exe=d"
    env.pop("WAYLAND_DISPLAY", None)
    if display is not None:
        env["DISPLAY"] = display
    if alsa:
        config_dir = os.path.join(PREFIX, "..", "alsa")
        os.makedirs(config_dir, exist_ok=True)
        config = os.path.join(config_dir, "asound.conf")
        sink = audio_sink or os.path.join(config_dir, "discard.raw")
        with open(config, "w") as f:
            f.write(testkit.alsa_sink_config(sink))
        env["ALSA_CONFIG_PATH"] = config
    else:
        # No usable ALSA device at all.
        config_dir = os.path.join(PREFIX, "..", "alsa")
        os.makedirs(config_dir, exist_ok=True)
        config = os.path.join(config_dir, "empty.conf")
        with open(config, "w") as f:
            f.write("\n")
        env["ALSA_CONFIG_PATH"] = config
    return env


def wineserver_kill(env):
    subprocess.run(["wineserver", "-k"], env=env, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=30)
    subprocess.run(["wineserver", "-w"], env=env, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=30)


X11_DRIVER_KEY = r"HKCU\Software\Wine\X11 Driver"


def monitor_geometry(width, height, x, y):
    """An xrandr --setmonitor geometry at 96 DPI: width/mm x height/mm + x + y."""
    return f"{width}/{width * 254 // 960}x{height}/{height * 254 // 960}+{x}+{y}"


def split_into_monitors(env, monitors):
    """Makes the X screen of `env` a set of monitors, each (x, y, width, height), the first the
    primary, and has Wine read them through Xinerama, as it does once told not to use XRandR
    (the setting takes effect with a new wineserver). end_monitor_split takes the setting
    back."""
    def run(*args):
        subprocess.run(list(args), env=env, check=True, timeout=120, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
    for index, (x, y, width, height) in enumerate(monitors):
        name, output = ("*PRIM", "screen") if index == 0 else (f"MONITOR{index}", "none")
        run("xrandr", "--setmonitor", name, monitor_geometry(width, height, x, y), output)
    run(*wine("reg", "add", X11_DRIVER_KEY, "/v", "UseXRandR", "/d", "N", "/f"))
    wineserver_kill(env)


def end_monitor_split(env):
    subprocess.run(wine("reg", "delete", X11_DRIVER_KEY, "/v", "UseXRandR", "/f"), env=env,
                   timeout=120, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def prepare_prefix(fresh=False):
    """Creates and boots the run's Wine prefix, or reuses a ready one. The prefix is a 64-bit
    one for both builds, made by the 64-bit loader, which is quick where 32-bit code is
    emulated."""
    if fresh and os.path.isdir(PREFIX):
        shutil.rmtree(PREFIX)
    if os.path.exists(os.path.join(PREFIX, READY_MARK)):
        return
    os.makedirs(os.path.dirname(PREFIX), exist_ok=True)
    xvfb = Xvfb(1024, 768)
    env = base_env(xvfb.display)
    env.update(WINEARCH="win64", WINELOADER=WINE64_LOADER)
    try:
        subprocess.run([WINE64_LOADER, "wineboot", "-i"], env=env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=300, check=True)
        # Sound goes through ALSA, where the tests point the default device at a file.
        subprocess.run([WINE64_LOADER, "reg", "add", r"HKCU\Software\Wine\Drivers", "/v",
                        "Audio", "/d", "alsa", "/f"], env=env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=120, check=True)
        subprocess.run(["wineserver", "-w"], env=env, timeout=120)
    finally:
        wineserver_kill(env)
        xvfb.stop()
    with open(os.path.join(PREFIX, READY_MARK), "w") as f:
        f.write("ready\n")


def screenshot_dir():
    """The folder for screenshots people look at: testkit.screenshot_dir of this build."""
    return testkit.screenshot_dir(BUILD_DIR)


def windows_dir():
    return os.path.join(PREFIX, "drive_c", "windows")


def settings_file():
    return os.path.join(windows_dir(), "QAV3CFG.INI")


def write_settings(text):
    """Writes the settings file, or removes it when `text` is None."""
    prepare_prefix()
    path = settings_file()
    if text is None:
        if os.path.exists(path):
            os.remove(path)
    else:
        with open(path, "w", newline="\r\n") as f:
            f.write(text)


def read_settings():
    path = settings_file()
    if not os.path.exists(path):
        return None
    with open(path, "rb") as f:
        return f.read().decode("latin-1").replace("\r\n", "\n")


class Session:
    """One Xvfb screen and the Wine processes started on it."""

    def __init__(self, width=1024, height=768, audio_sink=None, alsa=True):
        self.width, self.height = width, height
        prepare_prefix()
        self.xvfb = Xvfb(width, height)
        self.env = base_env(self.xvfb.display, audio_sink, alsa)
        self.procs = []
        self.tmp = tempfile.mkdtemp(prefix="qv3-")

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def close(self):
        for proc in self.procs:
            if proc.poll() is None:
                try:
                    os.killpg(proc.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
                proc.wait()
        wineserver_kill(self.env)
        self.xvfb.stop()
        shutil.rmtree(self.tmp, ignore_errors=True)

    # -- processes ---------------------------------------------------------------------------
    def start(self, argv, cwd=None, env=None):
        proc = subprocess.Popen(wine(*argv), cwd=cwd, env=env or self.env,
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                start_new_session=True, text=True)
        self.procs.append(proc)
        return proc

    def start_saver(self, *args, dist=None, env=None):
        dist = dist or DIST_DIR
        return self.start([os.path.join(dist, "QAVSSV3.SCR")] + list(args), cwd=dist, env=env)

    def run_helper(self, *args, timeout=60, cwd=None):
        """Runs testhelper.exe to completion; returns (exit code, output)."""
        proc = self.start([os.path.join(TEST_BIN_DIR, "testhelper.exe")] + list(args), cwd=cwd)
        out, _ = proc.communicate(timeout=timeout)
        return proc.returncode, out

    def wait_exit(self, proc, timeout):
        try:
            return proc.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def find_window(self, title, timeout=20):
        """Waits for a top-level window titled `title`; returns its properties or None."""
        deadline = time.time() + timeout
        while True:
            code, out = self.run_helper("find", title)
            if code == 0:
                return parse_fields(out)
            if time.time() >= deadline:
                return None
            time.sleep(0.3)

    # -- X side ------------------------------------------------------------------------------
    def xdotool(self, *args):
        subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env, check=True,
                       timeout=30, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def screenshot(self, png_path=None):
        """Returns the screen as an `Image`; also saves it as PNG when a path is given."""
        raw = subprocess.run(["import", "-window", "root", "-depth", "8", "rgb:-"],
                             env=self.env, check=True, stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL, timeout=60).stdout
        image = Image(self.width, self.height, raw)
        if png_path:
            image.save_png(png_path)
        return image

    def screenshot_gray(self):
        """The screen as one byte per pixel, 0 only where the pixel is black."""
        raw = subprocess.run(["import", "-window", "root", "-depth", "8", "-colorspace", "gray",
                              "gray:-"], env=self.env, check=True,
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                             timeout=60).stdout
        return GrayImage(self.width, self.height, raw)


class Image:
    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, rgb

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.rgb[i:i + 3])

    def count_non_black(self, x0=0, y0=0, x1=None, y1=None, step=1):
        """Counts the pixels that are not black in a rectangle, every `step`-th pixel."""
        x1 = self.width if x1 is None else x1
        y1 = self.height if y1 is None else y1
        count = 0
        for y in range(y0, y1, step):
            row = self.rgb[(y * self.width + x0) * 3:(y * self.width + x1) * 3]
            count += sum(1 for i in range(0, len(row), 3 * step)
                         if row[i] | row[i + 1] | row[i + 2])
        return count

    def save_png(self, path):
        subprocess.run(["convert", "-size", f"{self.width}x{self.height}", "-depth", "8",
                        "rgb:-", path], input=self.rgb, check=True, timeout=60)


def parse_fields(text):
    """Parses 'key=value' words of a helper's first output line."""
    fields = {}
    for word in text.split():
        if "=" in word:
            key, value = word.split("=", 1)
            fields[key] = value
    return fields


def copy_dist(dest):
    """A private copy of the distribution folder, for tests that add files beside the saver."""
    shutil.copytree(DIST_DIR, dest, dirs_exist_ok=True)
    return dest


def main(argv):
    if argv[1:2] in (["prepare-prefix"], ["run"], ["script"]):
        exit_if_cannot_run()
    if argv[1:2] == ["script"] and len(argv) == 3:
        # A test script of this build: run in this process, as `python3 SCRIPT` would.
        sys.argv = argv[2:]
        sys.path.insert(0, os.path.dirname(os.path.abspath(argv[2])))
        runpy.run_path(argv[2], run_name="__main__")
        return 0
    if argv[1:2] == ["prepare-prefix"]:
        prepare_prefix(fresh="--fresh" in argv)
        return 0
    if argv[1:2] == ["run"]:
        # Test-program runner for CTest: runs a Windows program under Wine inside Xvfb.
        args, size = argv[2:], (1024, 768)
        if args[:1] == ["--size"]:
            size = tuple(int(n) for n in args[1].split("x"))
            args = args[2:]
        with Session(*size) as session:
            proc = subprocess.Popen(wine(*args), env=session.env,
                                    start_new_session=True)
            session.procs.append(proc)
            return proc.wait()
    print("usage: harness.py prepare-prefix [--fresh] | run [--size WxH] PROGRAM [ARGS...] | "
          "script TEST.py", file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
