"""`veltrune -p`: the example's export drawn without a window, its letters where
the editor draws the labels; the exit status and messages on bad input."""
import os
import re
import shutil
import subprocess

import guilib

W, H = 1000, 760


def preview(program, work, *extra):
    env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}  # no window can open
    r = subprocess.run([program, "-p"] + list(extra), cwd=work, capture_output=True, text=True, env=env,
                       timeout=120)
    return r.returncode, r.stdout


def read_png(path):
    ppm = path + ".ppm"
    subprocess.run(["convert", path, "-depth", "8", "ppm:" + ppm], check=True)
    return guilib.read_ppm(ppm)


def ink(img, base, x0, y0, x1, y1):
    """Pixels of the region where img differs from base by more than 16 in a channel."""
    return {(x, y) for x, y, p in img.region(x0, y0, x1, y1)
            if max(abs(a - b) for a, b in zip(p, base.pixel(x, y))) > 16}


def covered(points, others):
    """Share of points with one of others within one pixel."""
    near = {(x + dx, y + dy) for x, y in others for dx in (-1, 0, 1) for dy in (-1, 0, 1)}
    return sum(p in near for p in points) / max(1, len(points))


def editor_shot(program, work, steps):
    ed = guilib.Editor(program, work)
    try:
        guilib.xdo("windowmove", ed.window, 0, 0)
        guilib.xdo("windowsize", ed.window, W, H)
        ed.screenshot(settle=1.0)
        for _ in range(steps):
            ed.click(W // 2, H // 2, button=5)
        return ed.screenshot(settle=1.0)
    finally:
        ed.kill()


def main():
    program, source = guilib.args()
    work = guilib.make_workdir(source)
    shutil.copy(os.path.join(source, "example", "savedData.txt"), work)
    mod = os.path.join(work, "module")
    assert guilib.run_to_end(program, work, ["-b"])[0] == 0

    def default_picture():
        os.remove(os.path.join(work, "mapcolors.txt"))
        rc, out = preview(program, work)
        assert rc == 0 and 'Wrote "preview.png": 2130 x 2130 pixels, 40 letter parties' in out, out
        picture = read_png(os.path.join(work, "preview.png"))
        assert (picture.width, picture.height) == (2130, 2130)
        assert not os.path.exists(os.path.join(work, "mapcolors.txt")), "nothing is written but the picture"
        shutil.copy(os.path.join(source, "example", "mapcolors.txt"), work)

    def letters_where_the_editor_draws_them():
        box = guilib.map_box(mod)
        longer = max(box[1][0] - box[0][0], box[1][1] - box[0][1])
        # Zoomed out by wheel steps until the whole map fits the window with room for the overlay.
        d = guilib.View(box, W, H).d
        steps = next(k for k in range(60) if longer * 3.0 / 1.2 ** k * H / d <= H - 160)
        view = guilib.View(box, W, H, 3.0 / 1.2 ** steps)
        size = round(longer * view.zoom * H / d)
        rc, out = preview(program, work, "with.png", str(size))
        assert rc == 0, out
        parties = os.path.join(mod, "parties.txt")
        shutil.copy(parties, parties + ".keep")
        shutil.copy(os.path.join(mod, "parties.orig.txt"), parties)  # no letter parties
        rc, out = preview(program, work, "without.png", str(size))
        shutil.move(parties + ".keep", parties)
        assert rc == 0 and "0 letter parties" in out, out
        shown = editor_shot(program, work, steps)
        blank = guilib.make_workdir(source)
        bare = editor_shot(program, blank, steps)
        x0, y0 = (round(v) for v in view.to_window(box[1][0], box[0][1]))
        x1, y1 = (round(v) for v in view.to_window(box[0][0], box[1][1]))
        editor_ink = ink(shown, bare, x0 + 2, y0 + 2, x1 - 2, y1 - 2)
        with_p, without_p = read_png(os.path.join(work, "with.png")), read_png(os.path.join(work, "without.png"))
        margin, scale = round(0.02 * size), size / longer
        preview_ink = set()
        for px, py in ink(with_p, without_p, 0, 0, with_p.width, with_p.height):
            x = box[1][0] - (px + 0.5 - margin) / scale
            y = box[0][1] + (py + 0.5 - margin) / scale
            wx, wy = view.to_window(x, y)
            if x0 + 2 <= wx < x1 - 2 and y0 + 2 <= wy < y1 - 2:
                preview_ink.add((int(wx), int(wy)))
        found, placed = covered(editor_ink, preview_ink), covered(preview_ink, editor_ink)
        assert len(editor_ink) > 500 and found >= 0.8 and placed >= 0.8, \
            "%.3f of the editor's ink found, %.3f of the preview's placed" % (found, placed)

    def bad_input():
        brf = os.path.join(mod, "Resource", "map_names.brf")
        dds = os.path.join(mod, "textures", "map_names.dds")
        icons = os.path.join(mod, "map_icons.txt")

        def cut(path):
            with open(path, "r+b") as f:
                f.truncate(os.path.getsize(path) // 2)

        def dxt1(path):
            with open(path, "r+b") as f:
                f.seek(84)
                f.write(b"DXT1")

        def rename_last_mesh(path):
            with open(path, "rb") as f:
                text = f.read()
            last = re.findall(rb"map_str_\d+ 1 (map_str_\d+)", text)[-1]
            with open(path, "wb") as f:
                f.write(text.replace(b" " + last + b" ", b" no_such_mesh "))

        with open(os.path.join(mod, "parties.txt")) as f:
            flags = [int(line.split()[5]) for line in f if line.startswith(" 1 ") and "p_map_str" in line]
        with open(icons) as f:
            last_icon = int(f.read().split("\n")[1]) - 1
        orphans = sum(1 for fl in flags if fl & 255 == last_icon)
        cases = [
            (brf, cut, 1, r'Bad BRF file ".*map_names\.brf": it is cut short'),
            (dds, dxt1, 1, r'Bad DDS file ".*map_names\.dds": it is not DXT3 but "DXT1"'),
            (os.path.join(mod, "parties.txt"), os.remove, 1, r'Cannot read ".*parties\.txt"'),
            (icons, rename_last_mesh, 0, r"^%d letter %s a mesh that is not in "
             r'"Resource\\map_names\.brf" and %s left out\nWrote "preview\.png": 2130 x 2130 pixels, %d letter'
             % (orphans, "party names" if orphans == 1 else "parties name", "was" if orphans == 1 else "were",
                40 - orphans)),
            (None, None, 1, r"^Usage: veltrune -p \[FILE\] \[SIZE\], SIZE from 64 to 16384 pixels"),
        ]
        for path, spoil, status, message in cases:
            if path:
                shutil.copy(path, path + ".keep")
                spoil(path)
            rc, out = preview(program, work, *(() if path else ("x.png", "63")))
            if path:
                shutil.move(path + ".keep", path)
            assert rc == status and re.search(message, out), (path, rc, out)

    def groups_draw_like_single_letters():
        cfg = os.path.join(work, "Veltrune.cfg")
        shutil.copy(cfg, cfg + ".keep")
        pictures = []
        for n in (1, 4):
            with open(cfg + ".keep") as f, open(cfg, "w") as g:
                g.write(f.read() + "mesh_letters = %d\n" % n)
            assert guilib.run_to_end(program, work, ["-b"])[0] == 0
            rc, out = preview(program, work, "n%d.png" % n, "1024")
            assert rc == 0 and "%d letter parties" % {1: 40, 4: 12}[n] in out, out
            pictures.append(read_png(os.path.join(work, "n%d.png" % n)))
        shutil.move(cfg + ".keep", cfg)
        assert guilib.run_to_end(program, work, ["-b"])[0] == 0
        one, four = pictures
        assert (one.width, one.height) == (four.width, four.height)
        # Pixels with a channel more than 2 levels apart.
        off = len({i // 3 for i, (a, b) in enumerate(zip(one.data, four.data)) if abs(a - b) > 2})
        assert off <= 0.001 * one.width * one.height, "%d of %d pixels differ" % (off, one.width * one.height)

    guilib.run_checks([("the default picture, no window, nothing else written", default_picture),
                       ("letters grouped four to a mesh draw as single letters do", groups_draw_like_single_letters),
                       ("letters where the editor draws them", letters_where_the_editor_draws_them),
                       ("bad input: a message and the exit status", bad_input)])


if __name__ == "__main__":
    main()
