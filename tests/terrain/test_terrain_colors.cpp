#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/platform.h"
#include "terrain/terrain_colors.h"

namespace {

std::string tempDir() {
    char tmpl[] = "/tmp/vt_colors_XXXXXX";
    const char* d = mkdtemp(tmpl);
    return d ? std::string(d) + "/" : std::string("/tmp/");
}

void expectRow(const TerrainColorTable& t, int row, int r, int g, int b) {
    EXPECT_EQ(t.rgb[row][0], r) << "row " << row;
    EXPECT_EQ(t.rgb[row][1], g) << "row " << row;
    EXPECT_EQ(t.rgb[row][2], b) << "row " << row;
}

TerrainMesh meshWithTypes(std::initializer_list<int> types) {
    TerrainMesh m;
    m.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    for (int t : types) {
        MapFace f;
        f.corners[1] = 1;
        f.corners[2] = 2;
        f.terrainType = t;
        m.faces.push_back(f);
    }
    return m;
}

}  // namespace

TEST(TerrainColors, RowsAndValuesTakeLowBits) {
    EXPECT_EQ(colorRow(0), 0);
    EXPECT_EQ(colorRow(259), 3);
    EXPECT_EQ(colorRow(256), 0);
    EXPECT_EQ(colorRow(-1), 255);
    EXPECT_EQ(colorRow(-256), 0);
    EXPECT_EQ(colorRow(-257), 255);
    EXPECT_EQ(colorRow(INT_MIN), 0);
    EXPECT_EQ(colorRow(INT_MAX), 255);

    TerrainColorTable t;
    for (int r = 0; r < 256; ++r) expectRow(t, r, 0, 0, 0);
    parseTerrainColors(t, "1\n259 10 20 30\n");
    expectRow(t, 3, 10, 20, 30);
    expectRow(t, 2, 0, 0, 0);
    parseTerrainColors(t, "3\n5 256 -1 300\n-1 1 2 3\n5 7 8 9\n");
    expectRow(t, 5, 7, 8, 9);  // a row listed twice takes its last values
    expectRow(t, 255, 1, 2, 3);
    parseTerrainColors(t, "1\n6 256 -1 300\n");
    expectRow(t, 6, 0, 255, 44);
}

TEST(TerrainColors, BadRowsAreSkippedAndCountsBounded) {
    TerrainColorTable t;
    unsigned v0 = t.version;
    // Row 2 holds a word: the rest of its line is dropped, the rows after it still count.
    parseTerrainColors(t, "4\n1 10 10 10\n2 x 20 20\n3 30 30 30\n4 40 4.5 40\n9 9 9 9\n");
    EXPECT_GT(t.version, v0);
    expectRow(t, 1, 10, 10, 10);
    expectRow(t, 2, 0, 0, 0);
    expectRow(t, 3, 30, 30, 30);
    expectRow(t, 4, 0, 0, 0);
    expectRow(t, 9, 0, 0, 0);  // beyond the count of four rows

    // A count larger than the rows present, and a row cut short at the end.
    parseTerrainColors(t, "1000000000\n7 70 70 70\n8 80");
    expectRow(t, 7, 70, 70, 70);
    expectRow(t, 8, 0, 0, 0);

    // Rows may also run across lines: only white space separates numbers.
    parseTerrainColors(t, "2 10 1 2\n3 11 4 5 6");
    expectRow(t, 10, 1, 2, 3);
    expectRow(t, 11, 4, 5, 6);

    // No readable count: nothing changes.
    TerrainColorTable u = t;
    parseTerrainColors(u, "many\n12 1 1 1\n");
    parseTerrainColors(u, "");
    parseTerrainColors(u, "-4\n12 1 1 1\n");
    for (int r = 0; r < 256; ++r) expectRow(u, r, t.rgb[r][0], t.rgb[r][1], t.rgb[r][2]);
}

TEST(TerrainColors, FileReadAndReload) {
    std::string dir = tempDir();
    TerrainColorTable t;
    EXPECT_FALSE(readTerrainColors(t, dir + "mapcolors.txt"));
    EXPECT_EQ(t.version, 0u);

    ASSERT_TRUE(replaceFileWith(dir + "mapcolors.txt", "3\r\n0 1 2 3\r\n1 4 5 6\r\n2 7 8 9\r\n"));
    ASSERT_TRUE(readTerrainColors(t, dir + "mapcolors.txt"));
    unsigned v1 = t.version;
    EXPECT_GT(v1, 0u);
    expectRow(t, 0, 1, 2, 3);
    expectRow(t, 2, 7, 8, 9);

    // Reloading a shorter list leaves the unlisted rows as they were.
    ASSERT_TRUE(replaceFileWith(dir + "mapcolors.txt", "1\n1 40 50 60\n"));
    ASSERT_TRUE(readTerrainColors(t, dir + "mapcolors.txt"));
    EXPECT_GT(t.version, v1);
    expectRow(t, 0, 1, 2, 3);
    expectRow(t, 1, 40, 50, 60);
    expectRow(t, 2, 7, 8, 9);

    // Missing at a later reload: nothing changes.
    std::remove((dir + "mapcolors.txt").c_str());
    unsigned v2 = t.version;
    EXPECT_FALSE(readTerrainColors(t, dir + "mapcolors.txt"));
    EXPECT_EQ(t.version, v2);
    expectRow(t, 1, 40, 50, 60);
}

TEST(TerrainColors, DefaultFileListsTheMapsTypes) {
    std::string dir = tempDir();
    std::string path = dir + "mapcolors.txt";
    ASSERT_TRUE(writeDefaultTerrainColors(meshWithTypes({24, 0, 3, 0, 24}), path));
    std::string text;
    ASSERT_TRUE(readTextFile(path, text));
    EXPECT_EQ(text, "3\n0 64 64 64\n3 88 88 88\n24 0 0 0\n");

    // Types out of range are listed by their row; a rewrite replaces the whole file.
    ASSERT_TRUE(writeDefaultTerrainColors(meshWithTypes({-1, 1, 23, 25, 257}), path));
    ASSERT_TRUE(readTextFile(path, text));
    EXPECT_EQ(text, "4\n1 72 72 72\n23 248 248 248\n25 8 8 8\n255 56 56 56\n");

    ASSERT_TRUE(writeDefaultTerrainColors(TerrainMesh{}, path));
    ASSERT_TRUE(readTextFile(path, text));
    EXPECT_EQ(text, "0\n");

    // The default file reads back into the table it describes.
    ASSERT_TRUE(writeDefaultTerrainColors(meshWithTypes({2, 30}), path));
    TerrainColorTable t;
    ASSERT_TRUE(readTerrainColors(t, path));
    expectRow(t, 2, 80, 80, 80);
    expectRow(t, 30, 48, 48, 48);

    EXPECT_FALSE(writeDefaultTerrainColors(meshWithTypes({1}), dir + "no/such/dir/mapcolors.txt"));
    // A failed write keeps the old file whole.
    setWriteFailureAfter(3);
    EXPECT_FALSE(writeDefaultTerrainColors(meshWithTypes({0, 1, 2, 3, 4, 5}), path));
    setWriteFailureAfter(-1);
    ASSERT_TRUE(readTextFile(path, text));
    EXPECT_EQ(text, "2\n2 80 80 80\n30 48 48 48\n");
}
