#include "formats/records.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>

#include "../test_support.h"

namespace {

// The first line of an orig party record with its position (x, y) as fields 15 and 16.
std::string partyLine(const std::string& x, const std::string& y) {
    return " 1 4 4 p_town_4 Brask_Hold 262144 0 0 3 0 0 0 0 0 " + x + " " + y + " " + x + " " + y + " 0.0 0 ";
}

std::vector<std::string> allLines(const std::string& text) {
    TextLineReader in{&text, 0};
    std::vector<std::string> lines;
    for (std::string line; readTextLine(in, line);) lines.push_back(line);
    return lines;
}

using Positions = std::vector<std::pair<float, float>>;

// Parses text and gives the outcome with the positions read.
std::pair<bool, Positions> positions(const std::string& text) {
    std::vector<MapPoint> pos;
    const bool ok = parsePartyPositions(pos, text);
    Positions out;
    for (MapPoint p : pos) out.emplace_back(p.x, p.y);
    return {ok, out};
}

TEST(Records, TextLinesAndLeadingNumbers) {
    using Lines = std::vector<std::string>;
    EXPECT_EQ(allLines("a\nbc\n"), (Lines{"a", "bc"}));
    // A last line without a line end is a line too.
    EXPECT_EQ(allLines("a\nbc"), (Lines{"a", "bc"}));
    EXPECT_EQ(allLines("\n\nx"), (Lines{"", "", "x"}));
    EXPECT_TRUE(allLines("").empty());
    std::string longLine(5000, 'q');
    longLine[4999] = 'z';
    EXPECT_EQ(allLines("h\n" + longLine + "\nt\n"), (Lines{"h", longLine, "t"}));
    // A reader without text, and one past the end, give nothing.
    TextLineReader none;
    std::string line = "stale";
    EXPECT_FALSE(readTextLine(none, line));
    EXPECT_EQ(line, "");
    const std::string text = "first\nlast";
    TextLineReader past{&text, 20};
    EXPECT_FALSE(readTextLine(past, line));
    // Copying a line adds its line end.
    TextLineReader in{&text, 0};
    std::string out = ">";
    while (copyTextLine(in, out)) {
    }
    EXPECT_EQ(out, ">first\nlast\n");

    for (auto [s, v] : {std::pair{"12 12", 12}, {"  \t-7x", -7}, {"+5", 5}, {"0042", 42}, {"abc 3", 0}, {"", 0},
                        {"-", 0}, {"- 4", 0}, {"2147483647", INT_MAX}, {"-2147483648", INT_MIN},
                        {"99999999999999999999999999", INT_MAX}, {"-99999999999999999999999999", INT_MIN}})
        EXPECT_EQ(leadingInt(s), v) << s;
}

TEST(Records, PartyPositions) {
    // The hidden spots (0, 0) and (1, 1) are skipped.
    std::string text = "partiesfile version 1\n5 5\n";
    for (auto [x, y, last] : {std::tuple{"0", "0", "0.0"}, {"1", "1", "0.0"}, {"1", "0", "0.0"}, {"12.5", "-4.25", "1.5"},
                              {"0.0", "1.0", "0.0"}})
        text += partyLine(x, y) + "\n" + last + "\n";
    EXPECT_EQ(positions(text), std::pair(true, Positions{{1, 0}, {12.5f, -4.25f}, {0, 1}}));
    // Only the count's parties are read.
    EXPECT_EQ(positions("h\n1\n" + partyLine("3", "4") + "\nx\ngarbage\n"), std::pair(true, Positions{{3, 4}}));
    // No count line, or no count on it: no parties.
    for (const std::string& t : {std::string("header only\n"), std::string(), "h\nnone\n" + partyLine("3", "4") + "\n"})
        EXPECT_EQ(positions(t), std::pair(true, Positions{}));

    // A line with fewer than 16 fields, a huge count in a tiny file, a file that
    // ends between a party's two lines: false, the positions before stay.
    const std::string first = partyLine("2", "3") + "\n0\n";
    for (const std::string& t : {"h\n2\n" + first + " 1 4 4 p_town Town 0 0 0 3 0 0 0 0 0 5.0\n0\n",
                                 "h\n2000000000\n" + first, "h\n1\n" + partyLine("2", "3")})
        EXPECT_EQ(positions(t), std::pair(false, Positions{{2, 3}})) << t;
    // Over-long name fields are read within their bounds.
    EXPECT_EQ(positions("h\n1\n 1 4 4 " + std::string(3000, 'n') + " x 0 0 0 3 0 0 0 0 0 7 8\n0\n"),
              std::pair(false, Positions{}));

    // From a file: CR LF, odd letter case, appended to what the terrain holds.
    test_support::TempDir dir;
    std::string file = "h\r\n12 12\r\n";
    for (int i = 0; i < 12; ++i) file += partyLine(std::to_string(i + 2), "5") + "\r\n0.0\r\n";
    test_support::writeBytes(dir / "parties.orig.txt", file);
    TerrainMesh terrain;
    terrain.partyPositions.push_back(MapPoint{9, 9});
    EXPECT_TRUE(readPartyPositions(terrain.partyPositions, dir / "PARTIES.ORIG.TXT"));
    ASSERT_EQ(terrain.partyPositions.size(), 13u);
    // The names of the parties shown, "_" read as a space; hidden ones have none.
    std::vector<MapPoint> shown;
    std::vector<PartyName> names;
    EXPECT_TRUE(parsePartyPositions(shown, "h\n3\n" + partyLine("0", "0") + "\n0\n" + partyLine("2", "3") +
                                               "\n0\n 1 4 4 p_town_6 East_vale_ 0 0 0 3 0 0 0 0 0 7 8\n0\n",
                                    &names));
    ASSERT_EQ(names.size(), shown.size());
    EXPECT_EQ(std::tuple(names[1].id, names[1].name, shown[1].x), std::tuple("p_town_6", "East vale ", 7.0f));
    EXPECT_EQ(terrain.partyPositions[1].x, 2.0f);
    EXPECT_EQ(std::pair(terrain.partyPositions[12].x, terrain.partyPositions[12].y), std::pair(13.0f, 5.0f));
    EXPECT_FALSE(readPartyPositions(terrain.partyPositions, dir / "missing.txt"));
    EXPECT_EQ(terrain.partyPositions.size(), 13u);
}

TEST(Records, CutPartiesAndIconMeshes) {
    // Parties as the export writes them are read by the command's own test; here the cut one.
    std::vector<PartyRecord> parties;
    std::string error;
    EXPECT_FALSE(parseParties("h\n2\n 1 0 0 p_a _ 1 0 0 3 0 0 0 0 0 1 2 0 0 0 0 0.0 0 \n4.5\n", parties, error));
    EXPECT_EQ(error, "it ends after 1 of its 2 parties");
    // An icon with a trigger of two operations, then one as the export writes it.
    const auto meshes = parseIconMeshes(
        "map_icons_file version 1\n3\ntown 0 town_mesh 0.3 0 0 0 0 1\n0.5 2 1 2 5 6 7 0\n"
        "map_str_001 1 map_str_001 1.000000 0 0 0 0 0\n\n\nbroken 1\n");
    EXPECT_EQ(meshes, (std::vector<std::string>{"town_mesh", "map_str_001"}));
}

}  // namespace
