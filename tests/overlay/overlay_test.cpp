#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "../test_support.h"
#include "overlay/message_log.h"
#include "overlay/overlay.h"
#include "platform/platform.h"

namespace {

using Line = std::tuple<std::string, int, int, float>;
using test_support::readBytes;

std::vector<Line> asTuples(const std::vector<OverlayText>& lines) {
    std::vector<Line> out;
    for (const OverlayText& l : lines) out.emplace_back(l.text, l.x, l.y, l.grey);
    return out;
}

std::vector<Line> messageRows(std::initializer_list<const char*> texts) {
    std::vector<Line> out;
    for (const char* t : texts) out.emplace_back(t, 5, 7 + 15 * static_cast<int>(out.size()), GREY_ITEM);
    return out;
}

TEST(MessageLog, KeepsTheLastFourNewestFirst) {
    MessageLog log;
    EXPECT_TRUE(messagesNewestFirst(log).empty());
    EXPECT_TRUE(messageLines(log).empty());
    // Empty slots and empty messages leave no gap: the newest sits on baseline 7.
    showMessage(log, "one");
    showMessage(log, "");
    showMessage(log, "two");
    EXPECT_EQ(asTuples(messageLines(log)), messageRows({"two", "one"}));
    for (const char* m : {"three", "four", "five"}) showMessage(log, m);
    EXPECT_EQ(messagesNewestFirst(log), (std::vector<std::string>{"five", "four", "three", "two"}));
    EXPECT_EQ(asTuples(messageLines(log)), messageRows({"five", "four", "three", "two"}));

    // Long messages are cut to 1023 bytes; line breaks are stored unchanged.
    std::string longText(2000, 'x');
    longText[1022] = 'a';
    showMessage(log, longText);
    EXPECT_EQ(messagesNewestFirst(log).front(), std::string(1022, 'x') + "a");
    showMessage(log, "a\nb");
    EXPECT_EQ(messagesNewestFirst(log).front(), "a\nb");
}

// "log.txt" keeps every message of the run, newest first, not only the last four.
TEST(MessageLog, WriteLogFileNewestFirstAndKeepsOldFileOnFailure) {
    test_support::TempDir dir;
    const std::string path = dir / "log.txt";
    const std::vector<std::string> run = {"Found 2 duplicated", "Step 1/4 done", "Step 2/4 done\n", "", "Step 3/4 done",
                                          "Step 4/4 done", std::string(1030, 'x')};
    ASSERT_TRUE(writeLogFile(run, path));
    const std::string written = toPlatformLineEnds(std::string(1023, 'x') +
                                                   "\nStep 4/4 done\nStep 3/4 done\nStep 2/4 done\n\nStep 1/4 done\n"
                                                   "Found 2 duplicated\n");
    EXPECT_EQ(readBytes(path), written);

    ASSERT_TRUE(writeLogFile({}, dir / "empty.txt"));
    EXPECT_EQ(readBytes(dir / "empty.txt"), "");

    // A write that fails (a full disk) or a folder that does not exist: a failure
    // that says so, the old file intact.
    for (const std::string& target : {path, dir / "missing/log.txt"}) {
        setWriteFailureAfter(5);
        const Report logged = writeLogFile({"Step 4/4 again"}, target);
        EXPECT_FALSE(logged);
        const std::string out = test_support::said(logged);
        setWriteFailureAfter(-1);
        EXPECT_NE(out.find("log.txt"), std::string::npos) << out;
    }
    EXPECT_EQ(readBytes(path), written);
}

// Every help line of the panel with a selection; the other states show a subset.
const char* const kHelp[] = {
    "HELP (F1 to hide)", "View", " [mouse wheel]: zoom in/out", " [mouse right]: drag map", " [Home]: whole map",
    " [F3]: town names on/off", "Basic editing",
    " [mouse left]: drag on an empty region to create a new label", " [mouse left]: click on a label to select",
    " [tab]: select next label", " [mouse left]: drag control nodes ", " [mouse left]: drag the label to move it",
    " [shift-Delete]: delete the label", " [just type]: edit label text ", "Character",
    " [mouse middle]: drag up/down to change Size", " [shift-mouse middle]: drag up/down to change Width",
    " [pagUp/pagDown]: change label transparency", " [ctrl-i]: italics on-off", " [ctrl-f]: flip text",
    " [ctrl-p]: CAPS - Caps - caps", " [ctrl-k]: equal slots - proportional spacing", " [ctrl-c]/[ctrl-v]: cut'n'paste text attr", "General",
    " [ctrl-z]/[ctrl-y]: undo/redo an edit", " [F2]: save labels (will be loaded on startup)", " [F12]: export map labels into the MOD!", " [Esc]: bye", "Utils",
    " [ctrl-d]: count letters that can use duplicates", " [F8]: re-read map colours"};

// The panel of the lines kHelp[i] for i in [0, n) without the skipped ranges:
// headings (no leading blank) 20 below the line before, items 15.
std::vector<Line> helpPanel(int height, std::vector<std::pair<int, int>> skip) {
    std::vector<Line> out;
    int y = height - 13 + 20;
    for (int i = 0; i < static_cast<int>(std::size(kHelp)); ++i) {
        bool skipped = false;
        for (auto [from, to] : skip) skipped = skipped || (i >= from && i < to);
        if (skipped) continue;
        const bool heading = kHelp[i][0] != ' ';
        y -= heading ? 20 : 15;
        out.emplace_back(kHelp[i], 5, y, heading ? GREY_HEADING : GREY_ITEM);
    }
    return out;
}

TEST(HelpPanel, LinesForEachState) {
    EXPECT_EQ(asTuples(helpPanelLines(false, 0, -1, 500, 500)),
              (std::vector<Line>{{"(F1 to show HELP)", 5, 487, GREY_HEADING}}));
    EXPECT_EQ(asTuples(helpPanelLines(false, 3, 1, 800, 300)),
              (std::vector<Line>{{"(F1 to show HELP)", 5, 287, GREY_HEADING}}));

    const std::vector<Line> none = helpPanel(500, {{8, 23}});
    ASSERT_EQ(none.size(), 16u);
    EXPECT_EQ(none.back(), (Line{" [F8]: re-read map colours", 5, 242, GREY_ITEM}));
    EXPECT_EQ(asTuples(helpPanelLines(true, 0, -1, 500, 500)), none);
    // A stale selection without labels shows no selection block either.
    EXPECT_EQ(asTuples(helpPanelLines(true, 0, 0, 500, 500)), none);

    EXPECT_EQ(asTuples(helpPanelLines(true, 2, -1, 500, 500)), helpPanel(500, {{10, 23}}));

    const std::vector<Line> all = helpPanel(600, {});
    EXPECT_EQ(all[14], (Line{"Character", 5, 362, GREY_HEADING}));
    EXPECT_EQ(all.back(), (Line{" [F8]: re-read map colours", 5, 112, GREY_ITEM}));
    EXPECT_EQ(asTuples(helpPanelLines(true, 1, 0, 400, 600)), all);
}

TEST(StatusLines, LabelReadoutAndPrompt) {
    const float G = GREY_STATUS;
    EXPECT_EQ(asTuples(labelStatusLines(1.0f, 35, 100, 500, 500)),
              (std::vector<Line>{{"         Visib:  35%", 393, 487, G}, {"          Size:  1.00", 393, 472, G}}));
    EXPECT_EQ(asTuples(labelStatusLines(2.345f, 100, 120, 1000, 400)),
              (std::vector<Line>{{"         Visib:100%", 893, 387, G},
                                 {"          Size:  2.35", 893, 372, G},
                                 {"Font Width:  120%", 893, 357, G}}));
    // Widths below 100 get the filler space too.
    std::vector<OverlayText> narrow = labelStatusLines(0.5f, 99, 80, 500, 500);
    ASSERT_EQ(narrow.size(), 3u);
    EXPECT_EQ(narrow[0].text, "         Visib:  99%");
    EXPECT_EQ(narrow[2].text, "Font Width:    80%");
    // Out-of-range values are formatted in full, never cut or overrun.
    std::vector<OverlayText> huge = labelStatusLines(1e30f, 123456, -5, 500, 500);
    ASSERT_EQ(huge.size(), 3u);
    EXPECT_EQ(huge[0].text, "         Visib:123456%");
    EXPECT_EQ(huge[1].text.substr(0, 18), "          Size:  1");
    EXPECT_EQ(huge[1].text.size(), 17u + 31u + 3u);
    EXPECT_EQ(huge[2].text, "Font Width:    -5%");
    EXPECT_EQ(asTuples(labelStatusLines(1.0f, 35, 120, 500, 500, true)).back(), (Line{"  Proportional", 393, 442, G}));

    EXPECT_EQ(asTuples(cursorReadoutLines(-5.5f, 12.0f, 500)),
              (std::vector<Line>{{"X:   -5.50", 430, 7, G}, {"Y:  +12.00", 430, 22, G}}));
    EXPECT_EQ(asTuples(cursorReadoutLines(0.0f, -123456.789f, 1000)),
              (std::vector<Line>{{"X:   +0.00", 930, 7, G}, {"Y:-123456.79", 930, 22, G}}));

    EXPECT_EQ(asTuples({quitPromptLine(500, 500)}),
              (std::vector<Line>{{"Save Changes? ([Y]es,[N]o,[C]ancel)", 155, 245, 1.0f}}));
    const OverlayText odd = quitPromptLine(301, 201);
    EXPECT_EQ(std::pair(odd.x, odd.y), std::pair(55, 95));
}

}  // namespace

// Messages wider than the window wrap at spaces (a longer word where it must),
// each message's first line on top, and all four newest messages stay listed.
// Messages wrap short of the cursor readout's column (70 pixels from the right
// edge, 5 pixels of gap), so the newest never runs under the readout.
TEST(MessageLog, LongMessagesWrapAtTheWindowWidth) {
    const TextWidth five = [](unsigned char) { return 5; };
    for (auto [text, lines] : {std::pair{std::string("fits ok"), std::vector<std::string>{"fits ok"}},
                               {"aaa bbb ccc dd", {"aaa bbb", "ccc dd"}},
                               {"xxxxxxxxxxxxxxxxx yy", {"xxxxxxx", "xxxxxxx", "xxx yy"}}}) {
        EXPECT_EQ(wrapText(text, 35, five), lines) << text;
    }
    MessageLog log;
    for (const char* m : {"old", "aaa bbb ccc dd", "b", "c", "d"}) showMessage(log, m);
    std::vector<Line> want = messageRows({"d", "c", "b", "ccc dd", "aaa bbb"});
    EXPECT_EQ(asTuples(messageLines(log, 115, five)), want);

    // In a 500-pixel window every line ends before the readout's column, also a
    // message of 445 pixels that the window itself would still hold.
    std::string words = "abcd";
    for (int i = 1; i < 18; ++i) words += " abcd";
    showMessage(log, words);
    const int readout = cursorReadoutLines(0, 0, 500).front().x;
    for (const OverlayText& line : messageLines(log, 500, five))
        EXPECT_LT(line.x + 5 * static_cast<int>(line.text.size()), readout) << line.text;
}

// The bitmap font draws Latin-1: UTF-8 up to U+00FF is drawn as itself, any
// other character and every byte of a broken sequence as "?".
TEST(MessageLog, TextIsConvertedForTheBitmapFont) {
    for (auto [utf8, drawn] : {std::pair<std::string, std::string>{"\"\xC3\xB6\" is not", "\"\xF6\" is not"},
                               {"\xC3\x85ngstr\xC3\xB6m \xC3\xBF", "\xC5ngstr\xF6m \xFF"},
                               {"\xC4\x80 \xD0\x96 \xE4\xB8\xAD \xF0\x9F\x98\x80", "? ? ? ?"},
                               {"a\xF6" "b \xC3", "a?b ?"},
                               {"\xE4\xB8x \xC0\x80", "??x ??"}})
        EXPECT_EQ(latin1ForDrawing(utf8), drawn) << utf8;
    // The message lines come converted, and wrapping measures the drawn bytes:
    // "\xC3\xB6" is one character of the font.
    MessageLog log;
    showMessage(log, "\xC3\xB6\xC3\xB6\xC3\xB6 \xC3\xB6\xC3\xB6");
    const TextWidth five = [](unsigned char) { return 5; };
    EXPECT_EQ(asTuples(messageLines(log, 105, five)), messageRows({"\xF6\xF6", "\xF6\xF6\xF6"}));
}

// Names stand right of their markers on backdrops that never overlap: a name that
// would overlap one placed before it, or lies wholly outside the window, is left out.
TEST(PartyNames, LaidOutWithoutOverlaps) {
    const TextWidth five = [](unsigned char) { return 5; };
    const std::vector<NamedPoint> points = {
        {100, 100, "Eastvale"},   // placed: backdrop [105, 92) to [151, 107)
        {120, 105, "Westmarch"},  // overlaps Eastvale: left out
        {100, 115, "Northold"},   // 15 pixels above Eastvale: backdrops meet, placed
        {-62, 50, "Far"},         // backdrop ends left of the window: left out
        {-20, 50, "Edge"},        // reaches into the window: placed
        {300, 100, ""},           // no name
        {300, 300, "L\xC3\xB6we"},  // converted for the font
        {NAN, 10, "Lost"},
    };
    const std::vector<OverlayText> lines = partyNameLines(points, 400, 400, five);
    std::vector<Line> want = {{"Eastvale", 108, 96, GREY_NAME}, {"Northold", 108, 111, GREY_NAME},
                              {"Edge", -12, 46, GREY_NAME}, {"L\xF6we", 308, 296, GREY_NAME}};
    EXPECT_EQ(asTuples(lines), want);
    EXPECT_EQ(textBackdrop(lines[0], five), (PixelRect{105, 92, 151, 107}));
    EXPECT_EQ(textBackdrop(lines[1], five).y0, textBackdrop(lines[0], five).y1);

    // The party under the pointer heads the readout, moved left as its width needs;
    // messages wrap short of it.
    const std::vector<OverlayText> readout = cursorReadoutLines(1, 2, 500, "Eastvale (p_town_6)", five);
    ASSERT_EQ(readout.size(), 3u);
    EXPECT_EQ(asTuples({readout[2]}), (std::vector<Line>{{"Eastvale (p_town_6)", 500 - 5 - 95, 37, GREY_STATUS}}));
    EXPECT_EQ(cursorReadoutLines(1, 2, 500, "Ox", five)[2].x, 430);
    MessageLog log;
    showMessage(log, std::string(70, 'a') + " " + std::string(10, 'b'));
    for (const OverlayText& line : messageLines(log, 500, five, readout[2].x))
        EXPECT_LT(line.x + 5 * static_cast<int>(line.text.size()), readout[2].x) << line.text;
}
