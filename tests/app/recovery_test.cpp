// The recovery copy: when it is written, what it holds, when it goes, and what a
// start-up does with it.
#include "app/recovery.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "../test_support.h"
#include "editor_fixture.h"
#include "platform/platform.h"

namespace {

using test_support::readBytes;

// The rule over a clock the test sets: interval 60, the copy holding revision 4.
TEST(Recovery, WhenACopyIsDue) {
    struct Case {
        const char* what;
        bool unsaved;
        unsigned long revision;
        bool dragging;
        double lastAttempt, now, wait;
    };
    const Case cases[] = {
        {"nothing unsaved", false, 5, false, -INFINITY, 100, -1},
        {"unsaved, but the copy holds it", true, 4, false, 30, 100, -1},
        {"the first unsaved change: at once", true, 5, false, -INFINITY, 100, 0},
        {"10 s after the last write", true, 5, false, 90, 100, 50},
        {"an interval after the last write", true, 5, false, 40, 100, 0},
        {"long after", true, 5, false, 0, 1000, 0},
        {"during a drag", true, 5, true, -INFINITY, 100, -1},
    };
    for (const Case& c : cases) {
        RecoveryState r;
        r.written = 4;
        r.lastAttempt = c.lastAttempt;
        EXPECT_EQ(recoveryWait(r, c.unsaved, c.revision, c.dragging, c.now), c.wait) << c.what;
        EXPECT_EQ(recoveryDue(r, c.unsaved, c.revision, c.dragging, c.now), c.wait == 0) << c.what;
    }
}

// Through the editor: typed letters reach the copy within an interval, F2 removes
// it, and a copy that cannot be written says so once while editing goes on.
TEST(Recovery, EditorKeepsTheCopyAndDropsItOnSave) {
    test_support::TempDir dir;
    TestEditor t;
    t.ed.store.path = dir / "savedData.txt";
    t.ed.recovery.path = dir / RECOVERY_FILE;
    t.addLabel({20, 20}, {60, 20});
    t.ed.app.selected = 0;
    const auto copy = [&] { return readBytes(t.ed.recovery.path); };

    t.typeText("a");
    ASSERT_GT(t.ed.history.revision, 0u);
    keepLabelsSafe(t.ed, 0);
    EXPECT_EQ(copy(), toPlatformLineEnds(storeText(t.ed.labels)));
    t.typeText("b");
    keepLabelsSafe(t.ed, 59);
    EXPECT_EQ(copy().find("a b"), std::string::npos) << copy();  // not yet
    keepLabelsSafe(t.ed, 60);
    EXPECT_NE(copy().find("a b"), std::string::npos) << copy();
    t.key(Key::F2);
    EXPECT_FALSE(fileExists(t.ed.recovery.path));
    EXPECT_EQ(readBytes(t.ed.store.path), toPlatformLineEnds(storeText(t.ed.labels)));
    keepLabelsSafe(t.ed, 500);  // saved: nothing to keep
    EXPECT_FALSE(fileExists(t.ed.recovery.path));

    // A folder where the copy would go: one message over two failed attempts.
    std::filesystem::create_directory(t.ed.recovery.path);
    const size_t before = messagesNewestFirst(t.ed.log).size();
    for (double now : {600.0, 630.0, 660.0}) {
        t.typeText("c");
        keepLabelsSafe(t.ed, now);
    }
    EXPECT_EQ(t.ed.labels[0].letters.size(), 5u);
    const auto said = messagesNewestFirst(t.ed.log);
    ASSERT_EQ(said.size(), before + 1);
    EXPECT_EQ(said.front().rfind("Cannot write the recovery copy \"" + t.ed.recovery.path + "\"", 0), 0u) << said.front();
    EXPECT_TRUE(std::filesystem::is_directory(t.ed.recovery.path));
}

// At start-up a sound copy stands in for the store; a damaged one never does and
// is kept aside.
TEST(Recovery, StartUpTakesASoundCopyAndKeepsADamagedOneAside) {
    test_support::TempDir dir;
    const std::string saved = "v1\n1\nS |  0 0 0.33 0 0.66 0 10 0 1.0 35 100 0 0\n", copyPath = dir / RECOVERY_FILE;
    const std::string two = "v1\n2\nA |  0 0 0.33 0 0.66 0 10 0 1.0 35 100 0 0\nB |  0 5 0.33 0 0.66 0 10 5 1.0 35 100 0 0\n";
    for (const std::string& copyText : {two, two.substr(0, two.size() - 30)}) {
        const bool sound = copyText == two;
        test_support::writeBytes(dir / "savedData.txt", saved);
        test_support::writeBytes(copyPath, copyText);
        LabelList labels;
        LabelStore store;
        store.path = dir / "savedData.txt";
        loadLabels(labels, store);
        RecoveryState r;
        r.path = copyPath;
        Report said;
        EXPECT_EQ(recoverLabels(r, labels, store, said), sound);
        ASSERT_EQ(std::pair(labels.size(), said.messages.size()), std::pair(sound ? size_t{2} : size_t{1}, size_t{1}));
        EXPECT_EQ(labelText(labels[0]), sound ? "A" : "S");
        const std::string message = sound ? "Recovered 2 labels from a session that did not end (\"" + copyPath +
                                                "\"): F2 keeps them, Esc and N go back to the saved labels"
                                          : "The recovery copy \"" + copyPath + "\" is damaged (";
        EXPECT_EQ(said.messages[0].rfind(message, 0), 0u) << said.messages[0];
        EXPECT_EQ(fileExists(r.path), sound);
        EXPECT_EQ(readBytes(r.path + ".bak"), sound ? "<missing>" : copyText);
        EXPECT_EQ(readBytes(store.path), saved);
    }
}

}  // namespace
