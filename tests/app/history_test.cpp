// Undo and redo through the key and mouse handlers: what one step is, exact
// restoring, the selection afterwards, redo dropped by a new step, drags ended
// by ctrl-z, the memory limit, and random edit sequences undone and redone whole.
#include "app/history.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "../test_support.h"
#include "editor_fixture.h"

namespace {

constexpr int SHIFT = 0x0001;

void undo(TestEditor& t) { t.key(Key::Z, MOD_CTRL); }
void redo(TestEditor& t, bool shiftZ = false) { shiftZ ? t.key(Key::Z, MOD_CTRL | SHIFT) : t.key(Key::Y, MOD_CTRL); }

// The index of the first label that differs in any field, -1 when the lists are equal.
int firstDifference(const LabelList& a, const LabelList& b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i)
        if (!sameLabel(a[i], b[i])) return static_cast<int>(i);
    return a.size() == b.size() ? -1 : static_cast<int>(n);
}

TEST(History, EachCommandIsOneStepAndUndoRestoresIt) {
    test_support::WorkDir work;
    test_support::QuietStdout quiet;  // ctrl-d prints its height trace
    TestEditor t;
    t.addLabel({30, 40}, {60, 40}, "ab");
    t.addLabel({30, 60}, {60, 60}, "Mixed");
    t.ed.labels[1].size = 2.0f;
    t.ed.labels[1].width = 130;
    applyAttributes(t.ed.labels[1]);
    History& h = t.ed.history;

    // Commands that change no label are no steps, nor are commands that change nothing.
    t.key(Key::Tab);
    t.key(Key::V, MOD_CTRL);  // no attributes copied yet: re-applied, unchanged
    t.key(Key::C, MOD_CTRL);
    t.key(Key::V, MOD_CTRL);  // its own attributes back
    for (Key key : {Key::Up, Key::F1, Key::F1, Key::Return, Key::Tab, Key::F2}) t.key(key);
    t.key(Key::D, MOD_CTRL);
    handleButtonDown(t.ed, BUTTON_WHEEL_UP, 250, 250);
    handleButtonUp(t.ed, BUTTON_WHEEL_UP);
    t.ed.labels[0].visibility = 10;
    applyAttributes(t.ed.labels[0]);
    t.key(Key::PageUp);  // at the limit
    handleMotion(t.ed, HELD_LEFT, 250, 250, 5, 5, 0);  // a left drag with no node grabbed
    EXPECT_EQ(h.steps.size(), 0u);

    // Each command below is one step; after each, the labels and the selection as they are then.
    std::vector<LabelList> states{t.ed.labels};
    std::vector<int> changedLabel;
    const auto step = [&](int label, auto command) {
        command();
        handleButtonUp(t.ed, BUTTON_LEFT);
        states.push_back(t.ed.labels);
        changedLabel.push_back(label);
        EXPECT_EQ(h.steps.size(), states.size() - 1) << "step " << changedLabel.size();
    };
    step(0, [&] { t.typeText("c"); });
    step(0, [&] { t.key(Key::PageDown); });
    step(0, [&] { t.key(Key::I, MOD_CTRL); });
    step(0, [&] { t.key(Key::F, MOD_CTRL); });
    step(0, [&] { t.key(Key::P, MOD_CTRL); });
    step(0, [&] { t.key(Key::Backspace); });
    step(0, [&] {  // a node drag with many motions
        t.press(BUTTON_LEFT, t.ed.labels[0].curve[3]);
        for (float x : {62.0f, 64.0f, 66.0f, 68.0f}) t.dragTo(HELD_LEFT, {x, 45});
    });
    step(0, [&] {  // a size drag with the middle button, and one for the width with shift
        for (int dy : {-5, -5, 3}) handleMotion(t.ed, HELD_MIDDLE, 250, 250, 0, dy, 0);
    });
    step(0, [&] {
        for (int dy : {-20, -20}) handleMotion(t.ed, HELD_MIDDLE, 250, 250, 0, dy, SHIFT);
    });
    step(1, [&] {  // attributes pasted from label 0 onto label 1
        t.key(Key::C, MOD_CTRL);
        t.key(Key::Tab);
        t.key(Key::V, MOD_CTRL);
    });
    step(2, [&] {  // a new label dragged out
        t.press(BUTTON_LEFT, {40, 30});
        for (float x : {45.0f, 50.0f, 55.0f}) t.dragTo(HELD_LEFT, {x, 30});
    });
    step(2, [&] { t.key(Key::Delete); });  // the empty new label goes
    EXPECT_EQ(t.ed.labels.size(), 2u);
    EXPECT_EQ(t.ed.labels[0].letters.size(), 2u);

    // Undo walks back through every state exactly, selecting the changed label
    // (none when the undo removed it) with no node grabbed; redo walks forwards.
    t.ed.app.activeNode = 2;
    for (size_t k = changedLabel.size(); k-- > 0;) {
        t.ed.app.changed = false;
        undo(t);
        EXPECT_EQ(firstDifference(t.ed.labels, states[k]), -1) << "undo of step " << k + 1;
        EXPECT_EQ(t.selected(), k == 10 ? -1 : changedLabel[k]) << "undo of step " << k + 1;
        EXPECT_EQ(t.ed.app.activeNode, -1);
        EXPECT_TRUE(t.ed.app.changed);
    }
    undo(t);  // nothing left
    EXPECT_EQ(firstDifference(t.ed.labels, states[0]), -1);
    for (size_t k = 0; k < changedLabel.size(); ++k) {
        redo(t, k % 2);
        EXPECT_EQ(firstDifference(t.ed.labels, states[k + 1]), -1) << "redo of step " << k + 1;
        EXPECT_EQ(t.selected(), k == 11 ? -1 : changedLabel[k]) << "redo of step " << k + 1;
    }
}

TEST(History, NewStepDropsRedoSaveAndPrompt) {
    test_support::WorkDir work;
    TestEditor t;
    t.addLabel({30, 40}, {60, 40}, "ab");
    t.key(Key::Tab);
    t.typeText("cd");
    undo(t);
    EXPECT_EQ(labelText(t.ed.labels[0]), "abc");
    // A new step drops the step that could have been redone.
    t.typeText("e");
    redo(t);
    EXPECT_EQ(labelText(t.ed.labels[0]), "abce");
    // F2 keeps the history; an undo after it is an unsaved change again, and works without a selection.
    t.key(Key::F2);
    EXPECT_FALSE(t.ed.app.changed);
    t.key(Key::Return);
    undo(t);
    EXPECT_EQ(labelText(t.ed.labels[0]), "abc");
    EXPECT_EQ(t.selected(), 0);
    EXPECT_TRUE(t.ed.app.changed);
    // While the save prompt is up, ctrl-z and ctrl-y do nothing.
    t.key(Key::Escape);
    ASSERT_TRUE(t.ed.app.quitAsked);
    undo(t);
    redo(t);
    EXPECT_EQ(labelText(t.ed.labels[0]), "abc");
    t.typeText("c");
    undo(t);
    undo(t);
    EXPECT_EQ(labelText(t.ed.labels[0]), "ab");
    EXPECT_EQ(t.ed.history.done, 0u);
}

TEST(History, DragsEndedByUndoOrAnyRelease) {
    // ctrl-z in the middle of a node drag takes the drag back; the node is let go
    // and further motion moves nothing until the release; ctrl-y brings the drag back.
    TestEditor t;
    t.addLabel({30, 40}, {60, 40}, "ab");
    t.ed.app.selected = 0;
    const LabelList before = t.ed.labels;
    t.press(BUTTON_LEFT, {60, 40});
    t.dragTo(HELD_LEFT, {62, 44});
    t.dragTo(HELD_LEFT, {64, 48});
    const LabelList dragged = t.ed.labels;
    undo(t);
    EXPECT_EQ(firstDifference(t.ed.labels, before), -1);
    EXPECT_EQ(t.ed.app.activeNode, -1);
    t.dragTo(HELD_LEFT, {66, 50});
    handleMotion(t.ed, HELD_MIDDLE, 250, 250, 0, -10, 0);
    EXPECT_EQ(firstDifference(t.ed.labels, before), -1);
    handleButtonUp(t.ed, BUTTON_LEFT);
    redo(t);
    EXPECT_EQ(firstDifference(t.ed.labels, dragged), -1);

    // ctrl-z while a new label is dragged out: the label is not added (ctrl-y adds
    // it), and the held button does not start another one.
    TestEditor c;
    c.press(BUTTON_LEFT, {40, 30});
    c.dragTo(HELD_LEFT, {50, 30});
    undo(c);
    EXPECT_FALSE(c.ed.app.creating);
    c.dragTo(HELD_LEFT, {55, 30});
    EXPECT_FALSE(c.ed.app.creating);
    handleButtonUp(c.ed, BUTTON_LEFT);
    EXPECT_TRUE(c.ed.labels.empty());
    redo(c);
    ASSERT_EQ(c.ed.labels.size(), 1u);
    EXPECT_EQ(c.selected(), 0);
    EXPECT_NEAR(c.ed.labels[0].nodes[3].x, 50.0f, 0.1f);

    // A wheel step (press and release) ends a middle drag: its two halves are two
    // steps; so are the parts of a drag before and after a typed letter.
    TestEditor m;
    m.addLabel({30, 40}, {60, 40}, "ab");
    m.ed.app.selected = 0;
    handleMotion(m.ed, HELD_MIDDLE, 250, 250, 0, -10, 0);
    handleButtonDown(m.ed, BUTTON_WHEEL_UP, 250, 250);
    handleButtonUp(m.ed, BUTTON_WHEEL_UP);
    handleMotion(m.ed, HELD_MIDDLE, 250, 250, 0, -10, 0);
    m.typeText("c");
    handleMotion(m.ed, HELD_MIDDLE, 250, 250, 0, -10, 0);
    handleButtonUp(m.ed, BUTTON_MIDDLE);
    EXPECT_EQ(m.ed.history.steps.size(), 4u);
    EXPECT_FLOAT_EQ(m.ed.labels[0].size, 1.1f * 1.1f * 1.1f);
    undo(m);
    EXPECT_FLOAT_EQ(m.ed.labels[0].size, 1.1f * 1.1f);
    EXPECT_EQ(labelText(m.ed.labels[0]), "abc");
}

TEST(History, MemoryLimitDropsTheOldestSteps) {
    // A thousand steps on a label of 500 letters are all kept.
    TestEditor t;
    t.addLabel({30, 40}, {60, 40}, std::string(500, 'a'));
    t.key(Key::Tab);
    for (int i = 0; i < 1000; ++i) t.key(i % 2 ? Key::PageUp : Key::PageDown);
    History& h = t.ed.history;
    EXPECT_EQ(h.steps.size(), 1000u);
    EXPECT_LE(h.bytes, HISTORY_BYTE_LIMIT);

    // With room for ten steps, the eleventh drops the oldest; undo goes back ten steps only.
    TestEditor s;
    s.addLabel({30, 40}, {60, 40}, "Tarn Vale ab");
    s.key(Key::Tab);
    s.key(Key::PageDown);  // visibility 40
    History& small = s.ed.history;
    small.byteLimit = 10 * stepBytes(small.steps.back());
    for (int i = 0; i < 10; ++i) s.key(Key::PageDown);  // 45 .. 90
    EXPECT_EQ(small.steps.size(), 10u);
    EXPECT_LE(small.bytes, small.byteLimit);
    for (int i = 0; i < 12; ++i) undo(s);
    EXPECT_EQ(s.ed.labels[0].visibility, 40);
    redo(s);
    EXPECT_EQ(s.ed.labels[0].visibility, 45);
    // A step larger than the whole limit is still kept, alone.
    small.byteLimit = 1;
    s.key(Key::PageUp);
    EXPECT_EQ(small.steps.size(), 1u);
    undo(s);
    EXPECT_EQ(s.ed.labels[0].visibility, 45);
}

// Random edits through the handlers: typing, erasing, attribute keys, labels dragged
// out, nodes dragged, size and width drags, selection keys, undo and redo in between
// (also in the middle of drags) and wheel steps that end drags.
struct RandomEditor {
    TestEditor t;
    std::mt19937 rng;
    int held = 0;  // buttons held, as motion bits
    explicit RandomEditor(uint32_t seed) : rng(seed) {
        t.addLabel({35, 40}, {60, 45}, "Brask Hold");
        t.addLabel({40, 60}, {65, 55}, "Eastmarch");
        t.addLabel({30, 30}, {31, 30});
    }
    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
    MapPoint somewhere() { return MapPoint{static_cast<float>(pick(300, 700)) / 10, static_cast<float>(pick(300, 700)) / 10}; }

    void event() {
        Editor& ed = t.ed;
        const int r = pick(0, 99);
        if (r < 30) {
            static const char typed[] = "abcdefghijklmnopqrstuvxyzABCDEFGHIJKLMNOPQRSTUVXYZ- ";
            const char c = typed[pick(0, static_cast<int>(sizeof typed) - 2)];
            t.typeText(std::string(1, c));
        } else if (r < 52) {
            static const std::pair<Key, int> commands[] = {{Key::Backspace, 0}, {Key::Delete, 0}, {Key::PageUp, 0},
                                                           {Key::PageDown, 0}, {Key::I, MOD_CTRL}, {Key::F, MOD_CTRL},
                                                           {Key::P, MOD_CTRL}, {Key::C, MOD_CTRL}, {Key::V, MOD_CTRL},
                                                           {Key::Tab, 0}, {Key::Return, 0}};
            const auto& [key, mod] = commands[pick(0, static_cast<int>(std::size(commands)) - 1)];
            t.key(key, mod);
        } else if (r < 58) {
            pick(0, 2) ? undo(t) : redo(t, pick(0, 1));
        } else if (r < 68) {
            // A left press: on a node of the selected label, or anywhere.
            const int k = pick(0, 3);
            const bool onNode = ed.app.selected >= 0 && pick(0, 1);
            t.press(BUTTON_LEFT, onNode ? ed.labels[static_cast<size_t>(ed.app.selected)].curve[k] : somewhere());
            held |= HELD_LEFT;
        } else if (r < 72) {
            handleButtonDown(ed, BUTTON_MIDDLE, 250, 250);
            held |= HELD_MIDDLE;
        } else if (r < 90) {
            t.dragTo(held | (pick(0, 4) ? 0 : HELD_RIGHT), somewhere(), pick(-3, 3), pick(-8, 8));
            if (held & HELD_MIDDLE) handleMotion(ed, held, 250, 250, 0, pick(-8, 8), pick(0, 1) ? SHIFT : 0);
        } else if (r < 97) {
            handleButtonUp(ed, held & HELD_LEFT ? BUTTON_LEFT : BUTTON_MIDDLE);
            held = 0;
        } else {
            handleButtonDown(ed, BUTTON_WHEEL_DOWN, 250, 250);
            handleButtonUp(ed, BUTTON_WHEEL_DOWN);
        }
    }
};

// A hash of the labels' nodes, attributes, and letters with their ids and places:
// enough to tell the states of a history apart.
size_t fingerprint(const LabelList& labels) {
    std::string bytes;
    const auto add = [&](const auto& v) { bytes.append(reinterpret_cast<const char*>(&v), sizeof v); };
    for (const Label& label : labels) {
        for (const MapPoint& node : label.nodes) add(node);
        add(label.size), add(label.visibility), add(label.italic), add(label.width), add(label.spare), add(label.widthDrag);
        for (const LabelLetter& letter : label.letters) add(letter.ch), add(letter.id), add(letter.position);
    }
    return std::hash<std::string>{}(bytes);
}

TEST(History, RandomEditsUndoneAndRedoneWhole) {
    const uint32_t seed = 20240923;
    const int events = 6000;
    std::printf("random edits: seed %u, %d events\n", seed, events);
    RandomEditor r(seed);
    Editor& ed = r.t.ed;
    History& h = ed.history;
    const LabelList start = ed.labels;
    // The labels at each point of the history, as seen between events with no drag open.
    std::vector<size_t> at{fingerprint(start)};
    for (int i = 0; i <= events; ++i) {
        i < events ? r.event() : handleButtonUp(ed, BUTTON_LEFT);
        at.resize(std::min(at.size(), h.done + 1), 0);
        if (!dragOpen(h) && at.size() <= h.done) at.resize(h.done + 1), at[h.done] = fingerprint(ed.labels);
    }
    const LabelList end = ed.labels;
    const size_t steps = h.done;
    EXPECT_GT(steps, 1000u);

    // Undo everything step by step, then redo everything: each state on the way is
    // the one the labels had at that point, the ends are equal field for field.
    int wrong = -1;
    while (h.done > 0 && wrong < 0) {
        undo(r.t);
        if (at[h.done] && at[h.done] != fingerprint(ed.labels)) wrong = static_cast<int>(h.done);
    }
    EXPECT_EQ(wrong, -1) << "undo to step " << wrong << ", seed " << seed;
    EXPECT_EQ(firstDifference(ed.labels, start), -1) << "seed " << seed;
    while (h.done < h.steps.size() && wrong < 0) {
        redo(r.t);
        if (at[h.done] && at[h.done] != fingerprint(ed.labels)) wrong = static_cast<int>(h.done);
    }
    EXPECT_EQ(wrong, -1) << "redo to step " << wrong << ", seed " << seed;
    EXPECT_EQ(h.done, steps);
    EXPECT_EQ(firstDifference(ed.labels, end), -1) << "seed " << seed;
}

}  // namespace
