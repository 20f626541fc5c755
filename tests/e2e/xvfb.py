"""An Xvfb screen for the native program's tests, of any depth, optionally open to every user."""

import os
import signal
import subprocess
import time


class Xvfb:
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
