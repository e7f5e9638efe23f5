#include "formats/dds.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "../test_support.h"
#include "atlas/atlas.h"
#include "format_fixtures.h"
#include "platform/platform.h"

namespace {

// The texels of an atlas, as the texture file is made from them.
RgbaTexels texels(const GlyphAtlas& a) { return {a.width, a.height, a.pixels}; }

const char* kFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

uint32_t u32At(const std::string& b, size_t off) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(b[off + i]);
    return v;
}

// An atlas of the given size whose alpha is given texel by texel (the rest `fill`).
GlyphAtlas atlasWithAlpha(int W, int H, const std::vector<uint8_t>& alpha, uint8_t fill = 0) {
    GlyphAtlas a;
    a.width = W;
    a.height = H;
    a.pixels.assign(static_cast<size_t>(W) * H * 4, 255);
    for (size_t i = 0; i < static_cast<size_t>(W) * H; ++i) a.pixels[i * 4 + 3] = i < alpha.size() ? alpha[i] : fill;
    return a;
}

GlyphAtlas uniformAtlas(int W, int H, uint8_t alpha) { return atlasWithAlpha(W, H, {}, alpha); }

// The 16 alpha nibbles of the block starting at byte offset off, texel n = 4 * row + column.
std::vector<int> nibbles(const std::string& file, size_t off) {
    std::vector<int> n(16);
    for (int i = 0; i < 16; ++i) n[i] = static_cast<uint8_t>(file[off + i / 2]) >> (i % 2 * 4) & 0x0F;
    return n;
}

TEST(DdsFile, LevelCountAndFactors) {
    for (auto [W, H, levels] : {std::tuple{1024, 512, 11}, {1024, 1024, 11}, {4, 4, 3}, {1, 1, 1}, {2, 1, 2},
                                {1, 2, 2}, {5, 3, 3}, {6, 6, 3}, {1000, 500, 10}, {1023, 1, 10}, {1025, 3, 11},
                                {16384, 16, 15}})
        EXPECT_EQ(ddsLevelCount(W, H), levels) << W << "x" << H;
    // The top level's block bytes; a side below 4 still takes one block.
    for (auto [W, H, bytes] : {std::tuple{1024, 512, 524288u}, {250, 130, 63u * 33 * 16}, {1000, 500, 500000u},
                               {2, 2, 16u}, {1, 9, 48u}, {13, 1, 64u}})
        EXPECT_EQ(ddsLinearSize(W, H), bytes) << W << "x" << H;

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
    const std::string f = encodeDdsDxt3(texels(uniformAtlas(1024, 512, 0)), {});
    ASSERT_EQ(f.size(), 699216u);
    EXPECT_EQ(f.substr(0, 4), "DDS ");
    // Every header word by offset ("DXT3" at 84); the ones not listed are 0.
    const std::map<size_t, uint32_t> words = {{4, 124},  {8, 0x000A1007}, {12, 512}, {16, 1024},     {20, 1024 * 512},
                                              {28, 11},  {76, 32},        {80, 4},   {84, 0x33545844}, {108, 0x00401008}};
    for (size_t off = 4; off < 128; off += 4) EXPECT_EQ(u32At(f, off), words.count(off) ? words.at(off) : 0u) << off;

    const std::string square = encodeDdsDxt3(texels(uniformAtlas(1024, 1024, 0)), {});
    EXPECT_EQ(u32At(square, 20), 1048576u);
    EXPECT_EQ(u32At(square, 28), 11u);
    const std::string tiny = encodeDdsDxt3(texels(uniformAtlas(4, 4, 0)), {});
    EXPECT_EQ(tiny.size(), 176u);
    EXPECT_EQ(u32At(tiny, 28), 3u);
}

// Power-of-two sizes of at least 4 x 4 are written exactly as before the level
// count and linear size were mended for other sizes: FNV-1a digests of files
// written then from a scrambled alpha plane.
TEST(DdsFile, PowerOfTwoSizesKeepTheirBytes) {
    for (auto [W, H, digest] :
         {std::tuple{1024, 512, 0x8c012699f77bde58ull}, {512, 1024, 0x90e9b33cba53bd58ull},
          {64, 64, 0xc22ffe1727fa94aaull}, {4, 4, 0xf6c15100c43209f7ull}, {16, 4, 0x2dd760a7750d2d05ull}}) {
        std::vector<uint8_t> alpha(static_cast<size_t>(W) * H);
        for (size_t i = 0; i < alpha.size(); ++i) alpha[i] = static_cast<uint8_t>((i * 2654435761u) >> 13);
        const std::string f = encodeDdsDxt3(texels(atlasWithAlpha(W, H, alpha)), {100, 90, 50});
        uint64_t h = 0xcbf29ce484222325ull;
        for (char c : f) h = (h ^ static_cast<uint8_t>(c)) * 0x100000001b3ull;
        EXPECT_EQ(h, digest) << W << "x" << H;
    }
}

TEST(DdsFile, AlphaQuantisingAndBlockLayout) {
    // Texel n of the 4x4 block holds the n-th value.
    const std::vector<uint8_t> alpha = {255, 16, 15, 0, 240, 239, 31, 32, 128, 127, 1, 17, 200, 100, 50, 25};
    const std::string f = encodeDdsDxt3(texels(atlasWithAlpha(4, 4, alpha)), {});
    ASSERT_EQ(f.size(), 176u);
    const std::vector<int> n = nibbles(f, 128);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(n[i], alpha[i] >> 4) << i;
    // Low nibble first: texels 0 and 1 share byte 0.
    EXPECT_EQ(static_cast<uint8_t>(f[128]), 0x1F);

    // Every block ends in the white colour half with zero indices.
    GlyphAtlas real;
    ASSERT_TRUE(buildGlyphAtlas(real, "Veltrune", kFont, 64, 64, false));
    const std::string g = encodeDdsDxt3(texels(real), {});
    releaseGlyphAtlas(real);
    ASSERT_EQ((g.size() - 128) % 16, 0u);
    const std::string tail("\xFF\xFF\0\0\0\0\0\0", 8);
    for (size_t off = 128; off < g.size(); off += 16) ASSERT_EQ(g.substr(off + 8, 8), tail) << off;
}

TEST(DdsFile, MipLevelsReduceAndScale) {
    // 8x8 all opaque with factors 100, 50: level 0 unchanged, level 1 halved, the
    // rest unchanged (the factor scales the block, not the plane).
    const std::string f = encodeDdsDxt3(texels(uniformAtlas(8, 8, 255)), {100, 50});
    ASSERT_EQ(f.size(), 128u + 16 * (4 + 1 + 1 + 1));
    for (int b = 0; b < 7; ++b)
        EXPECT_EQ(nibbles(f, 128 + 16 * b), std::vector<int>(16, b == 4 ? 7 : 15)) << b;  // trunc(255 * 0.5) >> 4 = 7

    // The 2x2 mean rounds: 31, 32, 31, 32 gives (126 + 2) >> 2 = 32 -> nibble 2.
    // A small level's block shows the plane's leftover bytes beyond the level.
    std::vector<uint8_t> alpha(16, 0);
    alpha[0] = 31, alpha[1] = 32, alpha[4] = 31, alpha[5] = 32;   // box of level-1 texel (0,0)
    alpha[2] = 255, alpha[3] = 255, alpha[6] = 0, alpha[7] = 64;  // box of (1,0): mean 144
    alpha[8] = 160, alpha[13] = 240;                              // rows 2 and 3 stay as they are
    const std::string g = encodeDdsDxt3(texels(atlasWithAlpha(4, 4, alpha)), {});
    const std::vector<int> level1 = nibbles(g, 144);
    EXPECT_EQ(level1[0], 32 >> 4);
    EXPECT_EQ(level1[1], 144 >> 4);
    EXPECT_EQ(level1[2], 255 >> 4);   // leftover of level 0 at (2,0)
    EXPECT_EQ(level1[8], 160 >> 4);   // leftover at (0,2)
    EXPECT_EQ(level1[13], 240 >> 4);  // leftover at (1,3)
    // Level 2: (0,0) is the mean of the reduced 2x2 corner; its neighbours are the
    // level-1 values left in the plane.
    const int bottomLeft = (160 + 0 + 0 + 240 + 2) >> 2, bottomRight = (0 + 2) >> 2;
    const std::vector<int> level2 = nibbles(g, 160);
    EXPECT_EQ(level2[0], ((32 + 144 + bottomLeft + bottomRight + 2) >> 2) >> 4);
    EXPECT_EQ(level2[1], 144 >> 4);
    EXPECT_EQ(level2[4], bottomLeft >> 4);
}

TEST(DdsFile, SizesNotMultipleOfFourReadNothingOutsideThePlane) {
    // 6x6 opaque: the bottom-right block of level 0 reads rows 4..7, columns 4..7.
    // Columns past the row edge wrap into the next row (inside the plane); texels
    // past the last row read 0.
    const std::string f = encodeDdsDxt3(texels(uniformAtlas(6, 6, 255)), {});
    ASSERT_EQ(f.size(), 128u + 16 * (4 + 1 + 1));
    EXPECT_EQ(nibbles(f, 128 + 16 * 3), (std::vector<int>{15, 15, 15, 15, 15, 15, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(nibbles(f, 128 + 16 * 1), std::vector<int>(16, 15));  // rows 0..3, columns 4..7: all inside

    const std::string one = encodeDdsDxt3(texels(uniformAtlas(1, 1, 255)), {});
    ASSERT_EQ(one.size(), 144u);
    EXPECT_EQ(u32At(one, 28), 1u);
    std::vector<int> single(16, 0);
    single[0] = 15;
    EXPECT_EQ(nibbles(one, 128), single);

    // The file holds the halving chain down to 1 x 1 and no level more, and its
    // header says so.
    for (auto [W, H] : {std::pair{5, 3}, {3, 7}, {1, 9}, {2, 2}, {13, 1}, {1000, 500}, {250, 130}, {1024, 512}}) {
        size_t blocks = 0, levels = 0;
        for (int w = W, h = H;; w = std::max(w / 2, 1), h = std::max(h / 2, 1)) {
            blocks += static_cast<size_t>((w + 3) / 4) * ((h + 3) / 4);
            ++levels;
            if (w == 1 && h == 1) break;
        }
        const std::string file = encodeDdsDxt3(texels(uniformAtlas(W, H, 200)), {});
        EXPECT_EQ(file.size(), 128 + 16 * blocks) << W << "x" << H;
        EXPECT_EQ(u32At(file, 28), levels) << W << "x" << H;
    }
}

TEST(DdsFile, WriteIsWholeOrNothing) {
    test_support::TempDir dir;
    const std::string path = dir / "map_names.dds";
    const GlyphAtlas first = uniformAtlas(64, 64, 255);
    ASSERT_TRUE(writeDdsDxt3(texels(first), {}, path));
    const std::string bytes = test_support::readBytes(path);
    EXPECT_EQ(bytes, encodeDdsDxt3(texels(first), {}));

    setWriteFailureAfter(1000);
    EXPECT_FALSE(writeDdsDxt3(texels(uniformAtlas(64, 64, 0)), {}, path));
    setWriteFailureAfter(-1);
    EXPECT_EQ(test_support::readBytes(path), bytes);

    EXPECT_FALSE(writeDdsDxt3(texels(first), {}, dir / "missing/dir/map_names.dds"));
    // An atlas that was never built has nothing to write.
    EXPECT_FALSE(writeDdsDxt3(texels(GlyphAtlas{}), {}, dir / "empty.dds"));
}

// The standard output of a shell command.
std::string commandOutput(const std::string& cmd) {
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    pclose(p);
    return out;
}

// Two independent decoders, ImageMagick and Pillow (the strict one), read back
// the top level of textures of any size: its alpha is the atlas alpha with the
// low four bits dropped.
TEST(DdsFile, IndependentDecodersReadTheTopLevel) {
#ifdef _WIN32
    GTEST_SKIP() << "the decoders are called as Linux programs";
#endif
    const std::string pillow = "/usr/bin/python3 -c \"import sys; from PIL import Image; im = Image.open(sys.argv[1]); "
                               "im.load(); sys.stdout.buffer.write(im.getchannel('A').tobytes())\" ";
    const std::map<std::string, std::string> decoders = {
        {"ImageMagick", "/usr/bin/convert '%s[0]' -alpha extract -depth 8 gray:-"}, {"Pillow", pillow + "'%s'"}};
    const bool haveMagick = access("/usr/bin/convert", X_OK) == 0;
    const bool havePillow = std::system("/usr/bin/python3 -c 'import PIL' 2>/dev/null") == 0;
    if (!haveMagick || !havePillow) GTEST_SKIP() << "ImageMagick or Pillow (python3-pil) is not installed";
    test_support::TempDir dir;
    for (auto [W, H] : {std::pair{256, 128}, {1000, 500}, {250, 130}}) {
        GlyphAtlas a;
        ASSERT_TRUE(buildGlyphAtlas(a, "abcdefghijklmnopqrstuvxyzABCDEFGHIJKLMNOPQRSTUVXYZ- ", kFont, W, H, false));
        const std::string path = dir / "map_names.dds";
        ASSERT_TRUE(writeDdsDxt3(texels(a), {100, 50}, path));
        for (const auto& [name, command] : decoders) {
            std::string cmd = command;
            cmd.replace(cmd.find("%s"), 2, path);
            const std::string decoded = commandOutput(cmd + " 2>/dev/null");
            ASSERT_EQ(decoded.size(), static_cast<size_t>(W) * H) << name << " " << W << "x" << H;
            size_t mismatches = 0, inked = 0;
            for (size_t i = 0; i < decoded.size(); ++i) {
                const int expected = (a.pixels[i * 4 + 3] >> 4) * 17;
                mismatches += static_cast<uint8_t>(decoded[i]) != expected;
                inked += expected != 0;
            }
            EXPECT_EQ(mismatches, 0u) << name << " " << W << "x" << H;
            EXPECT_GT(inked, 1000u) << name << " " << W << "x" << H;
        }
        releaseGlyphAtlas(a);
    }
}

TEST(DdsRead, LevelsDecodedAndBadFilesRefused) {
    const DdsTexture t = solidTexture(200);
    ASSERT_EQ(t.levels.size(), 4u);  // 8x8 down to 1x1
    EXPECT_EQ(t.levels[3].width, 1);
    EXPECT_EQ(t.levels[0].rgba[0], 255);
    EXPECT_EQ(t.levels[0].rgba[3], (200 >> 4) * 17);

    GlyphAtlas atlas;
    atlas.width = atlas.height = 8;
    atlas.pixels.assign(8 * 8 * 4, 255);
    const std::string good = encodeDdsDxt3(texels(atlas), {});
    std::string dxt1 = good;
    dxt1.replace(84, 4, "DXT1");
    struct Case {
        std::string bytes;
        const char* error;
    } cases[] = {
        {good.substr(0, 100), "it is cut short: 100 bytes, the header needs 128"},
        {good.substr(0, good.size() - 1), "it is cut short in mip level 3 of 4 (1x1): 15 bytes of 16"},
        {dxt1, "it is not DXT3 but \"DXT1\""},
    };
    for (const Case& c : cases) {
        DdsTexture texture;
        std::string error;
        EXPECT_FALSE(parseDdsDxt3(c.bytes, texture, error));
        EXPECT_EQ(error, c.error);
    }
}

}  // namespace
