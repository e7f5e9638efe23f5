"""The editor at a map's own scale, in the real window over a white map: a click
on a letter selects its label, a drag on it moves the label and ctrl-z puts it
back, shift-Delete removes it and ctrl-z brings it back, a wheel step keeps the
point under the pointer, F3 hides the party names, and the message list stands
on a dark backdrop."""
import os

import guilib

PROGRAM, SOURCE = guilib.args()


def store_labels(workdir):
    """Each label line of the store as (text, numbers)."""
    with open(os.path.join(workdir, "savedData.txt")) as f:
        lines = f.read().split("\n")[2:]
    return [("".join(line.split("|")[0].split()), [float(v) for v in line.split("|")[1].split()])
            for line in lines if "|" in line]


def save(ed, workdir):
    """F2, then the store's labels once it is written anew."""
    path = os.path.join(workdir, "savedData.txt")
    before = os.stat(path).st_mtime_ns if os.path.exists(path) else None
    ed.key("F2", delay=0.5)
    guilib.wait_for(lambda: os.stat(path).st_mtime_ns != before, 10)
    return store_labels(workdir)


def marker_centre(img, near, box=16):
    """Centroid of the party marker's fill (reddish over the grey map) around a window point."""
    xs, ys = [], []
    cx, cy = int(round(near[0])), int(round(near[1]))
    for x, y, (r, g, b) in img.region(cx - box, cy - box, cx + box, cy + box):
        if r - b > 30:
            xs.append(x)
            ys.append(y)
    assert len(xs) >= 10, "no marker near %s: %d pixels" % (near, len(xs))
    return sum(xs) / len(xs), sum(ys) / len(ys)


def dark_share(img, box):
    """The share of pixels in box darker than any lit white ground."""
    pixels = [max(p) for _, _, p in img.region(*box)]
    return sum(1 for v in pixels if v < 110) / len(pixels)


def main():
    box = guilib.map_box(os.path.join(SOURCE, "example", "module"))
    view = guilib.View(box)
    cx, cy = view.c[0], view.c[1]
    unit = view.d / (3 * 500)  # map units per pixel at the start view
    workdir = guilib.make_workdir(SOURCE)
    # One label of five letters, size 4, through the map's centre; a white map.
    start, end = (cx + 20.0, cy + 5.0), (cx - 20.0, cy + 5.0)
    with open(os.path.join(workdir, "savedData.txt"), "w") as f:
        f.write("v1\n1\nH A V E N |  %f %f  0.330000 0.000000  0.660000 0.000000  %f %f  4.000000 100 100 0 0\n"
                % (start[0], start[1], end[0], end[1]))
    with open(os.path.join(workdir, "mapcolors.txt"), "w") as f:
        f.write("16\n" + "".join("%d 255 255 255\n" % t for t in range(16)))
    # The parties in the window, away from the label.
    parties = []
    with open(os.path.join(workdir, "module", "parties.orig.txt")) as f:
        for line in f.read().split("\n")[2::2]:
            fields = line.split()
            if len(fields) >= 16 and (float(fields[14]), float(fields[15])) not in ((0, 0), (1, 1)):
                px, py = view.to_window(float(fields[14]), float(fields[15]))
                if 60 < px < 420 and 60 < py < 440 and abs(py - view.to_window(cx, cy + 5)[1]) > 40:
                    parties.append((px, py))
    assert parties, "no party in view"
    town = parties[0]
    # 8 pixels above the middle letter's centre: in its box, beyond the curve's 6 pixels.
    vx, vy = view.to_window(cx, cy + 5.0)
    letter = (int(round(vx)), int(round(vy - 8)))
    shots = {}
    results = {}

    ed = guilib.Editor(PROGRAM, workdir)
    try:
        shots["start"] = ed.wait_frame()
        ed.click(*letter)
        shots["selected"] = ed.screenshot()
        ed.drag([letter, (letter[0] + 20, letter[1] + 15), (letter[0] + 40, letter[1] + 30)])
        results["moved"] = save(ed, workdir)
        ed.key("ctrl+z")
        results["back"] = save(ed, workdir)
        ed.key("shift+Delete")
        results["deleted"] = save(ed, workdir)
        ed.key("ctrl+z")
        results["restored"] = save(ed, workdir)
        ed.key("F3")
        ed.move(5, 5)
        shots["no names"] = ed.screenshot()
        pointer = (int(round(town[0] + 25)), int(round(town[1] + 15)))
        ed.move(*pointer)
        shots["before wheel"] = ed.screenshot()
        guilib.xdo("click", 4)
        shots["after wheel"] = ed.screenshot()
    finally:
        ed.kill()

    def undone():
        """The label's numbers after ctrl-z took the move back."""
        (_, numbers), = results["back"]
        return numbers

    def click_on_a_letter_selects():
        img, w = shots["selected"], shots["selected"].width
        status = sum(1 for _, _, p in img.region(w - 110, 0, w, 34) if p[0] == p[1] == p[2] and abs(p[0] - 230) <= 1)
        assert status >= 40, "label status pixels: %d" % status

    def drag_moves_and_undo_puts_back():
        (text, moved), = results["moved"]
        assert text == "HAVEN", text
        original = undone()
        # 40 pixels right and 30 down: map x falls, map y grows.
        dx, dy = moved[0] - original[0], moved[1] - original[1]
        assert abs(dx + 40 * unit) < 1.5 * unit and abs(dy - 30 * unit) < 1.5 * unit, (dx, dy, unit)
        assert abs(moved[6] - original[6] - dx) < 1e-3 and abs(moved[7] - original[7] - dy) < 1e-3, moved
        assert moved[2:6] == original[2:6] and moved[8:] == original[8:], (moved, original)
        assert abs(original[0] - start[0]) < 1e-4 and abs(original[1] - start[1]) < 1e-4, original

    def shift_delete_and_undo():
        assert results["deleted"] == [], results["deleted"]
        assert results["restored"] == [("HAVEN", undone())], results["restored"]

    def wheel_keeps_the_point_under_the_pointer():
        before = marker_centre(shots["before wheel"], town)
        after_expected = tuple(p + 1.2 * (b - p) for b, p in zip(before, (town[0] + 25, town[1] + 15)))
        after = marker_centre(shots["after wheel"], after_expected)
        assert all(abs(a - e) <= 1.0 for a, e in zip(after, after_expected)), (before, after, after_expected)

    def names_shown_then_hidden_by_f3():
        region = (int(town[0]) + 6, int(town[1]) - 6, int(town[0]) + 30, int(town[1]) + 6)
        assert dark_share(shots["start"], region) > 0.5, "no name's backdrop beside the party"
        assert dark_share(shots["no names"], region) < 0.1, "a name's backdrop after F3"

    def message_on_a_dark_backdrop():
        img = shots["start"]
        # The banner's line, from the backdrop's left edge: dark, but for its grey letters.
        share = dark_share(img, (3, img.height - 18, 200, img.height - 4))
        assert share > 0.7, "dark share under the banner: %.2f" % share

    guilib.run_checks([
        ("a click on a letter selects its label", click_on_a_letter_selects),
        ("a drag moves the label, ctrl-z puts it back", drag_moves_and_undo_puts_back),
        ("shift-Delete removes the label, ctrl-z brings it back", shift_delete_and_undo),
        ("a wheel step keeps the point under the pointer", wheel_keeps_the_point_under_the_pointer),
        ("party names shown, F3 hides them", names_shown_then_hidden_by_f3),
        ("the message list on a dark backdrop", message_on_a_dark_backdrop),
    ])


if __name__ == "__main__":
    main()
