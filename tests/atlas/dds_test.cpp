#include "atlas/dds.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "atlas/atlas.h"
#include "platform/platform.h"

namespace {

const char* kFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

uint32_t u32At(const std::string& b, size_t off) {
    return static_cast<uint32_t>(static_cast<uint8_t>(b[off])) |
           static_cast<uint32_t>(static_cast<uint8_t>(b[off + 1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(b[off + 2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(b[off + 3])) << 24;
}

// An atlas of the given size whose alpha is given texel by texel (the rest 0).
GlyphAtlas atlasWithAlpha(int W, int H, const std::vector<uint8_t>& alpha) {
    GlyphAtlas a;
    a.width = W;
    a.height = H;
    a.pixels.assign(static_cast<size_t>(W) * H * 4, 255);
    for (size_t i = 0; i < static_cast<size_t>(W) * H; ++i) a.pixels[i * 4 + 3] = i < alpha.size() ? alpha[i] : 0;
    return a;
}

GlyphAtlas uniformAtlas(int W, int H, uint8_t alpha) {
    return atlasWithAlpha(W, H, std::vector<uint8_t>(static_cast<size_t>(W) * H, alpha));
}

// The 16 alpha nibbles of the block starting at byte offset off, texel n = 4 * row + column.
std::vector<int> nibbles(const std::string& file, size_t off) {
    std::vector<int> n(16);
    for (int i = 0; i < 16; ++i) {
        const uint8_t byte = static_cast<uint8_t>(file[off + i / 2]);
        n[i] = i % 2 ? byte >> 4 : byte & 0x0F;
    }
    return n;
}

struct TempDir {
    std::string path;
    TempDir() {
        char tmpl[] = "/tmp/vt_dds_XXXXXX";
        path = mkdtemp(tmpl) ? tmpl : "/tmp";
    }
    ~TempDir() { std::system(("rm -rf '" + path + "'").c_str()); }
};

}  // namespace

TEST(DdsFile, LevelCountAndFactors) {
    EXPECT_EQ(ddsLevelCount(1024, 512), 11);
    EXPECT_EQ(ddsLevelCount(1024, 1024), 11);
    EXPECT_EQ(ddsLevelCount(4, 4), 3);
    EXPECT_EQ(ddsLevelCount(1, 1), 1);
    EXPECT_EQ(ddsLevelCount(2, 1), 2);
    EXPECT_EQ(ddsLevelCount(1, 2), 2);
    EXPECT_EQ(ddsLevelCount(5, 3), 4);
    EXPECT_EQ(ddsLevelCount(6, 6), 4);
    EXPECT_EQ(ddsLevelCount(16384, 16), 15);

    const std::vector<int> mip = {100, 50};
    EXPECT_EQ(mipAlphaFactor(mip, 0), 1.0f);
    EXPECT_EQ(mipAlphaFactor(mip, 1), 0.5f);
    EXPECT_EQ(mipAlphaFactor(mip, 2), 1.0f);
    EXPECT_EQ(mipAlphaFactor(mip, -1), 1.0f);
    EXPECT_EQ(mipAlphaFactor({}, 0), 1.0f);
    EXPECT_EQ(mipAlphaFactor({33}, 0), static_cast<float>(33 / 100.0));
    // Out-of-range percentages are clamped so every value stays 4-bit.
    EXPECT_EQ(mipAlphaFactor({250}, 0), 1.0f);
    EXPECT_EQ(mipAlphaFactor({-5}, 0), 0.0f);
}

TEST(DdsFile, HeaderAndSize) {
    const GlyphAtlas a = uniformAtlas(1024, 512, 0);
    const std::string f = encodeDdsDxt3(a, {});
    ASSERT_EQ(f.size(), 699216u);
    EXPECT_EQ(f.substr(0, 4), "DDS ");
    EXPECT_EQ(u32At(f, 4), 124u);
    EXPECT_EQ(u32At(f, 8), 0x000A1007u);
    EXPECT_EQ(u32At(f, 12), 512u);
    EXPECT_EQ(u32At(f, 16), 1024u);
    EXPECT_EQ(u32At(f, 20), 1024u * 512);
    EXPECT_EQ(u32At(f, 24), 0u);
    EXPECT_EQ(u32At(f, 28), 11u);
    for (size_t off = 32; off < 76; off += 4) EXPECT_EQ(u32At(f, off), 0u) << off;
    EXPECT_EQ(u32At(f, 76), 32u);
    EXPECT_EQ(u32At(f, 80), 4u);
    EXPECT_EQ(f.substr(84, 4), "DXT3");
    for (size_t off = 88; off < 108; off += 4) EXPECT_EQ(u32At(f, off), 0u) << off;
    EXPECT_EQ(u32At(f, 108), 0x00401008u);
    for (size_t off = 112; off < 128; off += 4) EXPECT_EQ(u32At(f, off), 0u) << off;

    const std::string square = encodeDdsDxt3(uniformAtlas(1024, 1024, 0), {});
    EXPECT_EQ(u32At(square, 20), 1048576u);
    EXPECT_EQ(u32At(square, 28), 11u);

    const std::string tiny = encodeDdsDxt3(uniformAtlas(4, 4, 0), {});
    EXPECT_EQ(tiny.size(), 176u);
    EXPECT_EQ(u32At(tiny, 28), 3u);
}

TEST(DdsFile, AlphaQuantisingAndBlockLayout) {
    // Texel n of the 4x4 block holds the n-th value.
    const std::vector<uint8_t> alpha = {255, 16, 15, 0, 240, 239, 31, 32, 128, 127, 1, 17, 200, 100, 50, 25};
    const std::string f = encodeDdsDxt3(atlasWithAlpha(4, 4, alpha), {});
    ASSERT_EQ(f.size(), 176u);
    const std::vector<int> n = nibbles(f, 128);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(n[i], alpha[i] >> 4) << i;
    EXPECT_EQ(n[0], 15);
    EXPECT_EQ(n[1], 1);
    EXPECT_EQ(n[2], 0);
    // Low nibble first: texels 0 and 1 share byte 0.
    EXPECT_EQ(static_cast<uint8_t>(f[128]), 0x1F);

    // Every block ends in the white colour half with zero indices.
    GlyphAtlas real;
    ASSERT_TRUE(buildGlyphAtlas(real, "Veltrune", kFont, 64, 64, false));
    const std::string g = encodeDdsDxt3(real, {});
    ASSERT_EQ((g.size() - 128) % 16, 0u);
    const std::string tail("\xFF\xFF\0\0\0\0\0\0", 8);
    for (size_t off = 128; off < g.size(); off += 16) ASSERT_EQ(g.substr(off + 8, 8), tail) << off;
    releaseGlyphAtlas(real);
}

TEST(DdsFile, MipLevelsReduceAndScale) {
    // 8x8 all opaque with factors 100, 50: level 0 unchanged, level 1 halved, the
    // rest unchanged (the factor scales the block, not the plane).
    const std::string f = encodeDdsDxt3(uniformAtlas(8, 8, 255), {100, 50});
    ASSERT_EQ(f.size(), 128u + 16 * (4 + 1 + 1 + 1));
    for (int b = 0; b < 4; ++b)
        for (int v : nibbles(f, 128 + 16 * b)) EXPECT_EQ(v, 15);
    for (int v : nibbles(f, 128 + 16 * 4)) EXPECT_EQ(v, 7);  // trunc(255 * 0.5) = 127 -> 7
    for (int v : nibbles(f, 128 + 16 * 5)) EXPECT_EQ(v, 15);
    for (int v : nibbles(f, 128 + 16 * 6)) EXPECT_EQ(v, 15);

    // The 2x2 mean rounds: 31, 32, 31, 32 gives (126 + 2) >> 2 = 32 -> nibble 2.
    // A small level's block shows the plane's leftover bytes beyond the level.
    std::vector<uint8_t> alpha(16, 0);
    alpha[0] = 31, alpha[1] = 32, alpha[4] = 31, alpha[5] = 32;   // box of level-1 texel (0,0)
    alpha[2] = 255, alpha[3] = 255, alpha[6] = 0, alpha[7] = 64;  // box of (1,0): mean 144
    alpha[8] = 160, alpha[13] = 240;                              // rows 2 and 3 stay as they are
    const std::string g = encodeDdsDxt3(atlasWithAlpha(4, 4, alpha), {});
    ASSERT_EQ(g.size(), 176u);
    std::vector<int> level1 = nibbles(g, 144);
    EXPECT_EQ(level1[0], 32 >> 4);
    EXPECT_EQ(level1[1], 144 >> 4);
    EXPECT_EQ(level1[2], 255 >> 4);   // leftover of level 0 at (2,0)
    EXPECT_EQ(level1[3], 255 >> 4);
    EXPECT_EQ(level1[8], 160 >> 4);   // leftover at (0,2)
    EXPECT_EQ(level1[13], 240 >> 4);  // leftover at (1,3)
    // Level 2: (0,0) is the mean of the reduced 2x2 corner; its neighbours are the
    // level-1 values left in the plane.
    const int bottomLeft = (160 + 0 + 0 + 240 + 2) >> 2;
    const int bottomRight = (0 + 0 + 0 + 0 + 2) >> 2;
    const int mean = (32 + 144 + bottomLeft + bottomRight + 2) >> 2;
    std::vector<int> level2 = nibbles(g, 160);
    EXPECT_EQ(level2[0], mean >> 4);
    EXPECT_EQ(level2[1], 144 >> 4);
    EXPECT_EQ(level2[4], bottomLeft >> 4);
}

TEST(DdsFile, SizesNotMultipleOfFourReadNothingOutsideThePlane) {
    // 6x6 opaque: the bottom-right block of level 0 reads rows 4..7, columns 4..7.
    // Columns past the row edge wrap into the next row (inside the plane); texels
    // past the last row read 0.
    const std::string f = encodeDdsDxt3(uniformAtlas(6, 6, 255), {});
    ASSERT_EQ(f.size(), 128u + 16 * (4 + 1 + 1 + 1));
    const std::vector<int> corner = nibbles(f, 128 + 16 * 3);
    const std::vector<int> expected = {15, 15, 15, 15, 15, 15, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(corner, expected);
    const std::vector<int> right = nibbles(f, 128 + 16 * 1);  // rows 0..3, columns 4..7, all inside
    EXPECT_EQ(right, std::vector<int>(16, 15));

    const std::string one = encodeDdsDxt3(uniformAtlas(1, 1, 255), {});
    ASSERT_EQ(one.size(), 144u);
    EXPECT_EQ(u32At(one, 28), 1u);
    const std::vector<int> single = nibbles(one, 128);
    EXPECT_EQ(single[0], 15);
    for (int i = 1; i < 16; ++i) EXPECT_EQ(single[i], 0) << i;

    for (auto [W, H] : {std::pair{5, 3}, std::pair{3, 7}, std::pair{1, 9}, std::pair{2, 2}, std::pair{13, 1}}) {
        const std::string g = encodeDdsDxt3(uniformAtlas(W, H, 200), {});
        size_t blocks = 0;
        for (int L = 0, w = W, h = H; L < ddsLevelCount(W, H); ++L, w = w / 2 ? w / 2 : 1, h = h / 2 ? h / 2 : 1)
            blocks += static_cast<size_t>((w + 3) / 4) * ((h + 3) / 4);
        EXPECT_EQ(g.size(), 128 + 16 * blocks) << W << "x" << H;
    }

    // An atlas that was never built has nothing to write.
    GlyphAtlas empty;
    TempDir dir;
    EXPECT_FALSE(writeDdsDxt3(empty, {}, dir.path + "/empty.dds"));
}

TEST(DdsFile, WriteIsWholeOrNothing) {
    TempDir dir;
    const std::string path = dir.path + "/map_names.dds";
    const GlyphAtlas first = uniformAtlas(64, 64, 255);
    ASSERT_TRUE(writeDdsDxt3(first, {}, path));
    std::string bytes;
    ASSERT_TRUE(readBinaryFile(path, bytes));
    EXPECT_EQ(bytes, encodeDdsDxt3(first, {}));

    setWriteFailureAfter(1000);
    EXPECT_FALSE(writeDdsDxt3(uniformAtlas(64, 64, 0), {}, path));
    setWriteFailureAfter(-1);
    std::string after;
    ASSERT_TRUE(readBinaryFile(path, after));
    EXPECT_EQ(after, bytes);

    EXPECT_FALSE(writeDdsDxt3(first, {}, dir.path + "/missing/dir/map_names.dds"));
}

// An independent decoder reads back the top level: its alpha is the atlas alpha
// with the low four bits dropped.
TEST(DdsFile, ImageMagickDecodesTheTopLevel) {
    if (access("/usr/bin/convert", X_OK) != 0) GTEST_SKIP() << "ImageMagick convert is not installed";
    GlyphAtlas a;
    ASSERT_TRUE(buildGlyphAtlas(a, "abcdefghijklmnopqrstuvxyzABCDEFGHIJKLMNOPQRSTUVXYZ- ", kFont, 256, 128, false));
    TempDir dir;
    const std::string path = dir.path + "/map_names.dds";
    ASSERT_TRUE(writeDdsDxt3(a, {100, 50}, path));
    const std::string cmd = "/usr/bin/convert '" + path + "[0]' -alpha extract -depth 8 gray:- 2>/dev/null";
    FILE* p = popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string decoded;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) decoded.append(buf, n);
    pclose(p);
    ASSERT_EQ(decoded.size(), 256u * 128);
    size_t mismatches = 0, inked = 0;
    for (size_t i = 0; i < decoded.size(); ++i) {
        const int expected = (a.pixels[i * 4 + 3] >> 4) * 17;
        mismatches += static_cast<uint8_t>(decoded[i]) != expected;
        inked += expected != 0;
    }
    EXPECT_EQ(mismatches, 0u);
    EXPECT_GT(inked, 1000u);
    releaseGlyphAtlas(a);
}
