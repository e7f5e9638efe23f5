// The label store: exact bytes written, round trips, old versions, damaged files
// and failed saves.
#include "labels/label_store.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/platform.h"

namespace {

const char* EXAMPLE_LINE =
    "A b _ c |  10.500000 -3.250000  0.330000 0.000000  0.660000 0.000000  20.000000 -3.250000  "
    "1.500000 35 100 0 0\n";

Label exampleLabel() {
    Label label;
    initFromDrag(label, MapPoint{10.5f, -3.25f}, MapPoint{20.0f, -3.25f});
    label.size = 1.5f;
    for (char c : std::string("Ab c")) addLetter(label, c);
    return label;
}

std::string makeTempDir() {
    char tmpl[] = "/tmp/vt_labels_XXXXXX";
    const char* dir = ::mkdtemp(tmpl);
    return dir ? dir : "/tmp";
}

std::string readAll(const std::string& path) {
    std::string bytes;
    readBinaryFile(path, bytes);
    return bytes;
}

void writeAll(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

bool exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

std::string newestMessage(const MessageLog& log) {
    auto list = messagesNewestFirst(log);
    return list.empty() ? "" : list.front();
}

struct StoreDir : ::testing::Test {
    std::string dir = makeTempDir();
    LabelStore store;
    MessageLog log;
    void SetUp() override { store.path = dir + "/savedData.txt"; }
    void TearDown() override {
        setWriteFailureAfter(-1);
        std::string cmd = "rm -rf '" + dir + "'";
        if (std::system(cmd.c_str()) != 0) ADD_FAILURE() << "cannot clean " << dir;
    }
};

}  // namespace

TEST(LabelStoreFormat, LinesAreWrittenByteForByte) {
    std::string line;
    writeLabel(exampleLabel(), line);
    EXPECT_EQ(line, EXAMPLE_LINE);

    Label bare;
    initFromDrag(bare, MapPoint{0, 0}, MapPoint{1, 2});
    bare.italic = 1;
    bare.width = 180;
    bare.spare = -4;
    bare.visibility = 55;
    std::string out;
    writeLabel(bare, out);
    EXPECT_EQ(out, "|  0.000000 0.000000  0.330000 0.000000  0.660000 0.000000  1.000000 2.000000  1.000000 55 180 1 -4\n");
}

TEST_F(StoreDir, EmptyListIsTwoLinesAndLoadsEmpty) {
    LabelList labels;
    ASSERT_TRUE(saveLabels(labels, store, log));
    EXPECT_EQ(readAll(store.path), "v1\n0\n");
    EXPECT_EQ(newestMessage(log), "All label saved. Will be loaded at the next run.");
    EXPECT_FALSE(exists(store.path + ".new"));

    LabelList loaded(3);
    ASSERT_TRUE(loadLabels(loaded, store));
    EXPECT_TRUE(loaded.empty());
    EXPECT_FALSE(store.keepBackup);
}

TEST_F(StoreDir, EveryFieldSurvivesARoundTripAndIdsRestartAtZero) {
    resetLetterIds();
    nextLetterId = 500;
    LabelList labels;
    labels.push_back(exampleLabel());
    Label second;
    initFromDrag(second, MapPoint{-1234.5678f, 98.7654321f}, MapPoint{0.1234567f, -77.0f});
    moveNode(second, MapPoint{3.14159f, 2.71828f}, 1);
    second.size = 0.123456f;
    second.visibility = 65;
    second.width = 215;
    second.italic = 1;
    second.spare = 12;
    for (char c : std::string("x y")) addLetter(second, c);
    labels.push_back(second);
    labels.push_back(Label{});  // no letters: the line starts with the separator
    initFromDrag(labels[2], MapPoint{5, 5}, MapPoint{6, 6});

    ASSERT_TRUE(saveLabels(labels, store, log));
    const std::string text = readAll(store.path);
    EXPECT_EQ(text.compare(0, 5, "v1\n3\n"), 0);
    EXPECT_NE(text.find(EXAMPLE_LINE), std::string::npos);
    EXPECT_NE(text.find("\n|  5.000000 5.000000 "), std::string::npos);

    LabelList loaded;
    ASSERT_TRUE(loadLabels(loaded, store));
    ASSERT_EQ(loaded.size(), 3u);
    int id = 0;
    for (size_t i = 0; i < 3; ++i) {
        const Label& a = labels[i];
        const Label& b = loaded[i];
        EXPECT_EQ(labelText(b), labelText(a));
        for (int k = 0; k < 4; ++k) {
            char sa[64], sb[64];
            std::snprintf(sa, sizeof sa, "%f %f", double(a.nodes[k].x), double(a.nodes[k].y));
            std::snprintf(sb, sizeof sb, "%f %f", double(b.nodes[k].x), double(b.nodes[k].y));
            EXPECT_STREQ(sa, sb) << i << " node " << k;
        }
        EXPECT_NEAR(b.size, a.size, 5e-7);
        EXPECT_EQ(b.visibility, a.visibility);
        EXPECT_EQ(b.width, a.width);
        EXPECT_EQ(b.italic, a.italic);
        EXPECT_EQ(b.spare, a.spare);
        EXPECT_EQ(b.widthDrag, 100);
        for (const LabelLetter& l : b.letters) {
            EXPECT_EQ(l.id, id++);
            EXPECT_EQ(l.alpha, b.visibility * 255 / 100);  // laid out and attributes applied
        }
    }
    EXPECT_EQ(nextLetterId, 7);
    EXPECT_NEAR(loaded[0].letters[0].position.x, labels[0].letters[0].position.x, 1e-4);
    EXPECT_EQ(loaded[1].letters[1].ch, ' ');
}

TEST_F(StoreDir, VersionZeroAndCarriageReturnsLoad) {
    writeAll(store.path,
             "2\r\nA b |  1 2  0.33 0  0.66 0  5 6  1.5 40\r\n"
             "|  0 0  0.33 0.1  0.66 0  1 1  2 50 \r\n");
    LabelList labels;
    ASSERT_TRUE(loadLabels(labels, store));
    ASSERT_EQ(labels.size(), 2u);
    EXPECT_EQ(labelText(labels[0]), "Ab");
    EXPECT_EQ(labels[0].size, 1.5f);
    EXPECT_EQ(labels[0].visibility, 40);
    EXPECT_EQ(labels[0].width, 100);
    EXPECT_EQ(labels[0].italic, 0);
    EXPECT_EQ(labels[0].spare, 0);
    EXPECT_EQ(labels[0].nodes[3].y, 6.0f);
    EXPECT_EQ(labels[1].letters.size(), 0u);
    EXPECT_EQ(labels[1].nodes[1].y, 0.1f);
    EXPECT_EQ(labels[1].visibility, 50);
    EXPECT_FALSE(store.keepBackup);

    // Any version number after the 'v' reads the long attribute list.
    LabelList v7;
    std::string error;
    EXPECT_TRUE(parseLabelStore(v7, "v7\n1\nq |  1 2  0.33 0  0.66 0  5 6  1.5 40 120 1 3\n", error));
    ASSERT_EQ(v7.size(), 1u);
    EXPECT_EQ(v7[0].width, 120);
    EXPECT_EQ(v7[0].spare, 3);
    EXPECT_TRUE(error.empty());
}

TEST_F(StoreDir, MissingStoreLeavesTheListAlone) {
    LabelList labels(2);
    nextLetterId = 42;
    EXPECT_FALSE(loadLabels(labels, store));
    EXPECT_EQ(labels.size(), 2u);
    EXPECT_EQ(nextLetterId, 0);
    EXPECT_FALSE(store.keepBackup);

    // A store that is there but cannot be read is never replaced unseen.
    ASSERT_EQ(::mkdir(store.path.c_str(), 0755), 0);
    EXPECT_FALSE(loadLabels(labels, store));
    EXPECT_EQ(labels.size(), 2u);
    EXPECT_TRUE(store.keepBackup);
    EXPECT_FALSE(saveLabels(labels, store, log));
    EXPECT_EQ(newestMessage(log), "Cannot save internal file?!");
    EXPECT_TRUE(exists(store.path));
}

TEST_F(StoreDir, DamagedStoresKeepTheCompleteLabelsAndTheOldBytes) {
    const std::string good = "A b |  1 2  0.33 0  0.66 0  5 6  1.5 40 100 0 0\n";
    const std::string good2 = "c |  7 8  0.33 0  0.66 0  9 9  1 35 90 1 0\n";
    struct Case {
        std::string text;
        size_t kept;
    };
    const Case cases[] = {
        {"", 0},
        {"v1\nxyz\n" + good, 0},
        {"v\n1\n" + good, 0},
        {"v1\n-3\n" + good, 0},
        {"v1\n3\n" + good + "A b |  1 2  0.33 0\n" + good2, 1},
        {"v1\n3\n" + good + "A b c d\n" + good2, 1},
        {"v1\n2\n" + good + "B |  1 2  0.33", 1},
        {"v1\n2\n" + good + "B C", 1},
        {"v1\n3\n" + good + good2 + "B |  1 2  0.33 zz  0.66 0  5 6  1.5 40 100 0 0\n", 2},
        {"v1\n2\n" + good + "B |  1 2  0.33 0  0.66 0  5 6  1.5 4x 100 0 0\n", 1},
        {"v1\n2000000000\n" + good, 1},
        {"v1\n99999999999999999999\n" + good + good2, 2},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n++);
        writeAll(store.path, c.text);
        std::remove((store.path + ".bak").c_str());
        store.keepBackup = false;
        LabelList labels(5);
        testing::internal::CaptureStdout();
        ASSERT_TRUE(loadLabels(labels, store));
        const std::string said = testing::internal::GetCapturedStdout();
        EXPECT_EQ(labels.size(), c.kept);
        if (c.kept > 0) {
            EXPECT_EQ(labelText(labels[0]), "Ab");
        }
        if (c.kept > 1) {
            EXPECT_EQ(labelText(labels[1]), "c");
        }
        EXPECT_TRUE(store.keepBackup);
        EXPECT_EQ(said.rfind("Damaged label store \"" + store.path + "\": ", 0), 0u) << said;
        EXPECT_NE(said.find("; " + std::to_string(c.kept) + " labels loaded\n"), std::string::npos) << said;
        EXPECT_EQ(said.find('\n'), said.size() - 1) << said;  // one line

        // The first save keeps the damaged bytes beside the new store; later ones leave them.
        ASSERT_TRUE(saveLabels(labels, store, log));
        EXPECT_EQ(readAll(store.path + ".bak"), c.text);
        EXPECT_FALSE(store.keepBackup);
        const std::string saved = readAll(store.path);
        EXPECT_EQ(saved.compare(0, 3, "v1\n"), 0);
        addLetter(labels.emplace_back(), 'z');
        ASSERT_TRUE(saveLabels(labels, store, log));
        EXPECT_EQ(readAll(store.path + ".bak"), c.text);
        EXPECT_NE(readAll(store.path), saved);
    }

    // The parser names the label where reading stopped.
    LabelList labels;
    std::string error;
    EXPECT_FALSE(parseLabelStore(labels, "v1\n5\n" + good + good2 + good + "B |  1 2", error));
    EXPECT_EQ(error, "label 4 of 5 is incomplete");
    EXPECT_EQ(labels.size(), 3u);
}

TEST(LabelStoreParse, EveryPrefixOfAStoreKeepsItsLeadingLabels) {
    LabelList labels;
    labels.push_back(exampleLabel());
    Label other;
    initFromDrag(other, MapPoint{-3, 4}, MapPoint{1e6f, -2.5e-3f});
    other.italic = 1;
    for (char c : std::string("Port Royal")) addLetter(other, c);
    labels.push_back(other);
    labels.push_back(exampleLabel());
    std::string text = "v1\n3\n";
    for (const Label& l : labels) writeLabel(l, text);

    for (size_t n = 0; n <= text.size(); ++n) {
        LabelList parsed;
        std::string error;
        const bool whole = parseLabelStore(parsed, text.substr(0, n), error);
        EXPECT_EQ(whole, error.empty()) << n;
        ASSERT_LE(parsed.size(), labels.size()) << n;
        for (size_t i = 0; i < parsed.size(); ++i) EXPECT_EQ(labelText(parsed[i]), labelText(labels[i])) << n;
        if (whole) {
            EXPECT_EQ(parsed.size(), 3u) << n;
        }
    }
}

TEST_F(StoreDir, FailedSavesLeaveTheOldStoreByteForByte) {
    LabelList labels;
    labels.push_back(exampleLabel());
    ASSERT_TRUE(saveLabels(labels, store, log));
    const std::string old = readAll(store.path);
    addLetter(labels[0], 'q');
    labels.push_back(exampleLabel());

    for (long long n : {0LL, 1LL, 17LL, static_cast<long long>(old.size()), static_cast<long long>(old.size()) + 60}) {
        SCOPED_TRACE(n);
        showMessage(log, "-");
        setWriteFailureAfter(n);
        EXPECT_FALSE(saveLabels(labels, store, log));
        setWriteFailureAfter(-1);
        EXPECT_EQ(newestMessage(log), "Cannot save internal file?!");
        EXPECT_EQ(readAll(store.path), old);
        EXPECT_FALSE(exists(store.path + ".new"));
    }

    // The new file cannot be created beside the old one.
    ASSERT_EQ(::mkdir((store.path + ".new").c_str(), 0755), 0);
    EXPECT_FALSE(saveLabels(labels, store, log));
    EXPECT_EQ(newestMessage(log), "Cannot save internal file?!");
    EXPECT_EQ(readAll(store.path), old);
    ::rmdir((store.path + ".new").c_str());

    // A folder that does not exist.
    LabelStore nowhere;
    nowhere.path = dir + "/missing/savedData.txt";
    EXPECT_FALSE(saveLabels(labels, nowhere, log));
    EXPECT_EQ(newestMessage(log), "Cannot save internal file?!");

    // A damaged store whose copy cannot be written is not overwritten either.
    store.keepBackup = true;
    ASSERT_EQ(::mkdir((store.path + ".bak.new").c_str(), 0755), 0);
    EXPECT_FALSE(saveLabels(labels, store, log));
    EXPECT_EQ(readAll(store.path), old);
    EXPECT_TRUE(store.keepBackup);
    ::rmdir((store.path + ".bak.new").c_str());
    EXPECT_TRUE(saveLabels(labels, store, log));
    EXPECT_EQ(readAll(store.path + ".bak"), old);
    EXPECT_NE(readAll(store.path), old);
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
        for (char& c : expect)
            if (c == '_') c = ' ';  // an underscore comes back as a space
        EXPECT_EQ(labelText(loaded[j]), expect);
    }
    EXPECT_EQ(loaded[2].letters.back().id, 29999);
    EXPECT_EQ(nextLetterId, 30000);
}

TEST(LabelStoreParse, MangledStoresNeverBreakTheReader) {
    std::string base = "v1\n4\n";
    Label label = exampleLabel();
    for (int i = 0; i < 4; ++i) writeLabel(label, base);
    const char alphabet[] = " \n|_-+.0123456789eEvxn\r\t";
    unsigned seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7fff; };
    for (int round = 0; round < 3000; ++round) {
        std::string text = base;
        const int edits = 1 + static_cast<int>(next() % 4);
        for (int e = 0; e < edits; ++e) {
            const size_t at = next() % text.size();
            switch (next() % 3) {
                case 0: text[at] = alphabet[next() % (sizeof alphabet - 1)]; break;
                case 1: text.erase(at, 1 + next() % 8); break;
                default: text.insert(at, 1, alphabet[next() % (sizeof alphabet - 1)]); break;
            }
            if (text.empty()) text.push_back('v');
        }
        LabelList parsed;
        std::string error;
        const bool whole = parseLabelStore(parsed, text, error);
        EXPECT_EQ(whole, error.empty()) << text;
        EXPECT_LE(parsed.size(), text.size() / 16 + 1) << text;
        for (const Label& l : parsed) EXPECT_LE(l.letters.size(), text.size());
    }
}
