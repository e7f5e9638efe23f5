// The label store: exact bytes written, round trips, old versions, damaged files
// and failed saves.
#include "labels/label_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <string>

#include "../test_support.h"
#include "overlay/message_log.h"
#include "platform/platform.h"

namespace {

using test_support::readBytes;
using test_support::writeBytes;

const char* EXAMPLE_LINE =
    "A b _ c |  10.500000 -3.250000  0.330000 0.000000  0.660000 0.000000  20.000000 -3.250000  "
    "1.500000 35 100 0 0\n";
const char* SAVED = "All label saved. Will be loaded at the next run.";
const char* FAILED = "Cannot save internal file?!";

Label makeLabel(MapPoint from, MapPoint to, const std::string& text, float size = 1.0f) {
    Label label;
    initFromDrag(label, from, to);
    label.size = size;
    for (char32_t c : test_support::chars(text)) addLetter(label, c);
    return label;
}

Label exampleLabel() { return makeLabel({10.5f, -3.25f}, {20.0f, -3.25f}, "Ab c", 1.5f); }

using test_support::exists;

// A save whose report the editor shows in its message list.
bool saveLabels(const LabelList& labels, LabelStore& store, MessageLog& log) {
    const Report saved = ::saveLabels(labels, store);
    for (const std::string& m : saved.messages) showMessage(log, m);
    return saved.ok;
}

std::string newestMessage(const MessageLog& log) {
    auto list = messagesNewestFirst(log);
    return list.empty() ? "" : list.front();
}

struct StoreDir : ::testing::Test {
    test_support::TempDir dir;
    LabelStore store;
    MessageLog log;
    void SetUp() override { store.path = dir / "savedData.txt"; }
    void TearDown() override { setWriteFailureAfter(-1); }
};

}  // namespace

TEST_F(StoreDir, ExactLinesEmptyListAndRoundTrip) {
    std::string line;
    writeLabel(exampleLabel(), line);
    EXPECT_EQ(line, EXAMPLE_LINE);

    // Saving an empty list writes two lines and loads back empty.
    LabelList labels;
    ASSERT_TRUE(saveLabels(labels, store, log));
    EXPECT_EQ(readBytes(store.path), toPlatformLineEnds("v1\n0\n"));
    EXPECT_EQ(newestMessage(log), SAVED);
    LabelList loaded(3);
    ASSERT_TRUE(loadLabels(loaded, store));
    EXPECT_TRUE(loaded.empty());

    // Every field survives a round trip; letter ids are renumbered from 0.
    resetLetterIds();
    nextLetterId = 500;
    labels.push_back(exampleLabel());
    Label second = makeLabel({-1234.5678f, 98.7654321f}, {0.1234567f, -77.0f}, "x y", 0.123456f);
    moveNode(second, MapPoint{3.14159f, 2.71828f}, 1);
    second.visibility = 65;
    second.width = 215;
    second.italic = 1;
    second.spare = 12;
    applyAttributes(second);
    labels.push_back(second);
    Label bare = makeLabel({0, 0}, {1, 2}, "");  // no letters: the line starts with the separator
    bare.visibility = 55;
    bare.width = 180;
    bare.italic = 1;
    bare.spare = -4;
    labels.push_back(bare);
    ASSERT_TRUE(saveLabels(labels, store, log));
    std::string text;
    ASSERT_TRUE(readTextFile(store.path, text));
    EXPECT_EQ(readBytes(store.path), toPlatformLineEnds(text));
    EXPECT_NE(text.find(EXAMPLE_LINE + std::string("x _ y |")), std::string::npos);
    EXPECT_NE(text.find("\n|  0.000000 0.000000  0.330000 0.000000  0.660000 0.000000  1.000000 2.000000  "
                        "1.000000 55 180 1 -4\n"),
              std::string::npos);
    EXPECT_EQ(text.substr(0, 5), "v1\n3\n");

    ASSERT_TRUE(loadLabels(loaded, store));
    ASSERT_EQ(loaded.size(), 3u);
    int id = 0;
    for (size_t i = 0; i < 3; ++i) {
        const Label &a = labels[i], &b = loaded[i];
        EXPECT_EQ(labelText(b), labelText(a));
        std::string la, lb;
        writeLabel(a, la);
        writeLabel(b, lb);
        EXPECT_EQ(lb, la) << "nodes to six decimals, size and attributes";
        EXPECT_NEAR(b.size, a.size, 5e-7);
        EXPECT_EQ(b.widthDrag, 100);
        for (const LabelLetter& l : b.letters) {
            EXPECT_EQ(l.id, id++);
            EXPECT_EQ(l.alpha, b.visibility * 255 / 100);  // laid out and attributes applied
        }
    }
    EXPECT_EQ(nextLetterId, 7);
    EXPECT_NEAR(loaded[0].letters[0].position.x, labels[0].letters[0].position.x, 1e-4);
    EXPECT_EQ(loaded[1].letters[1].ch, ' ');
    EXPECT_FALSE(store.keepBackup);
}

// Letters up to U+00FF keep the one-byte version 1 store, read as ISO 8859-1; a
// letter beyond makes it version 2, in UTF-8; a malformed version 2 letter makes
// its label incomplete, with the damaged store's handling.
TEST_F(StoreDir, LetterEncodingsByVersion) {
    // The example's store comes back byte for byte.
    const std::string example = readBytes(VT_SOURCE_DIR "/example/savedData.txt");
    writeBytes(store.path, example);
    LabelList exampleLabels;
    ASSERT_TRUE(loadLabels(exampleLabels, store));
    ASSERT_TRUE(saveLabels(exampleLabels, store, log));
    EXPECT_EQ(readBytes(store.path), toPlatformLineEnds(example));

    const std::string latin1 = "v1\n1\nC a f \xE9 _ \xC5 | 1 2 0.33 0 0.66 0 3 4 1.2 70 100 0 0\n";
    writeBytes(store.path, latin1);
    LabelList labels;
    ASSERT_TRUE(loadLabels(labels, store));
    ASSERT_EQ(labels.size(), 1u);
    EXPECT_EQ(labelText(labels[0]), "Caf\u00e9 \u00c5");
    ASSERT_TRUE(saveLabels(labels, store, log));
    const std::string expectedV1 =
        "v1\n1\nC a f \xE9 _ \xC5 |  1.000000 2.000000  0.330000 0.000000  0.660000 0.000000  3.000000 4.000000  "
        "1.200000 70 100 0 0\n";
    EXPECT_EQ(readBytes(store.path), toPlatformLineEnds(expectedV1));

    // A Cyrillic letter: version 2, every letter in UTF-8, and back the same.
    labels.push_back(makeLabel({5, 5}, {9, 9}, "Москва é"));
    ASSERT_TRUE(saveLabels(labels, store, log));
    std::string text;
    ASSERT_TRUE(readTextFile(store.path, text));
    EXPECT_EQ(text.substr(0, 20), "v2\n2\nC a f \u00e9 _ \u00c5 |");
    EXPECT_NE(text.find("\nМ о с к в а _ é |"), std::string::npos) << text;
    LabelList again;
    ASSERT_TRUE(loadLabels(again, store));
    ASSERT_EQ(again.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        std::string a, b;
        writeLabel(labels[i], a, true);
        writeLabel(again[i], b, true);
        EXPECT_EQ(a, b);
    }
    EXPECT_EQ(labelText(again[1]), "Москва é");

    // Bytes that are no UTF-8 in a version 2 store: the label is incomplete.
    writeBytes(store.path, "v2\n2\n\xD0\x9C \xD0 | 1 2 0.33 0 0.66 0 3 4 1 35 100 0 0\nA | 1 2 0.33 0 0.66 0 3 4 1 35 100 0 0\n");
    const Report damaged = loadLabels(again, store);
    ASSERT_TRUE(damaged);
    EXPECT_EQ(test_support::said(damaged),
              "Damaged label store \"" + store.path + "\": label 1 of 2 is incomplete; 0 labels loaded\n");
    EXPECT_TRUE(store.keepBackup);
}

// "_" and "|" are stored as "|_" and "||" and read back as typed, in a one-byte and a UTF-8 store.
TEST_F(StoreDir, UnderscoreAndBarLettersComeBack) {
    LabelList labels = {makeLabel({0, 0}, {1, 0}, "a|b _c"), makeLabel({0, 0}, {1, 0}, "__||")};
    for (const char* extra : {"|", "\u041C|_"}) {
        labels.push_back(makeLabel({0, 0}, {1, 0}, extra));
        LabelList loaded;
        ASSERT_TRUE(saveLabels(labels, store, log) && loadLabels(loaded, store));
        EXPECT_NE(readBytes(store.path).find("\na || b _ |_ c |  0.000000"), std::string::npos);
        for (size_t i = 0; i < labels.size(); ++i) EXPECT_EQ(labelText(loaded.at(i)), labelText(labels[i]));
    }
}

TEST(LabelStoreParse, OldVersionsAndExtremeValues) {
    // Version 0 (no "v" line) ends with size and visibility; CR LF reads too.
    LabelList labels;
    std::string error;
    ASSERT_TRUE(parseLabelStore(labels,
                                "2\r\nA b |  1 2  0.33 0  0.66 0  5 6  1.5 40\r\n"
                                "|  0 0  0.33 0.1  0.66 0  1 1  2 50 \r\n",
                                error))
        << error;
    ASSERT_EQ(labels.size(), 2u);
    EXPECT_EQ(labelText(labels[0]), "Ab");
    EXPECT_EQ(std::tuple(labels[0].size, labels[0].visibility, labels[0].width, labels[0].italic, labels[0].spare),
              std::tuple(1.5f, 40, 100, 0, 0));
    EXPECT_EQ(labels[0].nodes[3].y, 6.0f);
    EXPECT_EQ(labels[1].letters.size(), 0u);
    EXPECT_EQ(labels[1].nodes[1].y, 0.1f);
    EXPECT_EQ(labels[1].visibility, 50);

    // Any version number after the 'v' reads the long attribute list.
    ASSERT_TRUE(parseLabelStore(labels, "v7\n1\nq |  1 2  0.33 0  0.66 0  5 6  1.5 40 120 1 3\n", error));
    ASSERT_EQ(labels.size(), 1u);
    EXPECT_EQ(std::pair(labels[0].width, labels[0].spare), std::pair(120, 3));
    EXPECT_TRUE(error.empty());

    // Visibilities at the int limits (and past them, clamped) give a byte of
    // opacity, and are written back as read until the next edit clamps them.
    ASSERT_TRUE(parseLabelStore(labels,
                                "v1\n3\n"
                                "a b |  0 0  0.33 0  0.66 0  10 0  1.0 2147483647 100 0 0\n"
                                "c |  0 0  0.33 0  0.66 0  10 0  1.0 -2147483648 100 0 0\n"
                                "d |  0 0  0.33 0  0.66 0  10 0  1.0 99999999999 100 0 0\n",
                                error))
        << error;
    ASSERT_EQ(labels.size(), 3u);
    EXPECT_EQ(std::tuple(labels[0].visibility, labels[1].visibility, labels[2].visibility),
              std::tuple(INT_MAX, INT_MIN, INT_MAX));
    EXPECT_EQ(std::tuple(labels[0].letters[1].alpha, labels[1].letters[0].alpha, labels[2].letters[0].alpha),
              std::tuple(255, 0, 255));
    std::string out;
    writeLabel(labels[1], out);
    EXPECT_NE(out.find(" -2147483648 100 0 0\n"), std::string::npos) << out;
}

TEST_F(StoreDir, MissingOrUnreadableStore) {
    LabelList labels(2);
    nextLetterId = 42;
    EXPECT_FALSE(loadLabels(labels, store));
    EXPECT_EQ(labels.size(), 2u);
    EXPECT_EQ(nextLetterId, 0);
    EXPECT_FALSE(store.keepBackup);

    // A store that is there but cannot be read is never replaced unseen.
    ASSERT_TRUE(std::filesystem::create_directory(store.path));
    EXPECT_FALSE(loadLabels(labels, store));
    EXPECT_EQ(labels.size(), 2u);
    EXPECT_TRUE(store.keepBackup);
    EXPECT_FALSE(saveLabels(labels, store, log));
    EXPECT_EQ(newestMessage(log), FAILED);
    EXPECT_TRUE(exists(store.path));
}

TEST_F(StoreDir, DamagedStoresKeepTheCompleteLabelsAndTheOldBytes) {
    const std::string good = "A b |  1 2  0.33 0  0.66 0  5 6  1.5 40 100 0 0\n";
    const std::string good2 = "c |  7 8  0.33 0  0.66 0  9 9  1 35 90 1 0\n";
    const std::pair<std::string, size_t> cases[] = {
        {"", 0},                                                  // empty
        {"v1\nxyz\n" + good, 0},                                  // unreadable count
        {"v\n1\n" + good, 0},                                     // no version number
        {"v1\n-3\n" + good, 0},                                   // negative count
        {"v1\n3\n" + good + "A b |  1 2  0.33 0\n" + good2, 1},   // a label cut short
        {"v1\n3\n" + good + "A b c d\n" + good2, 1},              // no separator
        {"v1\n2\n" + good + "B |  1 2  0.33", 1},                 // ends mid-label
        {"v1\n2\n" + good + "B C", 1},                            // ends in the text
        {"v1\n3\n" + good + good2 + "B |  1 2  0.33 zz  0.66 0  5 6  1.5 40 100 0 0\n", 2},  // non-numeric node
        {"v1\n2\n" + good + "B |  1 2  0.33 0  0.66 0  5 6  1.5 4x 100 0 0\n", 1},         // non-numeric attribute
        {"v1\n2000000000\n" + good, 1},                           // absurd count
        {"v1\n99999999999999999999\n" + good + good2, 2},         // count out of range
    };
    for (const auto& [text, kept] : cases) {
        SCOPED_TRACE(text);
        writeBytes(store.path, text);
        std::remove((store.path + ".bak").c_str());
        store.keepBackup = false;
        LabelList labels(5);
        const Report loaded = loadLabels(labels, store);
        ASSERT_TRUE(loaded);
        const std::string said = test_support::said(loaded);
        ASSERT_EQ(labels.size(), kept);
        EXPECT_TRUE(kept < 1 || labelText(labels[0]) == "Ab");
        EXPECT_TRUE(kept < 2 || labelText(labels[1]) == "c");
        EXPECT_TRUE(store.keepBackup);
        // One line naming the store and the number of labels loaded.
        EXPECT_EQ(said.rfind("Damaged label store \"" + store.path + "\": ", 0), 0u) << said;
        EXPECT_NE(said.find("; " + std::to_string(kept) + (kept == 1 ? " label loaded\n" : " labels loaded\n")),
                  std::string::npos)
            << said;
        EXPECT_EQ(said.find('\n'), said.size() - 1) << said;

        // The first save keeps the damaged bytes beside the new store; later ones leave them.
        ASSERT_TRUE(saveLabels(labels, store, log));
        EXPECT_EQ(readBytes(store.path + ".bak"), text);
        EXPECT_FALSE(store.keepBackup);
        const std::string saved = readBytes(store.path);
        addLetter(labels.emplace_back(), 'z');
        ASSERT_TRUE(saveLabels(labels, store, log));
        EXPECT_EQ(readBytes(store.path + ".bak"), text);
        EXPECT_NE(readBytes(store.path), saved);
    }

    // The parser names the label where reading stopped.
    LabelList labels;
    std::string error;
    EXPECT_FALSE(parseLabelStore(labels, "v1\n5\n" + good + good2 + good + "B |  1 2", error));
    EXPECT_EQ(error, "label 4 of 5 is incomplete");
    EXPECT_EQ(labels.size(), 3u);
}

TEST(LabelStoreParse, EveryPrefixOfAStoreKeepsItsLeadingLabels) {
    LabelList labels = {exampleLabel(), makeLabel({-3, 4}, {1e6f, -2.5e-3f}, "Port Royal"), exampleLabel()};
    labels[1].italic = 1;
    std::string text = "v1\n3\n";
    for (const Label& l : labels) writeLabel(l, text);
    for (size_t n = 0; n <= text.size(); ++n) {
        LabelList parsed;
        std::string error;
        const bool whole = parseLabelStore(parsed, text.substr(0, n), error);
        EXPECT_EQ(whole, error.empty()) << n;
        ASSERT_LE(parsed.size(), labels.size()) << n;
        for (size_t i = 0; i < parsed.size(); ++i) EXPECT_EQ(labelText(parsed[i]), labelText(labels[i])) << n;
        EXPECT_TRUE(!whole || parsed.size() == 3u) << n;
    }
}

// A disk that fills up at any byte of a save: the old store stays byte for byte,
// the user sees the failure, the labels in memory are untouched, and a save
// without the failure goes through.
TEST_F(StoreDir, FailedSavesLeaveTheOldStoreByteForByte) {
    const std::string old = "v1\n1\nO l d |  1.000000 2.000000  0.330000 0.000000  0.660000 0.000000  "
                            "3.000000 4.000000  1.000000 35 100 0 0\n";
    writeBytes(store.path, old);
    LabelList labels = {exampleLabel(), makeLabel({-40, 7}, {-10, 9}, "", 2.25f),
                        makeLabel({0, 0}, {0.001f, 123456.7f}, "Brask Hold")};
    std::string expected = "v1\n3\n";
    for (const Label& label : labels) writeLabel(label, expected);
    const std::string expectedFile = toPlatformLineEnds(expected);

    for (size_t n = 0; n < expectedFile.size(); ++n) {
        MessageLog cut;
        setWriteFailureAfter(static_cast<long long>(n));
        EXPECT_FALSE(saveLabels(labels, store, cut)) << n;
        setWriteFailureAfter(-1);
        ASSERT_EQ(readBytes(store.path), old) << "cut after " << n;
        ASSERT_EQ(newestMessage(cut), FAILED) << n;
        ASSERT_FALSE(exists(store.path + ".new")) << n;
    }
    std::string after;
    for (const Label& label : labels) writeLabel(label, after);
    EXPECT_EQ("v1\n3\n" + after, expected) << "the labels in memory are unchanged";

    // The new file cannot be created beside the old one, or the folder is missing.
    ASSERT_TRUE(std::filesystem::create_directory((store.path + ".new")));
    EXPECT_FALSE(saveLabels(labels, store, log));
    EXPECT_EQ(newestMessage(log), FAILED);
    EXPECT_EQ(readBytes(store.path), old);
    ::rmdir((store.path + ".new").c_str());
    LabelStore nowhere;
    nowhere.path = dir / "missing/savedData.txt";
    showMessage(log, "-");
    EXPECT_FALSE(saveLabels(labels, nowhere, log));
    EXPECT_EQ(newestMessage(log), FAILED);

    // Exactly the file's size is no failure at all.
    setWriteFailureAfter(static_cast<long long>(expectedFile.size()));
    EXPECT_TRUE(saveLabels(labels, store, log));
    setWriteFailureAfter(-1);
    EXPECT_EQ(readBytes(store.path), expectedFile);
    EXPECT_EQ(newestMessage(log), SAVED);
}

TEST_F(StoreDir, ADamagedStoreAndItsBackupSurviveEveryCut) {
    const std::string damaged = "v1\n2\nA b |  1 2  0.33 0  0.66 0  3 4  1.0 35 100 0 0\nC d |  5 6  0.3";
    writeBytes(store.path, damaged);
    LabelList labels;
    ASSERT_TRUE(loadLabels(labels, store));
    ASSERT_TRUE(store.keepBackup);
    addLetter(labels[0], 'x');
    std::string expected = "v1\n1\n";
    writeLabel(labels[0], expected);
    expected = toPlatformLineEnds(expected);

    for (size_t n = 0; n < damaged.size() + expected.size(); ++n) {
        MessageLog cut;
        setWriteFailureAfter(static_cast<long long>(n));
        EXPECT_FALSE(saveLabels(labels, store, cut)) << n;
        setWriteFailureAfter(-1);
        ASSERT_EQ(readBytes(store.path), damaged) << "cut after " << n;
        ASSERT_EQ(newestMessage(cut), FAILED) << n;
        // The backup is either not there yet or the whole damaged file.
        const std::string bak = readBytes(store.path + ".bak");
        EXPECT_TRUE(bak == "<missing>" || bak == damaged) << n;
        EXPECT_TRUE(store.keepBackup);
    }
    // A backup that cannot be written stops the save too.
    std::remove((store.path + ".bak").c_str());
    ASSERT_TRUE(std::filesystem::create_directory((store.path + ".bak.new")));
    EXPECT_FALSE(saveLabels(labels, store, log));
    EXPECT_EQ(readBytes(store.path), damaged);
    EXPECT_TRUE(store.keepBackup);
    std::filesystem::remove(store.path + ".bak.new");

    EXPECT_TRUE(saveLabels(labels, store, log));
    EXPECT_EQ(readBytes(store.path), expected);
    EXPECT_EQ(readBytes(store.path + ".bak"), damaged);
    EXPECT_FALSE(store.keepBackup);
}

TEST_F(StoreDir, LargeStoresLoadCompletely) {
    LabelList labels(3);
    const std::string alphabet = "abcdefghijklmnopqrstuvwxyz ABCDEFGHIJKLMNOPQRSTUVWXYZ_";
    for (size_t j = 0; j < labels.size(); ++j) {
        initFromDrag(labels[j], MapPoint{0, float(j)}, MapPoint{500, float(j)});
        for (int i = 0; i < 10000; ++i) labels[j].letters.push_back(makeLetter(alphabet[(i + j) % alphabet.size()]));
        layoutLetters(labels[j]);
    }
    ASSERT_TRUE(saveLabels(labels, store, log));
    LabelList loaded;
    ASSERT_TRUE(loadLabels(loaded, store));
    EXPECT_FALSE(store.keepBackup);
    ASSERT_EQ(loaded.size(), 3u);
    for (size_t j = 0; j < loaded.size(); ++j) {
        std::string expect = labelText(labels[j]);
        EXPECT_EQ(labelText(loaded[j]), expect);
    }
    EXPECT_EQ(loaded[2].letters.back().id, 29999);
    EXPECT_EQ(nextLetterId, 30000);
}
