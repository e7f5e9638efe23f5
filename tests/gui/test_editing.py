"""Editing in the real window: drag out a label, type its name, change its size
and visibility, save it, see it loaded on the next run, the save prompt's
answers, the F12 export into the working copy of the module, and F12 after a
start whose label store was damaged."""
import math
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import guilib  # noqa: E402

PROGRAM, SOURCE = guilib.args()
WORKDIR = None


def map_box(path):
    """(min x, min y, min z), (max x, max y, max z) of the vertices of map.txt."""
    with open(path) as f:
        tokens = f.read().split()
    n = int(tokens[0])
    xs = [float(tokens[1 + 3 * i]) for i in range(n)]
    ys = [float(tokens[2 + 3 * i]) for i in range(n)]
    zs = [float(tokens[3 + 3 * i]) for i in range(n)]
    return (min(xs), min(ys), min(zs)), (max(xs), max(ys), max(zs))


def map_point(px, py, box, zoom=3.0, w=500, h=500):
    """The map point under window pixel (px, py) at the start view (no pan)."""
    lo, hi = box
    c = [(a + b) / 2 for a, b in zip(lo, hi)]
    diag = math.sqrt(sum((b - a) ** 2 for a, b in zip(lo, hi)))
    vx = (px / w * 2 - 1) * (w / h)
    vy = (h - py) / h * 2 - 1
    return c[0] - vx / zoom * diag / 2, c[1] - vy / zoom * diag / 2


def read_store(workdir):
    """The store's lines, and each label line as (text, numbers)."""
    with open(os.path.join(workdir, "savedData.txt")) as f:
        lines = f.read().split("\n")
    labels = []
    for line in lines[2:]:
        if not line:
            continue
        text, rest = line.split("|", 1)
        letters = text.split()
        labels.append(("".join(" " if c == "_" else c for c in letters), rest.split()))
    return lines, labels


def store_bytes(workdir):
    with open(os.path.join(workdir, "savedData.txt"), "rb") as f:
        return f.read()


def saved_texts(workdir):
    return [t for t, _ in read_store(workdir)[1]]


def near(a, b, tol):
    return abs(a - b) <= tol


def check_create_and_save():
    d = WORKDIR
    box = map_box(os.path.join(d, "module", "map.txt"))
    ed = guilib.Editor(PROGRAM, d)
    try:
        # Drag out a label from (150, 240) to (350, 260).
        ed.drag([(150, 240), (200, 245), (300, 255), (350, 260)])
        ed.type("Tarn Vale")
        # Middle drag up by 40 pixels: 40 % larger.
        ed.drag([(250, 300), (250, 260)], button=2)
        ed.key("Next", "Next", "Prior")
        ed.key("F2", delay=0.5)
        guilib.wait_for(lambda: os.path.exists(os.path.join(d, "savedData.txt")))
        lines, labels = read_store(d)
        assert lines[0] == "v1" and lines[1] == "1", lines[:2]
        assert len(labels) == 1, labels
        text, nums = labels[0]
        assert text == "Tarn Vale", repr(text)
        assert len(nums) == 13, nums
        vals = [float(v) for v in nums]
        sx, sy = map_point(150, 240, box)
        ex, ey = map_point(350, 260, box)
        diag = math.dist(box[0], box[1])
        tol = diag / (3 * 500) * 1.5  # a pixel and a half in map units
        assert near(vals[0], sx, tol) and near(vals[1], sy, tol), (vals[:2], (sx, sy))
        assert near(vals[6], ex, tol) and near(vals[7], ey, tol), (vals[6:8], (ex, ey))
        # A first label's letters are a twentieth of its length tall (at least 1.0).
        size = 1.4 * max(1.0, math.dist((sx, sy), (ex, ey)) / 20)
        assert near(vals[8], size, 0.02 * size), "size %s, not %f" % (nums[8], size)
        assert nums[9:] == ["40", "100", "0", "0"], nums[9:]
        # F2 cleared the changed flag: Esc ends at once.
        ed.key("Escape")
        assert ed.wait_exit(60) == 0
    finally:
        ed.kill()


def check_loaded_on_next_run():
    d = WORKDIR
    ed = guilib.Editor(PROGRAM, d)
    try:
        ed.key("Tab")
        ed.type("s")
        ed.key("F2", delay=0.5)
        guilib.wait_for(lambda: saved_texts(d) == ["Tarn Vales"])
        _, labels = read_store(d)
        assert [t for t, _ in labels] == ["Tarn Vales"], labels
        assert labels[0][1][9] == "40", labels[0][1]
        ed.key("Escape")
        assert ed.wait_exit(60) == 0
    finally:
        ed.kill()


def prompt_shown(img):
    """Mostly the grey background, with white text near the middle."""
    grey = sum(1 for _, _, p in img.region(0, 0, img.width, img.height) if all(126 <= v <= 129 for v in p))
    white = sum(1 for _, _, p in img.region(150, 230, 350, 260) if min(p) >= 250)
    return grey > 0.95 * img.width * img.height and white > 20


def check_prompt_cancel_and_no():
    d = WORKDIR
    before = store_bytes(d)
    ed = guilib.Editor(PROGRAM, d)
    try:
        ed.key("Tab")
        ed.type("x")
        ed.key("Escape")
        assert guilib.wait_for(lambda: prompt_shown(ed.screenshot(0.1))), "no save prompt"
        ed.key("c")
        assert guilib.wait_for(lambda: not prompt_shown(ed.screenshot(0.1))), "the prompt stayed after cancel"
        assert ed.proc.poll() is None, "cancel ended the program"
        ed.key("Escape")
        assert guilib.wait_for(lambda: prompt_shown(ed.screenshot(0.1))), "the next Esc did not ask again"
        ed.key("n")
        assert ed.wait_exit(60) == 0
        assert store_bytes(d) == before, "n must not save"
    finally:
        ed.kill()


def check_prompt_yes():
    d = WORKDIR
    ed = guilib.Editor(PROGRAM, d)
    try:
        ed.key("Tab")
        ed.type("y")
        ed.key("Escape")
        assert guilib.wait_for(lambda: prompt_shown(ed.screenshot(0.1))), "no save prompt"
        ed.key("y")
        assert ed.wait_exit(60) == 0
        _, labels = read_store(d)
        assert [t for t, _ in labels] == ["Tarn Valesy"], labels
    finally:
        ed.kill()


def check_export():
    d = WORKDIR
    mod = os.path.join(d, "module")
    outputs = [("Resource", "map_names.brf"), ("map_icons.txt",), ("parties.txt",), ("textures", "map_names.dds")]
    paths = [os.path.join(mod, *p) for p in outputs]
    for p in paths:
        if os.path.exists(p):
            os.remove(p)
    ed = guilib.Editor(PROGRAM, d)
    try:
        ed.key("F12")
        guilib.wait_for(lambda: all(os.path.exists(p) for p in paths), 90)
        missing = [p for p in paths if not os.path.exists(p)]
        assert not missing, "not exported: %s" % missing
        time.sleep(1.0)
        with open(os.path.join(mod, "parties.txt"), "rb") as f:
            parties = f.read()
        # "Tarn Valesy" has ten letters besides its space: ten new parties.
        assert parties.count(b"p_map_str_") == 10, parties.count(b"p_map_str_")
        assert ed.proc.poll() is None, "the editor ended after the export"
        ed.key("Escape")
        assert ed.wait_exit(60) == 0, "the export must not mark the labels changed"
    finally:
        ed.kill()


def check_export_after_damaged_start():
    # The store says 5 labels but holds 2: the module keeps the names of all five
    # until a second F12 asks for an export of just these two.
    d = guilib.make_workdir(SOURCE)
    mod = os.path.join(d, "module")
    with open(os.path.join(d, "savedData.txt"), "w") as f:
        f.write("v1\n5\n")
        for y in (0, 10):
            f.write("a b | -20 %d 0.33 0 0.66 0 20 %d 1.0 60 100 0 0\n" % (y, y))
    parties = os.path.join(mod, "parties.txt")
    before = open(parties, "rb").read() if os.path.exists(parties) else None
    ed = guilib.Editor(PROGRAM, d)
    try:
        shown = ed.wait_frame()
        ed.key("F12")
        # The warning is on screen once the key was handled: nothing was written.
        warned = ed.wait_frame(shown)
        assert warned.data != shown.data, "the first F12 showed nothing"
        now = open(parties, "rb").read() if os.path.exists(parties) else None
        assert now == before, "the first F12 after a damaged start exported"
        assert not os.path.exists(os.path.join(mod, "Resource", "map_names.brf"))
        ed.key("F12")
        assert guilib.wait_for(lambda: open(parties, "rb").read().count(b"p_map_str_") == 4, 90), "not exported"
        ed.key("Escape")
        assert ed.wait_exit(60) == 0
    finally:
        ed.kill()


WORKDIR = guilib.make_workdir(SOURCE)
guilib.run_checks([
    ("drag out, type, size, visibility, save", check_create_and_save),
    ("saved label loaded on the next run", check_loaded_on_next_run),
    ("prompt: cancel, ask again, no", check_prompt_cancel_and_no),
    ("prompt: yes saves", check_prompt_yes),
    ("F12 writes the four module files", check_export),
    ("F12 after a damaged start: the first warns, the second exports", check_export_after_damaged_start),
])
