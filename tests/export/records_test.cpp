#include "export/records.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// The first line of an orig party record with its position (x, y) as fields 15 and 16.
std::string partyLine(const std::string& x, const std::string& y) {
    return " 1 4 4 p_town_4 Brask_Hold 262144 0 0 3 0 0 0 0 0 " + x + " " + y + " " + x + " " + y + " 0.0 0 ";
}

std::vector<std::string> allLines(const std::string& text) {
    TextLineReader in{&text, 0};
    std::vector<std::string> lines;
    std::string line;
    while (readTextLine(in, line)) lines.push_back(line);
    return lines;
}

}  // namespace

TEST(Records, ReadTextLineReturnsEveryLineWhole) {
    EXPECT_EQ(allLines("a\nbc\n"), (std::vector<std::string>{"a", "bc"}));
    // A last line without a line end is a line too.
    EXPECT_EQ(allLines("a\nbc"), (std::vector<std::string>{"a", "bc"}));
    EXPECT_EQ(allLines("\n\nx"), (std::vector<std::string>{"", "", "x"}));
    EXPECT_TRUE(allLines("").empty());

    std::string longLine(5000, 'q');
    longLine[4999] = 'z';
    EXPECT_EQ(allLines("h\n" + longLine + "\nt\n"), (std::vector<std::string>{"h", longLine, "t"}));

    // A reader without text, and one past the end, give nothing.
    TextLineReader none;
    std::string line = "stale";
    EXPECT_FALSE(readTextLine(none, line));
    EXPECT_EQ(line, "");
    std::string text = "x\n";
    TextLineReader past{&text, 10};
    EXPECT_FALSE(readTextLine(past, line));
}

TEST(Records, CopyTextLineAddsTheLineEnd) {
    std::string text = "first\nlast";
    TextLineReader in{&text, 0};
    std::string out = ">";
    EXPECT_TRUE(copyTextLine(in, out));
    EXPECT_TRUE(copyTextLine(in, out));
    EXPECT_FALSE(copyTextLine(in, out));
    EXPECT_EQ(out, ">first\nlast\n");
}

TEST(Records, LeadingIntReadsLikeScanf) {
    EXPECT_EQ(leadingInt("12 12"), 12);
    EXPECT_EQ(leadingInt("  \t-7x"), -7);
    EXPECT_EQ(leadingInt("+5"), 5);
    EXPECT_EQ(leadingInt("0042"), 42);
    EXPECT_EQ(leadingInt("abc 3"), 0);
    EXPECT_EQ(leadingInt(""), 0);
    EXPECT_EQ(leadingInt("-"), 0);
    EXPECT_EQ(leadingInt("- 4"), 0);
    EXPECT_EQ(leadingInt("2147483647"), INT_MAX);
    EXPECT_EQ(leadingInt("-2147483648"), INT_MIN);
    EXPECT_EQ(leadingInt("99999999999999999999999999"), INT_MAX);
    EXPECT_EQ(leadingInt("-99999999999999999999999999"), INT_MIN);
}

TEST(Records, PartyPositionsSkipTheHiddenSpots) {
    std::string text = "partiesfile version 1\n5 5\n" + partyLine("0", "0") + "\n0.0\n" + partyLine("1", "1") +
                       "\n0.0\n" + partyLine("1", "0") + "\n0.0\n" + partyLine("12.5", "-4.25") + "\n1.5\n" +
                       partyLine("0.0", "1.0") + "\n0.0\n";
    std::vector<MapPoint> pos;
    ASSERT_TRUE(parsePartyPositions(pos, text));
    ASSERT_EQ(pos.size(), 3u);
    EXPECT_EQ(pos[0].x, 1.0f);
    EXPECT_EQ(pos[0].y, 0.0f);
    EXPECT_EQ(pos[1].x, 12.5f);
    EXPECT_EQ(pos[1].y, -4.25f);
    EXPECT_EQ(pos[2].x, 0.0f);
    EXPECT_EQ(pos[2].y, 1.0f);

    // Only the count's parties are read: a count of 1 ignores what follows.
    pos.clear();
    ASSERT_TRUE(parsePartyPositions(pos, "h\n1\n" + partyLine("3", "4") + "\nx\n" + "garbage\n"));
    EXPECT_EQ(pos.size(), 1u);

    // No count line, or no count on it: no parties.
    pos.clear();
    EXPECT_TRUE(parsePartyPositions(pos, "header only\n"));
    EXPECT_TRUE(parsePartyPositions(pos, ""));
    EXPECT_TRUE(parsePartyPositions(pos, "h\nnone\n" + partyLine("3", "4") + "\n"));
    EXPECT_TRUE(pos.empty());
}

TEST(Records, PartyPositionsStopAtABadOrMissingLine) {
    // A line with fewer than 16 fields fails; positions before it stay.
    std::vector<MapPoint> pos;
    std::string shortLine = " 1 4 4 p_town Town 0 0 0 3 0 0 0 0 0 5.0";
    EXPECT_FALSE(parsePartyPositions(pos, "h\n2\n" + partyLine("2", "3") + "\n0\n" + shortLine + "\n0\n"));
    ASSERT_EQ(pos.size(), 1u);
    EXPECT_EQ(pos[0].x, 2.0f);

    // A huge count in a tiny file ends with the file.
    pos.clear();
    EXPECT_FALSE(parsePartyPositions(pos, "h\n2000000000\n" + partyLine("2", "3") + "\n0\n"));
    EXPECT_EQ(pos.size(), 1u);

    // A file that ends between a party's two lines.
    pos.clear();
    EXPECT_FALSE(parsePartyPositions(pos, "h\n1\n" + partyLine("2", "3")));
    EXPECT_EQ(pos.size(), 1u);

    // Over-long name fields are read within their bounds.
    pos.clear();
    std::string longName(3000, 'n');
    EXPECT_FALSE(parsePartyPositions(pos, "h\n1\n 1 4 4 " + longName + " x 0 0 0 3 0 0 0 0 0 7 8\n0\n"));
    EXPECT_TRUE(pos.empty());
}

TEST(Records, ReadPartyPositionsFromAFile) {
    std::string dir = std::filesystem::temp_directory_path() / "vt_export_records_XXXXXX";
    ASSERT_NE(mkdtemp(dir.data()), nullptr);
    std::string path = dir + "/parties.orig.txt";
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::string text = "h\r\n12 12\r\n";
    for (int i = 0; i < 12; ++i) text += partyLine(std::to_string(i + 2), "5") + "\r\n0.0\r\n";
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);

    TerrainMesh terrain;
    terrain.partyPositions.push_back(MapPoint{9, 9});
    EXPECT_TRUE(readPartyPositions(terrain, dir + "/PARTIES.ORIG.TXT"));
    ASSERT_EQ(terrain.partyPositions.size(), 13u);
    EXPECT_EQ(terrain.partyPositions[1].x, 2.0f);
    EXPECT_EQ(terrain.partyPositions[12].x, 13.0f);
    EXPECT_EQ(terrain.partyPositions[12].y, 5.0f);

    EXPECT_FALSE(readPartyPositions(terrain, dir + "/missing.txt"));
    EXPECT_EQ(terrain.partyPositions.size(), 13u);
    std::filesystem::remove_all(dir);
}

TEST(Records, IconRecordSetsTheIconNumber) {
    LabelLetter l;
    l.id = 3;
    std::string out = "x\n";
    writeIconRecord(l, out, 41);
    EXPECT_EQ(l.icon, 41);
    EXPECT_EQ(out, "x\nmap_str_003 1 map_str_003 1.000000 0 0 0 0 0\n\n\n");
}

TEST(Records, PartyRecordFields) {
    LabelLetter l;
    l.id = 3;
    l.icon = 9;  // the caller passes the representative's icon instead
    l.anchor = MapPoint{10.5f, -3.25f};
    l.angle = 0.0f;
    std::string out;
    writePartyRecord(l, 40, out, 57);
    EXPECT_EQ(out,
              " 1 57 57 p_map_str_003 _ 541736 0 0 3 0 0 0 0 0  10.500000  -3.250000  10.500000  -3.250000  10.500000 "
              " -3.250000 0.0 0 \n4.712389\n");

    // The angle is added in single precision; wide anchors push the columns out.
    l.id = 1234;
    l.angle = -1.5f;
    l.anchor = MapPoint{-123456.5f, 7.0f};
    out.clear();
    writePartyRecord(l, 0, out, 2);
    char second[64];
    std::snprintf(second, sizeof second, "%f\n", static_cast<double>(-1.5f + 4.712389f));
    EXPECT_EQ(out, std::string(" 1 2 2 p_map_str_1234 _ 541696 0 0 3 0 0 0 0 0 -123456.500000   7.000000 -123456.500000   "
                               "7.000000 -123456.500000   7.000000 0.0 0 \n") +
                       second);
    EXPECT_EQ(std::string(second), "3.212389\n");
}
