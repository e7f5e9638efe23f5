"""The command line of the real program: the usage and the version read no file;
every command line it does not understand ends with status 1, opens no window and
writes nothing anywhere; "veltrune MODULE" makes the module's working folder
once, says the module.ini line, opens the editor there, and a second run finds
the folder."""
import hashlib
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import guilib  # noqa: E402

PROGRAM, SOURCE = guilib.args()
GENMAP = os.path.join(os.path.dirname(PROGRAM), "veltrune-genmap")
ADD_LINE = "so the game loads the names: load_mod_resource = map_names"


def tree(d):
    """Every folder and file under d, files with the digest of their bytes."""
    seen = {}
    for root, dirs, files in os.walk(d):
        for name in dirs:
            seen[os.path.relpath(os.path.join(root, name), d)] = "<folder>"
        for name in files:
            with open(os.path.join(root, name), "rb") as f:
                seen[os.path.relpath(os.path.join(root, name), d)] = hashlib.sha256(f.read()).hexdigest()
    return seen


def generated_module(path):
    """A generated module as the game ships it: its own parties.txt and map_icons.txt."""
    os.makedirs(path)
    subprocess.run([GENMAP, path, "--grid", "12"], check=True, capture_output=True)
    for name in ("parties", "map_icons"):
        os.rename(os.path.join(path, name + ".orig.txt"), os.path.join(path, name + ".txt"))


def check_usage_and_version():
    d = guilib.make_workdir(SOURCE, with_example=False)
    for args in (["-h"], ["--help"], ["-b", "--help"]):
        rc, out, seen = guilib.run_to_end(PROGRAM, d, args)
        assert rc == 0 and not seen, (args, rc)
        assert out.startswith("Usage:\n") and "\n  veltrune -n MODULE FOLDER " in out and "\n  veltrune MODULE " in out, out
    rc, out, _ = guilib.run_to_end(PROGRAM, d, ["--version"])
    assert rc == 0 and out == "Veltrune %s\n" % guilib.project_version(), (rc, out)
    assert os.listdir(d) == [], os.listdir(d)


def check_refusals_write_nothing():
    # The example with its module, a generated module as shipped (Mod), a file in
    # the way of a folder, and a folder that is no module.
    d = guilib.make_workdir(SOURCE)
    generated_module(os.path.join(d, "Mod"))
    with open(os.path.join(d, "afile"), "w") as f:
        f.write("x")
    os.mkdir(os.path.join(d, "empty"))
    os.makedirs(os.path.join(d, "other", "nomod"))
    p_usage = "Usage: veltrune -p [FILE] [SIZE], SIZE from 64 to 16384 pixels"
    rows = [
        (["-bx"], 'Unknown option "-bx"', True),
        (["-B"], 'Unknown option "-B"', True),
        (["/?"], 'Unknown option "/?"', True),
        (["-b", "-p"], "Use one of -b, -p, -n at a time", True),
        (["x", "-b"], 'Put -b first, before "x"', True),
        (["-b", "x"], 'Unexpected argument "x" after -b', True),
        (["Mod", "module"], 'Unexpected argument "module": give one module folder', True),
        (["-p", "a.png", "10"], p_usage, False),
        (["-n", "Mod"], "Usage: veltrune -n MODULE FOLDER", False),
        (["-n", "Mod", "afile"], 'Cannot make the folder "afile"', False),
        (["-n", "Mod", "afile/sub"], 'Cannot make the folder "afile/sub"', False),
        (["-n", "empty", "names"], 'Nothing was made: "%s/empty/map.txt" cannot be read' % d, False),
        (["afile"], '"afile" is not a module\'s folder', False),
        (["module"], 'The working folder "module" would be the module\'s own folder', False),
        (["empty"], 'The working folder "empty" would be the module\'s own folder', False),
        (["other/nomod"], 'Nothing was made: "%s/other/nomod/map.txt" cannot be read' % d, False),
    ]
    before = tree(d)
    for args, said, usage in rows:
        rc, out, seen = guilib.run_to_end(PROGRAM, d, args)
        assert rc == 1 and not seen, (args, rc, seen)
        first, _, rest = out.partition("\n")
        assert first.startswith(said), (args, out)
        assert rest.startswith("Usage:\n") == usage, (args, out)
        assert tree(d) == before, "%s wrote into the folder or the module" % args


def check_module_folder_made_then_found():
    d = guilib.make_workdir(SOURCE, with_example=False)
    mod = os.path.join(d, "game", "MyMod")
    generated_module(mod)
    with open(os.path.join(mod, "module.ini"), "w") as f:
        f.write("module_version = 1\nload_mod_resource = other\n")
    run = os.path.join(d, "run")
    os.mkdir(run)
    ed = guilib.Editor(PROGRAM, run, ["../game/MyMod"])
    try:
        out = ed.stdout()
        assert 'Made "MyMod/Veltrune.cfg" for the module "%s/"' % mod in out, out
        assert out.rstrip("\n").split("\n")[-1] == 'Add this line to "%s/module.ini" %s' % (mod, ADD_LINE), out
        for name in ("Veltrune.cfg", "savedData.txt", "mapcolors.txt"):
            assert os.path.exists(os.path.join(run, "MyMod", name)), name
        assert os.path.exists(os.path.join(mod, "parties.orig.txt"))
        ed.key("Escape")
        assert ed.wait_exit(60) == 0
    finally:
        ed.kill()
    made = tree(os.path.join(run, "MyMod"))
    # The editor starts in the folder: its colour file and store are those made.
    ed = guilib.Editor(PROGRAM, run, [mod])
    try:
        assert ed.stdout() == "", ed.stdout()
        ed.key("Escape")
        assert ed.wait_exit(60) == 0
    finally:
        ed.kill()
    assert tree(os.path.join(run, "MyMod")) == made, "the second run changed the working folder"


guilib.run_checks([
    ("-h, --help and --version read no file", check_usage_and_version),
    ("refused command lines write nothing anywhere", check_refusals_write_nothing),
    ("veltrune MODULE makes the working folder, then finds it", check_module_folder_made_then_found),
])
