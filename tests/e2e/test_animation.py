"""The saver's scenes on screen under Wine, checked against the director's own trace.

The saver seeds its generator with the clock, so the test tries the seconds around the start
and keeps the seed whose trace (tools/scenetrace) explains every screenshot: each one must show
pixels only inside the sprite rectangles of one of the traced scenes.

The preview's drawing is checked in-process (tests/wine/test_saver_window.cpp): under Wine a
child window of another process does not reach the screen."""

import os
import time
import unittest

import harness
from testkit import find_seed, inside_counts


class Animation(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        harness.write_settings("[QV3_02]\nWAV=0\nSPEED=5\n")

    @classmethod
    def tearDownClass(cls):
        harness.write_settings(None)

    def test_scenes_fade_in_three_at_a_time_and_change(self):
        with harness.Session(1024, 768) as session:
            started = time.time()
            proc = session.start_saver("/s")
            self.assertIsNotNone(session.find_window("QV3_02"))
            shots = []
            deadline = time.time() + 14
            while time.time() < deadline:
                shots.append(session.screenshot_gray())
            session.screenshot(os.path.join(harness.screenshot_dir(), "saver-late.png"))
            session.xdotool("key", "a")
            self.assertEqual(session.wait_exit(proc, 15), 0)
        scenes, matches = find_seed(started, shots, (1024, 768), (0, 0, 1024, 768))
        first = next(m for m in matches if m is not None)
        self.assertNotEqual(scenes[first]["sheets"], set(), "a traced scene draws nothing")
        counts = [sum(inside_counts(s, scenes[m]["rects"])) if m == first else 0
                  for s, m in zip(shots, matches)]
        full = max(counts)
        full_shot = shots[counts.index(full)]
        # Three at a time: each of the scene's three rectangles holds a character.
        self.assertTrue(all(c > 200 for c in inside_counts(full_shot, scenes[first]["rects"])))
        # Fading: some screenshot catches the scene part-way through the dither levels.
        self.assertTrue(any(0.1 * full < c < 0.85 * full for c in counts), counts)
        # A later scene shows other characters.
        later = [m for m in matches if m is not None and m > first]
        self.assertTrue(later, "no second scene within the screenshots")
        self.assertNotEqual(scenes[later[0]]["sources"], scenes[first]["sources"])

    def test_small_screens_run_and_end_normally(self):
        # Smaller than the scenes need: the saver keeps running and drawing, and ends on a key.
        for width, height in ((640, 400), (320, 240)):
            with self.subTest(screen=(width, height)), harness.Session(width, height) as session:
                proc = session.start_saver("/s")
                window = session.find_window("QV3_02")
                self.assertEqual((window["w"], window["h"]), (str(width), str(height)))
                drawn = 0
                deadline = time.time() + 5
                while time.time() < deadline:
                    drawn = max(drawn, session.screenshot_gray().count(0, 0, width, height))
                self.assertIsNone(proc.poll())
                self.assertGreater(drawn, 0)
                session.xdotool("key", "a")
                self.assertEqual(session.wait_exit(proc, 15), 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
