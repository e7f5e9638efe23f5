#include "formats/brf.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "../export/export_fixtures.h"

namespace {

uint32_t wordAt(const std::string& b, size_t off) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(b[off + i]);
    return v;
}

float floatAt(const std::string& b, size_t off) {
    const uint32_t w = wordAt(b, off);
    float f;
    std::memcpy(&f, &w, sizeof f);
    return f;
}

// Checks a string field (length word, then bytes) at off and returns the offset after it.
size_t expectString(const std::string& b, size_t off, const std::string& text) {
    EXPECT_EQ(wordAt(b, off), text.size()) << "length of \"" << text << "\" at " << off;
    EXPECT_EQ(b.substr(off + 4, text.size()), text) << "at " << off;
    return off + 4 + text.size();
}

std::string bytes(std::initializer_list<int> list) {
    std::string s;
    for (int v : list) s.push_back(static_cast<char>(v));
    return s;
}

TEST(Brf, ScalarsAndTheMaterialBlock) {
    std::string b;
    writeBrfInt(b, 0x12345678);
    writeBrfInt(b, -2);
    writeBrfFloat(b, -2.5f);
    writeBrfString(b, "mesh");
    EXPECT_EQ(b, bytes({0x78, 0x56, 0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x20, 0xC0, 4, 0, 0, 0, 'm', 'e',
                        's', 'h'}));

    const std::string& m = materialBlock();
    ASSERT_EQ(m.size(), 153u);
    EXPECT_EQ(expectString(m, 0, "texture"), 11u);
    EXPECT_EQ(wordAt(m, 11), 1u);
    EXPECT_EQ(expectString(m, 15, "map_names.dds"), 32u);
    EXPECT_EQ(m.substr(32, 4), bytes({0x00, 0xA0, 0x0A, 0x00}));
    EXPECT_EQ(expectString(m, 36, "material"), 48u);
    EXPECT_EQ(wordAt(m, 48), 1u);
    EXPECT_EQ(expectString(m, 52, "map_names"), 65u);
    EXPECT_EQ(m.substr(65, 4), bytes({0x48, 0x01, 0x00, 0x00}));
    EXPECT_EQ(expectString(m, 69, "tex_mul_color_alpha"), 92u);
    size_t off = expectString(m, 92, "map_names");
    for (int i = 0; i < 4; ++i) off = expectString(m, off, "none");
    EXPECT_EQ(off, 137u);
    EXPECT_EQ(m.substr(137), std::string(16, '\0'));
}

TEST(Brf, LetterMeshRecordByteForByte) {
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

}  // namespace
