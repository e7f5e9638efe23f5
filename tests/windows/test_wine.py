"""The Windows program under Wine: it opens its window and draws the example map,
a drag and typed letters make a label that F2 saves, Esc ends it; and "-b"
writes the four module files byte for byte as the Linux program does from the
same inputs, with its standard output reaching the pipe; started without a console
on a missing configuration it shows the message in a box titled "Veltrune";
"-n" makes a working folder, and "veltrune.exe MODULE" makes one beside the
program and opens the editor there.

With the Windows zip given, the program unzipped from it exports its bundled
example, with the bundled font, as the Linux program does.

Called as: python3 test_wine.py <veltrune.exe> <Linux veltrune> <source dir> [zip],
with DISPLAY set to the display the Wine server was started with."""
import os
import pty
import select
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "gui"))
import guilib  # noqa: E402

EXE, LINUX, SOURCE = (os.path.abspath(a) for a in sys.argv[1:4])
ZIP = os.path.abspath(sys.argv[4]) if len(sys.argv) > 4 else None
OUTPUTS = [("Resource", "map_names.brf"), ("map_icons.txt",), ("parties.txt",), ("textures", "map_names.dds")]


def check_window():
    d = guilib.make_workdir(SOURCE)
    ed = guilib.Editor(EXE, d, timeout=60)
    try:
        # The first frame: the lit map over most of the window, the grey background around it.
        img = ed.wait_frame()
        assert (img.width, img.height) == (500, 500), (img.width, img.height)
        lit = sum(1 for _, _, p in img.region(0, 0, img.width, img.height) if max(p) > 40)
        colours = {p for _, _, p in img.region(0, 0, img.width, img.height)}
        assert lit > img.width * img.height // 2, "the map was not drawn (%d lit pixels)" % lit
        assert len(colours) > 50, "a flat picture, not the map (%d colours)" % len(colours)

        store = os.path.join(d, "savedData.txt")
        before = open(store, "rb").read() if os.path.exists(store) else b""
        ed.drag([(120, 420), (200, 425), (300, 430), (380, 440)])
        ed.type("Tarn")
        ed.key("F2", delay=0.5)
        assert guilib.wait_for(lambda: os.path.exists(store) and open(store, "rb").read() != before), "F2 wrote nothing"
        saved = open(store, "rb").read()
        lines = saved.split(b"\r\n")
        assert b"\n" not in saved.replace(b"\r\n", b""), "the Windows store has CR LF line ends"
        count = int(lines[1])
        assert lines[0] == b"v1" and count == 1, lines[:2]
        assert lines[1 + count].startswith(b"T a r n | "), lines[1 + count]
        ed.key("Escape")
        assert ed.wait_exit(60) == 0, "Esc after saving must end the program"
    finally:
        ed.kill()


def linux_export():
    """A working copy of the example with its own labels, exported by the Linux
    program; (folder, standard output)."""
    d = guilib.make_workdir(SOURCE)
    shutil.copyfile(os.path.join(SOURCE, "example", "savedData.txt"), os.path.join(d, "savedData.txt"))
    rc, out, _ = guilib.run_to_end(LINUX, d, ["-b"], timeout=120)
    assert rc == 0, ("linux", rc)
    return d, out


def same_outputs(linux, windows):
    for o in OUTPUTS:
        a = open(os.path.join(linux, "module", *o), "rb").read()
        b = open(os.path.join(windows, "module", *o), "rb").read()
        assert a == b, "%s differs (%d bytes on Linux, %d on Windows)" % (os.path.join(*o), len(a), len(b))


def check_batch_matches_linux():
    linux, out = linux_export()
    windows = guilib.make_workdir(SOURCE)
    shutil.copyfile(os.path.join(SOURCE, "example", "savedData.txt"), os.path.join(windows, "savedData.txt"))
    rc, wout, seen = guilib.run_to_end(EXE, windows, ["-b"], timeout=180)
    assert rc == 0, ("windows", rc, wout)
    assert not seen, "batch mode opened a window"
    # Standard output reaches the pipe (the letter-height trace), with CR LF line ends.
    assert "Z=" in wout and wout.replace("\r\n", "\n") == out, (wout[:200], out[:200])
    assert not os.path.exists(os.path.join(os.path.dirname(EXE), "stdout.txt")), "output went to stdout.txt"
    same_outputs(linux, windows)
    log = open(os.path.join(windows, "log.txt"), "rb").read()
    assert log.startswith(b"(4/4) Exported") and b"\r\n" in log, log[:80]


def check_output_without_console():
    # A console made for the program alone, as a double-click in the Explorer gives
    # it (under Wine: a terminal of its own), is let go: the program's output goes
    # to stdout.txt beside it, not to the working folder, and the problem that ends
    # start-up shows in a message box titled "Veltrune" until it is closed. Wine's
    # window trace names each control it creates with its text: the box's text is
    # a static control.
    d = guilib.make_workdir(SOURCE)
    exe_dir = os.path.join(d, "program")
    os.mkdir(exe_dir)
    exe = os.path.join(exe_dir, "veltrune.exe")
    shutil.copyfile(EXE, exe)
    os.remove(os.path.join(d, "Veltrune.cfg"))
    # The control's text, as Wine's trace writes it (line breaks as \n, quotes as \").
    box_text = (b'L"Wrong or missing config file \\"Veltrune.cfg\\"!\\n'
                b'Make one for your module with: veltrune -n MODULE FOLDER" L"Static"')
    leader, follower = pty.openpty()
    proc = subprocess.Popen(guilib.command(exe), cwd=d, stdin=follower, stdout=follower, stderr=follower,
                            env=dict(os.environ, WINEDEBUG="+win"))
    os.close(follower)
    trace, box = b"", None
    try:
        deadline = time.time() + 120
        while proc.poll() is None and time.time() < deadline:
            # The trace is read all along, so the program never waits on a full terminal.
            if select.select([leader], [], [], 0.2)[0]:
                try:
                    trace += os.read(leader, 1 << 16)
                except OSError:
                    break
            ids = guilib.xdo("search", "--onlyvisible", "--name", "^Veltrune$", check=False).split()
            if box is None and ids and box_text in trace:
                box = ids[-1]
                guilib.xdo("windowfocus", "--sync", box, check=False)
                guilib.xdo("key", "Return")
        rc = proc.wait(max(1, deadline - time.time()))
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()
        os.close(leader)
    assert box, "no message box titled \"Veltrune\" holding the message"
    assert rc == 0, rc
    text = open(os.path.join(exe_dir, "stdout.txt"), "rb").read()
    assert text.replace(b"\r\n", b"\n") == (b'Wrong or missing config file "Veltrune.cfg"!\n'
                                           b"Make one for your module with: veltrune -n MODULE FOLDER\n"), text
    assert not os.path.exists(os.path.join(d, "stdout.txt"))


def program_and_module(name, *genmap):
    """A scratch folder holding "program" (veltrune.exe and its font) and a generated
    module `name` with its own lists: (folder, program, module)."""
    d = guilib.make_workdir(SOURCE, with_example=False)
    program = os.path.join(d, "program")
    os.mkdir(program)
    exe = os.path.join(program, "veltrune.exe")
    shutil.copyfile(EXE, exe)
    shutil.copyfile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", os.path.join(program, "DejaVuSans.ttf"))
    mod = os.path.join(d, name)
    os.mkdir(mod)
    subprocess.run([os.path.join(os.path.dirname(LINUX), "veltrune-genmap"), mod, "--grid", "20"] + list(genmap),
                   check=True, capture_output=True)
    for kind in ("parties", "map_icons"):
        os.rename(os.path.join(mod, kind + ".orig.txt"), os.path.join(mod, kind + ".txt"))
    return d, exe, mod


def check_new_folder():
    # "-n" on a generated module: the Windows program writes "Veltrune.bat", which
    # starts it by its absolute path, and a configuration that "-b" then exports with
    # (the font is the one beside veltrune.exe).
    d, exe, mod = program_and_module("Mod", "--labels", "3", "--letters", "5")
    names = os.path.join(d, "names")
    os.mkdir(names)
    os.rename(os.path.join(mod, "savedData.txt"), os.path.join(names, "savedData.txt"))
    rc, out, seen = guilib.run_to_end(exe, d, ["-n", "Mod", "names"], timeout=120)
    assert rc == 0 and not seen, (rc, out)
    bat = open(os.path.join(names, "Veltrune.bat"), "rb").read()
    assert b"\\program\\veltrune.exe\"\r\n" in bat and b'cd /d "%~dp0"' in bat, bat
    assert "Next: double-click" in out and "Kept" in out, out
    rc, out, _ = guilib.run_to_end(exe, names, ["-b"], timeout=180)
    assert rc == 0, (rc, out[-300:])
    log = open(os.path.join(names, "log.txt"), "rb").read()
    assert b"(3/4) Exported \"parties.txt\" file! (11 new objects" in log, log


def check_module_folder():
    # "veltrune.exe MODULE", as a folder dropped onto the program gives it: the
    # working folder is made beside the program, naming the font and the program
    # relatively, with the module.ini line said last; then the editor opens there.
    d, exe, mod = program_and_module("MyMod")
    program = os.path.dirname(exe)
    with open(os.path.join(mod, "module.ini"), "wb") as f:
        f.write(b"module_version = 1\r\n")
    ed = guilib.Editor(exe, d, ["MyMod"], timeout=90)
    try:
        # Standard output, then what freeglut says on standard error under Wine.
        lines = ed.stdout().replace("\r\n", "\n").split("\n")
        said = lines.index(next(l for l in lines if l.startswith("Next: double-click")))
        assert lines[0].startswith('Made "') and lines[said + 1].startswith("Add this line to "), lines
        folder = os.path.join(program, "MyMod")
        cfg = open(os.path.join(folder, "Veltrune.cfg"), "rb").read()
        assert b'font = "..\\DejaVuSans.ttf"' in cfg, cfg
        bat = open(os.path.join(folder, "Veltrune.bat"), "rb").read()
        assert b'start "" "..\\veltrune.exe"\r\n' in bat, bat
        assert not os.path.exists(os.path.join(d, "Veltrune.cfg")), "the folder went into the working directory"
        ed.key("Escape")
        assert ed.wait_exit(60) == 0
    finally:
        ed.kill()


def check_zip():
    scratch = tempfile.mkdtemp(prefix="vt_zip_")
    with zipfile.ZipFile(ZIP) as z:
        z.extractall(scratch)
    (top,) = os.listdir(scratch)
    folder = os.path.join(scratch, top)
    for name in ["veltrune.exe", "README.txt", "DejaVuSans.ttf", "licenses/SDL2.txt", "licenses/SDL2_ttf.txt",
                 "licenses/FreeType.txt", "licenses/freeglut.txt", "licenses/DejaVu-fonts.txt"]:
        assert os.path.getsize(os.path.join(folder, name)) > 0, name
    assert b'font = "DejaVuSans.ttf"' in open(os.path.join(folder, "Veltrune.cfg"), "rb").read()
    rc, out, seen = guilib.run_to_end(os.path.join(folder, "veltrune.exe"), folder, ["-b"], timeout=180)
    assert rc == 0 and not seen, (rc, out[-300:])
    linux, _ = linux_export()
    same_outputs(linux, folder)


guilib.run_checks([
    ("the window draws the map; drag, type, F2, Esc", check_window),
    ("-b writes the Linux program's bytes", check_batch_matches_linux),
    ("without console or pipe: a message box, and output to stdout.txt", check_output_without_console),
    ("-n makes a working folder with Veltrune.bat that -b exports from", check_new_folder),
    ("veltrune.exe MODULE makes the working folder beside the program", check_module_folder),
] + ([("the zip's program exports its example with the bundled font", check_zip)] if ZIP else []))
