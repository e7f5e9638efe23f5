// The editor's key and mouse commands, the save prompt, and the start-up steps
// before the window.
#include "app/input.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include "../test_support.h"
#include "app/reporting.h"
#include "app/sdl_keys.h"
#include "app/startup.h"
#include "app/view.h"
#include "platform/platform.h"
#include "editor_fixture.h"

namespace fs = std::filesystem;
using test_support::readBytes;
using test_support::writeBytes;

namespace {

TEST(Input, TabWalksTheLabelsAndCentresTheView) {
    TestEditor t;
    t.key(Key::Tab);  // no labels: nothing
    EXPECT_EQ(t.selected(), -1);
    EXPECT_EQ(t.ed.view.panX, 0.0f);

    t.addLabel({10, 10}, {30, 10});
    t.addLabel({40, 40}, {60, 60});
    t.addLabel({70, 20}, {90, 20});
    // Tab forwards, shift-Tab (either shift) backwards, wrapping at both ends.
    for (auto [mod, expect] : {std::pair{0, 0}, {0, 1}, {0x0001, 0}, {0x0002, 2}, {0, 0}, {0, 1}}) {
        t.key(Key::Tab, 0, mod);
        EXPECT_EQ(t.selected(), expect) << mod;
    }
    // The selected label's centre is now in the middle of the window, and the
    // zoom makes its extent (10) fill 40 % of the window height on each side.
    computeViewMatrices(t.ed.view, t.ed.terrain);
    const MapPoint mid = unprojectMouse(t.ed.view, 250, 250);
    EXPECT_NEAR(mid.x, 50.0f, 0.2f);
    EXPECT_NEAR(mid.y, 50.0f, 0.2f);
    EXPECT_NEAR(std::fabs(unprojectMouse(t.ed.view, 250, 50).y - 50.0f), 10.0f, 0.2f);

    // Nothing selected: shift-Tab takes the last but one label, Tab the first.
    t.key(Key::Return);
    EXPECT_EQ(t.selected(), -1);
    t.key(Key::Tab, 0, MOD_SHIFT);
    EXPECT_EQ(t.selected(), 1);
    t.key(Key::Return);
    t.key(Key::Tab);
    EXPECT_EQ(t.selected(), 0);
    EXPECT_FALSE(t.ed.app.changed);
    // With one label shift-Tab from nothing selects label 0.
    TestEditor one;
    one.addLabel({10, 10}, {30, 10});
    one.key(Key::Tab, 0, MOD_SHIFT);
    EXPECT_EQ(one.selected(), 0);
}

TEST(Input, TypingEraseAndDelete) {
    TestEditor t;
    t.addLabel({10, 10}, {40, 10});
    t.addLabel({10, 50}, {40, 50}, "xy");
    t.key(Key::Tab);
    t.typeText("Ab -");
    EXPECT_EQ(labelText(t.ed.labels[0]), "Ab -");
    EXPECT_TRUE(t.ed.app.changed);
    // Characters the atlas does not hold, codes above 255 and ctrl combinations type nothing.
    t.typeText("w1\u263A");
    t.key(Key::I, MOD_CTRL);
    t.typeText("\t\x7f");  // control characters, should any arrive as text
    t.key(Key::Tab);
    EXPECT_EQ(labelText(t.ed.labels[0]), "Ab -");
    EXPECT_EQ(t.ed.labels[0].italic, 1);
    EXPECT_EQ(t.selected(), 1) << "Tab moved on to the next label";

    // Back on label 0: Backspace and Delete take the last letters, then the label.
    t.key(Key::Tab);
    t.ed.app.changed = false;
    t.key(Key::Backspace);
    EXPECT_EQ(labelText(t.ed.labels[0]), "Ab ");
    EXPECT_TRUE(t.ed.app.changed);
    t.key(Key::Delete);
    t.key(Key::Backspace);
    t.key(Key::Backspace);
    EXPECT_EQ(labelText(t.ed.labels[0]), "");
    ASSERT_EQ(t.ed.labels.size(), 2u);
    t.key(Key::Backspace);
    ASSERT_EQ(t.ed.labels.size(), 1u);
    EXPECT_EQ(t.selected(), -1);
    EXPECT_EQ(labelText(t.ed.labels[0]), "xy");
    // Without a selection typing and erasing do nothing.
    t.ed.app.changed = false;
    t.typeText("ab");
    t.key(Key::Backspace);
    EXPECT_EQ(labelText(t.ed.labels[0]), "xy");
    EXPECT_FALSE(t.ed.app.changed);
}

// SDL2 reports typed text apart from the key press: a key press carries no
// character, and the text (UTF-8) types and answers the prompt.
TEST(Input, TypedTextArrivesAsUtf8) {
    TestEditor t;
    t.ed.atlas.cells[0xE9] = GlyphCell{};  // é
    t.addLabel({10, 10}, {40, 10});
    t.key(Key::Tab);
    t.key(Key::Other);  // the key press of a letter types nothing by itself
    t.ed.redrawRequests = 0;
    handleTextInput(t.ed, "Ab\xC3\xA9w\xFF\xD0\x96-");  // w and Cyrillic Zhe are not held; 0xFF is no UTF-8
    EXPECT_EQ(labelText(t.ed.labels[0]), "Ab\u00e9-");
    EXPECT_TRUE(t.ed.app.changed);
    EXPECT_GT(t.ed.redrawRequests, 0);
    // A refused character is named once, until another one is refused.
    EXPECT_EQ(messagesNewestFirst(t.ed.log), (std::vector<std::string>{"\"\u0416\" is not in the charset (Veltrune.cfg)",
                                                                       "\"w\" is not in the charset (Veltrune.cfg)"}));
    handleTextInput(t.ed, "\xD0\x96" "a" "\xD0\x96");
    EXPECT_EQ(messagesNewestFirst(t.ed.log).size(), 2u);
    handleTextInput(t.ed, "ww");
    EXPECT_EQ(messagesNewestFirst(t.ed.log).size(), 3u);
    t.ed.labels[0].letters.pop_back();

    t.key(Key::Escape);
    ASSERT_TRUE(t.ed.app.quitAsked);
    t.key(Key::Y);  // the key press of y is no answer; its text is
    EXPECT_FALSE(t.ed.done);
    handleTextInput(t.ed, "c");
    EXPECT_FALSE(t.ed.app.quitAsked);
    EXPECT_EQ(t.newestMessage(), "(quit canceled)");
    EXPECT_EQ(labelText(t.ed.labels[0]), "Ab\u00e9-") << "a prompt answer types nothing";
    t.key(Key::Escape);
    handleTextInput(t.ed, "n");
    EXPECT_TRUE(t.ed.done);
}

TEST(Input, AttributeKeys) {
    TestEditor t;
    t.addLabel({10, 10}, {40, 10}, "abc");
    t.addLabel({10, 50}, {40, 50}, "Mixed Text");
    Label& second = t.ed.labels[1];
    t.ed.app.selected = 0;
    // Visibility moves in steps of 5 and stays within 10..100.
    for (auto [from, sym, to] : {std::tuple{98, Key::PageDown, 100}, {12, Key::PageUp, 10}, {10, Key::PageDown, 15}}) {
        t.ed.labels[0].visibility = from;
        t.key(sym);
        EXPECT_EQ(t.ed.labels[0].visibility, to);
        EXPECT_EQ(t.ed.labels[0].letters[2].alpha, to * 255 / 100);
    }
    EXPECT_TRUE(t.ed.app.changed);

    // ctrl-v before any ctrl-c keeps the attributes, but re-applies them to the letters.
    t.ed.labels[0].size = 2.5f;
    t.ed.labels[0].letters[1].size = 7.0f;
    t.key(Key::V, MOD_CTRL);
    EXPECT_EQ(std::pair(t.ed.labels[0].size, t.ed.labels[0].visibility), std::pair(2.5f, 15));
    EXPECT_EQ(t.ed.labels[0].letters[1].size, 2.5f);

    // ctrl-c copies without marking a change; ctrl-v puts the copy on another label.
    t.ed.app.changed = false;
    t.key(Key::C, 0x0040);
    EXPECT_FALSE(t.ed.app.changed);
    t.key(Key::Tab);
    t.key(Key::V, 0x0080);
    EXPECT_EQ(std::pair(second.size, second.visibility), std::pair(2.5f, 15));
    EXPECT_TRUE(t.ed.app.changed);
    EXPECT_EQ(labelText(second), "Mixed Text");

    // Without ctrl the letters type instead of running the command.
    t.key(Key::P);
    t.typeText("p");
    EXPECT_EQ(labelText(second), "Mixed Textp");
    t.key(Key::Backspace);
    // ctrl-p and ctrl-f change the label and let go of a grabbed node.
    t.ed.app.activeNode = 2;
    t.key(Key::P, MOD_CTRL);
    EXPECT_EQ(labelText(second), "MIXED TEXT");
    EXPECT_EQ(t.ed.app.activeNode, -1);
    t.ed.app.activeNode = 1;
    const MapPoint start = second.nodes[0];
    t.key(Key::F, MOD_CTRL);
    EXPECT_EQ(t.ed.app.activeNode, -1);
    EXPECT_EQ(std::pair(second.nodes[3].x, second.nodes[3].y), std::pair(start.x, start.y));
}

TEST(Input, CountDuplicatesMessage) {
    TestEditor t;
    // The module's orig icons cannot be read: the meshes are counted without the room.
    const auto said = [&t] {
        auto list = messagesNewestFirst(t.ed.log);
        return std::pair(list.at(1), list.at(0));
    };
    t.key(Key::D, MOD_CTRL);
    EXPECT_EQ(said(), std::pair(std::string("In current config, 0 letters out of 0 can use duplicates"),
                                std::string("0 letter meshes")));
    // Two equal letters on flat ground can share one mesh; the space is not counted.
    t.addLabel({10, 10}, {40, 10}, "a a");
    t.ed.app.selected = 0;
    const Label before = t.ed.labels[0];
    testing::internal::CaptureStdout();
    t.key(Key::D, MOD_CTRL);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("Z="), std::string::npos);
    EXPECT_TRUE(sameLabel(t.ed.labels[0], before)) << "ctrl-d leaves the label as it is";
    EXPECT_EQ(said(), std::pair(std::string("In current config, 1 letters out of 2 can use duplicates"),
                                std::string("1 letter mesh")));
    EXPECT_EQ(labelText(t.ed.labels[0]), "a a") << "ctrl-d does not type";
    EXPECT_FALSE(t.ed.app.changed);

    // The room is what the module's icons leave of 0..255, none past 256 icons.
    test_support::TempDir module;
    t.ed.config.module_path = module.path + "/";
    t.addLabel({10, 50}, {40, 50}, "bc");
    // When one letter a mesh does not fit, what grouping letters would give.
    const std::string none = "; even one mesh per label does not fit (2 labels)";
    for (auto [icons, room, grouped] : {std::tuple{"250", "6", std::string()}, {"254", "2", "; 2 letters to a mesh fit (2 meshes)"},
                                        {"256", "0", none}, {"310", "0", none}}) {
        writeBytes(module / "map_icons.orig.txt", std::string("map_icons_file version 1\r\n") + icons + "\r\n");
        testing::internal::CaptureStdout();
        t.key(Key::D, MOD_CTRL);
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(t.newestMessage(), std::string("3 letter meshes, room for ") + room + " in this module" + grouped);
    }
}

TEST(Input, ViewKeysAndDrags) {
    TestEditor t;
    t.ed.view.zoom = 2.0f;
    t.ed.view.windowHeight = 400;
    const float step = 80.0f / (400 * 2.0f);
    for (auto [sym, x, y] : {std::tuple{Key::Up, 0, 1}, {Key::Down, 0, 0}, {Key::Down, 0, -1}, {Key::Right, 1, -1},
                             {Key::Left, 0, -1}, {Key::Left, -1, -1}}) {
        t.key(sym);
        EXPECT_FLOAT_EQ(t.ed.view.panX, x * step) << static_cast<int>(sym);
        EXPECT_FLOAT_EQ(t.ed.view.panY, y * step) << static_cast<int>(sym);
    }
    handleButtonDown(t.ed, BUTTON_WHEEL_UP, 10, 10);
    EXPECT_FLOAT_EQ(t.ed.view.zoom, 2.4f);
    handleButtonDown(t.ed, BUTTON_WHEEL_DOWN, 10, 10);
    handleButtonDown(t.ed, BUTTON_WHEEL_DOWN, 10, 10);
    EXPECT_FLOAT_EQ(t.ed.view.zoom, 2.0f / 1.2f);
    EXPECT_FALSE(t.ed.app.cursorShown) << "only the left button moves the readout";
    // A window shrunk to nothing keeps a usable size.
    handleResize(t.ed, 0, -3);
    EXPECT_EQ(std::pair(t.ed.view.windowWidth, t.ed.view.windowHeight), std::pair(1, 1));
    t.key(Key::Up);
    EXPECT_TRUE(std::isfinite(t.ed.view.panY));

    // A right-button drag moves the map 1.6 times as fast as the pointer.
    TestEditor r;
    handleMotion(r.ed, HELD_RIGHT, 300, 300, 10, -5, 0);
    EXPECT_FLOAT_EQ(r.ed.view.panX, -2.0f * 10 * 1.6f / (500 * 3.0f));
    EXPECT_FLOAT_EQ(r.ed.view.panY, 2.0f * -5 * 1.6f / (500 * 3.0f));
    EXPECT_FALSE(r.ed.app.creating);

    // A middle drag changes the size of the selected label only (nothing without one).
    TestEditor m;
    Label& label = m.addLabel({10, 10}, {40, 10}, "ab");
    handleMotion(m.ed, HELD_MIDDLE, 100, 100, 0, 20, 0);
    EXPECT_EQ(label.size, 1.0f);
    EXPECT_FALSE(m.ed.app.changed);
    m.ed.app.selected = 0;
    handleMotion(m.ed, HELD_MIDDLE, 100, 100, 0, -10, 0);  // up by 10: +10 %
    EXPECT_FLOAT_EQ(label.size, 1.1f);
    EXPECT_FLOAT_EQ(label.letters[1].size, 1.1f);
    EXPECT_TRUE(m.ed.app.changed);
    handleMotion(m.ed, HELD_MIDDLE, 100, 100, 0, 60, 0);  // factor 0.4 is raised to 0.5
    EXPECT_FLOAT_EQ(label.size, 0.55f);
    handleMotion(m.ed, HELD_MIDDLE, 100, 100, 5, 0, 0);  // sideways: nothing
    EXPECT_FLOAT_EQ(label.size, 0.55f);
    // With shift the width changes instead; dragging up widens.
    handleMotion(m.ed, HELD_MIDDLE, 100, 100, 0, -30, MOD_SHIFT);
    EXPECT_EQ(label.width, 115);
    EXPECT_FLOAT_EQ(label.size, 0.55f);
    handleMotion(m.ed, HELD_MIDDLE, 100, 100, 0, 60, 0x0002);
    EXPECT_LT(label.width, 100);
}

TEST(Input, LeftDragCreatesAndReshapesLabels) {
    TestEditor t;
    // A plain click far from everything: no label, readout at the click.
    t.press(BUTTON_LEFT, {20, 20});
    handleButtonUp(t.ed, BUTTON_LEFT);
    EXPECT_TRUE(t.ed.labels.empty());
    EXPECT_TRUE(t.ed.app.cursorShown);
    EXPECT_NEAR(t.ed.app.cursorPos.x, 20.0f, 0.1f);
    EXPECT_FALSE(t.ed.app.changed);

    // Drag out a label from (20, 20) to (40, 30).
    t.press(BUTTON_LEFT, {20, 20});
    t.dragTo(HELD_LEFT, {30, 25});
    t.dragTo(HELD_LEFT, {40, 30});
    EXPECT_TRUE(t.ed.app.creating);
    EXPECT_TRUE(t.ed.labels.empty());
    EXPECT_NEAR(t.ed.app.cursorPos.x, 40.0f, 0.1f);
    handleButtonUp(t.ed, BUTTON_LEFT);
    ASSERT_EQ(t.ed.labels.size(), 1u);
    EXPECT_EQ(t.selected(), 0);
    EXPECT_FALSE(t.ed.app.creating);
    EXPECT_TRUE(t.ed.app.changed);
    const Label& made = t.ed.labels[0];
    EXPECT_NEAR(made.nodes[0].x, 20.0f, 0.1f);
    EXPECT_NEAR(made.nodes[0].y, 20.0f, 0.1f);
    EXPECT_NEAR(made.nodes[3].x, 40.0f, 0.1f);
    EXPECT_NEAR(made.nodes[3].y, 30.0f, 0.1f);
    // Picking works on the new label before any frame has been drawn.
    handleButtonDown(t.ed, BUTTON_LEFT, 0, 0);
    handleButtonUp(t.ed, BUTTON_LEFT);
    EXPECT_EQ(t.selected(), -1);
    t.press(BUTTON_LEFT, {30, 25});
    EXPECT_EQ(t.selected(), 0);
    handleButtonUp(t.ed, BUTTON_LEFT);

    // Grab the end node and move it; the letters follow.
    t.typeText("ab");
    t.press(BUTTON_LEFT, {40, 30});
    EXPECT_EQ(t.ed.app.activeNode, 3);
    t.dragTo(HELD_LEFT, {60, 30});
    EXPECT_NEAR(made.nodes[3].x, 60.0f, 0.1f);
    EXPECT_NEAR(made.letters[1].position.x, pointAt(made, 0.75f).x, 2.0f);
    EXPECT_GT(made.letters[1].position.x, 40.0f);
    handleButtonUp(t.ed, BUTTON_LEFT);
    EXPECT_EQ(t.ed.app.activeNode, -1);
    EXPECT_EQ(t.selected(), 0);
    EXPECT_EQ(t.ed.labels.size(), 1u);

    // A press on the curve selects without grabbing: dragging moves the whole label.
    const MapPoint before = made.nodes[3], press = pointAt(made, 0.5f);
    t.press(BUTTON_LEFT, press);
    EXPECT_EQ(t.ed.app.activeNode, -1);
    t.dragTo(HELD_LEFT, {90, 90});
    EXPECT_NEAR(made.nodes[3].x, before.x + 90 - press.x, 0.2f);
    EXPECT_NEAR(made.nodes[3].y, before.y + 90 - press.y, 0.2f);
    EXPECT_FALSE(t.ed.app.creating);
    handleButtonUp(t.ed, BUTTON_LEFT);
}

TEST(Input, AnyReleaseEndsADrag) {
    // A wheel step (press and release of button 4) during a left drag adds the new label.
    TestEditor t;
    t.press(BUTTON_LEFT, {20, 20});
    t.dragTo(HELD_LEFT, {40, 20});
    handleButtonDown(t.ed, BUTTON_WHEEL_UP, 200, 200);
    EXPECT_FLOAT_EQ(t.ed.view.zoom, 3.6f);
    EXPECT_TRUE(t.ed.labels.empty());
    handleButtonUp(t.ed, BUTTON_WHEEL_UP);
    ASSERT_EQ(t.ed.labels.size(), 1u);
    EXPECT_EQ(t.selected(), 0);
    EXPECT_FALSE(t.ed.app.creating);

    // Releasing the right button during a left drag adds the label at once; the
    // left release that follows adds nothing more.
    TestEditor r;
    r.addLabel({80, 80}, {90, 90});
    r.press(BUTTON_LEFT, {20, 20});
    r.dragTo(HELD_LEFT | HELD_RIGHT, {40, 20}, 0, 0);
    handleButtonUp(r.ed, BUTTON_RIGHT);
    ASSERT_EQ(r.ed.labels.size(), 2u);
    EXPECT_EQ(r.selected(), 1);
    handleButtonUp(r.ed, BUTTON_LEFT);
    EXPECT_EQ(r.ed.labels.size(), 2u);

    // With a node grabbed and the left button still held, Return, Tab or erasing
    // the label must not leave the grab on whatever label is selected next.
    for (Key sym : {Key::Return, Key::Tab, Key::Backspace}) {
        TestEditor k;
        k.addLabel({20, 20}, {40, 20});
        k.addLabel({20, 60}, {40, 60});
        k.ed.app.selected = 0;
        k.press(BUTTON_LEFT, {40, 20});
        ASSERT_EQ(k.ed.app.activeNode, 3) << static_cast<int>(sym);
        k.key(sym);
        EXPECT_EQ(k.ed.app.activeNode, -1) << static_cast<int>(sym);
        const MapPoint other = k.ed.labels.back().nodes[3];
        k.dragTo(HELD_LEFT, {70, 90});
        EXPECT_EQ(k.ed.labels.back().nodes[3].x, other.x) << static_cast<int>(sym);
    }
}

// A new label takes the text attributes of the label selected most recently, as
// ctrl-v would paste them; before any selection, the defaults with letters sized to the map.
TEST(Input, NewLabelStyle) {
    struct Case {
        float mapWidth;  // x extent of the map's box
        bool selectFirst;
        float size;
        int visibility, width, widthDrag, italic, spare;
    };
    // The new label runs from (20, 20) to (40, 30): letters a twentieth of its length
    // tall, unless the map asks for more.
    for (const Case c : {Case{100, false, std::hypot(20.0f, 10.0f) / 20.0f, 35, 100, 100, 0, 0},
                         Case{800, false, 4.0f, 35, 100, 100, 0, 0},
                         Case{800, true, 3.0f, 60, 120, 120, 1, 1}}) {
        TestEditor t;
        t.ed.terrain.boxMax.x = t.ed.terrain.boxMin.x + c.mapWidth;
        if (c.selectFirst) {
            Label& styled = t.addLabel({10, 80}, {30, 80}, "ab");
            t.press(BUTTON_LEFT, {20, 80});
            handleButtonUp(t.ed, BUTTON_LEFT);
            ASSERT_EQ(t.selected(), 0);
            styled.size = 3.0f, styled.visibility = 60, styled.width = 120, styled.widthDrag = 140;
            styled.italic = 1, styled.spare = 1;
            t.key(Key::Return);
        }
        const size_t before = t.ed.labels.size();
        t.press(BUTTON_LEFT, {20, 20});
        t.dragTo(HELD_LEFT, {40, 30});
        handleButtonUp(t.ed, BUTTON_LEFT);
        ASSERT_EQ(t.ed.labels.size(), before + 1);
        const Label& made = t.ed.labels.back();
        EXPECT_NEAR(made.size, c.size, 0.01f) << c.mapWidth;
        EXPECT_EQ(std::tuple(made.visibility, made.width, made.widthDrag, int(made.italic), made.spare),
                  std::tuple(c.visibility, c.width, c.widthDrag, c.italic, c.spare))
            << c.mapWidth;
        // One step: undo takes the new label back.
        t.key(Key::Z, MOD_CTRL);
        EXPECT_EQ(t.ed.labels.size(), before);
    }
}

TEST(Input, RedrawRequests) {
    TestEditor t;
    for (Key k : {Key::Shift, Key::Ctrl}) t.key(k, MOD_SHIFT);  // modifier keys alone
    EXPECT_EQ(t.ed.redrawRequests, 0);
    // Motion without a button redraws: the cursor readout follows the pointer.
    handleMotion(t.ed, 0, 5, 5, 1, 1, 0);
    EXPECT_EQ(t.ed.redrawRequests, 1);
    EXPECT_TRUE(t.ed.app.cursorShown);
    t.ed.redrawRequests = 0;
    t.key(Key::Other);  // F10: no command, still redrawn
    EXPECT_EQ(t.ed.redrawRequests, 1);
    const auto redraws = [&](auto event) {
        t.ed.redrawRequests = 0;
        event();
        return t.ed.redrawRequests;
    };
    EXPECT_GE(redraws([&] { handleButtonDown(t.ed, BUTTON_MIDDLE, 1, 1); }), 1);
    EXPECT_GE(redraws([&] { handleButtonUp(t.ed, BUTTON_MIDDLE); }), 1);
    EXPECT_GE(redraws([&] { handleMotion(t.ed, HELD_RIGHT, 5, 5, 1, 1, 0); }), 1);
    EXPECT_GE(redraws([&] { t.key(Key::F1); }), 1);
    EXPECT_TRUE(t.ed.app.helpVisible);
    t.key(Key::F1);
    EXPECT_FALSE(t.ed.app.helpVisible);
}

// The event loop's translation from SDL2: every key with a command, some without,
// the buttons (SDL2's side buttons X1 and X2 are its 4 and 5, and never zoom) and wheel steps.
TEST(Input, TranslationFromSdl) {
    const std::pair<SDL_Keycode, Key> keys[] = {
        {SDLK_F1, Key::F1}, {SDLK_F2, Key::F2}, {SDLK_F8, Key::F8}, {SDLK_F12, Key::F12}, {SDLK_TAB, Key::Tab},
        {SDLK_RETURN, Key::Return}, {SDLK_ESCAPE, Key::Escape}, {SDLK_BACKSPACE, Key::Backspace}, {SDLK_DELETE, Key::Delete},
        {SDLK_UP, Key::Up}, {SDLK_DOWN, Key::Down}, {SDLK_LEFT, Key::Left}, {SDLK_RIGHT, Key::Right}, {SDLK_PAGEUP, Key::PageUp},
        {SDLK_PAGEDOWN, Key::PageDown}, {SDLK_c, Key::C}, {SDLK_d, Key::D}, {SDLK_f, Key::F}, {SDLK_i, Key::I}, {SDLK_k, Key::K},
        {SDLK_p, Key::P}, {SDLK_v, Key::V}, {SDLK_y, Key::Y}, {SDLK_z, Key::Z}, {SDLK_LSHIFT, Key::Shift},
        {SDLK_RSHIFT, Key::Shift}, {SDLK_LCTRL, Key::Ctrl}, {SDLK_RCTRL, Key::Ctrl}, {SDLK_a, Key::Other},
        {SDLK_F10, Key::Other}, {SDLK_KP_ENTER, Key::Other}, {SDLK_LALT, Key::Other}, {SDLK_UNKNOWN, Key::Other}};
    for (auto [sdl, key] : keys) EXPECT_EQ(keyFromSdl(sdl), key) << sdl;
    TestEditor t;
    for (auto [sdl, button] : {std::pair{SDL_BUTTON_LEFT, 1}, {SDL_BUTTON_MIDDLE, 2}, {SDL_BUTTON_RIGHT, 3},
                               {SDL_BUTTON_X1, 8}, {SDL_BUTTON_X2, 9}}) {
        EXPECT_EQ(buttonFromSdl(static_cast<Uint8>(sdl)), button);
        handleButtonDown(t.ed, buttonFromSdl(static_cast<Uint8>(sdl)), 10, 10);
    }
    EXPECT_EQ(t.ed.view.zoom, 3.0f) << "only the wheel zooms";
    for (auto [y, flipped, button, count] : {std::tuple{1, false, BUTTON_WHEEL_UP, 1}, {-3, false, BUTTON_WHEEL_DOWN, 3},
                                              {2, true, BUTTON_WHEEL_DOWN, 2}, {-1, true, BUTTON_WHEEL_UP, 1}}) {
        const WheelSteps steps = wheelSteps(y, flipped ? SDL_MOUSEWHEEL_FLIPPED : SDL_MOUSEWHEEL_NORMAL);
        EXPECT_EQ(std::pair(steps.button, steps.count), std::pair(button, count)) << y;
    }
}

TEST(Input, QuitAndThePrompt) {
    test_support::WorkDir work;
    {  // Nothing changed: Esc ends at once.
        TestEditor t;
        t.key(Key::Escape);
        EXPECT_TRUE(t.ed.done);
        EXPECT_FALSE(t.ed.app.quitAsked);
    }
    {  // Unsaved changes: Esc asks; "c" cancels and the next Esc asks again; "n" ends without saving.
        TestEditor t;
        t.addLabel({10, 10}, {30, 10}, "ab");
        t.ed.app.changed = true;
        t.key(Key::Escape);
        EXPECT_FALSE(t.ed.done);
        EXPECT_TRUE(t.ed.app.quitAsked);
        // During the prompt keys only answer, motion and releases are ignored,
        // button presses still act.
        t.ed.app.selected = 0;
        t.typeText("a");
        t.key(Key::Backspace);
        EXPECT_EQ(labelText(t.ed.labels[0]), "ab");
        handleMotion(t.ed, HELD_RIGHT | HELD_LEFT, 5, 5, 30, 30, 0);
        EXPECT_EQ(t.ed.view.panX, 0.0f);
        EXPECT_FALSE(t.ed.app.creating);
        t.ed.app.activeNode = 2;
        handleButtonUp(t.ed, BUTTON_LEFT);
        EXPECT_EQ(t.ed.app.activeNode, 2);
        handleButtonDown(t.ed, BUTTON_WHEEL_UP, 5, 5);
        EXPECT_FLOAT_EQ(t.ed.view.zoom, 3.6f);
        EXPECT_TRUE(t.ed.app.quitAsked);
        t.ed.app.activeNode = -1;

        t.typeText("c");
        EXPECT_FALSE(t.ed.app.quitAsked || t.ed.done);
        EXPECT_TRUE(t.ed.app.changed);
        EXPECT_EQ(t.newestMessage(), "(quit canceled)");
        t.key(Key::Escape);
        EXPECT_TRUE(t.ed.app.quitAsked);
        EXPECT_FALSE(t.ed.done);
        t.typeText("N");
        EXPECT_TRUE(t.ed.done);
    }
    // A second Esc, and closing the window during the prompt, end without saving.
    for (bool closeWindow : {false, true}) {
        TestEditor t;
        t.ed.app.changed = true;
        handleQuitEvent(t.ed);
        EXPECT_TRUE(t.ed.app.quitAsked);
        EXPECT_FALSE(t.ed.done);
        closeWindow ? handleQuitEvent(t.ed) : t.key(Key::Escape);
        EXPECT_TRUE(t.ed.done);
    }
    EXPECT_FALSE(fs::exists("savedData.txt"));

    // F2 and "Y" with a save that fails: the labels must not be lost, so the
    // program goes on with the prompt closed, the failure on screen and the change kept.
    TestEditor t;
    t.addLabel({10, 10}, {30, 10}, "abc");
    t.ed.app.changed = true;
    setWriteFailureAfter(0);
    t.key(Key::F2);
    EXPECT_TRUE(t.ed.app.changed);
    EXPECT_EQ(t.newestMessage(), "Cannot save internal file?!");
    t.key(Key::Escape);
    t.typeText("Y");
    setWriteFailureAfter(-1);
    EXPECT_FALSE(t.ed.done || t.ed.app.quitAsked);
    EXPECT_TRUE(t.ed.app.changed);
    EXPECT_EQ(t.newestMessage(), "Cannot save internal file?!");
    EXPECT_FALSE(fs::exists("savedData.txt"));
    // Once the cause is gone, "y" saves and ends.
    t.key(Key::Escape);
    t.typeText("y");
    EXPECT_TRUE(t.ed.done);
    EXPECT_FALSE(t.ed.app.changed);
    EXPECT_EQ(readBytes("savedData.txt").rfind(toPlatformLineEnds("v1\n1\n") + "a b c | ", 0), 0u);
}

const char* const CONFIG_TEXT =
    "module_path = \"Mod/\"\n"
    "texture_size = 256 x 128\n"
    "font = \"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf\"\n"
    "charset = \"abc \"\n"
    "mip_map = [100,90]\n";
const char* const MAP_TEXT = "4\n0 0 5\n100 0 5\n100 100 8\n0 100 8\n2\n3 0 0 0 1 2\n7 0 0 0 2 3\n";
const char* const PARTIES_TEXT =
    "partiesfile version 1\n1\n"
    " 1 0 0 p_town Town 0 0 3 0 0 0 0 0 0 25.000000 30.000000 25.0 30.0 0.0 \n0.0\n";
const char* const STORE_TEXT = "v1\n1\na b | 10 10 0.33 0 0.66 0 30 10 1.0 35 100 0 0\n";

// Standard output of f.
template <typename F>
std::string printed(F f) {
    testing::internal::CaptureStdout();
    f();
    return testing::internal::GetCapturedStdout();
}

TEST(Startup, FilesBeforeTheWindow) {
    test_support::WorkDir work;
    {  // No configuration file: start-up ends with the reader's message.
        Editor ed;
        const std::string missing = "Wrong or missing config file \"Veltrune.cfg\"!\n" + std::string(MAKE_CONFIG_HINT) + "\n";
        EXPECT_EQ(printed([&] { EXPECT_FALSE(readStartupFiles(ed)); }), missing);
        EXPECT_FALSE(fs::exists("log.txt"));
        // In batch mode the message also goes to "log.txt", with a faulty file's fault.
        EXPECT_EQ(printed([&] { EXPECT_FALSE(runBatch(ed)); }), missing);
        EXPECT_EQ(readBytes("log.txt"), toPlatformLineEnds(missing));
        writeBytes("Veltrune.cfg", std::string(CONFIG_TEXT) + "font = x\n");
        Editor faulty;
        printed([&] { EXPECT_FALSE(runBatch(faulty)); });
        const std::string log = readBytes("log.txt");
        EXPECT_EQ(log.rfind("Error reading Veltrune.cfg...", 0), 0u) << log;
        EXPECT_NE(log.find("font is given twice (lines 3 and 6)"), std::string::npos) << log;
        fs::remove("log.txt");
    }
    writeBytes("Veltrune.cfg", CONFIG_TEXT);
    writeBytes("savedData.txt", STORE_TEXT);
    Editor ed;
    ed.app.changed = true;
    ASSERT_TRUE(readStartupFiles(ed));
    EXPECT_EQ(ed.config.module_path, "Mod/");
    ASSERT_EQ(ed.labels.size(), 1u);
    EXPECT_EQ(labelText(ed.labels[0]), "ab");
    EXPECT_FALSE(ed.app.changed);
    // No map: start-up ends (the reader says why).
    EXPECT_NE(printed([&] { EXPECT_FALSE(prepareInteractive(ed)); }).find("Cannot open map"), std::string::npos);
    releaseGlyphAtlas(ed.atlas);

    // A map but no parties: the readme message. The missing colour file is
    // written with the map's terrain types and read at once.
    writeBytes("Mod/map.txt", MAP_TEXT);
    Editor ed2;
    ASSERT_TRUE(readStartupFiles(ed2));
    EXPECT_EQ(printed([&] { EXPECT_FALSE(prepareInteractive(ed2)); }), "Cannot find parties.orig.txt.\nRead the readme!\n");
    EXPECT_EQ(readBytes("mapcolors.txt"), toPlatformLineEnds("2\n3 104 160 72\n7 140 110 80\n"));
    EXPECT_GT(ed2.colors.version, 0u);
    EXPECT_TRUE(atlasHasChar(ed2.atlas, 'a'));
    EXPECT_FALSE(atlasHasChar(ed2.atlas, 'd'));
    releaseGlyphAtlas(ed2.atlas);
    // A charset whose atlas cannot be built says why.
    writeBytes("Veltrune.cfg", std::regex_replace(CONFIG_TEXT, std::regex("256 x 128"), "64 x 2"));
    Editor tiny;
    ASSERT_TRUE(readStartupFiles(tiny));
    EXPECT_EQ(printed([&] { EXPECT_FALSE(prepareInteractive(tiny)); }),
              "Cannot build the letter texture: the letters do not fit the 64 x 2 texture at any font size\n");
    releaseGlyphAtlas(tiny.atlas);
    writeBytes("Veltrune.cfg", CONFIG_TEXT);

    // Everything there: start-up goes on, with the party positions read; an
    // existing colour file is kept.
    writeBytes("Mod/parties.orig.txt", PARTIES_TEXT);
    writeBytes("mapcolors.txt", "1\n3 1 2 3\n");
    Editor ed3;
    ASSERT_TRUE(readStartupFiles(ed3));
    ASSERT_TRUE(prepareInteractive(ed3));
    ASSERT_EQ(ed3.terrain.partyPositions.size(), 1u);
    EXPECT_EQ(ed3.terrain.partyPositions[0].x, 25.0f);
    EXPECT_EQ(ed3.terrain.faces.size(), 2u);
    EXPECT_EQ(readBytes("mapcolors.txt"), "1\n3 1 2 3\n");
    EXPECT_EQ(ed3.colors.rgb[3][2], 3);
    releaseGlyphAtlas(ed3.atlas);
}

TEST(Startup, BatchExport) {
    test_support::WorkDir work;
    writeBytes("Veltrune.cfg", CONFIG_TEXT);
    writeBytes("savedData.txt", STORE_TEXT);
    writeBytes("Mod/parties.orig.txt", PARTIES_TEXT);
    writeBytes("Mod/map_icons.orig.txt", "map_icons_file version 1\n1\nicon_a 0 mesh_a 1.0 0 0 0 0 0\n\n\n");
    fs::create_directories("Mod/Resource");
    fs::create_directories("Mod/textures");

    bool succeeded = false;
    const auto batch = [&succeeded] {
        Editor ed;
        const std::string out = printed([&] { succeeded = runBatch(ed); });
        releaseGlyphAtlas(ed.atlas);
        return out;
    };
    // Without a readable map the letters would lie at height 0, under the hills:
    // the export stops before any module file, says why, and fails.
    for (auto [map, reason] : {std::pair<const char*, std::string>{nullptr, "cannot open \"Mod/map.txt\""},
                               {"4\n0 0 5\n", "file ends before vertex 1 of 4"}}) {
        if (map) writeBytes("Mod/map.txt", map);
        const std::string stop =
            "Export stopped: \"map.txt\" cannot be read (" + reason + "), so the letters would lie at height 0\n";
        EXPECT_EQ(batch(), stop);
        EXPECT_FALSE(succeeded);
        EXPECT_EQ(readBytes("log.txt"), toPlatformLineEnds(stop));
        for (const char* file : {"Mod/Resource/map_names.brf", "Mod/textures/map_names.dds", "Mod/map_icons.txt",
                                 "Mod/parties.txt"})
            EXPECT_FALSE(fs::exists(file)) << file;
    }

    // With the map the letters of a batch export match those of the editor's F12:
    // the same atlas and terrain give the same parties and resource files.
    // "log.txt" holds every message of the export, newest first.
    writeBytes("Mod/map.txt", MAP_TEXT);
    EXPECT_EQ(batch().find("cannot be read"), std::string::npos);
    EXPECT_TRUE(succeeded);
    const std::string log = readBytes("log.txt");
    EXPECT_EQ(log.rfind("(4/4) Exported \"textures\\map_names.dds\"", 0), 0u) << log;
    EXPECT_NE(log.find("(3/4) Exported \"parties.txt\" file! (2 new objects, 3 in total)"), std::string::npos) << log;
    EXPECT_NE(log.find(toPlatformLineEnds("(1/4) Exported resource file \"Resource\\map_names.brf\"! (add it to "
                                          "module.ini)\n\nFound 0 duplicated\n")),
              std::string::npos)
        << log;
    const std::string batchParties = readBytes("Mod/parties.txt"), batchBrf = readBytes("Mod/Resource/map_names.brf");
    Editor ed;
    ASSERT_TRUE(readStartupFiles(ed));
    ASSERT_TRUE(prepareInteractive(ed));
    printed([&] { handleKeyDown(ed, Key::F12, 0, 0); });
    EXPECT_EQ(readBytes("Mod/parties.txt"), batchParties);
    EXPECT_EQ(readBytes("Mod/Resource/map_names.brf"), batchBrf);
    EXPECT_FALSE(ed.app.changed);
    // After edits that used up letter ids ("ab" becomes "a c"), F12 names the objects
    // by the export's own count of the letters, as the batch export does after F2.
    const auto objectNames = [] {
        const std::string text = readBytes("Mod/parties.txt") + readBytes("Mod/Resource/map_names.brf");
        const std::regex name("map_str_[0-9]+");
        std::vector<std::string> names;
        for (std::sregex_iterator it(text.begin(), text.end(), name), end; it != end; ++it) names.push_back(it->str());
        return names;
    };
    ed.app.selected = 0;
    handleKeyDown(ed, Key::Backspace, 0, 0);
    handleTextInput(ed, " c");
    printed([&] { handleKeyDown(ed, Key::F12, 0, 0); });
    handleKeyDown(ed, Key::F2, 0, 0);
    releaseGlyphAtlas(ed.atlas);
    const std::vector<std::string> edited = objectNames();
    EXPECT_EQ(edited, (std::vector<std::string>{"map_str_000", "map_str_002", "map_str_000", "map_str_002"}));
    batch();
    EXPECT_EQ(objectNames(), edited);
    writeBytes("savedData.txt", STORE_TEXT);

    // Each failure on the way is a failed batch export: a step, the icon limit,
    // the font, and "log.txt" itself.
    writeBytes("Mod/map_icons.orig.txt", "map_icons_file version 1\n");
    batch();
    EXPECT_FALSE(succeeded);
    EXPECT_NE(readBytes("log.txt").find("Problems exporting map_icons.txt"), std::string::npos);
    writeBytes("Mod/map_icons.orig.txt", "map_icons_file version 1\n255\n");
    writeBytes("Veltrune.cfg", std::string(CONFIG_TEXT) + "mesh_letters = 1\n");
    batch();
    EXPECT_FALSE(succeeded);
    EXPECT_EQ(readBytes("log.txt").rfind("Export stopped: the letters need icons 255 to 256", 0), 0u);
    writeBytes("Mod/map_icons.orig.txt", "map_icons_file version 1\n1\n");
    std::string config = CONFIG_TEXT;
    config.replace(config.find("DejaVuSans.ttf"), 14, "NoSuchFont.ttf");
    writeBytes("Veltrune.cfg", config);
    // A font or a store that fails stops the export before any module file
    // changes, with the reason first in "log.txt" (newest first) and last on
    // standard output (in the order the messages arose).
    const std::string module[3] = {readBytes("Mod/parties.txt"), readBytes("Mod/map_icons.txt"),
                                   readBytes("Mod/textures/map_names.dds")};
    const auto moduleKept = [&module] {
        return readBytes("Mod/parties.txt") == module[0] && readBytes("Mod/map_icons.txt") == module[1] &&
               readBytes("Mod/textures/map_names.dds") == module[2];
    };
    const std::string fontStop =
        "Export stopped: the font \"/usr/share/fonts/truetype/dejavu/NoSuchFont.ttf\" cannot be loaded\n";
    const std::string fontOut = batch();
    // The letters' height trace, a line break, then the messages.
    const size_t traceEnd = fontOut.find('\n');
    ASSERT_NE(traceEnd, std::string::npos) << fontOut;
    EXPECT_EQ(fontOut.rfind("Z=", 0), 0u) << fontOut;
    EXPECT_EQ(fontOut.find("Unable to load font at size "), traceEnd + 1) << fontOut;
    EXPECT_EQ(fontOut.substr(fontOut.size() - fontStop.size()), fontStop);
    EXPECT_FALSE(succeeded);
    EXPECT_EQ(readBytes("log.txt").rfind(toPlatformLineEnds(fontStop) + "Unable to load font at size ", 0), 0u);
    EXPECT_TRUE(moduleKept());
    writeBytes("Veltrune.cfg", CONFIG_TEXT);
    writeBytes("savedData.txt", "v1\n7\na b | 10 10 0.33 0 0.66 0 30 10 1.0 35 100 0 0\n");
    const std::string damage = "Damaged label store \"savedData.txt\": label 2 of 7 is incomplete; 1 label loaded\n";
    const std::string stop = "Export stopped: \"savedData.txt\" is damaged (label 2 of 7 is incomplete; 1 label "
                             "loaded), so the module keeps its names\n";
    EXPECT_EQ(batch(), damage + stop);
    EXPECT_FALSE(succeeded);
    EXPECT_EQ(readBytes("log.txt"), toPlatformLineEnds(stop + damage));
    EXPECT_TRUE(moduleKept());
    writeBytes("savedData.txt", STORE_TEXT);
    fs::remove("log.txt");
    fs::create_directory("log.txt");
    EXPECT_NE(batch().find("Cannot write \"log.txt\""), std::string::npos);
    EXPECT_FALSE(succeeded);
}

// What start-up prints also appears in a message box only when nobody reads
// standard output and the command line holds no option: the editor, or a folder
// dropped onto the program (a refusal of two such folders too).
TEST(Startup, StartupProblemsInABox) {
    using Args = std::vector<std::string>;
    for (auto [args, console, box] : {std::tuple{Args{}, true, false}, {Args{}, false, true},
                                      {{"-b"}, false, false}, {{"-n", "m", "f"}, false, false},
                                      {{"-p"}, false, false}, {{"-bx"}, false, false}, {{"Mod"}, false, true},
                                      {{"Mod"}, true, false}, {{"Mod", "Other"}, false, true}, {{"/?"}, false, false}}) {
        const bool typed = parseCommandLine(args, true).typed;
        EXPECT_EQ(startupProblemsInBox(console, typed), box) << args.size() << " " << console;
    }
}

// An unknown key is the editor's first message, and under -b a line of the run
// (on standard output and in "log.txt").
TEST(Startup, UnknownKeyIsSaid) {
    test_support::WorkDir work;
    writeBytes("Veltrune.cfg", std::string(CONFIG_TEXT) + "mesh_leters = 4\n");
    const std::string said = "line 6: unknown key \"mesh_leters\" is ignored (did you mean \"mesh_letters\"?)";
    Editor ed;
    printed([&] { ASSERT_TRUE(readStartupFiles(ed)); });
    EXPECT_EQ(messagesNewestFirst(ed.log), std::vector<std::string>{said});
    EXPECT_EQ(ed.config.mesh_letters, 0);
    Editor batch;
    const std::string out = printed([&] { EXPECT_FALSE(runBatch(batch)); });  // the module has no map
    EXPECT_EQ(out.rfind(said + "\nExport stopped: \"map.txt\" cannot be read", 0), 0u) << out;
    EXPECT_NE(readBytes("log.txt").find(toPlatformLineEnds("\n" + said + "\n")), std::string::npos);
}

// F8 says whether "mapcolors.txt" was read.
TEST(Input, F8SaysWhatItRead) {
    test_support::WorkDir work;
    TestEditor t;
    t.key(Key::F8);
    EXPECT_EQ(t.newestMessage(), "\"mapcolors.txt\" cannot be read: the palette's colours are shown");
    writeBytes("mapcolors.txt", "2\n3 1 2 3\n4 5 6 7\n");
    t.key(Key::F8);
    EXPECT_EQ(t.newestMessage(), "Map colours re-read from \"mapcolors.txt\" (2 types)");
    EXPECT_EQ(t.ed.colors.rgb[4][2], 7);
}

// After a start whose store did not load completely the first F12 writes nothing
// and warns; the second exports. After F2 every F12 exports at once.
TEST(Input, F12AfterADamagedStart) {
    const std::string line = "a b | 10 10 0.33 0 0.66 0 30 10 1.0 35 100 0 0\n";
    for (auto [store, counts, saveFirst] : {std::tuple{"v1\n12\n" + line + line + line + line, "4 of 12", false},
                                            {"v1\nx\n", "0", false},
                                            {"v1\n12\n" + line, "1 of 12", true}}) {
        test_support::WorkDir work;
        writeBytes("savedData.txt", store);
        TestEditor t;
        loadLabels(t.ed.labels, t.ed.store);
        if (saveFirst) t.key(Key::F2);
        t.key(Key::F12);
        if (!saveFirst) {
            EXPECT_EQ(t.newestMessage(), std::string("The label store was damaged at start-up (") + counts +
                                             " labels loaded): F12 again exports just these labels");
            t.key(Key::F12);
        }
        // The export ran: the test editor's font is missing, so it stops and says so.
        EXPECT_EQ(t.newestMessage().rfind("Export stopped: the font", 0), 0u) << t.newestMessage();
    }
}

}  // namespace
