"""The native Wayland program qavsaver3-wayland under a headless sway.

sway refuses to run as root, so a test started as root runs it as nobody, with a private runtime
folder of its own; the program, grim, wtype and swaymsg connect to its socket by path. Each
output's screenshots are explained by the director's trace of that output's seed, as the X11
monitor test explains its monitors; an output added gets its show; a key ends it, SIGTERM ends it by that
signal (an output taken away cannot be tried: sway 1.7's headless outputs cannot be); and
the bad inputs (no compositor, a compositor that dies, one without wl_shm, an output
of size 0) end it with a line naming the problem."""

import glob
import os
import pwd
import signal
import subprocess
import tempfile
import time
import unittest

import testkit
from testkit import GrayImage, explain, traced_scenes

NATIVE_DIR = testkit.NATIVE_DIR
PROGRAM = os.environ.get("QV3_WAYLAND", os.path.join(NATIVE_DIR, "wayland", "qavsaver3-wayland"))
FAKE = os.environ.get("QV3_FAKE_COMPOSITOR",
                      os.path.join(NATIVE_DIR, "tests", "wayland", "fake_compositor"))
ENDED_BY_SIGTERM = -signal.SIGTERM
# The outputs: the first sway makes, and the one the test adds, as (name, width, height, x).
FIRST = ("HEADLESS-1", 1024, 768, 0)
SECOND = ("HEADLESS-2", 800, 600, 1024)


class Sway:
    """A headless sway of its own, run as an unprivileged user when the test runs as root."""

    def __init__(self, first_size=(FIRST[1], FIRST[2])):
        self.dir = tempfile.mkdtemp(prefix="qv3wl-")
        os.chmod(self.dir, 0o700)
        user = None
        if os.getuid() == 0:
            user = pwd.getpwnam("nobody")
            os.chown(self.dir, user.pw_uid, user.pw_gid)
        config = os.path.join(self.dir, "config")
        with open(config, "w") as f:
            f.write(f"output {FIRST[0]} mode {first_size[0]}x{first_size[1]} position 0 0\n"
                    f"output {SECOND[0]} mode {SECOND[1]}x{SECOND[2]} position {SECOND[3]} 0\n"
                    "output * background #13579b solid_color\n")
        self.env = dict(os.environ, XDG_RUNTIME_DIR=self.dir, HOME=self.dir,
                        WLR_BACKENDS="headless", WLR_RENDERER="pixman",
                        WLR_LIBINPUT_NO_DEVICES="1", WLR_HEADLESS_OUTPUTS="1")
        for name in ("WAYLAND_DISPLAY", "DISPLAY", "SWAYSOCK"):
            self.env.pop(name, None)
        command = ["sway", "-c", config]
        if user:
            command = ["setpriv", f"--reuid={user.pw_uid}", f"--regid={user.pw_gid}",
                       "--clear-groups"] + command
        self.log = open(os.path.join(self.dir, "sway.log"), "w")
        self.proc = subprocess.Popen(command, env=self.env, stdout=self.log, stderr=self.log,
                                     start_new_session=True)
        deadline = time.time() + 30
        sockets, ipc = [], []
        while time.time() < deadline and not (sockets and ipc) and self.proc.poll() is None:
            time.sleep(0.1)
            sockets = [p for p in glob.glob(os.path.join(self.dir, "wayland-*"))
                       if not p.endswith(".lock")]
            ipc = glob.glob(os.path.join(self.dir, "sway-ipc.*.sock"))
        if not (sockets and ipc):
            self.stop()
            raise RuntimeError("sway did not start: " + open(self.log.name).read()[-2000:])
        # A path: libwayland connects to it as it stands, whoever owns the folder.
        self.env["WAYLAND_DISPLAY"] = sockets[0]
        self.env["SWAYSOCK"] = ipc[0]
        # No sound device.
        self.env["ALSA_CONFIG_PATH"] = os.path.join(self.dir, "asound.conf")
        with open(self.env["ALSA_CONFIG_PATH"], "w") as f:
            f.write("\n")
        self.procs = []

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        for proc in self.procs:
            if proc.poll() is None:
                os.killpg(proc.pid, signal.SIGKILL)
                proc.wait()
            proc.stderr.close()
        self.stop()

    def stop(self):
        if self.proc.poll() is None:
            os.killpg(self.proc.pid, signal.SIGTERM)
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                os.killpg(self.proc.pid, signal.SIGKILL)
                self.proc.wait()
        self.log.close()
        subprocess.run(["rm", "-rf", self.dir])

    def run(self, *args):
        return subprocess.run([str(a) for a in args], env=self.env, check=True, timeout=60,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True).stdout

    def add_second_output(self):
        self.run("swaymsg", "create_output")
        self.wait_for_output(SECOND[0])

    def outputs(self):
        import json
        return {o["name"]: o for o in json.loads(self.run("swaymsg", "-r", "-t", "get_outputs"))}

    def wait_for_output(self, name):
        deadline = time.time() + 20
        while time.time() < deadline:
            found = self.outputs().get(name)
            if found and found.get("active"):
                return
            time.sleep(0.1)
        raise AssertionError(f"{name} did not come")

    def start(self, *args, env=None):
        proc = subprocess.Popen([PROGRAM] + [str(a) for a in args], env=env or self.env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                start_new_session=True, text=True)
        self.procs.append(proc)
        return proc

    def shot(self, output):
        """A screenshot of one output: each pixel 0 where it is black, 255 elsewhere."""
        ppm = subprocess.run(["grim", "-t", "ppm", "-o", output, "-"], env=self.env, check=True,
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=60).stdout
        fields, at = [], 0
        while len(fields) < 4:
            while ppm[at:at + 1].isspace():
                at += 1
            end = at
            while not ppm[end:end + 1].isspace():
                end += 1
            fields.append(ppm[at:end])
            at = end
        width, height = int(fields[1]), int(fields[2])
        pixels = ppm[at + 1:at + 1 + width * height * 3]
        gray = bytes(255 if pixels[i] | pixels[i + 1] | pixels[i + 2] else 0
                     for i in range(0, len(pixels), 3))
        return GrayImage(width, height, gray)

    def shot_png(self, path):
        subprocess.run(["grim", path], env=self.env, check=True, timeout=60)

    def drawn_on(self, output, seconds):
        deadline = time.time() + seconds
        while time.time() < deadline:
            shot = self.shot(output)
            # Characters on the program's black, not sway's background.
            if not is_background(shot) and shot.count(0, 0, shot.width, shot.height):
                return True
            time.sleep(0.2)
        return False


def out_dir():
    return testkit.screenshot_dir(NATIVE_DIR)


def is_background(shot):
    """Whether the shot shows sway's background colour, not the program's black."""
    return shot.count(0, 0, shot.width, shot.height) == shot.width * shot.height


class Shows(unittest.TestCase):
    def test_each_output_shows_its_seeds_scenes_and_sigterm_ends_it(self):
        seed = 31
        outputs = (FIRST, SECOND)
        with Sway() as sway:
            sway.add_second_output()
            proc = sway.start("-seed", seed, "-speed", 5)
            shots = {name: [] for name, *_ in outputs}
            deadline = time.time() + 14
            while time.time() < deadline:
                for name, *_ in outputs:
                    shot = sway.shot(name)
                    # From the moment the program's black surface covers the output.
                    if shots[name] or not is_background(shot):
                        shots[name].append(shot)
            sway.shot_png(os.path.join(out_dir(), "wayland-two-outputs.png"))
            self.assertIsNone(proc.poll(), proc.stderr.read() if proc.poll() is not None else "")
            os.kill(proc.pid, signal.SIGTERM)
            self.assertEqual(proc.wait(10), ENDED_BY_SIGTERM, proc.stderr.read())
        firsts = []
        for index, (name, width, height, _) in enumerate(outputs):
            taken = shots[name]
            self.assertGreater(len(taken), 10, name)
            self.assertEqual((taken[0].width, taken[0].height), (width, height))
            # Output i shows the scenes of seed + i, placed for its own size.
            scenes = traced_scenes(seed + index, (width, height))
            matches = explain(taken, scenes, (0, 0, width, height))
            self.assertIsNotNone(matches, f"{name}: pixels outside its show's traced scenes")
            shown = [m for m in matches if m is not None]
            self.assertGreaterEqual(len(set(shown)), 2, f"{name}: no second scene")
            self.assertEqual(shown, sorted(shown), f"{name}: the scenes come out of order")
            firsts.append(scenes[shown[0]]["rects"])
        self.assertNotEqual(firsts[0], firsts[1], "the two outputs show the same scene")

    def test_an_output_of_scale_2_draws_each_picture_pixel_as_a_block(self):
        # 1024 x 768 at scale 2: the scenes of a 512 x 384 picture, every pixel doubled, as the
        # X11 program draws them at 192 DPI.
        seed = 99
        name, width, height, _ = FIRST
        with Sway() as sway:
            sway.run("swaymsg", "output", name, "scale", 2)
            proc = sway.start("-seed", seed, "-speed", 5)
            shots = []
            deadline = time.time() + 8
            while time.time() < deadline:
                shot = sway.shot(name)
                if shots or not is_background(shot):
                    shots.append(shot)
            os.kill(proc.pid, signal.SIGTERM)
            self.assertEqual(proc.wait(10), ENDED_BY_SIGTERM, proc.stderr.read())
        self.assertEqual((shots[0].width, shots[0].height), (width, height))
        scenes = traced_scenes(seed, (width // 2, height // 2))
        for scene in scenes:
            scene["rects"] = [tuple(v * 2 for v in r) for r in scene["rects"]]
        matches = explain(shots, scenes, (0, 0, width, height))
        self.assertIsNotNone(matches, "pixels outside the traced scenes")
        self.assertTrue([m for m in matches if m is not None], "no characters")
        shot = max(shots, key=lambda s: s.count(0, 0, s.width, s.height))
        rows = [shot.gray[y * width:(y + 1) * width] for y in range(height)]
        self.assertTrue(all(rows[y] == rows[y + 1] and rows[y][0::2] == rows[y][1::2]
                            for y in range(0, height, 2)), "not drawn in 2 x 2 blocks")

    def test_an_output_that_comes_gets_its_show_and_a_key_ends_it(self):
        # Taking an output away cannot be tried here: sway 1.7 has no "unplug", and its headless
        # outputs refuse "disable" ("Failed to commit output").
        with Sway() as sway:
            proc = sway.start("-speed", 5)
            self.assertTrue(sway.drawn_on(FIRST[0], 15), "nothing drawn on the first output")
            sway.add_second_output()
            self.assertTrue(sway.drawn_on(SECOND[0], 15), "the added output got no show")
            self.assertIsNone(proc.poll())
            # The seat has a keyboard only once wtype's virtual one comes: it waits a second
            # before the key, for the program to take that keyboard and its focus.
            sway.run("wtype", "-s", 1000, "a")
            self.assertEqual(proc.wait(10), 0, proc.stderr.read())
            self.assertEqual(proc.stderr.read(), "")


class BadInput(unittest.TestCase):
    def check_refusal(self, proc, line):
        self.assertEqual(proc.wait(20), 1)
        self.assertEqual(proc.stderr.read(), f"qavsaver3-wayland: {line}\n")

    def test_no_compositor(self):
        env = dict(os.environ, WAYLAND_DISPLAY="/nonexistent/wayland-9")
        with subprocess.Popen([PROGRAM], env=env, stderr=subprocess.PIPE, text=True) as proc:
            self.check_refusal(proc, "cannot connect to the Wayland display /nonexistent/wayland-9")

    def test_a_compositor_that_dies(self):
        with Sway() as sway:
            proc = sway.start("-speed", 5)
            self.assertTrue(sway.drawn_on(FIRST[0], 15))
            os.killpg(sway.proc.pid, signal.SIGKILL)
            sway.proc.wait()
            self.check_refusal(proc, "lost the connection to the compositor")

    def test_compositors_it_cannot_use(self):
        # (what the stand-in compositor lacks, the line)
        cases = [("no-shm", "the compositor offers no wl_shm"),
                 ("zero-output", "output FAKE-1 has size 0x0")]
        for kind, line in cases:
            with self.subTest(kind=kind):
                folder = tempfile.mkdtemp(prefix="qv3fake-")
                socket = os.path.join(folder, "wayland-fake")
                fake = subprocess.Popen([FAKE, socket, kind], stdout=subprocess.PIPE)
                try:
                    self.assertEqual(fake.stdout.readline().strip(), b"ready")
                    env = dict(os.environ, WAYLAND_DISPLAY=socket)
                    with subprocess.Popen([PROGRAM], env=env, stderr=subprocess.PIPE,
                                          text=True) as proc:
                        self.check_refusal(proc, line)
                finally:
                    fake.kill()
                    fake.wait()
                    fake.stdout.close()
                    subprocess.run(["rm", "-rf", folder])


if __name__ == "__main__":
    unittest.main(verbosity=2)
