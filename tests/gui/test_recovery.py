"""Unsaved labels survive a killed editor: with recovery_seconds = 1 a new label is
in "savedData.recovery.txt" within a second; killed with SIGKILL and started
again, the editor shows the recovered labels and says so in its message list; N
at the save prompt leaves "savedData.txt" as it was and removes the copy."""
import os
import shutil

import guilib

PROGRAM, SOURCE = guilib.args()


def main():
    workdir = guilib.make_workdir(SOURCE)
    with open(os.path.join(workdir, "Veltrune.cfg"), "a") as f:
        f.write("recovery_seconds = 1\n")
    store, copy = (os.path.join(workdir, name) for name in ("savedData.txt", "savedData.recovery.txt"))
    shutil.copy(os.path.join(SOURCE, "example", "savedData.txt"), store)  # the example's four labels
    saved = open(store, "rb").read()
    shots, results = {}, {}
    for run in ("killed", "recovered", "saved"):
        ed = guilib.Editor(PROGRAM, workdir)
        try:
            shots[run] = ed.wait_frame()
            if run == "killed":
                ed.drag([(150, 120), (250, 125), (350, 130)])
                ed.type("Tarn")
                results["copied"] = guilib.wait_for(lambda: "T a r n" in open(copy).read(), 10)
                continue  # then SIGKILL: no save, no prompt
            ed.key("Escape")
            if run == "recovered":
                ed.wait_frame(shots[run])  # the save prompt
                ed.key("n")
            results[run] = ed.wait_exit()
        finally:
            ed.kill()
        results[run + " copy"] = os.path.exists(copy)

    def dark_share(img, box):
        """The share of pixels as dark as a backdrop over the example's ground."""
        pixels = [max(p) for _, _, p in img.region(*box)]
        return sum(1 for v in pixels if v < 80) / len(pixels)

    def copy_written_within_the_interval():
        assert results["copied"], "no copy with the new label"

    def recovered_labels_shown_and_said():
        # The new label's translucent letters darken the map along its curve only after recovery.
        box = (150, 100, 350, 150)
        darker = sum(1 for (_, _, a), (_, _, b) in zip(shots["recovered"].region(*box), shots["saved"].region(*box))
                     if max(b) - max(a) >= 25)
        assert darker >= 40, "pixels darkened by the new label: %d" % darker
        # Above the banner, the recovery message's lines on their backdrops.
        h = shots["recovered"].height
        said = [dark_share(shots[k], (3, h - 48, 250, h - 22)) for k in ("recovered", "saved")]
        assert said[0] > 0.5 and said[1] < 0.1, "message lines above the banner: %s" % said

    def n_keeps_the_store_and_drops_the_copy():
        assert results["recovered"] == 0, results["recovered"]
        assert open(store, "rb").read() == saved, "savedData.txt changed"
        assert not results["recovered copy"], "the copy is still there after N"
        assert results["saved"] == 0, "the next start had unsaved changes"

    guilib.run_checks([
        ("the copy written within the interval", copy_written_within_the_interval),
        ("the recovered labels shown, the message says so", recovered_labels_shown_and_said),
        ("N keeps savedData.txt and drops the copy", n_keeps_the_store_and_drops_the_copy),
    ])


if __name__ == "__main__":
    main()
