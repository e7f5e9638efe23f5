// A long stream of random key presses, mouse motions, button presses and releases
// and window resizes, fed through the same handlers the event loop calls, on the
// example map. The editor must never crash, and its state must stay consistent:
// the selection and the grabbed node within range, every letter laid out and
// carrying its label's attributes, the undo history within its memory limit, and
// the labels saving and loading back unchanged.
//
// The seed is printed at the start; VELTRUNE_RANDOM_SEED and VELTRUNE_RANDOM_EVENTS
// in the environment replay a run or change its length, and VELTRUNE_RANDOM_CHECK_EVERY=1
// checks after every event to find the first one that went wrong.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "../test_support.h"
#include "app/input.h"
#include "app/sdl_keys.h"
#include "app/view.h"
#include "formats/records.h"
#include "labels/label_store.h"
#include "platform/utf8.h"

namespace {

// A million events in a plain build (about 4 s). Under AddressSanitizer an event
// costs over ten times more, so the sanitizer build runs half the stream.
#ifndef __has_feature
#define __has_feature(x) 0
#endif
#if defined(__SANITIZE_ADDRESS__) || __has_feature(address_sanitizer)
constexpr long DEFAULT_EVENTS = 500000;
#else
constexpr long DEFAULT_EVENTS = 1000000;
#endif

long envNumber(const char* name, long fallback) {
    const char* v = std::getenv(name);
    char* end = nullptr;
    const long n = v ? std::strtol(v, &end, 10) : 0;
    return v && *v && *end == '\0' && n > 0 ? n : fallback;
}

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }
bool sameBits(MapPoint a, MapPoint b) { return sameBits(a.x, b.x) && sameBits(a.y, b.y); }

// One consistency check of the whole editor; returns the first fault found.
std::string editorFault(const Editor& ed) {
    const int n = static_cast<int>(ed.labels.size());
    if (ed.app.selected < -1 || ed.app.selected >= n) return "selected " + std::to_string(ed.app.selected);
    if (ed.app.activeNode < -1 || ed.app.activeNode > 3) return "activeNode " + std::to_string(ed.app.activeNode);
    const History& h = ed.history;
    size_t bytes = 0;
    for (const HistoryStep& step : h.steps) bytes += stepBytes(step);
    if (h.done > h.steps.size() || bytes != h.bytes || (bytes > h.byteLimit && h.steps.size() > 1))
        return "history: " + std::to_string(h.done) + " of " + std::to_string(h.steps.size()) + " steps done, " +
               std::to_string(h.bytes) + " bytes counted, " + std::to_string(bytes) + " held";
    for (int i = 0; i < n; ++i) {
        const Label& label = ed.labels[static_cast<size_t>(i)];
        const std::string where = "label " + std::to_string(i) + ": ";
        if (label.visibility < 10 || label.visibility > 100) return where + "visibility " + std::to_string(label.visibility);
        for (const MapPoint& node : label.nodes)
            if (!std::isfinite(node.x) || !std::isfinite(node.y)) return where + "node not finite";
        if (!std::isfinite(label.size)) return where + "size not finite";
        Label again = label;
        updateCurve(again);
        layoutLetters(again, ed.atlas);
        for (int k = 0; k < 4; ++k)
            if (!sameBits(again.curve[k], label.curve[k])) return where + "curve not derived from the nodes";
        for (size_t j = 0; j < label.letters.size(); ++j) {
            const LabelLetter &l = label.letters[j], &a = again.letters[j];
            const std::string letter = where + "letter " + std::to_string(j) + ": ";
            if (!std::isfinite(l.position.x) || !std::isfinite(l.position.y)) return letter + "position not finite";
            if (!sameBits(l.position, a.position) || !sameBits(l.direction, a.direction)) return letter + "not laid out";
            if (l.size != label.size || l.alpha != label.visibility * 255 / 100 || l.width != label.width ||
                l.italic != label.italic)
                return letter + "attributes not applied";
        }
    }
    return {};
}

// Saves the labels and loads them back into a second list: each label writes the
// same store line again (text, nodes to six decimals, attributes). The letter
// counter is left as the editor had it.
std::string roundTripFault(const Editor& ed) {
    LabelStore store;
    store.path = "roundtrip.txt";
    if (!saveLabels(ed.labels, store)) return "save failed";
    const int ids = nextLetterId;
    LabelList loaded;
    const bool read = loadLabels(loaded, store).ok;
    nextLetterId = ids;
    if (!read || loaded.size() != ed.labels.size()) return "load failed or label count changed";
    for (size_t i = 0; i < loaded.size(); ++i) {
        std::string a, b;
        writeLabel(ed.labels[i], a);
        writeLabel(loaded[i], b);
        if (a != b) return "label " + std::to_string(i) + " \"" + a + "\" came back as \"" + b + "\"";
    }
    return {};
}

// The random user. The pointer wanders in small steps with now and then a jump;
// keys are drawn from every command, typed characters (some the atlas lacks) and
// modifier keys. Saving, exporting and ctrl-d write files or scan the whole map,
// so they come rarely.
struct RandomUser {
    std::mt19937 rng;
    int x = 250, y = 250;
    bool merged = false;  // the last event ran the duplicate search (ctrl-d or F12)

    explicit RandomUser(uint32_t seed) : rng(seed) {}
    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
    double chance() { return std::uniform_real_distribution<double>(0.0, 1.0)(rng); }

    void key(Editor& ed) {
        static const char typed[] = "abcdefghijklmnopqrstuvxyzABCDEFGHIJKLMNOPQRSTUVXYZ- wW0_|";
        const double r = chance();
        if (r < 0.000303) {
            const Key key = r < 0.0002 ? Key::F2 : r < 0.0003 ? Key::D : Key::F12;
            handleKeyDown(ed, key, key == Key::D ? 0x0040 : 0, 0);
            merged = key != Key::F2;
            return;
        }
        const int shift = chance() < 0.2 ? 0x0001 : 0;
        // A map holds a few hundred names: past that the user tidies up, walking the
        // labels with Tab and erasing them with Backspace.
        if (ed.labels.size() > 300 && !ed.app.quitAsked && chance() < 0.5) {
            if (ed.app.selected < 0) handleKeyDown(ed, Key::Tab, 0, 0);
            handleKeyDown(ed, Key::Backspace, 0, 0);
            return;
        }
        // With a label selected, most keys type into it.
        const int which = ed.app.selected >= 0 && chance() < 0.4 ? 0 : pick(0, 31);
        if (which <= 9) {
            const char c = typed[pick(0, static_cast<int>(sizeof typed) - 2)];
            const bool upper = c >= 'A' && c <= 'Z';
            // While the prompt is up a 'y' would save and end the run at every turn: answer it rarely.
            if (ed.app.quitAsked && (c == 'y' || c == 'Y') && chance() < 0.9) return;
            // The key press, then its text, as SDL2 sends them.
            handleKeyDown(ed, keyFromSdl(upper ? c - 'A' + 'a' : c), upper ? 0x0001 : 0, upper ? 0x0001 : shift);
            handleTextInput(ed, std::string(1, c));
            return;
        }
        switch (which) {
            case 10: case 11: case 12: handleKeyDown(ed, Key::Backspace, 0, shift); return;
            case 13: case 14: handleKeyDown(ed, Key::Delete, 0, shift); return;
            case 15: handleKeyDown(ed, std::array{Key::Up, Key::Down, Key::Right, Key::Left}[pick(0, 3)], 0, shift); return;
            case 16: handleKeyDown(ed, pick(0, 1) ? Key::PageUp : Key::PageDown, 0, shift); return;
            case 17: case 18: handleKeyDown(ed, Key::Tab, 0, shift); return;
            case 19: handleKeyDown(ed, Key::Return, 0, shift); return;
            case 20: handleKeyDown(ed, Key::F1, 0, shift); return;
            case 21: if (chance() < 0.1) handleKeyDown(ed, Key::F8, 0, shift); return;
            case 22: if (chance() < 0.3) handleKeyDown(ed, Key::Escape, 0, shift); return;
            case 23: handleKeyDown(ed, Key::I, 0x0040, shift); return;
            case 24: handleKeyDown(ed, Key::F, 0x0080, shift); return;
            case 25: handleKeyDown(ed, Key::P, 0x0040, shift); return;
            case 26: handleKeyDown(ed, Key::C, 0x0040, shift); return;
            case 27: handleKeyDown(ed, Key::V, 0x0080, shift); return;
            case 28: handleKeyDown(ed, pick(0, 1) ? Key::Shift : Key::Ctrl, 0, shift); return;
            case 29: handleKeyDown(ed, Key::Z, 0x0040 | shift, shift); return;  // ctrl-z, or ctrl-shift-z
            case 30: handleKeyDown(ed, Key::Y, 0x0080, shift); return;
            default: {
                // Any key (an SDL2 code of a character or of a scancode) with any
                // modifiers, and any typed character; saving, exporting and ctrl-d
                // keep their own rare share above.
                const char32_t code = static_cast<char32_t>(pick(1, 400));
                const int sdl = pick(0, 1) ? pick(0, 127) : SDL_SCANCODE_TO_KEYCODE(pick(0, 300));
                const int mod = pick(0, 0xFFFF);
                Key key = keyFromSdl(sdl);
                if (key == Key::F2 || key == Key::F12 || (key == Key::D && (mod & MOD_CTRL))) key = Key::F1;
                handleKeyDown(ed, key, mod, shift);
                std::string text;
                appendUtf8(text, code);
                handleTextInput(ed, text);
            }
        }
    }

    void motion(Editor& ed) {
        const int reach = chance() < 0.01 ? 300 : 12;
        const int xrel = pick(-reach, reach), yrel = pick(-reach, reach);
        x += xrel;
        y += yrel;
        const int w = ed.view.windowWidth, h = ed.view.windowHeight;
        if (x < -20 || x > w + 20 || y < -20 || y > h + 20) {
            x = pick(0, w);
            y = pick(0, h);
        }
        static const int masks[] = {0, 0, 0, HELD_LEFT, HELD_LEFT, HELD_LEFT, HELD_MIDDLE, HELD_RIGHT, 3, 5, 6, 7};
        const int mask = masks[pick(0, static_cast<int>(std::size(masks)) - 1)];
        handleMotion(ed, mask, x, y, xrel, yrel, chance() < 0.3 ? 0x0002 : 0);
    }

    void buttonDown(Editor& ed) {
        if (chance() < 0.2) {
            x = pick(0, ed.view.windowWidth);
            y = pick(0, ed.view.windowHeight);
        }
        static const int buttons[] = {1, 1, 1, 1, 2, 3, 4, 5};
        handleButtonDown(ed, buttons[pick(0, static_cast<int>(std::size(buttons)) - 1)], x, y);
    }

    // One event; true when it was a button release.
    bool step(Editor& ed) {
        merged = false;
        const double r = chance();
        if (r < 0.40) key(ed);
        else if (r < 0.78) motion(ed);
        else if (r < 0.88) buttonDown(ed);
        else if (r < 0.98) return handleButtonUp(ed, pick(1, 5)), true;
        else if (r < 0.995) handleResize(ed, pick(0, 1600), pick(0, 1200));
        else handleQuitEvent(ed);
        return false;
    }
};

// What a frame leaves behind when no window draws one: the view matrices, and the
// curve of a label being dragged out or just added (the edits keep every other curve).
void frame(Editor& ed) {
    computeViewMatrices(ed.view, ed.terrain);
    if (ed.app.creating) updateCurve(ed.app.newLabel);
    if (!ed.labels.empty()) updateCurve(ed.labels.back());
}

}  // namespace

TEST(RandomInput, AMillionEventsKeepTheEditorConsistent) {
    const uint32_t seed = static_cast<uint32_t>(envNumber("VELTRUNE_RANDOM_SEED", 20240611));
    const long events = envNumber("VELTRUNE_RANDOM_EVENTS", DEFAULT_EVENTS);
    const long checkEvery = envNumber("VELTRUNE_RANDOM_CHECK_EVERY", 100000);
    std::printf("random input: seed %u, %ld events\n", seed, events);
    std::fflush(stdout);
    RecordProperty("seed", std::to_string(seed));

    test_support::WorkDir run;  // saves, exports and F8 touch only files in it
    const std::string example = VT_SOURCE_DIR "/example/module/";
    Editor ed;
    ed.config.module_path = run / "module/";
    ed.config.font = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    ed.config.texture_width = 256;
    ed.config.texture_height = 128;
    ed.store.path = "savedData.txt";
    for (const char* name : {"map_icons.orig.txt", "parties.orig.txt"})
        test_support::writeBytes(run / ("module/" + std::string(name)), test_support::readBytes(example + name));
    ASSERT_TRUE(readTerrainMesh(ed.terrain, example + "map.txt"));
    ASSERT_TRUE(readPartyPositions(ed.terrain.partyPositions, example + "parties.orig.txt"));
    ASSERT_TRUE(buildGlyphAtlas(ed.atlas, ed.config.charset, ed.config.font, 256, 128, false));

    resetLetterIds();
    for (auto [a, b, text] : {std::tuple{MapPoint{-40, 10}, MapPoint{30, 25}, "Brask Hold"},
                              {MapPoint{5, -60}, MapPoint{5, -20}, "Eastmarch"}, {MapPoint{60, 60}, MapPoint{61, 60}, ""}}) {
        Label& label = ed.labels.emplace_back();
        initFromDrag(label, a, b);
        for (const char* c = text; *c; ++c) addLetter(label, *c);
    }
    ed.labels[1].italic = 1;
    ed.labels[1].size = 2.5f;
    applyAttributes(ed.labels[1]);
    frame(ed);
    ASSERT_EQ(editorFault(ed), "");

    RandomUser user(seed);
    long created = 0, sessions = 0;
    std::string failure;
    {
        test_support::QuietStdout quiet;  // ctrl-d and F12 print height traces
        for (long i = 1; i <= events && failure.empty(); ++i) {
            const size_t before = ed.labels.size();
            const bool prompt = ed.app.quitAsked;
            const bool release = user.step(ed);
            frame(ed);
            // The duplicate search evens out size and opacity between the letters it
            // links, until their labels' next attribute change; the check starts
            // again from the labels' own attributes.
            if (user.merged)
                for (Label& label : ed.labels) applyAttributes(label);
            created += ed.labels.size() > before;
            if (ed.done) {
                // The program would end here; carry on as a new session with the same labels.
                ++sessions;
                ed.done = ed.app.quitAsked = false;
            }
            // A release ends every drag, unless the save prompt was up.
            if (release && !prompt && (ed.app.activeNode != -1 || ed.app.creating))
                failure = "a release left a drag going";
            else if (ed.app.selected < -1 || ed.app.selected >= static_cast<int>(ed.labels.size()) ||
                     ed.app.activeNode < -1 || ed.app.activeNode > 3 || i % checkEvery == 0 || i == events)
                failure = editorFault(ed);
            if (failure.empty() && (i % checkEvery == 0 || i == events)) failure = roundTripFault(ed);
            if (!failure.empty()) failure = "after event " + std::to_string(i) + " (seed " + std::to_string(seed) + "): " + failure;
        }
    }
    ASSERT_EQ(failure, "");
    // The stream did exercise the editor: labels were dragged out and edited.
    EXPECT_GT(created, 10);
    EXPECT_GT(sessions, 0);
    std::fprintf(stderr, "random input: %zu labels at the end, %ld created, %ld sessions ended\n", ed.labels.size(),
                 created, sessions);
    releaseGlyphAtlas(ed.atlas);
}
