"""What the Python tests and scripts share, for the Windows saver under Wine (tests/e2e, whose
harness.py runs it) and for the native X11 program (tests/x11): the Xvfb screen, gray
screenshots, the screenshot folder, the ALSA file sink and the music heard in it, the scene
director's trace that explains the screenshots, the settings window's skin, and the
screenshot loop of the show scripts.

Found through PYTHONPATH, which CMake sets for the tests and scripts/run, scripts/bench and
scripts/bench-native for their scripts."""

import os
import signal
import struct
import subprocess
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
# The native build: as the tests' environment names it, else beside the Windows build under
# test (QV3_BUILD_DIR, build/win32 by default).
NATIVE_DIR = os.environ.get("QV3_NATIVE_DIR", os.path.join(
    os.environ.get("QV3_BUILD_DIR", os.path.join(ROOT, "build", "win32")), "..", "native"))


def screenshot_dir(build_dir):
    """The folder the tests keep screenshots in for people to look at, created."""
    path = os.environ.get("QV3_SCREENSHOT_DIR", os.path.join(build_dir, "screenshots"))
    os.makedirs(path, exist_ok=True)
    return path


def windows_path(path):
    """A Unix path as a Windows program under Wine names it."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


# -- the screen ------------------------------------------------------------------------------
class Xvfb:
    """An Xvfb screen of any depth, optionally open to every user."""

    def __init__(self, width, height, depth=24, open_to_all=False):
        read_fd, write_fd = os.pipe()
        args = ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", f"{width}x{height}x{depth}",
                "-nolisten", "tcp", "-noreset"] + (["-ac"] if open_to_all else [])
        self.proc = subprocess.Popen(args, pass_fds=(write_fd,), stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL, start_new_session=True)
        os.close(write_fd)
        number = b""
        deadline = time.time() + 20
        while not number.endswith(b"\n") and time.time() < deadline:
            chunk = os.read(read_fd, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_fd)
        if not number.strip():
            self.stop()
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number.decode().strip()

    def stop(self):
        if self.proc.poll() is None:
            os.killpg(self.proc.pid, signal.SIGTERM)
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                os.killpg(self.proc.pid, signal.SIGKILL)
                self.proc.wait()


class GrayImage:
    def __init__(self, width, height, gray):
        self.width, self.height, self.gray = width, height, gray

    def count(self, x0, y0, x1, y1):
        """Non-black pixels in [x0, x1) x [y0, y1), clipped to the screen."""
        x0, y0 = max(x0, 0), max(y0, 0)
        x1, y1 = min(x1, self.width), min(y1, self.height)
        total = 0
        for y in range(y0, y1):
            row = self.gray[y * self.width + x0:y * self.width + x1]
            total += len(row) - row.count(0)
        return total


# -- the sound -------------------------------------------------------------------------------
# The format every sample reaches the sink in: the saver's own device format, so that what
# the saver plays passes the plug converter unchanged and the sink holds the played bytes.
SINK_RATE = 22050
SINK_CHANNELS = 1
SINK_FORMAT = "U8"
SECOND = SINK_RATE * SINK_CHANNELS  # bytes of one second of U8 sink samples


def alsa_sink_config(sink_path):
    """ALSA configuration whose default device writes raw samples to `sink_path`.

    The plug converts whatever a program opens the device with to the sink's fixed format; the
    file plugin writes the samples it is given to the file and passes them on to a null device,
    which takes them at once: the sink fills faster than real time (Wine feeds it about four
    times as fast), but with the samples in order and none left out.
    """
    return (
        "pcm.!default {\n"
        "  type plug\n"
        "  slave {\n"
        "    pcm \"qv3file\"\n"
        f"    format {SINK_FORMAT}\n"
        f"    channels {SINK_CHANNELS}\n"
        f"    rate {SINK_RATE}\n"
        "  }\n"
        "}\n"
        "pcm.qv3file {\n"
        "  type file\n"
        "  slave.pcm \"qv3null\"\n"
        f"  file \"{sink_path}\"\n"
        "  format \"raw\"\n"
        "}\n"
        "pcm.qv3null { type null }\n"
        "ctl.!default { type hw card 0 }\n"
    )


def sink_size(path):
    return os.path.getsize(path) if os.path.exists(path) else 0


def wait_for_size(path, size, timeout):
    deadline = time.time() + timeout
    while sink_size(path) < size and time.time() < deadline:
        time.sleep(0.1)
    return sink_size(path)


def wave_data(path):
    """The bytes of the "data" chunk of a RIFF WAVE file."""
    with open(path, "rb") as f:
        riff = f.read()
    assert riff[:4] == b"RIFF" and riff[8:12] == b"WAVE", path
    at = 12
    while at + 8 <= len(riff):
        chunk_id, size = struct.unpack_from("<4sI", riff, at)
        if chunk_id == b"data":
            return riff[at + 8:at + 8 + size]
        at += 8 + size + (size & 1)
    raise AssertionError(f"{path} has no data chunk")


# -- the scene director's trace --------------------------------------------------------------
SCENETRACE = os.path.join(NATIVE_DIR, "tools", "scenetrace", "scenetrace")
TRACE_TICKS = 1500  # two and a half minutes at speed 5, more than any test looks at


def traced_scenes(seed, screen):
    """The scenes of a trace: for each, the three rectangles (x0, y0, x1, y1) and the frames."""
    args = [SCENETRACE, str(seed), "%dx%d" % screen, str(TRACE_TICKS)]
    out = subprocess.run(args, check=True, stdout=subprocess.PIPE, text=True).stdout
    ticks = {}
    for line in out.splitlines():
        tick, kind, sheet, x, y, sx, sy, w, h, level = map(int, line.split())
        if kind == 1:
            ticks.setdefault(tick, []).append((sheet, x, y, sx, sy, w, h))
    scenes = []
    for tick in sorted(ticks):
        places = tuple((x, y) for _, x, y, *_ in ticks[tick])
        if not scenes or scenes[-1]["places"] != places:
            rects = [(x, y, x + w, y + h) for _, x, y, _, _, w, h in ticks[tick]]
            sheets = {sheet for sheet, *_ in ticks[tick]}
            scenes.append({"places": places, "rects": rects, "sheets": sheets,
                           "sources": set()})
        scenes[-1]["sources"].update((sheet, sx, sy) for sheet, _, _, sx, sy, _, _ in ticks[tick])
    return scenes


def inside_counts(shot, rects):
    return [shot.count(x0, y0, x1, y1) for x0, y0, x1, y1 in rects]


def explain(shots, scenes, area):
    """For each screenshot, the index of the scene that explains it (None for a dark one), or
    None when some screenshot has pixels outside the rectangles of every scene it can show.
    Scenes come in the trace's order, so a screenshot is explained by the scene of the one
    before it or a later one: however slowly the screenshots come, they walk the trace forwards
    and a wrong seed finds no such walk."""
    matches = []
    earliest = 0
    for shot in shots:
        total = shot.count(*area)
        if total == 0:
            matches.append(None)
            continue
        found = None
        for index in range(earliest, len(scenes)):
            if sum(inside_counts(shot, scenes[index]["rects"])) == total:
                found = index
                break
        if found is None:
            return None
        matches.append(found)
        earliest = found
    return matches


def find_seed(started, shots, screen, area):
    """(scenes, matches) of the first seed from the seconds around `started` (the saver seeds
    with the clock) whose trace explains the screenshots, some of them drawn; a test failure
    when none does."""
    for seed in range(int(started) - 2, int(time.time()) + 1):
        scenes = traced_scenes(seed, screen)
        matches = explain(shots, scenes, area)
        if matches is not None and any(m is not None for m in matches):
            return scenes, matches
    raise AssertionError("no seed around the start explains the screenshots")


# -- the settings window's skin --------------------------------------------------------------
SKIN_PNG = os.path.join(ROOT, "res", "skin106.png")
SKIN_WIDTH, SKIN_HEIGHT = 344, 560
BACKGROUND_ROW = 224
TRANSPARENT = (248, 0, 248)  # colour 0 of the skin's palette
WINDOW_CLASS = "QV3_02"
EXIT_TIMEOUT = 15  # seconds for the saver to end once its window has closed
LOOK_TIMEOUT = 4   # seconds for the screen to show what is expected

# The controls: client position, size, normal face source and pressed face source.
CONTROLS = {
    "OK": ((120, 239), (96, 32), (160, 0), (160, 32)),
    "CANCEL": ((223, 239), (96, 32), (160, 64), (160, 96)),
    "MUSIC_OFF": ((60, 187), (80, 28), (0, 66), (0, 98)),
    "MUSIC_ON": ((60, 187), (80, 28), (80, 66), (80, 98)),
    "MNUM": ((47, 133), (28, 28), (258, 2), (258, 34)),
    "PNUM": ((275, 133), (28, 28), (290, 2), (290, 34)),
}
SLIDER = ((75, 133), (200, 28), (0, 194))
KNOB_SOURCE, KNOB_SIZE = (202, 194), 28
TENS, UNITS = (113, 116), (129, 116)
DIGIT_SIZE = 16
SLIDER_Y = 133 + 14
START = "[QV3_02]\nWAV=0\nSPEED=3\n"


def slider_x(offset):
    """The client x that puts the knob's middle under the cursor at `offset`."""
    return 75 + 14 + offset


def center(name):
    (x, y), (w, h) = CONTROLS[name][:2]
    return x + w // 2, y + h // 2


def settings_values(text):
    values = {}
    for line in (text or "").splitlines():
        if "=" in line:
            key, value = line.split("=", 1)
            values[key.strip()] = value.strip()
    return values


class Skin:
    def __init__(self):
        self.rgb = subprocess.run(["convert", SKIN_PNG, "-depth", "8", "rgb:-"], check=True,
                                  stdout=subprocess.PIPE, timeout=60).stdout
        assert len(self.rgb) == SKIN_WIDTH * SKIN_HEIGHT * 3

    def pixel(self, x, y):
        i = (y * SKIN_WIDTH + x) * 3
        return tuple(self.rgb[i:i + 3])

    def compose(self, dest, size, source, knob=None):
        """The pixels a control shows: its face over the background under it, and for the
        slider the knob at offset `knob` over that."""
        (dx, dy), (w, h), (sx, sy) = dest, size, source
        rows = []
        for j in range(h):
            row = []
            for i in range(w):
                p = self.pixel(sx + i, sy + j)
                if p == TRANSPARENT:
                    p = self.pixel(dx + i, dy + j + BACKGROUND_ROW)
                if knob is not None and 0 <= i - knob < KNOB_SIZE:
                    k = self.pixel(KNOB_SOURCE[0] + i - knob, KNOB_SOURCE[1] + j)
                    if k != TRANSPARENT:
                        p = k
                row.append(p)
            rows.append(row)
        return rows

    def digit(self, dest, entry):
        return self.compose(dest, (DIGIT_SIZE, DIGIT_SIZE), (160 + 16 * entry, 128))

    def expected(self, look):
        """(client position, pixels) for one expectation of the scenario table."""
        kind = look[0]
        if kind == "face":
            dest, size, normal, pressed = CONTROLS[look[1]]
            return dest, self.compose(dest, size, pressed if look[2] else normal)
        if kind == "knob":
            dest, size, source = SLIDER
            # An offset of None: the knob is not seen at all.
            return dest, self.compose(dest, size, source, look[1])
        if kind == "digits":
            # None: both places blank.
            tens, units = divmod(look[1], 10) if look[1] is not None else (10, 10)
            left, right = self.digit(TENS, tens or 10), self.digit(UNITS, units)
            return TENS, [a + b for a, b in zip(left, right)]
        raise ValueError(kind)


# -- the show scripts ------------------------------------------------------------------------
def show(outdir, name, proc, shoot):
    """Writes a screenshot OUTDIR/NAME-1.png, -2.png ... every two seconds, six at most, while
    `proc` runs; `shoot(path)` takes one. Returns their paths."""
    os.makedirs(outdir, exist_ok=True)
    shots = []
    for i in range(6):
        time.sleep(2)
        path = os.path.join(outdir, f"{name}-{i + 1}.png")
        shoot(path)
        shots.append(path)
        if proc.poll() is not None:
            break
    return shots


def print_shots(shots):
    print("screenshots written:")
    for path in shots:
        print("  " + path)
