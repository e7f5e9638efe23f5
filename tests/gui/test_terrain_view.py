"""The map on screen: grey background around it, each face filled with its
terrain colour times its light (a type the colour file leaves out in its palette
colour), party markers, colours reloaded by F8, and the default colour file
written (and shown) when "mapcolors.txt" is missing."""
import math
import os
import shutil
import struct
import tempfile

import guilib

TOL = 3
SIZE = 500
ZOOM = 3.0

# A small module: the box corners are two lone vertices (-100, -100) and
# (100, 100); faces cover only x in [-30, 30], y in [-30, 30], so the view
# (which shows the middle of the box magnified) has background left and right.
# West half (x <= 0): flat, type 3. East half: a slope z = y / 2, type 11.
VERTICES = [
    (-100, -100, 0), (100, 100, 0),                   # 0, 1: box corners only
    (-30, -30, 0), (0, -30, 0), (0, 30, 0), (-30, 30, 0),  # 2..5 flat quad
    (0, -30, -15), (30, -30, -15), (30, 30, 15), (0, 30, 15),  # 6..9 sloped quad
]
# Corners counter-clockwise seen from above.
FACES = [
    (3, 2, 3, 4), (3, 2, 4, 5),
    (11, 6, 7, 8), (11, 6, 8, 9),
]
# The colours drawn: type 11 (forest) is not in the colour file, so it shows its palette colour.
COLORS = {3: (200, 100, 50), 11: (38, 102, 50), 7: (1, 2, 3)}
LISTED = {t: c for t, c in COLORS.items() if t != 11}
PARTY = (-15.0, -20.0)

CONFIG = """module_path = "module/"
texture_size = 1024 x 512
font = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
charset = "abcdefghijklmnopqrstuvxyzABCDEFGHIJKLMNOPQRSTUVXYZ- "
mip_map = [100]
"""


def f32(x):
    return struct.unpack("f", struct.pack("f", x))[0]


def light(face):
    """The face's light: its unit normal dotted with (0, -1, 3) / sqrt(10)."""
    c = [VERTICES[i] for i in face[1:]]
    a = [c[1][k] - c[0][k] for k in range(3)]
    b = [c[2][k] - c[0][k] for k in range(3)]
    n = (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])
    ln = math.sqrt(sum(v * v for v in n))
    n = [v / ln for v in n]
    return f32(n[1] * f32(-0.31622776) + n[2] * f32(0.94868326))


def box():
    lo = [min(v[k] for v in VERTICES) for k in range(3)]
    hi = [max(v[k] for v in VERTICES) for k in range(3)]
    return lo, hi


def to_screen(x, y, width=SIZE, height=SIZE):
    """Window pixel (top-left origin) of a map point at the start view (zoom 3, no pan)."""
    lo, hi = box()
    d = math.sqrt(sum((hi[k] - lo[k]) ** 2 for k in range(3)))
    cx, cy = (lo[0] + hi[0]) / 2, (lo[1] + hi[1]) / 2
    nx, ny = (x - cx) * 2 / d, (y - cy) * 2 / d
    # The view turns the map by 180 degrees: map x grows to the left, y downwards.
    # One normalised unit is zoom * height / 2 pixels in both directions.
    unit = ZOOM * height / 2
    return int(round(width / 2 - unit * nx)), int(round(height / 2 + unit * ny))


def fill(rgb, face):
    L = light(face)
    return tuple(max(0, min(255, round(c * L / 255 * 255))) for c in rgb)


def write_module(workdir, colors):
    mod = os.path.join(workdir, "module")
    os.makedirs(mod, exist_ok=True)
    lines = ["%d" % len(VERTICES)] + ["%g %g %g" % v for v in VERTICES]
    lines += ["%d" % len(FACES)] + ["%d 0 0 %d %d %d" % f for f in FACES]
    with open(os.path.join(mod, "map.txt"), "w") as f:
        f.write("\n".join(lines) + "\n")
    party = (" 1 %d %d p_town Town 0 0 0 3 0 0 0 0 0 %10.6f %10.6f %10.6f %10.6f %10.6f %10.6f 0.0 0 \r\n%f\r\n")
    with open(os.path.join(mod, "parties.orig.txt"), "w", newline="") as f:
        f.write("partiesfile version 1\r\n2 2\r\n")
        f.write(party % (0, 0, 0, 0, 0, 0, 0, 0, 0.0))  # the player placeholder at (0, 0) is not drawn
        f.write(party % (1, 1, PARTY[0], PARTY[1], PARTY[0], PARTY[1], PARTY[0], PARTY[1], 1.5))
    with open(os.path.join(mod, "map_icons.orig.txt"), "w", newline="") as f:
        f.write("map_icons_file version 1\r\n0\r\n")
    with open(os.path.join(workdir, "Veltrune.cfg"), "w") as f:
        f.write(CONFIG)
    if colors is not None:
        write_colors(workdir, colors)


def write_colors(workdir, colors):
    rows = ["%d" % len(colors)] + ["%d %d %d %d" % ((t,) + tuple(c)) for t, c in sorted(colors.items())]
    with open(os.path.join(workdir, "mapcolors.txt"), "w") as f:
        f.write("\n".join(rows) + "\n")


def near(got, want, tol=TOL):
    return all(abs(g - w) <= tol for g, w in zip(got, want))


def main():
    program, _ = guilib.args()
    shots = {}
    files = {}

    work = tempfile.mkdtemp(prefix="vt_terrain_gui_")
    write_module(work, LISTED)
    ed = guilib.Editor(program, work)
    try:
        shots["start"] = ed.screenshot()
        # New colours for type 3 while the program runs; F8 reads them again.
        write_colors(work, {3: (30, 60, 240)})
        ed.key("F8")
        shots["reloaded"] = ed.screenshot()
        # A resize may give the window a new GL context: the map must still show.
        guilib.xdo("windowsize", ed.window, 600, 500)
        shots["resized"] = ed.screenshot(settle=1.0)
    finally:
        ed.kill()

    fresh = tempfile.mkdtemp(prefix="vt_terrain_gui_")
    write_module(fresh, None)
    ed = guilib.Editor(program, fresh)
    try:
        shots["defaults"] = ed.screenshot()
        with open(os.path.join(fresh, "mapcolors.txt")) as f:
            files["defaults"] = f.read()
    finally:
        ed.kill()

    west = to_screen(-20, 10)   # inside face 1 (flat, type 3)
    east = to_screen(15, -10)   # inside face 2 (sloped, type 11)
    outside = [to_screen(45, 0), to_screen(-45, 0), to_screen(-45, 25), to_screen(45, -25)]

    def window_size():
        img = shots["start"]
        assert (img.width, img.height) == (SIZE, SIZE), (img.width, img.height)

    def background_outside_the_map():
        img = shots["start"]
        for x, y in outside:
            p = img.pixel(x, y)
            assert all(c in (127, 128) for c in p), "pixel %s at %s" % (p, (x, y))

    def faces_lit_in_their_colours():
        img = shots["start"]
        for (x, y), face in ((west, FACES[1]), (east, FACES[2])):
            want = fill(COLORS[face[0]], face)
            got = img.pixel(x, y)
            assert near(got, want), "face type %d at %s: got %s, want %s" % (face[0], (x, y), got, want)
        # The slope is lit more than the flat ground: its normal leans towards the light.
        assert light(FACES[2]) > light(FACES[1])

    def outline_darker_than_fill():
        img = shots["start"]
        # Walk across the diagonal edge of the flat quad from (-30,-30) to (0,30):
        # somewhere on it the outline (fill x 255/280) shows.
        want = fill(COLORS[3], FACES[0])
        darker = fill(tuple(c * 255 / 280 for c in COLORS[3]), FACES[0])
        x0, y0 = to_screen(-15, 0)
        found = [img.pixel(x, y0) for x in range(x0 - 3, x0 + 4)]
        assert any(near(p, darker, 4) and not near(p, want, 2) for p in found), "no outline pixel in %s" % found

    def party_marker_drawn():
        img = shots["start"]
        cx, cy = to_screen(*PARTY)
        base = fill(COLORS[3], FACES[0])
        # The rim is nearly opaque (0.6, 0.5, 0.4): pixels near it differ from the fill.
        # The marker is 7 pixels across at any zoom; its name stands to its right.
        p = img.pixel(cx - 3, cy)
        assert max(abs(a - b) for a, b in zip(p, base)) > 20, "rim pixel %s vs fill %s" % (p, base)
        # The player placeholder at (0, 0) gets no marker: the edge there is plain map.
        q = img.pixel(*to_screen(-1.2, 0))
        assert near(q, fill(COLORS[3], FACES[1]), 6) or near(q, base, 6), "pixel near (0,0): %s" % (q,)
        # And no larger: 6 pixels from its centre the map is plain.
        assert near(img.pixel(cx - 6, cy), base, 6), "beyond the marker: %s" % (img.pixel(cx - 6, cy),)

    def f8_reloads_colours():
        img = shots["reloaded"]
        want = fill((30, 60, 240), FACES[1])
        got = img.pixel(*west)
        assert near(got, want), "after F8: got %s, want %s" % (got, want)
        # Type 11 was not listed again: it keeps its colour.
        want = fill(COLORS[11], FACES[2])
        got = img.pixel(*east)
        assert near(got, want), "unlisted type after F8: got %s, want %s" % (got, want)

    def map_after_resize():
        img = shots["resized"]
        assert (img.width, img.height) == (600, 500), (img.width, img.height)
        x, y = to_screen(-20, 10, 600, 500)
        want = fill((30, 60, 240), FACES[1])
        got = img.pixel(x, y)
        assert near(got, want), "after resize: got %s at %s, want %s" % (got, (x, y), want)
        x, y = to_screen(15, -10, 600, 500)
        want = fill(COLORS[11], FACES[2])
        got = img.pixel(x, y)
        assert near(got, want), "after resize: got %s at %s, want %s" % (got, (x, y), want)
        p = img.pixel(*to_screen(-50, 0, 600, 500))
        assert all(c in (127, 128) for c in p), "background after resize: %s" % (p,)

    def default_colour_file():
        assert files["defaults"] == "2\n3 104 160 72\n11 38 102 50\n", repr(files["defaults"])
        img = shots["defaults"]
        want = fill((104, 160, 72), FACES[1])
        got = img.pixel(*west)
        assert near(got, want), "default grey: got %s, want %s" % (got, want)

    guilib.run_checks([
        ("window is 500 x 500", window_size),
        ("grey background outside the map", background_outside_the_map),
        ("faces filled with colour x light", faces_lit_in_their_colours),
        ("outlines darker than fills", outline_darker_than_fill),
        ("party marker drawn, (0, 0) skipped", party_marker_drawn),
        ("F8 reloads the colours", f8_reloads_colours),
        ("map drawn after a resize", map_after_resize),
        ("default colour file (the palette) written and shown", default_colour_file),
    ])
    shutil.rmtree(work, ignore_errors=True)
    shutil.rmtree(fresh, ignore_errors=True)


if __name__ == "__main__":
    main()
