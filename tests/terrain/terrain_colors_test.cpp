#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <string>
#include <tuple>

#include "../test_support.h"
#include "platform/platform.h"
#include "terrain/terrain_colors.h"

namespace {

using Rgb = std::array<int, 3>;

Rgb row(const TerrainColorTable& t, int r) { return {t.rgb[r][0], t.rgb[r][1], t.rgb[r][2]}; }

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

TEST(TerrainColors, RowsAndValuesTakeLowBits) {
    for (auto [type, r] : {std::pair{0, 0}, {259, 3}, {256, 0}, {-1, 255}, {-256, 0}, {-257, 255}, {INT_MIN, 0}, {INT_MAX, 255}})
        EXPECT_EQ(colorRow(type), r) << type;

    // A table starts from the palette: the ground types in their colours, every
    // other type in the grey (64 + 8 t) mod 256.
    TerrainColorTable t;
    const std::pair<int, Rgb> palette[] = {
        {0, {46, 98, 170}},   {1, {132, 128, 122}}, {2, {176, 168, 96}},  {3, {104, 160, 72}},
        {4, {236, 240, 244}}, {5, {222, 204, 146}}, {6, {112, 112, 112}}, {7, {140, 110, 80}},
        {8, {70, 130, 200}},  {9, {84, 104, 80}},   {10, {120, 136, 64}}, {11, {38, 102, 50}},
        {12, {150, 176, 160}}, {13, {160, 160, 90}}, {14, {176, 176, 176}}, {15, {28, 64, 130}},
        {16, {192, 192, 192}}, {24, {0, 0, 0}},     {255, {56, 56, 56}}};
    for (const auto& [r, rgb] : palette) EXPECT_EQ(row(t, r), rgb) << r;
    parseTerrainColors(t, "1\n259 10 20 30\n");
    EXPECT_EQ(row(t, 3), (Rgb{10, 20, 30}));
    EXPECT_EQ(row(t, 2), (Rgb{176, 168, 96}));
    // A row listed twice takes its last values; values keep their low byte.
    parseTerrainColors(t, "3\n5 256 -1 300\n-1 1 2 3\n5 7 8 9\n");
    EXPECT_EQ(row(t, 5), (Rgb{7, 8, 9}));
    EXPECT_EQ(row(t, 255), (Rgb{1, 2, 3}));
    parseTerrainColors(t, "1\n6 256 -1 300\n");
    EXPECT_EQ(row(t, 6), (Rgb{0, 255, 44}));
}

TEST(TerrainColors, BadRowsAreSkippedAndCountsBounded) {
    TerrainColorTable t;
    const unsigned v0 = t.version;
    // Row 2 holds a word: the rest of its line is dropped, the rows after it still
    // count; row 9 is beyond the count of four rows.
    parseTerrainColors(t, "4\n1 10 10 10\n2 x 20 20\n3 30 30 30\n4 40 4.5 40\n9 9 9 9\n");
    EXPECT_GT(t.version, v0);
    const TerrainColorTable start;
    for (auto [r, rgb] : {std::pair{1, Rgb{10, 10, 10}}, {2, row(start, 2)}, {3, Rgb{30, 30, 30}}, {4, row(start, 4)},
                          {9, row(start, 9)}})
        EXPECT_EQ(row(t, r), rgb) << r;

    // A count larger than the rows present, and a row cut short at the end.
    parseTerrainColors(t, "1000000000\n7 70 70 70\n8 80");
    EXPECT_EQ(row(t, 7), (Rgb{70, 70, 70}));
    EXPECT_EQ(row(t, 8), row(start, 8));
    // Rows may also run across lines: only white space separates numbers.
    parseTerrainColors(t, "2 10 1 2\n3 11 4 5 6");
    EXPECT_EQ(row(t, 10), (Rgb{1, 2, 3}));
    EXPECT_EQ(row(t, 11), (Rgb{4, 5, 6}));

    // No readable count: nothing changes.
    TerrainColorTable u = t;
    for (const char* text : {"many\n12 1 1 1\n", "", "-4\n12 1 1 1\n"}) parseTerrainColors(u, text);
    for (int r = 0; r < 256; ++r) EXPECT_EQ(row(u, r), row(t, r));
}

TEST(TerrainColors, FileReadReloadAndDefaults) {
    test_support::TempDir dir;
    const std::string path = dir / "mapcolors.txt";
    TerrainColorTable t;
    EXPECT_FALSE(readTerrainColors(t, path));
    EXPECT_EQ(t.version, 0u);

    ASSERT_TRUE(replaceFileWith(path, "3\r\n0 1 2 3\r\n1 4 5 6\r\n2 7 8 9\r\n"));
    ASSERT_TRUE(readTerrainColors(t, path));
    const unsigned v1 = t.version;
    EXPECT_GT(v1, 0u);
    EXPECT_EQ(row(t, 2), (Rgb{7, 8, 9}));
    // Reloading a shorter list leaves the unlisted rows as they were.
    ASSERT_TRUE(replaceFileWith(path, "1\n1 40 50 60\n"));
    ASSERT_TRUE(readTerrainColors(t, path));
    EXPECT_GT(t.version, v1);
    EXPECT_EQ(row(t, 0), (Rgb{1, 2, 3}));
    EXPECT_EQ(row(t, 1), (Rgb{40, 50, 60}));
    EXPECT_EQ(row(t, 2), (Rgb{7, 8, 9}));
    // Missing at a later reload: nothing changes.
    std::filesystem::remove(path);
    const unsigned v2 = t.version;
    EXPECT_FALSE(readTerrainColors(t, path));
    EXPECT_EQ(t.version, v2);
    EXPECT_EQ(row(t, 1), (Rgb{40, 50, 60}));

    // The default file lists the map's types once each in their palette colours;
    // types out of range are listed by their row; a rewrite replaces the whole file.
    const std::pair<TerrainMesh, const char*> defaults[] = {
        {meshWithTypes({24, 0, 3, 0, 24}), "3\n0 46 98 170\n3 104 160 72\n24 0 0 0\n"},
        {meshWithTypes({-1, 6, 23, 25, 257}), "5\n1 132 128 122\n6 112 112 112\n23 248 248 248\n25 8 8 8\n255 56 56 56\n"},
        {TerrainMesh{}, "0\n"},
        {meshWithTypes({2, 30}), "2\n2 176 168 96\n30 48 48 48\n"}};
    for (const auto& [mesh, text] : defaults) {
        ASSERT_TRUE(writeDefaultTerrainColors(mesh, path));
        EXPECT_EQ(test_support::readBytes(path), toPlatformLineEnds(text));
    }
    // The default file reads back into the table it describes.
    TerrainColorTable d;
    ASSERT_TRUE(readTerrainColors(d, path));
    EXPECT_EQ(row(d, 2), (Rgb{176, 168, 96}));
    EXPECT_EQ(row(d, 30), (Rgb{48, 48, 48}));

    EXPECT_FALSE(writeDefaultTerrainColors(meshWithTypes({1}), dir / "no/such/dir/mapcolors.txt"));
    // A failed write keeps the old file whole.
    setWriteFailureAfter(3);
    EXPECT_FALSE(writeDefaultTerrainColors(meshWithTypes({0, 1, 2, 3, 4, 5}), path));
    setWriteFailureAfter(-1);
    EXPECT_EQ(test_support::readBytes(path), toPlatformLineEnds("2\n2 176 168 96\n30 48 48 48\n"));
}

// F8: the table anew from the palette and the file, and a message saying what
// was read; a row taken out of the file shows its palette colour again.
TEST(TerrainColors, RereadStartsFromThePalette) {
    test_support::TempDir dir;
    const std::string path = dir / "mapcolors.txt";
    const TerrainColorTable palette;
    TerrainColorTable t;
    // Text in the file, what F8 says, and the rows then (row 2 is never listed).
    const std::tuple<const char*, std::string, Rgb, Rgb> cases[] = {
        {"2\n0 1 2 3\n1 4 5 6\n", "Map colours re-read from \"" + path + "\" (2 types)", Rgb{1, 2, 3}, Rgb{4, 5, 6}},
        {"1\n1 7 8 9\n", "Map colours re-read from \"" + path + "\" (1 type)", row(palette, 0), Rgb{7, 8, 9}},
        {"2\n1 1 1 1\n257 2 2 2\n", "Map colours re-read from \"" + path + "\" (1 type)", row(palette, 0), Rgb{2, 2, 2}},
        {"0\n", "Map colours re-read from \"" + path + "\" (0 types)", row(palette, 0), row(palette, 1)},
        {nullptr, "\"" + path + "\" cannot be read: the palette's colours are shown", row(palette, 0), row(palette, 1)},
    };
    for (const auto& [text, said, row0, row1] : cases) {
        std::filesystem::remove(path);
        if (text) {
            ASSERT_TRUE(replaceFileWith(path, text));
        }
        const unsigned before = t.version;
        const Report r = rereadTerrainColors(t, path);
        EXPECT_TRUE(r.ok);
        EXPECT_EQ(test_support::said(r), said + "\n");
        EXPECT_GT(t.version, before) << said;
        EXPECT_EQ(row(t, 0), row0) << said;
        EXPECT_EQ(row(t, 1), row1) << said;
        EXPECT_EQ(row(t, 2), row(palette, 2)) << said;
    }
}

}  // namespace
