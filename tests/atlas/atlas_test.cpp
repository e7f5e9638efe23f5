#include "atlas/atlas.h"

#include <SDL/SDL_ttf.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

const char* kFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const std::string kDefaultCharset = "abcdefghijklmnopqrstuvxyzABCDEFGHIJKLMNOPQRSTUVXYZ- ";

using BuildFn = bool (*)(GlyphAtlas&, const std::string&, const std::string&, int, int, bool);

// Runs f with standard output captured and returns what it printed.
std::string captureStdout(const std::function<void()>& f) {
    testing::internal::CaptureStdout();
    f();
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

std::string printableAscii() {
    std::string s;
    for (int c = 32; c < 127; ++c) s.push_back(static_cast<char>(c));
    return s;
}

uint8_t alphaAt(const GlyphAtlas& a, int x, int y) { return a.pixels[(static_cast<size_t>(y) * a.width + x) * 4 + 3]; }

// Distinct bytes of s in the order of their first occurrence.
std::string distinctInOrder(const std::string& s) {
    bool seen[256] = {};
    std::string out;
    for (unsigned char c : s) {
        if (!seen[c]) out.push_back(static_cast<char>(c));
        seen[c] = true;
    }
    return out;
}

// Line height and glyph sizes of the font at a point size, asked of the font
// library directly.
struct FontMetrics {
    int lineHeight = 0;
    int w[256] = {};
    int h[256] = {};
};

FontMetrics metricsAt(int size) {
    static const bool libraryReady = TTF_Init() == 0;
    FontMetrics m;
    if (!libraryReady) return m;
    TTF_Font* font = TTF_OpenFont(kFont, size);
    if (!font) return m;
    m.lineHeight = TTF_FontAscent(font) - TTF_FontDescent(font) + 1;
    for (int c = 1; c < 256; ++c) {
        const char one[2] = {static_cast<char>(c), 0};
        if (TTF_SizeText(font, one, &m.w[c], &m.h[c]) != 0) m.w[c] = m.h[c] = -1;
    }
    TTF_CloseFont(font);
    return m;
}

// Whether the distinct characters fit the texture at these metrics, following the
// layout rules: cells left to right from column 2, a line break when a cell would
// reach the right edge, lines lineHeight + 1 apart, every cell above the bottom edge.
bool layoutFits(const std::string& distinct, const FontMetrics& m, int W, int H) {
    int x = 2, y = 0;
    for (unsigned char c : distinct) {
        if (x + m.w[c] >= W) {
            x = 2;
            y += m.lineHeight + 1;
        }
        if (y + m.h[c] >= H) return false;
        x += m.w[c] + 1;
    }
    return true;
}

// Checks the layout of a successful build of text against the rules, cell by cell,
// and that no ink lies outside the cells.
void expectLayout(const GlyphAtlas& a, const std::string& text) {
    const std::string distinct = distinctInOrder(text);
    ASSERT_FALSE(distinct.empty());
    EXPECT_EQ(a.distinctCount, static_cast<int>(distinct.size()));
    int placedCount = 0;
    for (int c = 0; c < 256; ++c) placedCount += a.placed[c];
    EXPECT_EQ(placedCount, static_cast<int>(distinct.size()));

    const FontMetrics m = metricsAt(a.fontSize);
    ASSERT_GT(m.lineHeight, 0);
    std::vector<uint8_t> inCell(static_cast<size_t>(a.width) * a.height, 0);
    int prevX = 0, prevY = 0, prevW = -1;
    for (unsigned char c : distinct) {
        SCOPED_TRACE("char " + std::to_string(c));
        ASSERT_TRUE(a.placed[c]);
        EXPECT_EQ(a.glyphWidth[c], m.w[c]);
        EXPECT_EQ(a.glyphHeight, m.h[c]);
        if (prevW < 0) {
            EXPECT_EQ(a.cellX[c], 2);
            EXPECT_EQ(a.cellY[c], 0);
        } else if (a.cellY[c] == prevY) {
            EXPECT_EQ(a.cellX[c], prevX + prevW + 1);
        } else {
            EXPECT_EQ(a.cellX[c], 2);
            EXPECT_EQ(a.cellY[c], prevY + m.lineHeight + 1);
            EXPECT_GE(prevX + prevW + 1 + a.glyphWidth[c], a.width);  // the line was full
        }
        ASSERT_GE(a.cellX[c], 2);
        ASSERT_GE(a.cellY[c], 0);
        ASSERT_LT(a.cellX[c] + a.glyphWidth[c], a.width);
        ASSERT_LT(a.cellY[c] + a.glyphHeight, a.height);
        for (int y = a.cellY[c]; y < a.cellY[c] + a.glyphHeight; ++y)
            for (int x = a.cellX[c]; x < a.cellX[c] + a.glyphWidth[c]; ++x) inCell[static_cast<size_t>(y) * a.width + x] = 1;
        prevX = a.cellX[c];
        prevY = a.cellY[c];
        prevW = a.glyphWidth[c];
    }
    size_t strayInk = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            if (!inCell[static_cast<size_t>(y) * a.width + x] && alphaAt(a, x, y) != 0) ++strayInk;
    EXPECT_EQ(strayInk, 0u);
}

void expectSameAtlas(const GlyphAtlas& a, const GlyphAtlas& b) {
    EXPECT_EQ(a.width, b.width);
    EXPECT_EQ(a.height, b.height);
    EXPECT_EQ(a.fontSize, b.fontSize);
    EXPECT_EQ(a.distinctCount, b.distinctCount);
    EXPECT_EQ(a.glyphHeight, b.glyphHeight);
    EXPECT_TRUE(a.pixels == b.pixels);
    for (int c = 0; c < 256; ++c) {
        SCOPED_TRACE("char " + std::to_string(c));
        EXPECT_EQ(a.placed[c], b.placed[c]);
        EXPECT_EQ(a.cellX[c], b.cellX[c]);
        EXPECT_EQ(a.cellY[c], b.cellY[c]);
        EXPECT_EQ(a.glyphWidth[c], b.glyphWidth[c]);
        EXPECT_EQ(a.inkTop[c], b.inkTop[c]);
        EXPECT_EQ(a.inkHeight[c], b.inkHeight[c]);
    }
}

int firstSizeFor(int W, int H, int distinct) {
    return static_cast<int>(std::trunc(std::sqrt(static_cast<double>(static_cast<long long>(W) * H) / distinct))) + 5;
}

}  // namespace

// The fast path packs from TTF_SizeText measures; it relies on them matching the
// rendered surfaces exactly.
TEST(GlyphAtlasFont, MeasuredSizeEqualsRenderedSurface) {
    ASSERT_EQ(TTF_Init(), 0);
    for (int size : {1, 6, 13, 24, 57, 105, 190}) {
        TTF_Font* font = TTF_OpenFont(kFont, size);
        ASSERT_NE(font, nullptr);
        for (int c = 32; c < 256; ++c) {
            if (c == 127) continue;
            const char one[2] = {static_cast<char>(c), 0};
            int w = 0, h = 0;
            ASSERT_EQ(TTF_SizeText(font, one, &w, &h), 0);
            SDL_Color white = {255, 255, 255, 0};
            SDL_Surface* s = TTF_RenderText_Blended(font, one, white);
            // A glyph measured zero wide (a space at one point) gets no surface.
            EXPECT_EQ(s != nullptr, w > 0) << "size " << size << " char " << c;
            if (!s) continue;
            EXPECT_EQ(s->w, w) << "size " << size << " char " << c;
            EXPECT_EQ(s->h, h) << "size " << size << " char " << c;
            SDL_FreeSurface(s);
        }
        TTF_CloseFont(font);
    }
}

TEST(GlyphAtlasBuild, LayoutFollowsTheRulesOnGeneratedStrings) {
    std::mt19937 rng(1234);
    std::vector<std::string> texts = {kDefaultCharset, printableAscii(), "aaaaabbbbbaaaa", "Q"};
    for (int i = 0; i < 3; ++i) {
        std::string s;
        const int len = 20 + static_cast<int>(rng() % 60);
        for (int k = 0; k < len; ++k) s.push_back(static_cast<char>(33 + rng() % 94));
        texts.push_back(s);
    }
    for (BuildFn build : {buildGlyphAtlas, buildGlyphAtlasCountdown}) {
        for (const std::string& text : texts) {
            for (auto [W, H] : {std::pair{1024, 512}, std::pair{256, 128}, std::pair{100, 60}}) {
                SCOPED_TRACE(text + " at " + std::to_string(W) + "x" + std::to_string(H));
                // A single glyph at 1024x512 starts at 729 points and would need more
                // than 201 attempts to fit; it is covered by the failure test.
                if (text.size() == 1 && W == 1024) continue;
                GlyphAtlas a;
                bool ok = false;
                std::string out = captureStdout([&] { ok = build(a, text, kFont, W, H, false); });
                ASSERT_TRUE(ok);
                EXPECT_EQ(out, "");
                EXPECT_EQ(a.width, W);
                EXPECT_EQ(a.height, H);
                ASSERT_EQ(a.pixels.size(), static_cast<size_t>(W) * H * 4);
                expectLayout(a, text);
                // Everything is white; only alpha carries the glyphs.
                bool allWhite = true;
                for (size_t i = 0; i < a.pixels.size(); i += 4)
                    allWhite = allWhite && a.pixels[i] == 255 && a.pixels[i + 1] == 255 && a.pixels[i + 2] == 255;
                EXPECT_TRUE(allWhite);
                releaseGlyphAtlas(a);
            }
        }
    }
}

TEST(GlyphAtlasBuild, SizeIsTheLargestThatFitsCountingDownFromTheEstimate) {
    // The default charset at 1024x512 starts at 105 points.
    {
        GlyphAtlas a;
        ASSERT_TRUE(buildGlyphAtlas(a, kDefaultCharset, kFont, 1024, 512, false));
        EXPECT_EQ(a.distinctCount, 52);
        EXPECT_EQ(firstSizeFor(1024, 512, 52), 105);
        EXPECT_LE(a.fontSize, 105);
        releaseGlyphAtlas(a);
    }
    // Strings that only fit after shrinking: every size from the first down to the
    // final one plus one fails, and the final one fits.
    for (auto [text, W, H] : {std::tuple{printableAscii(), 256, 128}, std::tuple{std::string("WWWWMMMM@@"), 128, 64},
                              std::tuple{kDefaultCharset, 200, 100}}) {
        const std::string distinct = distinctInOrder(text);
        const int first = firstSizeFor(W, H, static_cast<int>(distinct.size()));
        GlyphAtlas a;
        ASSERT_TRUE(buildGlyphAtlas(a, text, kFont, W, H, false));
        const int failed = first - a.fontSize;
        EXPECT_GT(failed, 0) << text;
        for (int size = first; size > a.fontSize; --size)
            EXPECT_FALSE(layoutFits(distinct, metricsAt(size), W, H)) << text << " size " << size;
        EXPECT_TRUE(layoutFits(distinct, metricsAt(a.fontSize), W, H));
        const unsigned char firstChar = static_cast<unsigned char>(distinct[0]);
        EXPECT_EQ(a.cellX[firstChar], 2);
        EXPECT_EQ(a.cellY[firstChar], 0);
        releaseGlyphAtlas(a);
    }
}

TEST(GlyphAtlasBuild, EmptyStringGivesBackgroundOnly) {
    for (bool testMode : {false, true}) {
        for (BuildFn build : {buildGlyphAtlas, buildGlyphAtlasCountdown}) {
            GlyphAtlas a;
            ASSERT_TRUE(build(a, "", kFont, 256, 128, testMode));
            EXPECT_EQ(a.distinctCount, 1);
            EXPECT_EQ(a.fontSize, 186);  // trunc(sqrt(32768)) + 5
            for (int c = 0; c < 256; ++c) EXPECT_FALSE(a.placed[c]);
            for (int c = 0; c < 256; ++c) EXPECT_EQ(a.inkHeight[c], -1);
            ASSERT_EQ(a.pixels.size(), 256u * 128 * 4);
            size_t wrong = 0;
            for (size_t i = 0; i < a.pixels.size(); i += 4)
                wrong += !(a.pixels[i] == 255 && a.pixels[i + 1] == 255 && a.pixels[i + 2] == 255 &&
                           a.pixels[i + 3] == (testMode ? 255 : 0));
            EXPECT_EQ(wrong, 0u);
            releaseGlyphAtlas(a);
        }
    }
    // A NUL ends the text like the end of a C string.
    GlyphAtlas a;
    ASSERT_TRUE(buildGlyphAtlas(a, std::string("ab\0cd", 5), kFont, 256, 128, false));
    EXPECT_EQ(a.distinctCount, 2);
    EXPECT_TRUE(a.placed['a'] && a.placed['b']);
    EXPECT_FALSE(a.placed['c'] || a.placed[0]);
    releaseGlyphAtlas(a);
}

TEST(GlyphAtlasBuild, TestModeShowsOpaqueBackgroundAndQuarterChecker) {
    const std::string text = "aQ -";
    GlyphAtlas normal, checker;
    ASSERT_TRUE(buildGlyphAtlas(normal, text, kFont, 256, 128, false));
    ASSERT_TRUE(buildGlyphAtlas(checker, text, kFont, 256, 128, true));
    std::vector<uint8_t> inCell(256 * 128, 0);
    for (unsigned char c : text) {
        SCOPED_TRACE(std::string(1, static_cast<char>(c)));
        // Ink bookkeeping and layout as in normal mode.
        EXPECT_EQ(checker.inkTop[c], normal.inkTop[c]);
        EXPECT_EQ(checker.inkHeight[c], normal.inkHeight[c]);
        EXPECT_EQ(checker.cellX[c], normal.cellX[c]);
        const int x0 = checker.cellX[c], y0 = checker.cellY[c], w = checker.glyphWidth[c], h = checker.glyphHeight;
        const int midX = x0 + w / 2, midY = y0 + h / 2;
        for (int y = y0; y < y0 + h; ++y) {
            for (int x = x0; x < x0 + w; ++x) {
                inCell[y * 256 + x] = 1;
                const bool topLeftOrBottomRight = (y < midY && x < midX) || (y >= midY && x >= midX);
                ASSERT_EQ(alphaAt(checker, x, y), topLeftOrBottomRight ? 100 : 57) << x << "," << y;
            }
        }
    }
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 256; ++x)
            if (!inCell[y * 256 + x]) {
                ASSERT_EQ(alphaAt(checker, x, y), 255) << x << "," << y;
            }
    releaseGlyphAtlas(normal);
    releaseGlyphAtlas(checker);
}

TEST(GlyphAtlasBuild, InkBoxesMatchThePixels) {
    // Capitals with a ring or accent reach row 0 of the cell at this size, so the
    // first line holds glyphs whose first inked row is row 0 of the atlas.
    const std::string text = "\xC5\xC9\xC2" + kDefaultCharset;
    GlyphAtlas a;
    ASSERT_TRUE(buildGlyphAtlas(a, text, kFont, 1024, 512, false));
    int rowZeroGlyphs = 0;
    for (unsigned char c : distinctInOrder(text)) {
        SCOPED_TRACE("char " + std::to_string(c));
        std::vector<int> inkedRows;
        for (int y = a.cellY[c]; y < a.cellY[c] + a.glyphHeight; ++y) {
            bool inked = false;
            for (int x = a.cellX[c]; x < a.cellX[c] + a.glyphWidth[c]; ++x) inked = inked || alphaAt(a, x, y) != 0;
            if (inked) inkedRows.push_back(y);
        }
        if (inkedRows.empty()) {
            EXPECT_EQ(a.inkTop[c], -1);
            EXPECT_EQ(a.inkHeight[c], -1);
            continue;
        }
        const int last = inkedRows.back();
        if (inkedRows.front() > 0) {
            EXPECT_EQ(a.inkTop[c], inkedRows.front() - 1);
            EXPECT_EQ(a.inkHeight[c], last - inkedRows.front() + 3);  // inked rows + 2
        } else {
            // Row 0 leaves the no-ink mark in place; the next inked row sets the top.
            ++rowZeroGlyphs;
            const int top = inkedRows.size() > 1 ? inkedRows[1] - 1 : -1;
            EXPECT_EQ(a.inkTop[c], top);
            EXPECT_EQ(a.inkHeight[c], last - top + 2);
        }
        EXPECT_EQ(glyphV(a, c, 0), static_cast<float>(static_cast<double>(a.inkTop[c]) / 512));
        EXPECT_EQ(glyphV(a, c, 1), static_cast<float>(static_cast<double>(a.inkTop[c] + a.inkHeight[c]) / 512));
        EXPECT_EQ(glyphU(a, c, 1), static_cast<float>(static_cast<double>(a.cellX[c] + a.glyphWidth[c]) / 1024));
    }
    EXPECT_GE(rowZeroGlyphs, 1);
    // A space has a cell of its advance width and no ink.
    EXPECT_TRUE(a.placed[' ']);
    EXPECT_GT(a.glyphWidth[' '], 0);
    EXPECT_EQ(a.inkTop[' '], -1);
    EXPECT_EQ(a.inkHeight[' '], -1);
    releaseGlyphAtlas(a);
}

TEST(GlyphAtlasQueries, ValuesFromTheTables) {
    GlyphAtlas a;
    a.width = 1024;
    a.height = 512;
    a.glyphHeight = 51;
    a.placed['k'] = true;
    a.cellX['k'] = 10;
    a.cellY['k'] = 100;
    a.glyphWidth['k'] = 21;
    a.inkTop['k'] = 108;
    a.inkHeight['k'] = 40;
    EXPECT_TRUE(atlasHasChar(a, 'k'));
    EXPECT_FALSE(atlasHasChar(a, 'j'));
    EXPECT_FALSE(atlasHasChar(a, 256));
    EXPECT_FALSE(atlasHasChar(a, 0x1006B));  // 'k' plus 65536 is not 'k'
    EXPECT_EQ(glyphU(a, 'k', 0), 10.0f / 1024);
    EXPECT_EQ(glyphU(a, 'k', 1), 31.0f / 1024);
    EXPECT_EQ(glyphV(a, 'k', 0), 108.0f / 512);
    EXPECT_EQ(glyphV(a, 'k', 1), 148.0f / 512);
    EXPECT_EQ(glyphAspect(a, 'k'), static_cast<float>(21.0 / 51));
    // half 25.5, centre 125.5
    EXPECT_EQ(glyphExtent(a, 'k', false), static_cast<float>((125.5 - 108) / 25.5));
    EXPECT_EQ(glyphExtent(a, 'k', true), static_cast<float>((148 - 125.5) / 25.5));
    // An ink box that fills the cell reaches 1.0 both ways.
    a.inkTop['k'] = 100;
    a.inkHeight['k'] = 51;
    EXPECT_EQ(glyphExtent(a, 'k', false), 1.0f);
    EXPECT_EQ(glyphExtent(a, 'k', true), 1.0f);
    // The centre is rounded to float before use: at 2^24 + 0.5 it becomes 2^24.
    a.cellY['k'] = 16777216;
    a.glyphHeight = 1;
    a.inkTop['k'] = 16777216;
    a.inkHeight['k'] = 1;
    EXPECT_EQ(glyphExtent(a, 'k', false), 0.0f);
    EXPECT_EQ(glyphExtent(a, 'k', true), 2.0f);
    // Characters without a cell: exactly 1.0, whatever the tables hold.
    a.cellX['j'] = 500;
    a.glyphWidth['j'] = 77;
    a.inkTop['j'] = 3;
    EXPECT_EQ(glyphAspect(a, 'j'), 1.0f);
    EXPECT_EQ(glyphExtent(a, 'j', false), 1.0f);
    EXPECT_EQ(glyphExtent(a, 'j', true), 1.0f);
    for (int c = 0; c < 256; ++c)
        if (c != 'k') {
            EXPECT_EQ(glyphAspect(a, static_cast<unsigned char>(c)), 1.0f);
        }
}

TEST(GlyphAtlasBuild, LastBuildDecidesWhatIsPlaced) {
    GlyphAtlas a;
    ASSERT_TRUE(buildGlyphAtlas(a, kDefaultCharset, kFont, 1024, 512, false));
    EXPECT_TRUE(atlasHasChar(a, 'a'));
    EXPECT_TRUE(atlasHasChar(a, ' '));
    EXPECT_FALSE(atlasHasChar(a, 'w'));
    EXPECT_FALSE(atlasHasChar(a, 'W'));
    EXPECT_FALSE(atlasHasChar(a, 256));
    ASSERT_TRUE(buildGlyphAtlas(a, "xyz", kFont, 1024, 512, false));
    EXPECT_FALSE(atlasHasChar(a, 'a'));
    EXPECT_TRUE(atlasHasChar(a, 'x'));
    EXPECT_EQ(glyphAspect(a, 'a'), 1.0f);
    releaseGlyphAtlas(a);
}

TEST(GlyphAtlasBuild, TooWideCharacterIsLeftOutAndReportedOnce) {
    // 16 texels wide: 'M' cannot fit any line at these sizes, 'i' can. The height
    // forces a few attempts, and 'M' is reported once all the same.
    for (BuildFn build : {buildGlyphAtlas, buildGlyphAtlasCountdown}) {
        GlyphAtlas a;
        bool ok = false;
        std::string out = captureStdout([&] { ok = build(a, "MiMiMM", kFont, 16, 20, false); });
        ASSERT_TRUE(ok);
        EXPECT_LT(a.fontSize, firstSizeFor(16, 20, 2));
        EXPECT_EQ(out, "Character 77 is too wide for the texture and was left out\n");
        EXPECT_FALSE(a.placed['M']);
        EXPECT_TRUE(a.placed['i']);
        EXPECT_EQ(a.cellX['i'], 2);
        EXPECT_EQ(glyphAspect(a, 'M'), 1.0f);
        releaseGlyphAtlas(a);
    }
}

TEST(GlyphAtlasBuild, UnrenderableCharacterIsLeftOutAndReportedOnce) {
    // Three rows leave room only for one-point glyphs, where a space measures zero
    // wide and the font library gives no surface for it.
    for (BuildFn build : {buildGlyphAtlas, buildGlyphAtlasCountdown}) {
        GlyphAtlas a;
        bool ok = false;
        std::string out = captureStdout([&] { ok = build(a, " i  i ", kFont, 64, 3, false); });
        ASSERT_TRUE(ok);
        EXPECT_EQ(a.fontSize, 1);
        EXPECT_EQ(out, "Character 32 cannot be rendered by the font and was left out\n");
        EXPECT_FALSE(a.placed[' ']);
        EXPECT_TRUE(a.placed['i']);
        EXPECT_EQ(a.cellX['i'], 2);
        releaseGlyphAtlas(a);
    }
}

TEST(GlyphAtlasBuild, FailuresReportAndReturnFalse) {
    for (BuildFn build : {buildGlyphAtlas, buildGlyphAtlasCountdown}) {
        GlyphAtlas a;
        bool ok = true;
        std::string out = captureStdout([&] { ok = build(a, "abc", "/nonexistent/none.ttf", 1024, 512, false); });
        EXPECT_FALSE(ok);
        EXPECT_EQ(out, "Unable to load font at size " + std::to_string(firstSizeFor(1024, 512, 3)) + "\n");

        // A texture too low for any size: 201 attempts, then false without a message.
        ok = true;
        out = captureStdout([&] { ok = build(a, "abc", kFont, 64, 2, false); });
        EXPECT_FALSE(ok);
        EXPECT_EQ(out, "");
        EXPECT_EQ(a.fontSize, firstSizeFor(64, 2, 3) - 201);
        // One glyph at 1024x512 starts at 729 points and fits only below 201 attempts.
        ok = true;
        out = captureStdout([&] { ok = build(a, "Q", kFont, 1024, 512, false); });
        EXPECT_FALSE(ok);
        EXPECT_EQ(out, "");
        EXPECT_EQ(a.fontSize, 729 - 201);

        // Sizes that cannot be a texture are refused before anything is allocated.
        for (auto [W, H] : {std::pair{0, 512}, std::pair{1024, -4}, std::pair{100000, 100000}}) {
            ok = true;
            out = captureStdout([&] { ok = build(a, "abc", kFont, W, H, false); });
            EXPECT_FALSE(ok);
            EXPECT_NE(out.find("out of range"), std::string::npos) << out;
        }
        releaseGlyphAtlas(a);
    }
}

// The measured fast path and the loop rendering every size give the same atlas.
TEST(GlyphAtlasBuild, FastPathEqualsCountdown) {
    std::string repeated;
    for (int i = 0; i < 200; ++i) repeated += "Veltrune map names ";
    struct Case {
        std::string text;
        int W, H;
        bool testMode;
    };
    std::vector<Case> cases;
    for (const std::string& text : {kDefaultCharset, printableAscii(), std::string("g"), repeated})
        for (auto [W, H] : {std::pair{1024, 512}, std::pair{256, 128}, std::pair{128, 64}, std::pair{64, 64}})
            cases.push_back({text, W, H, false});
    cases.push_back({kDefaultCharset, 2048, 2048, false});
    cases.push_back({kDefaultCharset, 256, 128, true});
    cases.push_back({"MiMiMM", 16, 20, false});
    for (const Case& k : cases) {
        SCOPED_TRACE(k.text.substr(0, 40) + " at " + std::to_string(k.W) + "x" + std::to_string(k.H));
        GlyphAtlas fast, reference;
        bool okFast = false, okRef = false;
        std::string outFast = captureStdout([&] { okFast = buildGlyphAtlas(fast, k.text, kFont, k.W, k.H, k.testMode); });
        std::string outRef =
            captureStdout([&] { okRef = buildGlyphAtlasCountdown(reference, k.text, kFont, k.W, k.H, k.testMode); });
        EXPECT_EQ(okFast, okRef);
        EXPECT_EQ(outFast, outRef);
        if (okFast && okRef) expectSameAtlas(fast, reference);
        releaseGlyphAtlas(fast);
        releaseGlyphAtlas(reference);
    }
    // A build that fails after 201 attempts fails the same way on both paths.
    GlyphAtlas fast, reference;
    EXPECT_FALSE(buildGlyphAtlas(fast, printableAscii(), kFont, 64, 2, false));
    EXPECT_FALSE(buildGlyphAtlasCountdown(reference, printableAscii(), kFont, 64, 2, false));
    EXPECT_EQ(fast.fontSize, reference.fontSize);
    releaseGlyphAtlas(fast);
    releaseGlyphAtlas(reference);
}

// A second atlas built over a first one starts from a clean slate.
TEST(GlyphAtlasBuild, RebuildReplacesEverything) {
    GlyphAtlas a, fresh;
    ASSERT_TRUE(buildGlyphAtlas(a, printableAscii(), kFont, 1024, 512, true));
    ASSERT_TRUE(buildGlyphAtlas(a, kDefaultCharset, kFont, 256, 128, false));
    ASSERT_TRUE(buildGlyphAtlas(fresh, kDefaultCharset, kFont, 256, 128, false));
    EXPECT_TRUE(a.pixels == fresh.pixels);
    EXPECT_EQ(a.fontSize, fresh.fontSize);
    for (int c = 0; c < 256; ++c) {
        EXPECT_EQ(a.placed[c], fresh.placed[c]);
        EXPECT_EQ(a.inkHeight[c], fresh.inkHeight[c]);
        if (fresh.placed[c]) {
            EXPECT_EQ(a.cellX[c], fresh.cellX[c]);
            EXPECT_EQ(a.inkTop[c], fresh.inkTop[c]);
        }
    }
    releaseGlyphAtlas(a);
    releaseGlyphAtlas(fresh);
}
