#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "overlay/message_log.h"
#include "overlay/overlay.h"
#include "platform/platform.h"

namespace {

using Line = std::tuple<std::string, int, int, float>;

std::vector<Line> asTuples(const std::vector<OverlayText>& lines) {
    std::vector<Line> out;
    for (const OverlayText& l : lines) out.emplace_back(l.text, l.x, l.y, l.grey);
    return out;
}

std::string readAll(const std::string& path) {
    std::string s;
    EXPECT_TRUE(readBinaryFile(path, s)) << path;
    return s;
}

struct TempDir {
    std::filesystem::path path;
    TempDir() {
        char tmpl[] = "/tmp/vt_overlay_XXXXXX";
        path = mkdtemp(tmpl);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

}  // namespace

TEST(MessageLog, KeepsTheLastFourNewestFirst) {
    MessageLog log;
    EXPECT_TRUE(messagesNewestFirst(log).empty());
    EXPECT_TRUE(messageLines(log).empty());

    showMessage(log, "one");
    showMessage(log, "two");
    // Two empty slots leave no gap: the newest sits on baseline 7.
    EXPECT_EQ(asTuples(messageLines(log)),
              (std::vector<Line>{{"two", 5, 7, GREY_ITEM}, {"one", 5, 22, GREY_ITEM}}));

    showMessage(log, "three");
    showMessage(log, "four");
    showMessage(log, "five");
    EXPECT_EQ(messagesNewestFirst(log), (std::vector<std::string>{"five", "four", "three", "two"}));
    EXPECT_EQ(asTuples(messageLines(log)), (std::vector<Line>{{"five", 5, 7, GREY_ITEM},
                                                              {"four", 5, 22, GREY_ITEM},
                                                              {"three", 5, 37, GREY_ITEM},
                                                              {"two", 5, 52, GREY_ITEM}}));
    EXPECT_EQ(log.nextSlot, 1);
}

TEST(MessageLog, EmptyMessagesLeaveNoGapAndLongOnesAreCut) {
    MessageLog log;
    showMessage(log, "first");
    showMessage(log, "");
    showMessage(log, "third");
    EXPECT_EQ(asTuples(messageLines(log)),
              (std::vector<Line>{{"third", 5, 7, GREY_ITEM}, {"first", 5, 22, GREY_ITEM}}));

    std::string longText(2000, 'x');
    longText[1022] = 'a';
    longText[1023] = 'b';
    showMessage(log, longText);
    std::string stored = messagesNewestFirst(log).front();
    EXPECT_EQ(stored.size(), 1023u);
    EXPECT_EQ(stored.back(), 'a');

    // Line breaks are stored unchanged.
    showMessage(log, "a\nb");
    EXPECT_EQ(messagesNewestFirst(log).front(), "a\nb");
}

TEST(MessageLog, WriteLogFileNewestFirstAndKeepsOldFileOnFailure) {
    TempDir dir;
    std::string path = (dir.path / "log.txt").string();

    MessageLog log;
    showMessage(log, "Step 1/4 done");
    showMessage(log, "Step 2/4 done\n");
    showMessage(log, "Step 3/4 done");
    ASSERT_TRUE(writeLogFile(log, path));
    EXPECT_EQ(readAll(path), "Step 3/4 done\nStep 2/4 done\n\nStep 1/4 done\n");

    // An empty list gives an empty file.
    MessageLog none;
    std::string emptyPath = (dir.path / "empty.txt").string();
    ASSERT_TRUE(writeLogFile(none, emptyPath));
    EXPECT_EQ(readAll(emptyPath), "");

    // A write that fails (a full disk): false, a line on stdout, old file intact.
    showMessage(log, "Step 4/4 done");
    setWriteFailureAfter(5);
    testing::internal::CaptureStdout();
    bool written = writeLogFile(log, path);
    std::string out = testing::internal::GetCapturedStdout();
    setWriteFailureAfter(-1);
    EXPECT_FALSE(written);
    EXPECT_NE(out.find("log.txt"), std::string::npos) << out;
    EXPECT_EQ(readAll(path), "Step 3/4 done\nStep 2/4 done\n\nStep 1/4 done\n");

    // A folder that does not exist: false and a line on stdout.
    testing::internal::CaptureStdout();
    EXPECT_FALSE(writeLogFile(log, (dir.path / "missing" / "log.txt").string()));
    EXPECT_NE(testing::internal::GetCapturedStdout().find("log.txt"), std::string::npos);
}

TEST(HelpPanel, HiddenShowsOnlyTheHeader) {
    EXPECT_EQ(asTuples(helpPanelLines(false, 0, -1, 500, 500)),
              (std::vector<Line>{{"(F1 to show HELP)", 5, 487, GREY_HEADING}}));
    EXPECT_EQ(asTuples(helpPanelLines(false, 3, 1, 800, 300)),
              (std::vector<Line>{{"(F1 to show HELP)", 5, 287, GREY_HEADING}}));
}

TEST(HelpPanel, NoLabelsNoSelection) {
    const float H = GREY_HEADING, I = GREY_ITEM;
    std::vector<Line> expected = {
        {"HELP (F1 to hide)", 5, 487, H},
        {"View", 5, 467, H},
        {" [mouse wheel]: zoom in/out", 5, 452, I},
        {" [mouse right]: drag map", 5, 437, I},
        {"Basic editing", 5, 417, H},
        {" [mouse left]: drag on an empty region to create a new label", 5, 402, I},
        {"General", 5, 382, H},
        {" [F2]: save labels (will be loaded on startup)", 5, 367, I},
        {" [F12]: export map labels into the MOD!", 5, 352, I},
        {" [Esc]: bye", 5, 337, I},
        {"Utils", 5, 317, H},
        {" [ctrl-d]: count letters that can use duplicates", 5, 302, I},
    };
    EXPECT_EQ(asTuples(helpPanelLines(true, 0, -1, 500, 500)), expected);
    // A stale selection without labels shows no selection block either.
    EXPECT_EQ(asTuples(helpPanelLines(true, 0, 0, 500, 500)), expected);
}

TEST(HelpPanel, LabelsWithoutSelection) {
    const float H = GREY_HEADING, I = GREY_ITEM;
    std::vector<Line> expected = {
        {"HELP (F1 to hide)", 5, 487, H},
        {"View", 5, 467, H},
        {" [mouse wheel]: zoom in/out", 5, 452, I},
        {" [mouse right]: drag map", 5, 437, I},
        {"Basic editing", 5, 417, H},
        {" [mouse left]: drag on an empty region to create a new label", 5, 402, I},
        {" [mouse left]: click on a label to select", 5, 387, I},
        {" [tab]: select next label", 5, 372, I},
        {"General", 5, 352, H},
        {" [F2]: save labels (will be loaded on startup)", 5, 337, I},
        {" [F12]: export map labels into the MOD!", 5, 322, I},
        {" [Esc]: bye", 5, 307, I},
        {"Utils", 5, 287, H},
        {" [ctrl-d]: count letters that can use duplicates", 5, 272, I},
    };
    EXPECT_EQ(asTuples(helpPanelLines(true, 2, -1, 500, 500)), expected);
}

TEST(HelpPanel, SelectionShowsEveryLine) {
    const float H = GREY_HEADING, I = GREY_ITEM;
    std::vector<Line> expected = {
        {"HELP (F1 to hide)", 5, 587, H},
        {"View", 5, 567, H},
        {" [mouse wheel]: zoom in/out", 5, 552, I},
        {" [mouse right]: drag map", 5, 537, I},
        {"Basic editing", 5, 517, H},
        {" [mouse left]: drag on an empty region to create a new label", 5, 502, I},
        {" [mouse left]: click on a label to select", 5, 487, I},
        {" [tab]: select next label", 5, 472, I},
        {" [mouse left]: drag control nodes ", 5, 457, I},
        {" [just type]: edit label text ", 5, 442, I},
        {"Character", 5, 422, H},
        {" [mouse middle]: drag up/down to change Size", 5, 407, I},
        {" [shift-mouse middle]: drag up/down to change Width", 5, 392, I},
        {" [pagUp/pagDown]: change label transparency", 5, 377, I},
        {" [ctrl-i]: italics on-off", 5, 362, I},
        {" [ctrl-f]: flip text", 5, 347, I},
        {" [ctrl-p]: CAPS - Caps - caps", 5, 332, I},
        {" [ctrl-c]/[ctrl-v]: cut'n'paste text attr", 5, 317, I},
        {"General", 5, 297, H},
        {" [F2]: save labels (will be loaded on startup)", 5, 282, I},
        {" [F12]: export map labels into the MOD!", 5, 267, I},
        {" [Esc]: bye", 5, 252, I},
        {"Utils", 5, 232, H},
        {" [ctrl-d]: count letters that can use duplicates", 5, 217, I},
    };
    EXPECT_EQ(asTuples(helpPanelLines(true, 1, 0, 400, 600)), expected);
}

TEST(LabelStatus, FormatsWithFillers) {
    const float G = GREY_STATUS;
    EXPECT_EQ(asTuples(labelStatusLines(1.0f, 35, 100, 500, 500)),
              (std::vector<Line>{{"         Visib:  35%", 393, 487, G}, {"          Size:  1.00", 393, 472, G}}));
    EXPECT_EQ(asTuples(labelStatusLines(2.345f, 100, 120, 1000, 400)),
              (std::vector<Line>{{"         Visib:100%", 893, 387, G},
                                 {"          Size:  2.35", 893, 372, G},
                                 {"Font Width:  120%", 893, 357, G}}));
    // Widths below 100 get the filler space too; 99 visibility still has it.
    std::vector<OverlayText> narrow = labelStatusLines(0.5f, 99, 80, 500, 500);
    ASSERT_EQ(narrow.size(), 3u);
    EXPECT_EQ(narrow[0].text, "         Visib:  99%");
    EXPECT_EQ(narrow[1].text, "          Size:  0.50");
    EXPECT_EQ(narrow[2].text, "Font Width:    80%");
    // Out-of-range values are formatted in full, never cut or overrun.
    std::vector<OverlayText> huge = labelStatusLines(1e30f, 123456, -5, 500, 500);
    ASSERT_EQ(huge.size(), 3u);
    EXPECT_EQ(huge[0].text, "         Visib:123456%");
    EXPECT_EQ(huge[1].text.substr(0, 18), "          Size:  1");
    EXPECT_EQ(huge[1].text.size(), 17u + 31u + 3u);
    EXPECT_EQ(huge[2].text, "Font Width:    -5%");
}

TEST(CursorReadout, SignedFixedWidthFields) {
    EXPECT_EQ(asTuples(cursorReadoutLines(-5.5f, 12.0f, 500)),
              (std::vector<Line>{{"X:   -5.50", 430, 7, GREY_STATUS}, {"Y:  +12.00", 430, 22, GREY_STATUS}}));
    EXPECT_EQ(asTuples(cursorReadoutLines(0.0f, -123456.789f, 1000)),
              (std::vector<Line>{{"X:   +0.00", 930, 7, GREY_STATUS}, {"Y:-123456.79", 930, 22, GREY_STATUS}}));
}

TEST(QuitPrompt, CentredWithIntegerHalves) {
    OverlayText p = quitPromptLine(500, 500);
    EXPECT_EQ(asTuples({p}), (std::vector<Line>{{"Save Changes? ([Y]es,[N]o,[C]ancel)", 155, 245, 1.0f}}));
    p = quitPromptLine(301, 201);
    EXPECT_EQ(p.x, 55);
    EXPECT_EQ(p.y, 95);
}
