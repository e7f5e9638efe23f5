"""Batch mode: "veltrune -b" exports the saved labels into the module without a
window, prints every message of the run after the height trace and writes them to
"log.txt" newest first, and ends with status 0; when the configuration, the map or
the export fails it ends with status 1."""
import hashlib
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import guilib  # noqa: E402

PROGRAM, SOURCE = guilib.args()
OUTPUTS = [("Resource", "map_names.brf"), ("map_icons.txt",), ("parties.txt",), ("textures", "map_names.dds")]


def pinned_workdir():
    """A working copy of the example whose charset is the one the pinned outputs
    were made with: the glyphs' proportions, and so the letter meshes, follow the
    font size the charset's atlas gets."""
    d = guilib.make_workdir(SOURCE)
    cfg = os.path.join(d, "Veltrune.cfg")
    text = open(cfg, "rb").read().replace(b"tuvwxyz", b"tuvxyz").replace(b"TUVWXYZ", b"TUVXYZ")
    open(cfg, "wb").write(text)
    return d


def party_count(path):
    """The count line of a party list: its first integer."""
    with open(path, "rb") as f:
        lines = f.read().split(b"\n")
    return int(lines[1].split()[0])


def check_export_without_labels():
    d = guilib.make_workdir(SOURCE)
    mod = os.path.join(d, "module")
    colors = os.path.join(d, "mapcolors.txt")
    colors_before = open(colors, "rb").read() if os.path.exists(colors) else None
    rc, out, seen = guilib.run_to_end(PROGRAM, d, ["-b"], timeout=120)
    assert rc == 0, rc
    assert not seen, "batch mode opened a window"
    with open(os.path.join(d, "log.txt"), "rb") as f:
        log = f.read().decode("latin-1")
    steps = [l for l in log.split("\n") if l]
    assert len(steps) == 5 and steps[4] == "Found 0 duplicated", steps
    # Standard output: the same messages, one a line, in the order they arose.
    assert out.split("\n") == steps[::-1] + [""], out
    assert steps[0].startswith('(4/4) Exported "textures\\map_names.dds" DXT3 '), steps[0]
    assert steps[1] == '(3/4) Exported "parties.txt" file! (0 new objects, %d in total)' % party_count(
        os.path.join(mod, "parties.orig.txt")), steps[1]
    assert steps[2].startswith('(2/4) Exported "map_icons.txt" file! (0 new icons, '), steps[2]
    assert steps[3] == '(1/4) Exported resource file "Resource\\map_names.brf"! (add it to module.ini)', steps[3]
    for o in OUTPUTS:
        assert os.path.exists(os.path.join(mod, *o)), o
    colors_after = open(colors, "rb").read() if os.path.exists(colors) else None
    assert colors_after == colors_before, "batch mode has no use for the colour file"


def check_export_with_a_label():
    d = guilib.make_workdir(SOURCE)
    mod = os.path.join(d, "module")
    with open(os.path.join(mod, "map.txt")) as f:
        tokens = f.read().split()
    n = int(tokens[0])
    xs = [float(tokens[1 + 3 * i]) for i in range(n)]
    ys = [float(tokens[2 + 3 * i]) for i in range(n)]
    cx, cy = (min(xs) + max(xs)) / 2, (min(ys) + max(ys)) / 2
    with open(os.path.join(d, "savedData.txt"), "w") as f:
        f.write("v1\n1\nK a r n _ V a l e | %f %f 0.33 0 0.66 0 %f %f 1.0 60 100 0 0\n"
                % (cx - 20, cy, cx + 20, cy))
    # An editing session's unsaved labels are not exported, only named.
    with open(os.path.join(d, "savedData.recovery.txt"), "w") as f:
        f.write("v1\n1\nM o r e | %f %f 0.33 0 0.66 0 %f %f 1.0 60 100 0 0\n" % (cx - 20, cy, cx + 20, cy))
    rc, out, seen = guilib.run_to_end(PROGRAM, d, ["-b"], timeout=120)
    assert rc == 0, rc
    assert ('"savedData.recovery.txt" holds unsaved labels of an editing session: open the editor to keep or '
            'drop them') in out.splitlines(), out[-600:]
    assert not seen, "batch mode opened a window"
    assert "flat terrain" not in out, "the map was not read"
    orig = party_count(os.path.join(mod, "parties.orig.txt"))
    parties_path = os.path.join(mod, "parties.txt")
    assert party_count(parties_path) == orig + 8, party_count(parties_path)
    with open(parties_path, "rb") as f:
        parties = f.read()
    assert parties.count(b"p_map_str_") == 8, parties.count(b"p_map_str_")
    assert b"\r\n" in parties and b"\n" not in parties.replace(b"\r\n", b""), "parties.txt needs CR LF"
    with open(os.path.join(d, "log.txt"), "rb") as f:
        log = f.read().decode("latin-1")
    assert "(3/4) Exported \"parties.txt\" file! (8 new objects, %d in total)" % (orig + 8) in log, log
    # The store is only read.
    with open(os.path.join(d, "savedData.txt")) as f:
        assert f.read().startswith("v1\n1\nK a r n _ V a l e |")


def check_export_without_the_map():
    # Without the map every letter would lie at height 0, under the hills: the
    # export stops before any file, with status 1 and the reason in "log.txt".
    d = guilib.make_workdir(SOURCE)
    mod = os.path.join(d, "module")
    os.remove(os.path.join(mod, "map.txt"))
    with open(os.path.join(d, "savedData.txt"), "w") as f:
        f.write("v1\n1\na b | 0 0 0.33 0 0.66 0 10 0 1.0 60 100 0 0\n")
    before = module_files(mod)
    rc, out, _ = guilib.run_to_end(PROGRAM, d, ["-b"], timeout=120)
    assert rc == 1, rc
    stop = 'Export stopped: "map.txt" cannot be read (cannot open "module/map.txt"), so the letters would lie at height 0\n'
    assert out == stop and open(os.path.join(d, "log.txt")).read() == stop, out
    assert module_files(mod) == before, "a stopped export changed the module"


def module_files(mod):
    """Every file of the module folder with its bytes."""
    files = {}
    for root, _, names in os.walk(mod):
        for name in names:
            with open(os.path.join(root, name), "rb") as f:
                files[os.path.relpath(os.path.join(root, name), mod)] = f.read()
    return files


def check_failures_end_with_status_1():
    # A configuration that cannot be read, or none at all: nothing is exported.
    d = guilib.make_workdir(SOURCE)
    cfg = os.path.join(d, "Veltrune.cfg")
    with open(cfg, "a") as f:
        f.write("texture_size = 64 x 64\n")
    rc, out, seen = guilib.run_to_end(PROGRAM, d, ["-b"], timeout=120)
    said = "Error reading Veltrune.cfg... try deleting it to reset the defaults...\ntexture_size is given twice (lines "
    assert rc == 1 and out.startswith(said), (rc, out)
    # A build script finds the same in "log.txt".
    assert not seen and open(os.path.join(d, "log.txt")).read() == out
    os.remove(cfg)
    rc, _, _ = guilib.run_to_end(PROGRAM, d, ["-b"], timeout=120)
    assert rc == 1, rc

    # A generated module of 250 icons has room for six letter meshes: six export
    # one to a mesh, byte for byte as before letters could share meshes; seven are
    # grouped two to a mesh, or with one letter a mesh stop the export before any
    # file is written, with one message in "log.txt".
    d = pinned_workdir()
    mod = os.path.join(d, "module")
    genmap = os.path.join(os.path.dirname(PROGRAM), "veltrune-genmap")
    subprocess.run([genmap, mod, "--grid", "8", "--icons", "250"], check=True, capture_output=True)
    cfg = os.path.join(d, "Veltrune.cfg")
    cfg_text = open(cfg).read()
    for text, setting, status in (("a b c d e f", "auto", 0), ("a b c d e f g", "auto", 0), ("a b c d e f g", "1", 1)):
        with open(cfg, "w") as f:
            f.write(cfg_text + "mesh_letters = %s\n" % setting)
        with open(os.path.join(d, "savedData.txt"), "w") as f:
            f.write("v1\n1\n%s | -30 0 0.33 0 0.66 0 30 0 1.0 60 100 0 0\n" % text)
        before = module_files(mod)
        rc, out, _ = guilib.run_to_end(PROGRAM, d, ["-b"], timeout=120)
        with open(os.path.join(d, "log.txt"), "rb") as f:
            log = f.read().decode("latin-1")
        assert rc == status, (text, rc, log)
        if text == "a b c d e f":
            for parts, digest in zip(OUTPUTS, PINNED["250 icons"]):
                with open(os.path.join(mod, *parts), "rb") as f:
                    assert hashlib.sha256(f.read()).hexdigest() == digest, os.path.join(*parts)
        elif status == 0:
            # The grouping is said in the icons step's own message.
            assert [l for l in log.split("\n") if l][2] == ('(2/4) Exported "map_icons.txt" file! (4 new icons, 254 in total; letters '
                                          "grouped 2 to a mesh to fit the module's icons, room for 6)"), log
    assert log == ("Export stopped: the letters need icons 250 to 256, but a party can only show icons 0 to 255 "
                   "(the module has 250 icons: room for 6 letter meshes, these labels need 7; one mesh per label "
                   "would need 1)\n"), log
    # The terminal shows the stop too: the height trace, a line break, the messages.
    trace, _, said = out.partition("\n")
    assert trace.startswith("Z=") and said == log, out
    assert module_files(mod) == before, "a stopped export changed the module"


# The four outputs of the example's export, and of a Latin-1 charset and store (the
# accented letters as single bytes, as older files hold them), as the program wrote
# them before letters were kept as Unicode code points.
PINNED = {
    "example": ["9b8c43b80e87fddaf6b4e962810906c3159c688bd668ba71aa73faf1f5846c1b",
                "2079c86a0e82c40c64e1e9513fbb35311f4fa9b348408cd58ce4e35ebedf8514",
                "410aa93d67af79c363fe68060c440d96d5362d449dd9c51fde9d75b2585c8a91",
                "bdda194fc299174488062521f3fe3514ed82e46ae25e279e55e4315a88ee499b"],
    "latin-1": ["9e05e3b2bb2e5ea1fa2032e103095332b6e5e7850af033d308265014101595d8",
                "5708c8cefb91c31e6d3ad60fcca4d8f681216cc859865e1a67618840a317814c",
                "5ac4694a1d3ecafbd08907c7cbd70c85cf800556731508c7f69686684b34cb09",
                "73e1782efdaf071a13c0afef380a6ec2dd4cea4ccfe5b56ae30785bdb3868677"],
    # "a b c d e f" on a generated hilly module of 250 icons (check_failures_end_with_status_1).
    "250 icons": ["9ab1b1c5f9341d1afb20cba2d7c7ff85d7acc5e0fd05a1a4f774c3c425b1ce2e",
                  "6c60672b7a948d235b7c7eff6864e1375a44ae40fe8cdf583b624ff58604a98b",
                  "9adf7a4cb9897e4d1626fb848fd647904bfd40fd978e50083e1a77cc44e9dbd1",
                  "87063343d1dafc0d29984d3b643c72b9f7c2f1cfe7d83c0e6861e645a93c5943"],
}


def check_pinned_outputs():
    for case, digests in PINNED.items():
        if case == "250 icons":
            continue
        d = pinned_workdir()
        if case == "example":
            shutil.copyfile(os.path.join(SOURCE, "example", "savedData.txt"), os.path.join(d, "savedData.txt"))
        else:
            cfg = os.path.join(d, "Veltrune.cfg")
            text = open(cfg, "rb").read().replace(b'- "', b'- \xe0\xe9\xe8\xe7\xc9\xd6\xf6\xdf\xc5"')
            open(cfg, "wb").write(text)
            with open(os.path.join(d, "savedData.txt"), "wb") as f:
                f.write(b"v1\n2\nC a f \xe9 _ \xc5 n g s t r \xf6 m | -20 5 0.33 0 0.66 0 25 8 1.2 70 100 0 0\n"
                        b"\xc9 t \xe9 | -30 -20 0.33 0.1 0.66 -0.1 -5 -22 0.9 45 120 1 0\n")
        rc, _, _ = guilib.run_to_end(PROGRAM, d, ["-b"], timeout=120)
        assert rc == 0, (case, rc)
        for parts, digest in zip(OUTPUTS, digests):
            with open(os.path.join(d, "module", *parts), "rb") as f:
                assert hashlib.sha256(f.read()).hexdigest() == digest, "%s: %s changed" % (case, os.path.join(*parts))


guilib.run_checks([
    ("batch export without labels", check_export_without_labels),
    ("batch export of a saved label", check_export_with_a_label),
    ("batch export without the map", check_export_without_the_map),
    ("failed batch exports end with status 1", check_failures_end_with_status_1),
    ("the example's and a Latin-1 module's outputs stay byte for byte", check_pinned_outputs),
])
