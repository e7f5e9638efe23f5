"""Undo and redo in the real window: on the example's labels, drag out a label,
type its name, move its end node, Page Up and ctrl-i; then ctrl-z until the saved
store stops changing gives the store from before the edits, and ctrl-y (and
ctrl-shift-z) until it stops changing gives the store after them. Each edit is one
step, the drags included."""
import os
import shutil
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import guilib  # noqa: E402

PROGRAM, SOURCE = guilib.args()
EDITS = 8  # the new label, four letters, the node drag, Page Up, ctrl-i


def save(ed):
    """F2; the store it writes."""
    path = os.path.join(ed.workdir, "savedData.txt")
    if os.path.exists(path):
        os.remove(path)
    ed.key("F2")
    deadline = time.time() + 20
    while not os.path.exists(path):
        if time.time() > deadline:
            raise AssertionError("F2 wrote no store")
        time.sleep(0.05)
    with open(path, "rb") as f:
        return f.read()


def press_until_unchanged(ed, keys, last):
    """Presses the keys in turn, saving after each, until the store stays as it was;
    (the store, how many presses changed it)."""
    changes = 0
    while changes <= 2 * EDITS:
        ed.key(keys[changes % len(keys)])
        store = save(ed)
        if store == last:
            return store, changes
        last = store
        changes += 1
    raise AssertionError("the store never stopped changing")


def check_undo_and_redo():
    d = guilib.make_workdir(SOURCE)
    shutil.copy(os.path.join(SOURCE, "example", "savedData.txt"), d)
    ed = guilib.Editor(PROGRAM, d)
    try:
        before = save(ed)
        assert before.split(b"\n")[1] == b"4", before[:40]
        # Between Karnmoor (above) and Greymoor Hills (below) the map is free.
        ed.drag([(180, 320), (230, 322), (280, 326), (330, 330)])
        ed.type("Undo")
        ed.drag([(330, 330), (340, 320), (350, 310), (360, 300)])
        ed.key("Prior", "ctrl+i")
        after = save(ed)
        lines = after.split(b"\n")
        assert lines[1] == b"5" and lines[6].startswith(b"U n d o | "), lines[1:7]
        assert lines[6].endswith(b" 30 100 1 0"), lines[6]

        undone, changes = press_until_unchanged(ed, ["ctrl+z"], after)
        assert changes == EDITS, "%d undo steps" % changes
        assert undone == before, "after undoing everything:\n%s\nbefore the edits:\n%s" % (undone, before)
        redone, changes = press_until_unchanged(ed, ["ctrl+y", "ctrl+shift+z"], undone)
        assert changes == EDITS, "%d redo steps" % changes
        assert redone == after, "after redoing everything:\n%s\nafter the edits:\n%s" % (redone, after)
        # The last F2 saved everything: Esc ends at once.
        ed.key("Escape")
        assert ed.wait_exit(60) == 0
    finally:
        ed.kill()
        shutil.rmtree(d, ignore_errors=True)


guilib.run_checks([("edits undone and redone whole", check_undo_and_redo)])
