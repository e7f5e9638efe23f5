"""Labels loaded from the store at start-up are drawn: dark letter ink appears
along the label's curve, and nowhere near it without the store."""
import os

import guilib


def dark_pixels(img, centres, radius):
    """Pixels darker than any terrain colour within radius of each window point."""
    counts = []
    for cx, cy in centres:
        n = 0
        box = (int(cx - radius), int(cy - radius), int(cx + radius), int(cy + radius))
        for _, _, (r, g, b) in img.region(*box):
            if max(r, g, b) < 30:
                n += 1
        counts.append(n)
    return counts


def main():
    program, source = guilib.args()
    box = guilib.map_box(os.path.join(source, "example", "module"))
    view = guilib.View(box)
    cx, cy = view.c[0], view.c[1]
    # A straight label of five letters through the map centre, 40 map units long,
    # size 4 and fully opaque.
    start, end = (cx + 20.0, cy + 5.0), (cx - 20.0, cy + 5.0)
    text = "HAVEN"
    line = " ".join(text) + " |  %f %f  0.330000 0.000000  0.660000 0.000000  %f %f  4.000000 100 100 0 0\n" % (
        start[0], start[1], end[0], end[1])
    centres = []
    for i in range(len(text)):
        f = (i + 0.5) / len(text)
        centres.append(view.to_window(start[0] + f * (end[0] - start[0]), start[1] + f * (end[1] - start[1])))
    # Points of the map away from the label, where no ink may appear.
    away = [view.to_window(cx, cy - 25.0), view.to_window(cx + 10.0, cy + 30.0)]

    shots = {}

    def run(with_store):
        workdir = guilib.make_workdir(source)
        if with_store:
            with open(os.path.join(workdir, "savedData.txt"), "w") as f:
                f.write("v1\n1\n" + line)
        ed = guilib.Editor(program, workdir)
        try:
            return ed.wait_frame()
        finally:
            ed.kill()

    def letters_along_the_curve():
        shots["with"] = run(True)
        counts = dark_pixels(shots["with"], centres, 12)
        assert all(n >= 15 for n in counts), "too little ink at the letters: %s" % counts

    def no_ink_away_from_the_curve():
        counts = dark_pixels(shots["with"], away, 12)
        assert all(n == 0 for n in counts), "ink away from the label: %s" % counts

    def no_ink_without_the_store():
        img = run(False)
        counts = dark_pixels(img, centres, 12)
        assert all(n == 0 for n in counts), "ink without a label: %s" % counts

    guilib.run_checks([
        ("letters along the curve", letters_along_the_curve),
        ("no ink away from the curve", no_ink_away_from_the_curve),
        ("no ink without the store", no_ink_without_the_store),
    ])


if __name__ == "__main__":
    main()
