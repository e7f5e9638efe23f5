"""Proportional spacing in the real window: ctrl-k on a typed label, saved with
F2 (bit 0 of its stored spare set), reloaded and exported with F12. The batch
export of that store writes the same parties; in equal slots its letters stand
elsewhere, the other labels' letters where they were."""
import os
import shutil
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import guilib  # noqa: E402

PROGRAM, SOURCE = guilib.args()


def letter_positions(path):
    """(x, y) of every letter's party in parties.txt."""
    with open(path) as f:
        return [tuple(float(v) for v in line.split()[14:16]) for line in f if "p_map_str_" in line]


def check_ctrl_k_saved_reloaded_exported():
    d = guilib.make_workdir(SOURCE)
    store = os.path.join(d, "savedData.txt")
    parties = os.path.join(d, "module", "parties.txt")
    shutil.copy(os.path.join(SOURCE, "example", "savedData.txt"), store)  # the example's four labels
    ed = guilib.Editor(PROGRAM, d)
    try:
        ed.drag([(100, 250), (200, 250), (300, 250), (400, 250)])
        ed.type("Illumination")
        ed.key("ctrl+k", "F2", delay=0.5)
        assert guilib.wait_for(lambda: "I l l u m i n a t i o n |" in open(store).read()), "not saved"
        line = open(store).read().split("\n")[6]
        assert line.endswith(" 1"), line
        ed.key("Escape")
        assert ed.wait_exit(60) is not None, "Esc asked to save"
    finally:
        ed.kill()

    ed = guilib.Editor(PROGRAM, d)
    try:
        ed.key("F12")
        assert guilib.wait_for(lambda: len(letter_positions(parties)) == 52, 90), "not exported"
        assert guilib.wait_for(lambda: os.path.exists(os.path.join(d, "module", "textures", "map_names.dds")))
        exported = open(parties, "rb").read()
        ed.key("Escape")
        assert ed.wait_exit(60) is not None, "Esc asked to save: reloading changed the labels"
    finally:
        ed.kill()

    assert guilib.run_to_end(PROGRAM, d, ["-b"])[0] == 0
    assert open(parties, "rb").read() == exported, "the batch export sets the letters as the editor does"
    proportional = letter_positions(parties)
    with open(store) as f:
        text = f.read()
    with open(store, "w") as f:
        f.write(text.replace(" 1\n", " 0\n"))
    assert guilib.run_to_end(PROGRAM, d, ["-b"])[0] == 0
    equal = letter_positions(parties)
    assert equal[:40] == proportional[:40], "the example's labels stay in equal slots"
    start = [float(v) for v in line.split("|")[1].split()[0:2]]
    reach = [abs(p[0][0] - start[0]) for p in (proportional[40:], equal[40:])]
    assert reach[0] < reach[1] / 2, "the narrow I touches the start: %s" % reach


guilib.run_checks([
    ("ctrl-k on a typed label, saved, reloaded and exported", check_ctrl_k_saved_reloaded_exported),
])
