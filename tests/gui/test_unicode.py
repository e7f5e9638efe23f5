"""Place names in Cyrillic and Greek in the real window: with a UTF-8 charset of
both alphabets, "Москва" and "Αθήνα" typed with xdotool into two new labels are
saved with F2 (as a version 2 store in UTF-8), come back on the next run, and F12
exports their eleven letters."""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import guilib  # noqa: E402

PROGRAM, SOURCE = guilib.args()
CYRILLIC = "".join(chr(c) for c in range(0x410, 0x450))
GREEK = "".join(chr(c) for c in range(0x391, 0x3CA) if c != 0x3A2) + "άέήίόύώ"
CHARSET = "abcdefghijklmnopqrstuvxyzABCDEFGHIJKLMNOPQRSTUVXYZ- " + CYRILLIC + GREEK


def labels_in(store):
    """The texts of the store's labels."""
    texts = []
    for line in store.split("\n")[2:]:
        if "|" in line:
            texts.append("".join(" " if c == "_" else c for c in line.split("|")[0].split()))
    return texts


def check_type_save_reload_export():
    d = guilib.make_workdir(SOURCE)
    cfg = os.path.join(d, "Veltrune.cfg")
    with open(cfg, encoding="utf-8") as f:
        text = f.read()
    start = text.index('charset = "')
    end = text.index('"', start + len('charset = "'))
    with open(cfg, "w", encoding="utf-8") as f:
        f.write(text[:start] + 'charset = "' + CHARSET + text[end:])
    store = os.path.join(d, "savedData.txt")

    ed = guilib.Editor(PROGRAM, d)
    try:
        ed.drag([(120, 200), (200, 205), (300, 212), (380, 220)])
        # One text-input event per letter needs a pause between the letters.
        guilib.xdo("type", "--delay", 80, "Москва")
        time.sleep(0.5)
        ed.drag([(120, 380), (200, 384), (300, 388), (380, 392)])
        guilib.xdo("type", "--delay", 80, "Αθήνα")
        time.sleep(0.5)
        ed.key("F2", delay=0.5)
        assert guilib.wait_for(lambda: labels_in(open(store, encoding="utf-8").read()) == ["Москва", "Αθήνα"]), \
            open(store, "rb").read() if os.path.exists(store) else "no store"
        assert open(store, "rb").read().startswith(b"v2\n2\n"), "a store with such letters is version 2"
        ed.key("Escape")
        assert ed.wait_exit(60) == 0
    finally:
        ed.kill()

    saved = open(store, "rb").read()
    ed = guilib.Editor(PROGRAM, d)
    try:
        ed.key("F12")
        parties = os.path.join(d, "module", "parties.txt")
        assert guilib.wait_for(lambda: open(parties, "rb").read().count(b"p_map_str_") == 11, 90), "not exported"
        # The texture is the export's last step, written after the parties.
        dds = os.path.join(d, "module", "textures", "map_names.dds")
        assert guilib.wait_for(lambda: os.path.getsize(dds) > 128, 30), "no texture"
        ed.key("Escape")
        assert ed.wait_exit(60) == 0, "the labels came back unchanged"
    finally:
        ed.kill()
    assert open(store, "rb").read() == saved


guilib.run_checks([
    ("Cyrillic and Greek typed, saved, reloaded and exported", check_type_save_reload_export),
])
