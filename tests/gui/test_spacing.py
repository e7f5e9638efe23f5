"""ctrl-k on a label typed in the real window: saved with bit 0 of its spare set,
reloaded and exported by F12 as the batch export sets it, its narrow "I" at the start."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import guilib  # noqa: E402

PROGRAM, SOURCE = guilib.args()


def check_ctrl_k_saved_reloaded_exported():
    d = guilib.make_workdir(SOURCE)
    store, parties = os.path.join(d, "savedData.txt"), os.path.join(d, "module", "parties.txt")
    dds = os.path.join(d, "module", "textures", "map_names.dds")

    def xs():
        return [float(line.split()[14]) for line in open(parties) if "p_map_str_" in line]

    for keys, done in ((["ctrl+k", "F2"], lambda: open(store).read().endswith(" 1\n")),
                       (["F12"], lambda: len(xs()) == 12 and os.path.exists(dds))):
        ed = guilib.Editor(PROGRAM, d)
        try:
            if len(keys) == 2:
                ed.drag([(100, 250), (200, 250), (300, 250), (400, 250)])
                ed.type("Illumination")
            ed.key(*keys, delay=0.5)
            assert guilib.wait_for(done, 90), keys
            ed.key("Escape")
            assert ed.wait_exit(60) is not None, "Esc asked to save"
        finally:
            ed.kill()
    exported = open(parties, "rb").read()
    assert guilib.run_to_end(PROGRAM, d, ["-b"])[0] == 0 and open(parties, "rb").read() == exported
    # The narrow "I" stands within half a letter size of the start, where an equal
    # slot would put it a twelfth of the label's length in.
    nums = open(store).read().split("|")[1].split()
    start, size = float(nums[0]), float(nums[8])
    assert abs(xs()[0] - start) < 0.5 * size, (xs(), start, size)


guilib.run_checks([("ctrl-k on a typed label, saved, reloaded and exported", check_ctrl_k_saved_reloaded_exported)])
