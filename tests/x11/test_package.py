"""The Debian package of the native programs: lintian finds nothing to report, and their manual
pages are found and read by man without warnings."""

import glob
import os
import subprocess
import tempfile
import unittest

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")


class Package(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        subprocess.run([os.path.join(ROOT, "scripts", "package")], check=True, timeout=900,
                       stdout=subprocess.DEVNULL)
        packages = glob.glob(os.path.join(ROOT, "build", "native-release", "qavsaver3_*.deb"))
        assert len(packages) == 1, packages
        cls.deb = packages[0]

    def test_lintian_reports_nothing(self):
        result = subprocess.run(["lintian", "--fail-on", "error,warning", self.deb],
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                                timeout=600)
        lines = [line for line in result.stdout.splitlines()
                 if not line.startswith("running with root privileges")]
        self.assertEqual(lines, [])
        self.assertEqual(result.returncode, 0)

    def test_manual_page_is_installed_and_reads_cleanly(self):
        with tempfile.TemporaryDirectory() as root:
            subprocess.run(["dpkg-deb", "-x", self.deb, root], check=True)
            man_dir = os.path.join(root, "usr", "share", "man")
            self.assertTrue(os.path.isfile(os.path.join(man_dir, "man6", "qavsaver3.6x.gz")))
            env = dict(os.environ, MANPATH=man_dir, MANWIDTH="80", MAN_KEEP_FORMATTING="0")
            page = subprocess.run(["man", "--warnings", "qavsaver3"], env=env,
                                  stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                                  timeout=60)
            self.assertEqual(page.returncode, 0, page.stderr)
            self.assertEqual(page.stderr, "")
            self.assertIn("qavsaver3 - animated characters", page.stdout)
            for option in ("-window-id", "-root", "-speed", "-music", "-zoom", "-display"):
                self.assertIn(option, page.stdout)
            # The Wayland program and its own page.
            self.assertTrue(os.access(os.path.join(root, "usr", "bin", "qavsaver3-wayland"),
                                      os.X_OK))
            page = subprocess.run(["man", "--warnings", "6", "qavsaver3-wayland"], env=env,
                                  stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                                  timeout=60)
            self.assertEqual(page.returncode, 0, page.stderr)
            self.assertEqual(page.stderr, "")
            self.assertIn("qavsaver3-wayland - animated characters", page.stdout)
            for option in ("-speed", "-music", "-seed", "-zoom", "-display",
                           "swayidle timeout 300 'qavsaver3-wayland'"):
                self.assertIn(option, page.stdout)


if __name__ == "__main__":
    unittest.main(verbosity=2)
