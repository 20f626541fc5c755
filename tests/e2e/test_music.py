"""The background music of the real saver under Wine, heard through an ALSA device that writes
every sample it is given to a file (see testkit.alsa_sink_config)."""

import math
import os
import shutil
import tempfile
import time
import unittest

import harness
from testkit import SECOND, sink_size, wait_for_size, wave_data

EXIT_TIMEOUT = 15
MUSIC_FILE = os.path.join(harness.DIST_DIR, "QV3", "BGM04.SSS")
MAX_LAG = 32  # samples a resampler on the way could shift the sound by


def level(samples):
    """Root mean square of U8 samples around their middle value."""
    return math.sqrt(sum((s - 128) ** 2 for s in samples) / len(samples))


def correlation(a, b):
    """Normalised correlation of two equally long U8 sample runs."""
    a = [s - 128 for s in a]
    b = [s - 128 for s in b]
    ma, mb = sum(a) / len(a), sum(b) / len(b)
    num = sum((x - ma) * (y - mb) for x, y in zip(a, b))
    den = math.sqrt(sum((x - ma) ** 2 for x in a) * sum((y - mb) ** 2 for y in b))
    return num / den if den else 0.0


def best_alignment(heard, music):
    """(correlation, lag) of the heard samples against the music at the lag that fits best."""
    return max((correlation(heard, music[lag:lag + len(heard)]), lag) for lag in range(MAX_LAG))


def drop_underrun_gaps(played, music):
    """Returns the played bytes with the silences a starved device inserts taken out, and the
    bytes taken out; None when the bytes differ from the looped music in any other way.

    When the machine is too busy to feed the device in time, Wine fills the missed period with
    silence (0x80) and the music goes on where it stopped: the samples themselves are unchanged.
    """
    kept = bytearray()
    dropped = 0
    i = j = 0
    n = len(music)
    while i < len(played):
        if played[i] == music[j % n]:
            kept.append(played[i])
            i += 1
            j += 1
            continue
        start = i  # the silence may have begun on bytes that matched the music's own 0x80s
        while start > 0 and played[start - 1] == 0x80 and i - start < SECOND:
            start -= 1
        end = i
        while end < len(played) and played[end] == 0x80:
            end += 1
        if end == i:
            return None, dropped
        tail = played[end:end + 256]
        if not tail:
            break
        looped = music * 3
        first = (j - (i - start)) % n
        found = looped.find(tail, first, first + (end - start) + len(tail))
        if found == -1:
            return None, dropped
        del kept[len(kept) - (i - start):]
        kept.extend(looped[first:found])
        dropped += (end - start) - (found - first)
        i = end
        j = found
    return bytes(kept), dropped


class Music(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.music = wave_data(MUSIC_FILE)

    def setUp(self):
        scratch = tempfile.TemporaryDirectory(prefix="qv3-music-")
        self.addCleanup(scratch.cleanup)
        self.sink = os.path.join(scratch.name, "sink.raw")

    def tearDown(self):
        harness.write_settings(None)

    def start_full_screen(self, session):
        session.xdotool("mousemove", 300, 200)
        proc = session.start_saver("/s")
        self.assertIsNotNone(session.find_window("QV3_02"), "no saver window appeared")
        return proc

    def end_with_key(self, session, proc):
        session.xdotool("key", "space")
        self.assertEqual(session.wait_exit(proc, EXIT_TIMEOUT), 0)

    def test_music_on_plays_the_file_until_the_saver_ends(self):
        harness.write_settings("[QV3_02]\nWAV=1\nSPEED=3\n")
        sink = self.sink
        with harness.Session(640, 480, audio_sink=sink) as session:
            proc = self.start_full_screen(session)
            size = wait_for_size(sink, 3 * SECOND, 20)
            self.assertGreaterEqual(size, 3 * SECOND, "the saver plays no music")
            time.sleep(0.5)
            self.assertGreater(sink_size(sink), size, "the music stopped while the saver runs")
            self.end_with_key(session, proc)
            time.sleep(1.0)
            stopped = sink_size(sink)
            time.sleep(1.0)
            self.assertEqual(sink_size(sink), stopped, "the music goes on after the saver ended")
            with open(sink, "rb") as f:
                heard = f.read()

        # The music starts at its beginning and reaches the device unchanged: the sink has the
        # device's format, so no converter stands between them. Whatever the device was given
        # before the music's first bytes (Wine may start it with a period of silence) and the
        # silence Wine pads the last period with on the stop are left out of the comparison.
        lead = heard.find(self.music[:256])
        self.assertNotEqual(lead, -1, "the music's beginning never reached the device")
        self.assertLess(lead, SECOND, "the music starts late")
        heard = heard[lead:]
        span = 2 * SECOND
        corr, lag = best_alignment(heard[:span], self.music)
        heard_level = level(heard[:span])
        music_level = level(self.music[lag:lag + span])
        played = heard.rstrip(b"\x80")
        looped = self.music * (len(played) // len(self.music) + 1)
        identical = sum(1 for x, y in zip(played, looped) if x == y) / len(played)
        print(f"\nsink {len(heard)} bytes after {lead} bytes before the music "
              f"({len(heard) / SECOND:.2f} s of music, "
              f"{len(heard) - len(played)} bytes of silence at the end); first {span} bytes: "
              f"correlation {corr:.4f} at lag {lag}, level {heard_level:.2f} against the "
              f"file's {music_level:.2f}; identical bytes {identical:.4%}")
        self.assertGreater(corr, 0.98)
        self.assertAlmostEqual(heard_level / music_level, 1.0, delta=0.05)
        if played != looped[:len(played)]:
            mended, dropped = drop_underrun_gaps(played, self.music)
            print(f"{dropped} bytes of silence from a starved device left out")
            self.assertIsNotNone(mended, "the sink does not hold the music as is")
            self.assertLess(dropped, SECOND // 2, "the device was starved too long")
            played = mended
        self.assertEqual(played, looped[:len(played)], "the sink does not hold the music as is")
        self.assertLess(len(heard) - len(played), SECOND // 10, "the music fell silent")

    def test_music_off_or_preview_opens_no_sound(self):
        # The file plugin makes the sink file as soon as a program opens the device.
        cases = [
            ("music off", "[QV3_02]\nWAV=0\nSPEED=3\n", "saver"),
            ("music value other than 1", "[QV3_02]\nWAV=2\nSPEED=3\n", "saver"),
            ("preview with music on", "[QV3_02]\nWAV=1\nSPEED=3\n", "preview"),
        ]
        sink = self.sink
        with harness.Session(640, 480, audio_sink=sink) as session:
            for name, settings, mode in cases:
                with self.subTest(name):
                    harness.write_settings(settings)
                    if mode == "saver":
                        proc = self.start_full_screen(session)
                        time.sleep(2.0)
                        self.assertIsNone(proc.poll(), "the saver ended by itself")
                        self.end_with_key(session, proc)
                    else:
                        # Run from the distribution folder, where the music file is found.
                        code, out = session.run_helper(
                            "previewhost", "152", "112",
                            os.path.join(harness.DIST_DIR, "QAVSSV3.SCR"), "2000",
                            cwd=harness.DIST_DIR)
                        fields = harness.parse_fields(out)
                        self.assertEqual((fields.get("ended"), fields.get("exit")), ("1", "0"),
                                         out)
                    self.assertFalse(os.path.exists(sink), "the sound device was opened")

    def test_data_folder_from_the_settings_file(self):
        # Without the marker beside the saver, the settings file names the data folder; one too
        # long for the music's path gives a silent saver, not an overrun. Every folder whose
        # music path stays within MAX_PATH plays. A music file whose data chunk claims more than
        # the file holds (2 GB and more among it) leaves the saver covering the screen, silent.
        with harness.Session(640, 480, audio_sink=self.sink) as session:
            dist = harness.copy_dist(os.path.join(session.tmp, "dist"))
            os.remove(os.path.join(dist, "QAVSSV3C.SSS"))

            def windows_path(path):
                return "Z:" + path.replace("/", "\\")

            def folder_of_length(length):
                # Nested folders under the copy, named so the Windows path has `length`
                # characters, holding the music file.
                path = os.path.join(dist, "long")
                while len(windows_path(path)) < length:
                    room = length - len(windows_path(path)) - 1
                    path = os.path.join(path, "d" * min(room, 100))
                self.assertEqual(len(windows_path(path)), length)
                os.makedirs(path, exist_ok=True)
                shutil.copy(MUSIC_FILE, path)
                return windows_path(path)

            def claiming(size):
                path = os.path.join(dist, f"claims{size:x}")
                os.makedirs(path, exist_ok=True)
                with open(MUSIC_FILE, "rb") as f:
                    music = bytearray(f.read())
                at = music.find(b"data")
                music[at + 4:at + 8] = size.to_bytes(4, "little")
                with open(os.path.join(path, "BGM04.SSS"), "wb") as f:
                    f.write(bytes(music[:at + 8 + 4096]))
                return windows_path(path)

            cases = [("named folder", windows_path(os.path.join(dist, "QV3")), True),
                     ("too long a folder", "Z:\\" + "x" * 300, False),
                     ("folder of 246 characters", folder_of_length(246), True),
                     ("folder of 249 characters", folder_of_length(249), True),
                     ("data chunk claims 0xFFFFFFF0 bytes", claiming(0xFFFFFFF0), False),
                     ("data chunk claims 0x80000010 bytes", claiming(0x80000010), False)]
            for name, folder, plays in cases:
                with self.subTest(name):
                    if os.path.exists(self.sink):
                        os.remove(self.sink)
                    harness.write_settings(f"[QV3_02]\nWAV=1\n[QV3_DIR]\nQV3_DIR={folder}\n")
                    session.xdotool("mousemove", 300, 200)
                    proc = session.start_saver("/s", dist=dist)
                    try:
                        self.assertIsNotNone(session.find_window("QV3_02"),
                                             "the saver does not cover the screen")
                        size = wait_for_size(self.sink, SECOND, 8)
                        self.assertIsNone(proc.poll(), "the saver ended by itself")
                        if plays:
                            self.assertGreaterEqual(size, SECOND,
                                                    "the named folder's music is silent")
                        else:
                            self.assertEqual(size, 0, "music played from a file it cannot use")
                        self.end_with_key(session, proc)
                    finally:
                        if proc.poll() is None:  # a failed case leaves no saver behind
                            proc.kill()
                            proc.wait()

    def test_data_folder_named_outside_the_ansi_code_page(self):
        # An English system (ANSI code page 1252) with the data folder named in Japanese: the
        # settings file in UTF-16 names it. A file in the ANSI code page keeps working too.
        english = {"LANG": "C.UTF-8", "LC_ALL": "C.UTF-8"}
        with harness.Session(640, 480, audio_sink=self.sink) as session:
            session.env.update(english)
            code, out = session.run_helper("codepage")
            self.assertEqual(harness.parse_fields(out).get("acp"), "1252", out)
            dist = harness.copy_dist(os.path.join(session.tmp, "dist"))
            os.remove(os.path.join(dist, "QAVSSV3C.SSS"))
            cases = [("Japanese, UTF-16 file", "音楽データ・ミルカド", "utf-16"),
                     ("Western, ANSI file", "Müsik-Ä", "cp1252")]
            for name, folder_name, encoding in cases:
                with self.subTest(name):
                    folder = os.path.join(dist, folder_name)
                    os.makedirs(folder, exist_ok=True)
                    shutil.copy(MUSIC_FILE, folder)
                    if os.path.exists(self.sink):
                        os.remove(self.sink)
                    windows_folder = "Z:" + folder.replace("/", "\\")
                    text = f"[QV3_02]\r\nWAV=1\r\n[QV3_DIR]\r\nQV3_DIR={windows_folder}\r\n"
                    with open(harness.settings_file(), "wb") as f:
                        f.write(text.encode(encoding))  # Python's utf-16 writes the mark
                    session.xdotool("mousemove", 300, 200)
                    proc = session.start_saver("/s", dist=dist)
                    try:
                        self.assertIsNotNone(session.find_window("QV3_02"))
                        size = wait_for_size(self.sink, SECOND, 8)
                        self.assertIsNone(proc.poll(), "the saver ended by itself")
                        self.assertGreaterEqual(size, SECOND,
                                                "the named folder's music is silent")
                        self.end_with_key(session, proc)
                    finally:
                        if proc.poll() is None:  # a failed case leaves no saver behind
                            proc.kill()
                            proc.wait()

    def test_without_a_sound_device_the_saver_runs_silently(self):
        harness.write_settings("[QV3_02]\nWAV=1\nSPEED=3\n")
        with harness.Session(640, 480, alsa=False) as session:
            proc = self.start_full_screen(session)
            time.sleep(2.0)
            self.assertIsNone(proc.poll(), "the saver ended by itself")
            self.end_with_key(session, proc)


if __name__ == "__main__":
    unittest.main(verbosity=2)
