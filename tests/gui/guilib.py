"""Drives the real editor under Xvfb: start it in a working directory, find its
window, send real input with xdotool, take screenshots and read pixels.

Every test script is called as: python3 test_x.py <path to veltrune> <source dir>,
with DISPLAY set to a private Xvfb server (tests/gui/with_xvfb.sh)."""
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time



def project_version(source_dir=os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")):
    """The version of project(veltrune VERSION ...) in CMakeLists.txt, which the
    program puts into its caption."""
    with open(os.path.join(source_dir, "CMakeLists.txt"), encoding="utf-8") as f:
        return re.search(r"^project\(veltrune VERSION ([0-9.]+)", f.read(), re.M).group(1)


CAPTION = "Veltrune v" + project_version()


def args():
    """(program, source dir) from the command line."""
    return os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])


# Files a run of the editor writes into the example; a fresh working copy has none.
RUN_OUTPUTS = {"savedData.txt", "savedData.txt.bak", "log.txt", "stdout.log", "map_icons.txt",
               "parties.txt", "map_names.brf", "map_names.dds"}


def make_workdir(source_dir, with_example=True):
    """A fresh temporary working directory; with_example copies example/ into it
    (its Veltrune.cfg names the module relative to the working directory), leaving
    out whatever an earlier run wrote there."""
    d = tempfile.mkdtemp(prefix="vt_gui_")
    if with_example:
        ignore = shutil.ignore_patterns(*RUN_OUTPUTS, "*.new")
        shutil.copytree(os.path.join(source_dir, "example"), d, ignore=ignore, dirs_exist_ok=True)
    return d


def command(program):
    """The command line that starts program: a Windows program (.exe) runs under
    Wine through scripts/wine."""
    if program.lower().endswith(".exe"):
        wine = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "wine")
        return [os.path.abspath(wine), program]
    return [program]


def wait_for(predicate, timeout=30.0):
    """Polls until predicate() is true (a file not yet there or not yet whole counts
    as false); returns its last result."""
    deadline = time.time() + timeout
    while True:
        try:
            result = predicate()
        except (OSError, ValueError, IndexError):
            result = False
        if result or time.time() > deadline:
            return result
        time.sleep(0.2)


def xdo(*a, check=True):
    r = subprocess.run(["xdotool"] + [str(x) for x in a], capture_output=True, text=True)
    if check and r.returncode != 0:
        raise RuntimeError("xdotool %s failed: %s" % (a, r.stderr))
    return r.stdout.strip()


def run_to_end(program, workdir, extra=(), timeout=60):
    """Runs the program until it ends by itself; (exit status, stdout, whether a
    window was seen meanwhile). Raises when it does not end in time."""
    proc = subprocess.Popen(command(program) + list(extra), cwd=workdir, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE)
    seen = False
    deadline = time.time() + timeout
    while proc.poll() is None and time.time() < deadline:
        r = subprocess.run(["xdotool", "search", "--name", CAPTION], capture_output=True, text=True)
        seen = seen or bool(r.stdout.split())
        time.sleep(0.05)
    if proc.poll() is None:
        proc.kill()
        proc.wait()
        raise AssertionError("the program did not end")
    return proc.returncode, proc.stdout.read().decode("latin-1"), seen


class Editor:
    """One running editor process."""

    def __init__(self, program, workdir, extra_args=(), timeout=30):
        self.workdir = workdir
        self.out = open(os.path.join(workdir, "stdout.log"), "w+")
        self.proc = subprocess.Popen(command(program) + list(extra_args), cwd=workdir,
                                     stdout=self.out, stderr=subprocess.STDOUT)
        self.window = None
        deadline = time.time() + timeout
        while time.time() < deadline:
            if self.proc.poll() is not None:
                raise RuntimeError("editor ended at start-up: " + self.stdout())
            r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", CAPTION],
                               capture_output=True, text=True)
            ids = r.stdout.split()
            if ids:
                self.window = ids[-1]
                break
            time.sleep(0.2)
        if self.window is None:
            self.kill()
            raise RuntimeError("no editor window appeared")
        time.sleep(0.5)
        self.focus()

    def stdout(self):
        self.out.flush()
        with open(self.out.name) as f:
            return f.read()

    def focus(self):
        xdo("mousemove", "--window", self.window, 250, 250)
        xdo("windowfocus", "--sync", self.window, check=False)

    def key(self, *keys, delay=0.15):
        for k in keys:
            xdo("key", "--clearmodifiers", k)
            time.sleep(delay)

    def type(self, text, delay=0.3):
        xdo("type", "--delay", 60, text)
        time.sleep(delay)

    def geometry(self):
        out = xdo("getwindowgeometry", "--shell", self.window)
        g = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
        return int(g["X"]), int(g["Y"]), int(g["WIDTH"]), int(g["HEIGHT"])

    def move(self, x, y):
        """Pointer to window pixel (x, y), origin top-left."""
        wx, wy, _, _ = self.geometry()
        xdo("mousemove", wx + x, wy + y)
        time.sleep(0.05)

    def click(self, x, y, button=1):
        self.move(x, y)
        xdo("click", button)
        time.sleep(0.2)

    def drag(self, points, button=1, shift=False):
        """Press at points[0], move through the rest, release at the last one."""
        wx, wy, _, _ = self.geometry()
        if shift:
            xdo("keydown", "shift")
        xdo("mousemove", wx + points[0][0], wy + points[0][1])
        time.sleep(0.1)
        xdo("mousedown", button)
        time.sleep(0.1)
        for x, y in points[1:]:
            xdo("mousemove", wx + x, wy + y)
            time.sleep(0.1)
        xdo("mouseup", button)
        if shift:
            xdo("keyup", "shift")
        time.sleep(0.3)

    def screenshot(self, settle=0.6):
        """The window's pixels as an Image."""
        time.sleep(settle)
        return screenshot_window(self.window)

    def wait_frame(self, previous=None, timeout=30):
        """The window once it shows something other than previous (None: anything
        but black) and has stopped changing; the last screenshot if that never happens."""
        deadline = time.time() + timeout
        img = self.screenshot(settle=0.3)
        while time.time() < deadline:
            differs = any(img.data) if previous is None else img.data != previous.data
            if differs:
                again = self.screenshot(settle=0.5)
                if again.data == img.data:
                    return img
                img = again
            else:
                img = self.screenshot(settle=0.3)
        return img

    def wait_exit(self, timeout=15):
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def kill(self):
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGKILL)
            self.proc.wait()


class Image:
    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, data

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])

    def region(self, x0, y0, x1, y1):
        for y in range(max(0, y0), min(self.height, y1)):
            for x in range(max(0, x0), min(self.width, x1)):
                yield x, y, self.pixel(x, y)


def read_ppm(path):
    with open(path, "rb") as f:
        raw = f.read()
    parts = []
    pos = 0
    while len(parts) < 4:
        while raw[pos:pos + 1].isspace():
            pos += 1
        if raw[pos:pos + 1] == b"#":
            pos = raw.index(b"\n", pos) + 1
            continue
        start = pos
        while not raw[pos:pos + 1].isspace():
            pos += 1
        parts.append(raw[start:pos])
    pos += 1
    assert parts[0] == b"P6" and int(parts[3]) == 255, "unexpected PPM"
    return Image(int(parts[1]), int(parts[2]), raw[pos:])


def screenshot_window(window):
    fd, path = tempfile.mkstemp(suffix=".ppm")
    os.close(fd)
    try:
        subprocess.run(["import", "-silent", "-window", str(window), "-depth", "8", "ppm:" + path],
                       check=True, capture_output=True)
        return read_ppm(path)
    finally:
        os.remove(path)


def map_box(module_dir):
    """Bounding box (min, max as x, y, z lists) of the module's map.txt."""
    with open(os.path.join(module_dir, "map.txt")) as f:
        tokens = f.read().split()
    nv = int(tokens[0])
    lo = [float("inf")] * 3
    hi = [float("-inf")] * 3
    for i in range(nv):
        for k in range(3):
            v = float(tokens[1 + 3 * i + k])
            lo[k] = min(lo[k], v)
            hi[k] = max(hi[k], v)
    return lo, hi


class View:
    """The editor's view transform at a given zoom and pan, for a window of w x h."""

    def __init__(self, box, w=500, h=500, zoom=3.0, pan=(0.0, 0.0)):
        lo, hi = box
        self.c = [(a + b) / 2 for a, b in zip(lo, hi)]
        d = sum((a - b) ** 2 for a, b in zip(lo, hi)) ** 0.5
        self.d = d if d > 0 else 2.0
        self.w, self.h, self.zoom, self.pan = w, h, zoom, pan

    def to_window(self, x, y):
        """Window pixel (origin top-left) of a map point."""
        nx = (x - self.c[0]) * 2 / self.d + self.pan[0]
        ny = (y - self.c[1]) * 2 / self.d + self.pan[1]
        ex, ey = -self.zoom * nx, -self.zoom * ny
        px = (ex / (self.w / self.h) + 1) / 2 * self.w
        py = (ey + 1) / 2 * self.h
        return px, self.h - py

    def to_map(self, px, py):
        """Map point under a window pixel (origin top-left)."""
        ex = (2 * px / self.w - 1) * (self.w / self.h)
        ey = 2 * (self.h - py) / self.h - 1
        nx, ny = ex / -self.zoom - self.pan[0], ey / -self.zoom - self.pan[1]
        return nx * self.d / 2 + self.c[0], ny * self.d / 2 + self.c[1]


def run_checks(checks):
    """Runs each named check; prints one line per check and a closing tally."""
    failed = 0
    for name, fn in checks:
        try:
            fn()
            print("PASS", name)
        except Exception as e:  # noqa: BLE001 - report every failure and go on
            failed += 1
            print("FAIL", name, "-", e)
    print("%d passed, %d failed" % (len(checks) - failed, failed))
    sys.exit(1 if failed else 0)
