"""Start-up of the real program: configuration problems end it before any window
with their message on standard output, the example opens its window and draws
its first frame without input, only an exact "-b" as the first argument means
batch mode, and a module without its party list ends start-up."""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import guilib  # noqa: E402

PROGRAM, SOURCE = guilib.args()


def module_workdir():
    """A working copy of the example; the module is generated when the example has none."""
    d = guilib.make_workdir(SOURCE)
    mod = os.path.join(d, "module")
    if not os.path.exists(os.path.join(mod, "map.txt")):
        os.makedirs(mod, exist_ok=True)
        genmap = os.path.join(os.path.dirname(PROGRAM), "veltrune-genmap")
        subprocess.run([genmap, mod], check=True, capture_output=True)
    names = [n.lower() for n in os.listdir(mod)]
    for sub in ("Resource", "textures"):
        if sub.lower() not in names:
            os.makedirs(os.path.join(mod, sub))
    return d


def run_to_end(workdir, extra=(), timeout=30):
    """Runs the program to its end; (exit status, stdout, whether a window was seen)."""
    proc = subprocess.Popen([PROGRAM] + list(extra), cwd=workdir, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE)
    seen = False
    deadline = time.time() + timeout
    while proc.poll() is None and time.time() < deadline:
        r = subprocess.run(["xdotool", "search", "--name", guilib.CAPTION], capture_output=True, text=True)
        seen = seen or bool(r.stdout.split())
        time.sleep(0.05)
    if proc.poll() is None:
        proc.kill()
        proc.wait()
        raise AssertionError("the program did not end")
    out = proc.stdout.read().decode("latin-1")
    return proc.returncode, out, seen


def check_missing_config():
    d = guilib.make_workdir(SOURCE, with_example=False)
    rc, out, seen = run_to_end(d)
    assert rc == 0, rc
    assert out == 'Wrong or missing config file "Veltrune.cfg"!\n', repr(out)
    assert not seen, "a window was opened"


def check_faulty_config():
    d = module_workdir()
    cfg = os.path.join(d, "Veltrune.cfg")
    with open(cfg) as f:
        text = f.read()
    lines = [("texture_size = 1024" if l.startswith("texture_size") else l) for l in text.splitlines()]
    with open(cfg, "w") as f:
        f.write("\n".join(lines) + "\n")
    rc, out, seen = run_to_end(d)
    assert rc == 0, rc
    assert out == "Error reading Veltrune.cfg... try deleting it to reset the defaults...\n", repr(out)
    assert not seen, "a window was opened"


def check_example_starts_and_draws():
    d = module_workdir()
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
    for extra in (["-bx"], ["x", "-b"], ["-B"]):
        d = module_workdir()
        ed = guilib.Editor(PROGRAM, d, extra)
        try:
            assert ed.proc.poll() is None
            ed.key("Escape")
            rc = ed.wait_exit(60)
            assert rc == 0, (extra, rc)
            assert not os.path.exists(os.path.join(d, "log.txt")), "%s ran the batch export" % extra
        finally:
            ed.kill()


def check_missing_parties():
    d = module_workdir()
    os.remove(os.path.join(d, "module", "parties.orig.txt"))
    rc, out, seen = run_to_end(d)
    assert rc == 0, rc
    assert out == "Cannot find parties.orig.txt.\nRead the readme!\n", repr(out)
    assert not seen, "a window was opened"


def check_missing_map():
    d = module_workdir()
    os.remove(os.path.join(d, "module", "map.txt"))
    rc, out, seen = run_to_end(d)
    assert rc == 0, rc
    assert out.startswith('Cannot open map "module/map.txt"'), repr(out)
    assert not seen, "a window was opened"


def check_window_close_without_changes():
    d = module_workdir()
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
    ("-b only as the exact first argument", check_not_quite_batch),
    ("missing parties.orig.txt", check_missing_parties),
    ("missing map.txt", check_missing_map),
    ("quit event with nothing changed", check_window_close_without_changes),
])
