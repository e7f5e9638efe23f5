"""Start-up of the real program: configuration problems end it before any window
with their message on standard output, the example opens its window and draws
its first frame without input, only an exact "-b" as the first argument means
batch mode (anything like it is refused), and a module without its party list
ends start-up."""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import guilib  # noqa: E402

PROGRAM, SOURCE = guilib.args()


def ends_before_window(d):
    """Runs the program in d; it must end with status 0 and open no window. Its output."""
    rc, out, seen = guilib.run_to_end(PROGRAM, d)
    assert rc == 0, rc
    assert not seen, "a window was opened"
    return out


def check_missing_config():
    d = guilib.make_workdir(SOURCE, with_example=False)
    out = ends_before_window(d)
    assert out == ('Wrong or missing config file "Veltrune.cfg"!\n'
                   "Make one for your module with: veltrune -n MODULE FOLDER\n"), repr(out)


def check_faulty_config():
    d = guilib.make_workdir(SOURCE)
    cfg = os.path.join(d, "Veltrune.cfg")
    with open(cfg) as f:
        text = f.read()
    lines = [("texture_size = 1024" if l.startswith("texture_size") else l) for l in text.splitlines()]
    with open(cfg, "w") as f:
        f.write("\n".join(lines) + "\n")
    out = ends_before_window(d)
    line = 1 + next(i for i, l in enumerate(lines) if l.startswith("texture_size"))
    assert out == ("Error reading Veltrune.cfg... try deleting it to reset the defaults...\n"
                   'line %d: texture_size "1024" is not a size like 1024 x 512\n' % line), repr(out)


def check_example_starts_and_draws():
    d = guilib.make_workdir(SOURCE)
    ed = guilib.Editor(PROGRAM, d)
    try:
        # The first frame is drawn without any input: the map and the overlay, not black.
        deadline = time.time() + 20
        while True:
            img = ed.screenshot()
            lit = sum(1 for _, _, p in img.region(0, 0, img.width, img.height) if max(p) > 40)
            if lit > img.width * img.height // 2 or time.time() > deadline:
                break
        assert lit > img.width * img.height // 2, "the first frame was not drawn (%d lit pixels)" % lit
        assert (img.width, img.height) == (500, 500), (img.width, img.height)
        ed.key("Escape")
        rc = ed.wait_exit(60)
        assert rc == 0, "Esc with nothing changed must end the program (status %r)" % rc
    finally:
        ed.kill()


def check_not_quite_batch():
    # Neither the batch export nor the editor: a line the program does not
    # understand is refused (tests/gui/test_command_line.py has every refusal).
    for extra in (["-bx"], ["x", "-b"], ["-B"]):
        d = guilib.make_workdir(SOURCE)
        rc, out, seen = guilib.run_to_end(PROGRAM, d, extra)
        assert rc == 1 and not seen, (extra, rc, seen)
        assert "\nUsage:\n" in out, (extra, out)
        assert not os.path.exists(os.path.join(d, "log.txt")), "%s ran the batch export" % extra


def check_missing_parties():
    d = guilib.make_workdir(SOURCE)
    os.remove(os.path.join(d, "module", "parties.orig.txt"))
    out = ends_before_window(d)
    assert out == "Cannot find parties.orig.txt.\nRead the readme!\n", repr(out)


def check_missing_map():
    d = guilib.make_workdir(SOURCE)
    os.remove(os.path.join(d, "module", "map.txt"))
    out = ends_before_window(d)
    assert out.startswith('Cannot open map "module/map.txt"'), repr(out)


def check_window_close_without_changes():
    d = guilib.make_workdir(SOURCE)
    ed = guilib.Editor(PROGRAM, d)
    try:
        # SDL turns SIGTERM into a quit event: with nothing changed the program ends.
        ed.proc.terminate()
        rc = ed.wait_exit(60)
        assert rc == 0, rc
    finally:
        ed.kill()


guilib.run_checks([
    ("missing config", check_missing_config),
    ("faulty config", check_faulty_config),
    ("example starts and draws its first frame", check_example_starts_and_draws),
    ("-b only as the exact first argument; anything like it refused", check_not_quite_batch),
    ("missing parties.orig.txt", check_missing_parties),
    ("missing map.txt", check_missing_map),
    ("quit event with nothing changed", check_window_close_without_changes),
])
