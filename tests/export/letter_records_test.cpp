#include "export/letter_records.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "../formats/format_fixtures.h"
#include "export_fixtures.h"

namespace {

TEST(LetterRecords, LetterMeshRecordByteForByte) {
    GlyphAtlas atlas;
    ASSERT_TRUE(buildGlyphAtlas(atlas, "Wa", kFont, 256, 128, false));
    LabelLetter l;
    l.ch = 'a';
    l.id = 7;
    l.alpha = 255;
    const float xs[4] = {-1.5f, -1.25f, 1.75f, 1.5f}, ys[4] = {-2.0f, 0.5f, 0.5f, -2.0f}, zs[4] = {0.055f, 0.1f, 0.2f, 0.3f};
    for (int i = 0; i < 4; ++i) {
        l.corners[i] = MapPoint{xs[i], ys[i]};
        l.cornerZ[i] = zs[i];
    }
    std::string b;
    writeLetterMesh(l, atlas, b);
    ASSERT_EQ(b.size(), 268u);
    size_t off = expectString(b, 0, "map_str_007");
    EXPECT_EQ(wordAt(b, off), 0u);
    off = expectString(b, off + 4, "map_names");
    EXPECT_EQ(wordAt(b, off), 4u);
    off += 4;
    for (int i = 0; i < 4; ++i, off += 12) {
        // (-y, x, z); -y is the sign-flipped bit pattern of y.
        uint32_t y;
        std::memcpy(&y, &ys[i], 4);
        EXPECT_EQ(wordAt(b, off), y ^ 0x80000000u);
        EXPECT_EQ(floatAt(b, off + 4), xs[i]);
        EXPECT_EQ(floatAt(b, off + 8), zs[i]);
    }
    EXPECT_EQ(b.substr(off, 12), bytes({0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 0, 0}));
    off += 12;
    ASSERT_EQ(off, 96u);

    // Texture corners from the atlas tables: the cell's full width, the ink box
    // height, V flipped.
    const GlyphCell& a = atlas.cells.at('a');
    const float uL = static_cast<float>(a.x) / 256.0f;
    const float uR = static_cast<float>(a.x + a.width) / 256.0f;
    const float vT = static_cast<float>(a.inkTop) / 128.0f;
    const float vB = static_cast<float>(a.inkTop + a.inkHeight) / 128.0f;
    ASSERT_TRUE(uL < uR && vT < vB);
    const float u[4] = {uR, uR, uL, uL}, v[4] = {vT, vB, vB, vT};
    for (int i = 0; i < 4; ++i, off += 36) {
        SCOPED_TRACE(i);
        EXPECT_EQ(wordAt(b, off), static_cast<uint32_t>(i));
        EXPECT_EQ(b.substr(off + 4, 4), bytes({0, 0, 0, 0xFF}));
        EXPECT_EQ(std::tuple(floatAt(b, off + 8), floatAt(b, off + 12), floatAt(b, off + 16)), std::tuple(0.0f, 0.0f, 1.0f));
        EXPECT_FLOAT_EQ(floatAt(b, off + 20), u[i]);
        EXPECT_FLOAT_EQ(floatAt(b, off + 24), 1.0f - v[i]);
        EXPECT_EQ(b.substr(off + 28, 8), b.substr(off + 20, 8));
    }
    ASSERT_EQ(off, 240u);
    EXPECT_EQ(wordAt(b, off), 2u);
    const uint32_t faces[6] = {0, 2, 1, 2, 0, 3};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(wordAt(b, off + 4 + 4 * i), faces[i]);

    // A four-digit id lengthens the name and the record by one byte; alpha 25 is
    // 0x19 in each of the four colour words; the rest of the record is the same.
    l.id = 1234;
    l.alpha = 25;
    std::string c;
    writeLetterMesh(l, atlas, c);
    ASSERT_EQ(c.size(), 269u);
    expectString(c, 0, "map_str_1234");
    for (int i = 0; i < 4; ++i) {
        const size_t colour = 97 + 36 * i + 4;
        EXPECT_EQ(c.substr(colour, 4), bytes({0, 0, 0, 0x19}));
        c[colour + 3] = static_cast<char>(0xFF);
    }
    EXPECT_EQ(c.substr(16), b.substr(15));
    releaseGlyphAtlas(atlas);
}

TEST(LetterRecords, IconAndPartyRecords) {
    LabelLetter l;
    l.id = 3;
    std::string out = "x\n";
    writeIconRecord(l, out, 41);
    EXPECT_EQ(l.icon, 41);
    EXPECT_EQ(out, "x\nmap_str_003 1 map_str_003 1.000000 0 0 0 0 0\n\n\n");

    l.icon = 9;  // the caller passes the representative's icon instead
    l.anchor = MapPoint{10.5f, -3.25f};
    l.angle = 0.0f;
    out.clear();
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
    EXPECT_EQ(out, " 1 2 2 p_map_str_1234 _ 541696 0 0 3 0 0 0 0 0 -123456.500000   7.000000 -123456.500000   "
                   "7.000000 -123456.500000   7.000000 0.0 0 \n3.212389\n");
}

}  // namespace
