// The editor's key and mouse commands, the save prompt, and the start-up steps
// before the window.
#include "app/input.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/instances.h"
#include "app/startup.h"
#include "app/view.h"
#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {

const char* const FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// A flat square map 0..100 x 0..100 of two faces.
void makeFlatMap(TerrainMesh& t) {
    t.vertices = {{0, 0, 0}, {100, 0, 0}, {100, 100, 0}, {0, 100, 0}};
    MapFace a, b;
    a.corners[0] = 0, a.corners[1] = 1, a.corners[2] = 2;
    b.corners[0] = 0, b.corners[1] = 2, b.corners[2] = 3;
    t.faces = {a, b};
    computeBoundingBox(t);
    for (MapFace& f : t.faces) computeFaceLight(t, f);
    buildTerrainIndex(t);
}

// An atlas that holds the given characters in cells of 10 x 20 texels.
void fakeAtlas(GlyphAtlas& atlas, const std::string& chars) {
    atlas.width = 256;
    atlas.height = 64;
    atlas.pixels.assign(static_cast<size_t>(atlas.width) * atlas.height * 4, 255);
    atlas.glyphHeight = 20;
    int x = 0;
    for (char ch : chars) {
        unsigned char c = static_cast<unsigned char>(ch);
        atlas.placed[c] = true;
        atlas.cellX[c] = x;
        atlas.cellY[c] = 0;
        atlas.glyphWidth[c] = 10;
        atlas.inkTop[c] = 4;
        atlas.inkHeight[c] = 12;
        x += 10;
    }
    atlas.distinctCount = static_cast<int>(chars.size());
}

// An editor on the flat map, with the matrices of a first frame (zoom 3, 500 x 500).
struct TestEditor {
    Editor ed;
    TestEditor() {
        makeFlatMap(ed.terrain);
        fakeAtlas(ed.atlas, "abcdefghijklmnopqrstuvxyzABCDEFGHIJKLMNOPQRSTUVXYZ- ");
        computeViewMatrices(ed.view, ed.terrain);
    }
    // A straight label from s to e with the given text, appended to the list.
    int addLabel(MapPoint s, MapPoint e, const std::string& text = "") {
        Label label;
        initFromDrag(label, s, e);
        layoutLetters(label);
        for (char c : text) addLetter(label, c);
        ed.labels.push_back(label);
        return static_cast<int>(ed.labels.size()) - 1;
    }
    void key(int sym, unsigned unicode = 0, int mod = 0, int currentMod = 0) {
        handleKeyDown(ed, sym, mod, unicode, currentMod);
    }
    void typeText(const std::string& text) {
        for (char c : text) key(c, static_cast<unsigned char>(c));
    }
    // The window pixel of a map point in the current frame.
    MapPoint pixel(MapPoint m) const { return projectToWindow(ed.view, m); }
    void press(int button, MapPoint m) {
        MapPoint p = pixel(m);
        handleButtonDown(ed, button, static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y)));
    }
    void dragTo(int held, MapPoint m, int xrel = 1, int yrel = 1) {
        MapPoint p = pixel(m);
        handleMotion(ed, held, static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y)), xrel,
                     yrel, 0);
    }
};

// A fresh temporary working directory for the test, left again at the end.
struct TempDir {
    fs::path old;
    fs::path dir;
    TempDir() {
        old = fs::current_path();
        char templ[] = "/tmp/vt_app_test_XXXXXX";
        dir = mkdtemp(templ);
        fs::current_path(dir);
    }
    ~TempDir() {
        fs::current_path(old);
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

void writeFile(const fs::path& p, const std::string& text) {
    if (p.has_parent_path()) fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
}

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string newestMessage(const MessageLog& log) {
    auto list = messagesNewestFirst(log);
    return list.empty() ? std::string() : list.front();
}

}  // namespace

TEST(Input, TabWalksTheLabelsAndCentresTheView) {
    TestEditor t;
    // No labels: Tab does nothing.
    t.key(keys::TAB);
    EXPECT_EQ(t.ed.app.selected, -1);
    EXPECT_EQ(t.ed.view.panX, 0.0f);

    t.addLabel({10, 10}, {30, 10});
    t.addLabel({40, 40}, {60, 60});
    t.addLabel({70, 20}, {90, 20});
    t.key(keys::TAB);
    EXPECT_EQ(t.ed.app.selected, 0);
    t.key(keys::TAB);
    EXPECT_EQ(t.ed.app.selected, 1);
    t.key(keys::TAB, 0, 0, 0x0001);  // left shift held
    EXPECT_EQ(t.ed.app.selected, 0);
    t.key(keys::TAB, 0, 0, 0x0002);  // right shift held, wraps to the last
    EXPECT_EQ(t.ed.app.selected, 2);
    t.key(keys::TAB);
    EXPECT_EQ(t.ed.app.selected, 0);

    // The selected label's centre is now in the middle of the window, and the
    // zoom makes its extent (10) fill 40 % of the window height on each side.
    t.key(keys::TAB);
    computeViewMatrices(t.ed.view, t.ed.terrain);
    MapPoint mid = unprojectMouse(t.ed.view, 250, 250);
    EXPECT_NEAR(mid.x, 50.0f, 0.2f);
    EXPECT_NEAR(mid.y, 50.0f, 0.2f);
    MapPoint top = unprojectMouse(t.ed.view, 250, 50);
    EXPECT_NEAR(std::fabs(top.y - 50.0f), 10.0f, 0.2f);

    // Nothing selected: shift-Tab takes the last but one label.
    t.key(keys::RETURN);
    EXPECT_EQ(t.ed.app.selected, -1);
    t.key(keys::TAB, 0, 0, MOD_SHIFT);
    EXPECT_EQ(t.ed.app.selected, 1);
    t.key(keys::RETURN);
    t.key(keys::TAB);
    EXPECT_EQ(t.ed.app.selected, 0);

    // With one label shift-Tab from nothing selects label 0.
    TestEditor one;
    one.addLabel({10, 10}, {30, 10});
    one.key(keys::TAB, 0, 0, MOD_SHIFT);
    EXPECT_EQ(one.ed.app.selected, 0);
    EXPECT_FALSE(one.ed.app.changed);
}

TEST(Input, TypingEraseAndDelete) {
    TestEditor t;
    t.addLabel({10, 10}, {40, 10});
    t.addLabel({10, 50}, {40, 50}, "xy");
    t.key(keys::TAB);
    t.typeText("Ab -");
    EXPECT_EQ(labelText(t.ed.labels[0]), "Ab -");
    EXPECT_TRUE(t.ed.app.changed);

    // Characters the atlas does not hold, codes above 255 and ctrl combinations type nothing.
    t.key('w', 'w');
    t.key('1', '1');
    t.key(0, 0x263A);
    t.key(keys::I, 9, MOD_CTRL);  // ctrl-i reports the control character 9
    t.key(keys::TAB, 9);
    EXPECT_EQ(labelText(t.ed.labels[0]), "Ab -");
    EXPECT_EQ(t.ed.labels[0].italic, 1);
    EXPECT_EQ(t.ed.app.selected, 1) << "Tab moved on to the next label";

    // Back on label 0: Backspace and Delete take the last letters, then the label.
    t.key(keys::TAB);
    ASSERT_EQ(t.ed.app.selected, 0);
    t.ed.app.changed = false;
    t.key(keys::BACKSPACE, 8);
    EXPECT_EQ(labelText(t.ed.labels[0]), "Ab ");
    EXPECT_TRUE(t.ed.app.changed);
    t.key(keys::DELETE, 127);
    t.key(keys::BACKSPACE, 8);
    t.key(keys::BACKSPACE, 8);
    EXPECT_EQ(labelText(t.ed.labels[0]), "");
    ASSERT_EQ(t.ed.labels.size(), 2u);
    t.key(keys::BACKSPACE, 8);
    ASSERT_EQ(t.ed.labels.size(), 1u);
    EXPECT_EQ(t.ed.app.selected, -1);
    EXPECT_EQ(labelText(t.ed.labels[0]), "xy");

    // Without a selection typing and erasing do nothing.
    t.ed.app.changed = false;
    t.typeText("ab");
    t.key(keys::BACKSPACE, 8);
    EXPECT_EQ(labelText(t.ed.labels[0]), "xy");
    EXPECT_FALSE(t.ed.app.changed);
}

TEST(Input, AttributeKeys) {
    TestEditor t;
    t.addLabel({10, 10}, {40, 10}, "abc");
    t.addLabel({10, 50}, {40, 50}, "Mixed Text");
    t.ed.app.selected = 0;

    // Visibility moves in steps of 5 and stays within 10..100.
    t.ed.labels[0].visibility = 98;
    applyAttributes(t.ed.labels[0]);
    t.key(keys::PAGE_DOWN);
    EXPECT_EQ(t.ed.labels[0].visibility, 100);
    EXPECT_EQ(t.ed.labels[0].letters[2].alpha, t.ed.labels[0].letters[0].alpha);
    t.ed.labels[0].visibility = 12;
    t.key(keys::PAGE_UP);
    EXPECT_EQ(t.ed.labels[0].visibility, 10);
    t.key(keys::PAGE_DOWN);
    EXPECT_EQ(t.ed.labels[0].visibility, 15);
    EXPECT_TRUE(t.ed.app.changed);

    // ctrl-v before any ctrl-c keeps the attributes, but re-applies them to the letters.
    t.ed.labels[0].size = 2.5f;
    t.ed.labels[0].letters[1].size = 7.0f;
    t.key(keys::V, 22, MOD_CTRL);
    EXPECT_EQ(t.ed.labels[0].size, 2.5f);
    EXPECT_EQ(t.ed.labels[0].visibility, 15);
    EXPECT_EQ(t.ed.labels[0].letters[1].size, 2.5f);

    // ctrl-c copies without marking a change; ctrl-v puts the copy on another label.
    t.ed.app.changed = false;
    t.key(keys::C, 3, 0x0040);
    EXPECT_TRUE(t.ed.app.clipboardValid);
    EXPECT_FALSE(t.ed.app.changed);
    t.key(keys::TAB);
    ASSERT_EQ(t.ed.app.selected, 1);
    t.key(keys::V, 22, 0x0080);
    EXPECT_EQ(t.ed.labels[1].size, 2.5f);
    EXPECT_EQ(t.ed.labels[1].visibility, 15);
    EXPECT_TRUE(t.ed.app.changed);
    EXPECT_EQ(labelText(t.ed.labels[1]), "Mixed Text");

    // Without ctrl the letters type instead of running the command.
    t.key(keys::P, 'p');
    EXPECT_EQ(labelText(t.ed.labels[1]), "Mixed Textp");
    t.key(keys::BACKSPACE, 8);
    t.ed.app.activeNode = 2;
    t.key(keys::P, 16, MOD_CTRL);
    EXPECT_EQ(labelText(t.ed.labels[1]), "MIXED TEXT");
    EXPECT_EQ(t.ed.app.activeNode, -1);
    t.ed.app.activeNode = 1;
    MapPoint start = t.ed.labels[1].nodes[0];
    t.key(keys::F, 6, MOD_CTRL);
    EXPECT_EQ(t.ed.app.activeNode, -1);
    EXPECT_EQ(t.ed.labels[1].nodes[3].x, start.x);
    EXPECT_EQ(t.ed.labels[1].nodes[3].y, start.y);
}

TEST(Input, CountDuplicatesMessage) {
    TestEditor t;
    t.key(keys::D, 4, MOD_CTRL);
    EXPECT_EQ(newestMessage(t.ed.log), "In current config, 0 letters out of 0 can use duplicates");
    EXPECT_FALSE(t.ed.app.changed);

    // Two equal letters on flat ground can share one mesh; the space is not counted.
    t.addLabel({10, 10}, {40, 10}, "a a");
    t.ed.app.selected = 0;
    testing::internal::CaptureStdout();
    t.key(keys::D, 4, MOD_CTRL);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(newestMessage(t.ed.log), "In current config, 1 letters out of 2 can use duplicates");
    EXPECT_NE(out.find("Z="), std::string::npos);
    EXPECT_EQ(labelText(t.ed.labels[0]), "a a") << "ctrl-d does not type";
    EXPECT_FALSE(t.ed.app.changed);
}

TEST(Input, ArrowsPanAndWheelZooms) {
    TestEditor t;
    t.ed.view.zoom = 2.0f;
    t.ed.view.windowHeight = 400;
    const float step = 80.0f / (400 * 2.0f);
    t.key(keys::UP);
    EXPECT_FLOAT_EQ(t.ed.view.panY, step);
    t.key(keys::DOWN);
    t.key(keys::DOWN);
    EXPECT_FLOAT_EQ(t.ed.view.panY, -step);
    t.key(keys::RIGHT);
    EXPECT_FLOAT_EQ(t.ed.view.panX, step);
    t.key(keys::LEFT);
    t.key(keys::LEFT);
    EXPECT_FLOAT_EQ(t.ed.view.panX, -step);

    handleButtonDown(t.ed, BUTTON_WHEEL_UP, 10, 10);
    EXPECT_FLOAT_EQ(t.ed.view.zoom, 2.4f);
    handleButtonDown(t.ed, BUTTON_WHEEL_DOWN, 10, 10);
    handleButtonDown(t.ed, BUTTON_WHEEL_DOWN, 10, 10);
    EXPECT_FLOAT_EQ(t.ed.view.zoom, 2.0f / 1.2f);
    EXPECT_FALSE(t.ed.app.cursorShown) << "only the left button moves the readout";

    // A right-button drag moves the map 1.6 times as fast as the pointer.
    TestEditor r;
    handleMotion(r.ed, HELD_RIGHT, 300, 300, 10, -5, 0);
    EXPECT_FLOAT_EQ(r.ed.view.panX, -2.0f * 10 * 1.6f / (500 * 3.0f));
    EXPECT_FLOAT_EQ(r.ed.view.panY, 2.0f * -5 * 1.6f / (500 * 3.0f));
    EXPECT_FALSE(r.ed.app.creating);
}

TEST(Input, MiddleDragChangesSizeAndWidth) {
    TestEditor t;
    t.addLabel({10, 10}, {40, 10}, "ab");
    // Nothing selected: nothing changes.
    handleMotion(t.ed, HELD_MIDDLE, 100, 100, 0, 20, 0);
    EXPECT_EQ(t.ed.labels[0].size, 1.0f);
    EXPECT_FALSE(t.ed.app.changed);

    t.ed.app.selected = 0;
    handleMotion(t.ed, HELD_MIDDLE, 100, 100, 0, -10, 0);  // up by 10: +10 %
    EXPECT_FLOAT_EQ(t.ed.labels[0].size, 1.1f);
    EXPECT_FLOAT_EQ(t.ed.labels[0].letters[1].size, 1.1f);
    EXPECT_TRUE(t.ed.app.changed);
    handleMotion(t.ed, HELD_MIDDLE, 100, 100, 0, 60, 0);  // factor 0.4 is raised to 0.5
    EXPECT_FLOAT_EQ(t.ed.labels[0].size, 0.55f);
    handleMotion(t.ed, HELD_MIDDLE, 100, 100, 5, 0, 0);  // sideways: nothing
    EXPECT_FLOAT_EQ(t.ed.labels[0].size, 0.55f);

    // With shift the width changes instead; dragging up widens.
    handleMotion(t.ed, HELD_MIDDLE, 100, 100, 0, -30, MOD_SHIFT);
    EXPECT_EQ(t.ed.labels[0].width, 115);
    EXPECT_FLOAT_EQ(t.ed.labels[0].size, 0.55f);
    handleMotion(t.ed, HELD_MIDDLE, 100, 100, 0, 60, 0x0002);
    EXPECT_LT(t.ed.labels[0].width, 100);
}

TEST(Input, LeftDragCreatesAndReshapesLabels) {
    TestEditor t;
    // A plain click far from everything: no label, readout at the click.
    t.press(BUTTON_LEFT, {20, 20});
    handleButtonUp(t.ed, BUTTON_LEFT);
    EXPECT_TRUE(t.ed.labels.empty());
    EXPECT_TRUE(t.ed.app.cursorShown);
    EXPECT_NEAR(t.ed.app.cursorPos.x, 20.0f, 0.1f);
    EXPECT_NEAR(t.ed.app.cursorPos.y, 20.0f, 0.1f);
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
    EXPECT_EQ(t.ed.app.selected, 0);
    EXPECT_FALSE(t.ed.app.creating);
    EXPECT_TRUE(t.ed.app.changed);
    const Label& made = t.ed.labels[0];
    EXPECT_NEAR(made.nodes[0].x, 20.0f, 0.1f);
    EXPECT_NEAR(made.nodes[0].y, 20.0f, 0.1f);
    EXPECT_NEAR(made.nodes[3].x, 40.0f, 0.1f);
    EXPECT_NEAR(made.nodes[3].y, 30.0f, 0.1f);
    // Picking works on the new label before any frame has been drawn.
    EXPECT_NEAR(distanceToCurve(made, {30, 25}), 0.0f, 0.2f);
    handleButtonDown(t.ed, BUTTON_LEFT, 0, 0);
    handleButtonUp(t.ed, BUTTON_LEFT);
    EXPECT_EQ(t.ed.app.selected, -1);
    t.press(BUTTON_LEFT, {30, 25});
    EXPECT_EQ(t.ed.app.selected, 0);
    handleButtonUp(t.ed, BUTTON_LEFT);

    // Grab the end node and move it; the letters follow.
    t.typeText("ab");
    t.press(BUTTON_LEFT, {40, 30});
    EXPECT_EQ(t.ed.app.selected, 0);
    EXPECT_EQ(t.ed.app.activeNode, 3);
    t.dragTo(HELD_LEFT, {60, 30});
    EXPECT_NEAR(t.ed.labels[0].nodes[3].x, 60.0f, 0.1f);
    EXPECT_NEAR(t.ed.labels[0].letters[1].position.x, pointAt(t.ed.labels[0], 0.75f).x, 2.0f);
    EXPECT_GT(t.ed.labels[0].letters[1].position.x, 40.0f);
    handleButtonUp(t.ed, BUTTON_LEFT);
    EXPECT_EQ(t.ed.app.activeNode, -1);
    EXPECT_EQ(t.ed.app.selected, 0);
    EXPECT_EQ(t.ed.labels.size(), 1u);

    // A press on the curve selects without grabbing: dragging moves nothing.
    const MapPoint before = t.ed.labels[0].nodes[3];
    t.press(BUTTON_LEFT, pointAt(t.ed.labels[0], 0.5f));
    EXPECT_EQ(t.ed.app.selected, 0);
    EXPECT_EQ(t.ed.app.activeNode, -1);
    t.dragTo(HELD_LEFT, {90, 90});
    EXPECT_EQ(t.ed.labels[0].nodes[3].x, before.x);
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
    EXPECT_EQ(t.ed.app.selected, 0);
    EXPECT_FALSE(t.ed.app.creating);

    // Releasing the right button during a left drag adds the label at once; the
    // left release that follows adds nothing more.
    TestEditor r;
    r.addLabel({80, 80}, {90, 90});
    r.press(BUTTON_LEFT, {20, 20});
    EXPECT_EQ(r.ed.app.selected, -1);
    r.dragTo(HELD_LEFT | HELD_RIGHT, {40, 20}, 0, 0);
    handleButtonUp(r.ed, BUTTON_RIGHT);
    ASSERT_EQ(r.ed.labels.size(), 2u);
    EXPECT_EQ(r.ed.app.selected, 1);
    handleButtonUp(r.ed, BUTTON_LEFT);
    EXPECT_EQ(r.ed.labels.size(), 2u);
}

TEST(Input, KeysThatChangeTheSelectionLetGoOfTheNode) {
    // With a node grabbed and the left button still held, Return, Tab or erasing
    // the label must not leave the grab on whatever label is selected next.
    for (int sym : {keys::RETURN, keys::TAB, keys::BACKSPACE}) {
        TestEditor t;
        t.addLabel({20, 20}, {40, 20});
        t.addLabel({20, 60}, {40, 60});
        t.ed.app.selected = 0;
        t.press(BUTTON_LEFT, {40, 20});
        ASSERT_EQ(t.ed.app.activeNode, 3) << sym;
        t.key(sym);
        EXPECT_EQ(t.ed.app.activeNode, -1) << sym;
        const MapPoint other = t.ed.labels.back().nodes[3];
        t.dragTo(HELD_LEFT, {70, 90});
        EXPECT_EQ(t.ed.labels.back().nodes[3].x, other.x) << sym;
        handleButtonUp(t.ed, BUTTON_LEFT);
    }
}

TEST(Input, RedrawRequests) {
    TestEditor t;
    for (int sym : {303, 304, 305, 306}) t.key(sym, 0, MOD_SHIFT);
    EXPECT_EQ(t.ed.redrawRequests, 0);
    t.key(291);  // F10: no command, still redrawn
    EXPECT_EQ(t.ed.redrawRequests, 1);
    t.ed.redrawRequests = 0;
    handleButtonDown(t.ed, BUTTON_MIDDLE, 1, 1);
    EXPECT_GE(t.ed.redrawRequests, 1);
    t.ed.redrawRequests = 0;
    handleButtonUp(t.ed, BUTTON_MIDDLE);
    EXPECT_GE(t.ed.redrawRequests, 1);
    t.ed.redrawRequests = 0;
    handleMotion(t.ed, 0, 5, 5, 1, 1, 0);  // no button held
    EXPECT_EQ(t.ed.redrawRequests, 0);
    handleMotion(t.ed, HELD_RIGHT, 5, 5, 1, 1, 0);
    EXPECT_GE(t.ed.redrawRequests, 1);
    t.ed.redrawRequests = 0;
    t.key(keys::F1);
    EXPECT_TRUE(t.ed.app.helpVisible);
    EXPECT_GE(t.ed.redrawRequests, 1);
    t.key(keys::F1);
    EXPECT_FALSE(t.ed.app.helpVisible);
}

TEST(Input, QuitAndThePrompt) {
    TempDir tmp;
    // Nothing changed: Esc ends at once.
    {
        TestEditor t;
        t.key(keys::ESCAPE, 27);
        EXPECT_TRUE(t.ed.done);
        EXPECT_FALSE(t.ed.app.quitAsked);
        EXPECT_FALSE(fs::exists("savedData.txt"));
    }
    // Unsaved changes: Esc asks; "c" cancels and the next Esc asks again; "n" ends without saving.
    {
        TestEditor t;
        t.addLabel({10, 10}, {30, 10}, "ab");
        t.ed.app.changed = true;
        t.key(keys::ESCAPE, 27);
        EXPECT_FALSE(t.ed.done);
        EXPECT_TRUE(t.ed.app.quitAsked);

        // During the prompt: keys only answer, motion and releases are ignored,
        // button presses still act.
        t.ed.app.selected = 0;
        t.key('a', 'a');
        t.key(keys::BACKSPACE, 8);
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

        t.key('c', 'c');
        EXPECT_FALSE(t.ed.app.quitAsked);
        EXPECT_FALSE(t.ed.done);
        EXPECT_TRUE(t.ed.app.changed);
        EXPECT_EQ(newestMessage(t.ed.log), "(quit canceled)");
        t.key(keys::ESCAPE, 27);
        EXPECT_TRUE(t.ed.app.quitAsked);
        EXPECT_FALSE(t.ed.done);
        t.key('N', 'N');
        EXPECT_TRUE(t.ed.done);
        EXPECT_FALSE(fs::exists("savedData.txt"));
    }
    // A second Esc, and closing the window during the prompt, end without saving.
    for (bool closeWindow : {false, true}) {
        TestEditor t;
        t.ed.app.changed = true;
        handleQuitEvent(t.ed);
        EXPECT_TRUE(t.ed.app.quitAsked);
        EXPECT_FALSE(t.ed.done);
        if (closeWindow)
            handleQuitEvent(t.ed);
        else
            t.key(keys::ESCAPE, 27);
        EXPECT_TRUE(t.ed.done);
        EXPECT_FALSE(fs::exists("savedData.txt"));
    }
    // "y" saves and ends.
    {
        TestEditor t;
        t.addLabel({10, 10}, {30, 10}, "ab");
        t.ed.app.changed = true;
        t.key(keys::ESCAPE, 27);
        t.key('y', 'y');
        EXPECT_TRUE(t.ed.done);
        EXPECT_FALSE(t.ed.app.changed);
        std::string saved = readFile("savedData.txt");
        EXPECT_EQ(saved.rfind("v1\n1\na b | ", 0), 0u) << saved;
    }
    // "Y" with a save that fails: the labels must not be lost, so the program goes
    // on with the prompt closed, the failure on screen and the change kept.
    {
        TestEditor t;
        t.addLabel({10, 10}, {30, 10}, "abc");
        t.ed.app.changed = true;
        t.key(keys::ESCAPE, 27);
        const std::string before = readFile("savedData.txt");
        setWriteFailureAfter(0);
        t.key('Y', 'Y');
        setWriteFailureAfter(-1);
        EXPECT_FALSE(t.ed.done);
        EXPECT_FALSE(t.ed.app.quitAsked);
        EXPECT_TRUE(t.ed.app.changed);
        EXPECT_EQ(newestMessage(t.ed.log), "Cannot save internal file?!");
        EXPECT_EQ(readFile("savedData.txt"), before);
        // Once the cause is gone, F2 saves.
        t.key(keys::F2);
        EXPECT_FALSE(t.ed.app.changed);
        EXPECT_EQ(newestMessage(t.ed.log), "All label saved. Will be loaded at the next run.");
        EXPECT_EQ(readFile("savedData.txt").rfind("v1\n1\na b c | ", 0), 0u);
        t.key(keys::ESCAPE, 27);
        EXPECT_TRUE(t.ed.done);
    }
}

TEST(Input, SaveFailureKeepsChanged) {
    TempDir tmp;
    TestEditor t;
    t.addLabel({10, 10}, {30, 10}, "ab");
    t.ed.app.changed = true;
    setWriteFailureAfter(0);
    t.key(keys::F2);
    setWriteFailureAfter(-1);
    EXPECT_TRUE(t.ed.app.changed);
    EXPECT_EQ(newestMessage(t.ed.log), "Cannot save internal file?!");
    EXPECT_FALSE(fs::exists("savedData.txt"));
}

TEST(Input, ResizeKeepsAUsableSize) {
    TestEditor t;
    handleResize(t.ed, 1000, 400);
    EXPECT_EQ(t.ed.view.windowWidth, 1000);
    EXPECT_EQ(t.ed.view.windowHeight, 400);
    handleResize(t.ed, 0, -3);
    EXPECT_EQ(t.ed.view.windowWidth, 1);
    EXPECT_EQ(t.ed.view.windowHeight, 1);
    t.key(keys::UP);
    EXPECT_TRUE(std::isfinite(t.ed.view.panY));
}

TEST(Startup, BatchSwitchIsExactlyTheFirstArgument) {
    const char* plain[] = {"veltrune"};
    const char* batch[] = {"veltrune", "-b"};
    const char* longer[] = {"veltrune", "-bx"};
    const char* second[] = {"veltrune", "x", "-b"};
    const char* batchMore[] = {"veltrune", "-b", "x"};
    EXPECT_FALSE(isBatchSwitch(1, plain));
    EXPECT_TRUE(isBatchSwitch(2, batch));
    EXPECT_FALSE(isBatchSwitch(2, longer));
    EXPECT_FALSE(isBatchSwitch(3, second));
    EXPECT_TRUE(isBatchSwitch(3, batchMore));
}

namespace {

const char* const CONFIG_TEXT =
    "module_path = \"Mod/\"\n"
    "texture_size = 256 x 128\n"
    "font = \"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf\"\n"
    "charset = \"abc \"\n"
    "mip_map = [100,90]\n";

const char* const MAP_TEXT =
    "4\n0 0 5\n100 0 5\n100 100 8\n0 100 8\n"
    "2\n3 0 0 0 1 2\n7 0 0 0 2 3\n";

const char* const PARTIES_TEXT =
    "partiesfile version 1\n"
    "1\n"
    " 1 0 0 p_town Town 0 0 3 0 0 0 0 0 0 25.000000 30.000000 25.0 30.0 0.0 \n"
    "0.0\n";

const char* const ICONS_TEXT = "map_icons_file version 1\n1\nicon_a 0 mesh_a 1.0 0 0 0 0 0\n\n\n";

}  // namespace

TEST(Startup, FilesBeforeTheWindow) {
    TempDir tmp;
    // No configuration file: start-up ends with the reader's message.
    {
        Editor ed;
        testing::internal::CaptureStdout();
        EXPECT_FALSE(readStartupFiles(ed));
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "Wrong or missing config file \"Veltrune.cfg\"!\n");
    }
    writeFile("Veltrune.cfg", CONFIG_TEXT);
    writeFile("savedData.txt", "v1\n1\na b | 10 10 0.33 0 0.66 0 30 10 1.0 35 100 0 0\n");
    Editor ed;
    ed.app.changed = true;
    ASSERT_TRUE(readStartupFiles(ed));
    EXPECT_EQ(ed.config.module_path, "Mod/");
    ASSERT_EQ(ed.labels.size(), 1u);
    EXPECT_EQ(labelText(ed.labels[0]), "ab");
    EXPECT_FALSE(ed.app.changed);

    // No map: start-up ends (the reader says why).
    testing::internal::CaptureStdout();
    EXPECT_FALSE(prepareInteractive(ed));
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Cannot open map"), std::string::npos) << out;
    releaseGlyphAtlas(ed.atlas);

    // A map but no parties: the readme message. The missing colour file is
    // written with the map's terrain types and read at once.
    writeFile("Mod/map.txt", MAP_TEXT);
    Editor ed2;
    ASSERT_TRUE(readStartupFiles(ed2));
    testing::internal::CaptureStdout();
    EXPECT_FALSE(prepareInteractive(ed2));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Cannot find parties.orig.txt.\nRead the readme!\n");
    EXPECT_TRUE(fs::exists("mapcolors.txt"));
    EXPECT_GT(ed2.colors.version, 0u);
    EXPECT_TRUE(atlasHasChar(ed2.atlas, 'a'));
    EXPECT_FALSE(atlasHasChar(ed2.atlas, 'd'));
    releaseGlyphAtlas(ed2.atlas);

    // Everything there: start-up goes on, with the party positions read.
    writeFile("Mod/parties.orig.txt", PARTIES_TEXT);
    const std::string colors = readFile("mapcolors.txt");
    Editor ed3;
    ASSERT_TRUE(readStartupFiles(ed3));
    ASSERT_TRUE(prepareInteractive(ed3));
    ASSERT_EQ(ed3.terrain.partyPositions.size(), 1u);
    EXPECT_EQ(ed3.terrain.partyPositions[0].x, 25.0f);
    EXPECT_EQ(ed3.terrain.faces.size(), 2u);
    EXPECT_EQ(readFile("mapcolors.txt"), colors) << "an existing colour file is kept";
    releaseGlyphAtlas(ed3.atlas);
}

TEST(Startup, BatchExport) {
    TempDir tmp;
    writeFile("Veltrune.cfg", CONFIG_TEXT);
    writeFile("savedData.txt", "v1\n1\na b | 10 10 0.33 0 0.66 0 30 10 1.0 35 100 0 0\n");
    writeFile("Mod/parties.orig.txt", PARTIES_TEXT);
    writeFile("Mod/map_icons.orig.txt", ICONS_TEXT);
    fs::create_directories("Mod/Resource");
    fs::create_directories("Mod/textures");

    // Without the map the export still runs, on flat terrain, and says so.
    {
        Editor ed;
        ASSERT_TRUE(readStartupFiles(ed));
        testing::internal::CaptureStdout();
        runBatchExport(ed);
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_NE(out.find("Batch mode exports the labels on flat terrain."), std::string::npos) << out;
        releaseGlyphAtlas(ed.atlas);
        std::string log = readFile("log.txt");
        EXPECT_EQ(log.rfind("(4/4) Exported \"textures\\map_names.dds\"", 0), 0u) << log;
        EXPECT_NE(log.find("(3/4) Exported \"parties.txt\" file! (2 new objects, 3 in total)"), std::string::npos)
            << log;
        EXPECT_NE(log.find("(1/4) Exported resource file"), std::string::npos) << log;
        EXPECT_TRUE(fs::exists("Mod/Resource/map_names.brf"));
        EXPECT_TRUE(fs::exists("Mod/textures/map_names.dds"));
        EXPECT_TRUE(fs::exists("Mod/map_icons.txt"));
    }

    // With the map the letters of a batch export match those of the editor's F12:
    // the same atlas and terrain give the same parties file.
    writeFile("Mod/map.txt", MAP_TEXT);
    std::string batchParties, batchBrf;
    {
        Editor ed;
        ASSERT_TRUE(readStartupFiles(ed));
        testing::internal::CaptureStdout();
        runBatchExport(ed);
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(out.find("flat terrain"), std::string::npos);
        releaseGlyphAtlas(ed.atlas);
        batchParties = readFile("Mod/parties.txt");
        batchBrf = readFile("Mod/Resource/map_names.brf");
    }
    {
        Editor ed;
        ASSERT_TRUE(readStartupFiles(ed));
        ASSERT_TRUE(prepareInteractive(ed));
        testing::internal::CaptureStdout();
        handleKeyDown(ed, keys::F12, 0, 0, 0);
        testing::internal::GetCapturedStdout();
        releaseGlyphAtlas(ed.atlas);
        EXPECT_EQ(readFile("Mod/parties.txt"), batchParties);
        EXPECT_EQ(readFile("Mod/Resource/map_names.brf"), batchBrf);
        EXPECT_FALSE(ed.app.changed);
    }
}

TEST(Startup, OneProcessWideEditor) {
    // The program's instance starts as a fresh editor.
    EXPECT_EQ(editor.app.selected, -1);
    EXPECT_FLOAT_EQ(editor.view.zoom, 3.0f);
    EXPECT_EQ(editor.view.windowWidth, 500);
    EXPECT_EQ(editor.view.windowHeight, 500);
    EXPECT_TRUE(editor.labels.empty());
    EXPECT_FALSE(editor.done);
}
