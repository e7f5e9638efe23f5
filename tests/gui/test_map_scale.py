"""The editor at a map's own scale, over a white map: a click on a letter selects
its label, a drag moves it and ctrl-z puts it back, shift-Delete removes it and
ctrl-z brings it back, a wheel step keeps the point under the pointer, F3 hides
the party names, and the messages stand on a dark backdrop."""
import os

import guilib

PROGRAM, SOURCE = guilib.args()


def save(ed, workdir):
    """F2, then each label of the store written anew as (text, numbers)."""
    path = os.path.join(workdir, "savedData.txt")
    before = os.stat(path).st_mtime_ns
    ed.key("F2", delay=0.5)
    guilib.wait_for(lambda: os.stat(path).st_mtime_ns != before, 10)
    lines = open(path).read().split("\n")[2:]
    return [("".join(l.split("|")[0].split()), [float(v) for v in l.split("|")[1].split()]) for l in lines if "|" in l]


def marker_centre(img, near, box=16):
    """Centroid of a party marker's fill (reddish over the grey map) around a window point."""
    at = [(x, y) for x, y, (r, _, b) in img.region(int(near[0]) - box, int(near[1]) - box,
                                                   int(near[0]) + box, int(near[1]) + box) if r - b > 30]
    assert len(at) >= 10, "no marker near %s" % (near,)
    return sum(x for x, _ in at) / len(at), sum(y for _, y in at) / len(at)


def dark_share(img, box):
    """The share of pixels in box darker than any lit white ground."""
    pixels = [max(p) for _, _, p in img.region(*box)]
    return sum(1 for v in pixels if v < 110) / len(pixels)


def main():
    view = guilib.View(guilib.map_box(os.path.join(SOURCE, "example", "module")))
    cx, cy, unit = view.c[0], view.c[1], view.d / (3 * 500)  # map units per pixel at the start view
    workdir = guilib.make_workdir(SOURCE)
    # One label of five letters, size 4, through the map's centre; a white map.
    with open(os.path.join(workdir, "savedData.txt"), "w") as f:
        f.write("v1\n1\nH A V E N |  %f %f  0.33 0  0.66 0  %f %f  4.0 100 100 0 0\n" % (cx + 20, cy + 5, cx - 20, cy + 5))
    with open(os.path.join(workdir, "mapcolors.txt"), "w") as f:
        f.write("16\n" + "".join("%d 255 255 255\n" % t for t in range(16)))
    # A party in the window, away from the label.
    vx, vy = view.to_window(cx, cy + 5.0)
    towns = [view.to_window(float(f[14]), float(f[15])) for f in (line.split() for line in open(
        os.path.join(workdir, "module", "parties.orig.txt")).read().split("\n")[2::2])
             if len(f) >= 16 and (float(f[14]), float(f[15])) not in ((0, 0), (1, 1))]  # shown parties
    town = [(x, y) for x, y in towns if 60 < x < 420 and 60 < y < 440 and abs(y - vy) > 40][0]
    letter = (int(round(vx)), int(round(vy - 8)))  # in the middle letter's box, beyond the curve's 6 pixels
    pointer = (int(round(town[0] + 25)), int(round(town[1] + 15)))
    shots, saved = {}, {}
    ed = guilib.Editor(PROGRAM, workdir)
    try:
        shots["start"] = ed.wait_frame()
        ed.click(*letter)
        shots["selected"] = ed.screenshot()
        ed.drag([letter, (letter[0] + 20, letter[1] + 15), (letter[0] + 40, letter[1] + 30)])
        for step, keys in (("moved", ()), ("back", ("ctrl+z",)), ("deleted", ("shift+Delete",)), ("restored", ("ctrl+z",))):
            ed.key(*keys)
            saved[step] = save(ed, workdir)
        ed.key("F3")
        ed.move(5, 5)
        shots["no names"] = ed.screenshot()
        ed.move(*pointer)
        shots["before wheel"] = ed.screenshot()
        guilib.xdo("click", 4)
        shots["after wheel"] = ed.screenshot()
    finally:
        ed.kill()

    def click_on_a_letter_selects():
        img, w = shots["selected"], shots["selected"].width
        status = sum(1 for _, _, p in img.region(w - 110, 0, w, 34) if p[0] == p[1] == p[2] and abs(p[0] - 230) <= 1)
        assert status >= 40, "label status pixels: %d" % status

    def drag_moves_and_undo_puts_back():
        (text, moved), = saved["moved"]
        (_, original), = saved["back"]
        assert text == "HAVEN", text
        # 40 pixels right and 30 down: map x falls, map y grows; the end node goes along.
        dx, dy = moved[0] - original[0], moved[1] - original[1]
        assert abs(dx + 40 * unit) < 1.5 * unit and abs(dy - 30 * unit) < 1.5 * unit, (dx, dy, unit)
        assert abs(moved[6] - original[6] - dx) < 1e-3 and abs(moved[7] - original[7] - dy) < 1e-3, moved
        assert moved[2:6] == original[2:6] and moved[8:] == original[8:], (moved, original)
        assert abs(original[0] - cx - 20) < 1e-4 and abs(original[1] - cy - 5) < 1e-4, original

    def shift_delete_and_undo():
        assert saved["deleted"] == [], saved["deleted"]
        assert saved["restored"] == saved["back"], saved["restored"]

    def wheel_keeps_the_point_under_the_pointer():
        before = marker_centre(shots["before wheel"], town)
        expected = tuple(p + 1.2 * (b - p) for b, p in zip(before, pointer))
        after = marker_centre(shots["after wheel"], expected)
        assert all(abs(a - e) <= 1.0 for a, e in zip(after, expected)), (before, after, expected)

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
