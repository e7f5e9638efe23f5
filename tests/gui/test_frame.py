"""The frame: background, map, help header, message list, help panel, cursor
readout, label status and the save prompt, read back from screenshots."""
import time

import guilib

BACKGROUND = 128  # clear colour 0.5


def count_grey(img, box, level, tol=1):
    """Pixels in box (x0, y0, x1, y1; top-left origin) of a neutral grey within tol of level."""
    n = 0
    for _, _, (r, g, b) in img.region(*box):
        if r == g == b and abs(r - level) <= tol:
            n += 1
    return n


def count_not_background(img, box):
    n = 0
    for _, _, (r, g, b) in img.region(*box):
        if max(abs(r - BACKGROUND), abs(g - BACKGROUND), abs(b - BACKGROUND)) > 2:
            n += 1
    return n


def main():
    program, source = guilib.args()
    workdir = guilib.make_workdir(source)
    ed = guilib.Editor(program, workdir)
    shots = {}
    try:
        shots["start"] = ed.wait_frame(None)
        ed.key("F1")
        shots["help"] = ed.wait_frame(shots["start"])
        ed.key("F1")
        # Drag out a new label over the middle of the map: it is selected afterwards,
        # and the cursor readout shows the last drag position.
        ed.drag([(150, 300), (200, 305), (300, 310)])
        shots["label"] = ed.wait_frame(shots["help"])
        ed.key("Escape")
        shots["prompt"] = ed.wait_frame(shots["label"])
        ed.key("n")
        exit_code = ed.wait_exit()
    finally:
        ed.kill()

    def header_at_top_left():
        img = shots["start"]
        assert img.width == 500 and img.height == 500, (img.width, img.height)
        # "(F1 to show HELP)" in grey 0.99 with its baseline 13 pixels below the top.
        n = count_grey(img, (5, 0, 120, 16), 252)
        assert n >= 40, "header pixels: %d" % n
        # Nothing of the panel below it while the help is hidden.
        below = count_grey(img, (5, 20, 250, 200), 252) + count_grey(img, (5, 20, 250, 200), 204)
        assert below < 10, "text pixels below the header: %d" % below

    def banner_at_bottom_left():
        img = shots["start"]
        h = img.height
        # The start-up banner in grey 0.8 on the baseline 7 pixels above the bottom.
        n = count_grey(img, (5, h - 20, 250, h - 3), 204)
        assert n >= 60, "banner pixels: %d" % n
        above = count_grey(img, (5, h - 60, 250, h - 22), 204)
        assert above < 10, "message pixels above the banner: %d" % above

    def map_in_the_middle():
        img = shots["start"]
        n = count_not_background(img, (200, 200, 300, 300))
        assert n >= 5000, "map pixels in the middle: %d of 10000" % n

    def help_panel_after_f1():
        before = shots["start"]
        after = shots["help"]
        box = (0, 0, after.width // 2, after.height)
        b = count_grey(before, box, 252) + count_grey(before, box, 204)
        a = count_grey(after, box, 252) + count_grey(after, box, 204)
        assert a > 4 * b and a - b > 600, "light text pixels before %d, after %d" % (b, a)
        # The item lines are grey 0.8 and reach down the panel (twelve lines for no labels).
        items = count_grey(after, (5, 40, 250, 210), 204)
        assert items >= 300, "help item pixels: %d" % items

    def readout_and_status_with_a_selection():
        img = shots["label"]
        w, h = img.width, img.height
        readout = count_grey(img, (w - 72, h - 36, w, h - 2), 230, tol=1)
        assert readout >= 40, "cursor readout pixels: %d" % readout
        status = count_grey(img, (w - 110, 0, w, 34), 230, tol=1)
        assert status >= 40, "label status pixels: %d" % status
        before = count_grey(shots["start"], (w - 110, 0, w, 34), 230, tol=1)
        assert before < 10, "status pixels without a selection: %d" % before

    def prompt_alone():
        img = shots["prompt"]
        w, h = img.width, img.height
        # White text about centred: baseline h/2 - 5 from the bottom, from x = w/2 - 95.
        n = count_grey(img, (w // 2 - 100, h // 2 - 8, w // 2 + 110, h // 2 + 8), 255, tol=0)
        assert n >= 60, "prompt pixels: %d" % n
        # On its dark backdrop (black at 60 % over the grey), a few pixels around the text.
        dark = count_grey(img, (w // 2 - 100, h // 2 - 10, w // 2 + 115, h // 2 + 10), 51, tol=2)
        assert dark >= 1500, "backdrop pixels: %d" % dark
        # Nothing else: no map, no header, no messages.
        others = count_not_background(img, (0, 0, w, h)) - count_not_background(
            img, (w // 2 - 100, h // 2 - 10, w // 2 + 115, h // 2 + 10))
        assert others == 0, "pixels besides the prompt: %d" % others

    def ends_after_no():
        assert exit_code == 0, "exit status %r" % exit_code

    guilib.run_checks([
        ("header at the top left", header_at_top_left),
        ("banner at the bottom left", banner_at_bottom_left),
        ("map in the middle", map_in_the_middle),
        ("help panel after F1", help_panel_after_f1),
        ("readout and status with a selection", readout_and_status_with_a_selection),
        ("prompt alone", prompt_alone),
        ("ends after n", ends_after_no),
    ])


if __name__ == "__main__":
    main()
