#include "../test_support.h"
#include "atlas/atlas.h"

#include <SDL_ttf.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "platform/utf8.h"

namespace {

const char* kFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const std::string kDefaultCharset = "abcdefghijklmnopqrstuvxyzABCDEFGHIJKLMNOPQRSTUVXYZ- ";

using BuildFn = Report (*)(GlyphAtlas&, const std::string&, const std::string&, int, int, bool);

// One build with its result and what it said; the font is released at the end.
struct Built {
    GlyphAtlas a;
    bool ok = false;
    std::string out;
    Built(const std::string& text, int W, int H, bool testMode = false, BuildFn build = buildGlyphAtlas,
          const char* font = kFont) {
        const Report report = build(a, text, font, W, H, testMode);
        ok = report.ok;
        out = test_support::said(report);
    }
    ~Built() { releaseGlyphAtlas(a); }
    Built(const Built&) = delete;
    Built& operator=(const Built&) = delete;
};

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

int firstSizeFor(int W, int H, int distinct) {
    return static_cast<int>(std::trunc(std::sqrt(static_cast<double>(static_cast<long long>(W) * H) / distinct))) + 5;
}

// Line height and glyph sizes of the font at a point size, asked of the font library directly.
struct FontMetrics {
    int lineHeight = 0;
    int w[256] = {};
    int h[256] = {};
};

FontMetrics metricsAt(int size) {
    static const bool libraryReady = TTF_Init() == 0;
    FontMetrics m;
    TTF_Font* font = libraryReady ? TTF_OpenFont(kFont, size) : nullptr;
    if (!font) return m;
    m.lineHeight = TTF_FontAscent(font) - TTF_FontDescent(font) + 1;
    for (int c = 1; c < 256; ++c) {
        const char one[2] = {static_cast<char>(c), 0};
        if (TTF_SizeText(font, one, &m.w[c], &m.h[c]) != 0) m.w[c] = m.h[c] = -1;
    }
    TTF_CloseFont(font);
    return m;
}

// Whether the distinct characters fit the texture at these metrics: cells left to
// right from column 2, a line break when a cell would reach the right edge, lines
// lineHeight + 1 apart, every cell above the bottom edge.
bool layoutFits(const std::string& distinct, const FontMetrics& m, int W, int H) {
    int x = 2, y = 0;
    for (unsigned char c : distinct) {
        if (x + m.w[c] >= W) x = 2, y += m.lineHeight + 1;
        if (y + m.h[c] >= H) return false;
        x += m.w[c] + 1;
    }
    return true;
}

// Checks the layout of a successful build of text against those rules, cell by
// cell, that texels are white, and that no ink lies outside the cells.
void expectLayout(const GlyphAtlas& a, const std::string& text) {
    const std::string distinct = distinctInOrder(text);
    EXPECT_EQ(a.distinctCount, static_cast<int>(distinct.size()));
    int placedCount = 0;
    for (int c = 0; c < 256; ++c) placedCount += atlasHasChar(a, static_cast<char32_t>(c));
    EXPECT_EQ(placedCount, static_cast<int>(distinct.size()));
    ASSERT_EQ(a.pixels.size(), static_cast<size_t>(a.width) * a.height * 4);

    const FontMetrics m = metricsAt(a.fontSize);
    ASSERT_GT(m.lineHeight, 0);
    // Glyph surfaces differ in height (a bar reaching below the descent); the
    // common cell height is the last glyph's.
    EXPECT_EQ(a.glyphHeight, m.h[static_cast<unsigned char>(distinct.back())]);
    std::vector<uint8_t> inCell(static_cast<size_t>(a.width) * a.height, 0);
    int prevX = 0, prevY = 0, prevW = -1, lineBottom = 0;
    for (unsigned char c : distinct) {
        SCOPED_TRACE("char " + std::to_string(c));
        ASSERT_TRUE(atlasHasChar(a, c));
        EXPECT_EQ(a.cells.at(c).width, m.w[c]);
        const int h = m.h[c];
        if (prevW < 0) {
            EXPECT_EQ(std::pair(a.cells.at(c).x, a.cells.at(c).y), std::pair(2, 0));
        } else if (a.cells.at(c).y == prevY) {
            EXPECT_EQ(a.cells.at(c).x, prevX + prevW + 1);
        } else {
            // The next line: lineHeight + 1 rows down, or below a taller cell of the line.
            EXPECT_EQ(std::pair(a.cells.at(c).x, a.cells.at(c).y), std::pair(2, std::max(prevY + m.lineHeight + 1, lineBottom)));
            EXPECT_GE(prevX + prevW + 1 + a.cells.at(c).width, a.width);  // the line was full
        }
        ASSERT_LT(a.cells.at(c).x + a.cells.at(c).width, a.width);
        ASSERT_LT(a.cells.at(c).y + h, a.height);
        for (int y = a.cells.at(c).y; y < a.cells.at(c).y + h; ++y)
            for (int x = a.cells.at(c).x; x < a.cells.at(c).x + a.cells.at(c).width; ++x) {
                ASSERT_EQ(inCell[static_cast<size_t>(y) * a.width + x], 0) << "cells overlap at " << x << "," << y;
                inCell[static_cast<size_t>(y) * a.width + x] = 1;
            }
        if (a.cells.at(c).y != prevY) lineBottom = 0;
        lineBottom = std::max(lineBottom, a.cells.at(c).y + h);
        prevX = a.cells.at(c).x, prevY = a.cells.at(c).y, prevW = a.cells.at(c).width;
    }
    size_t stray = 0, notWhite = 0;
    for (size_t i = 0; i < inCell.size(); ++i) {
        stray += !inCell[i] && a.pixels[i * 4 + 3] != 0;
        notWhite += a.pixels[i * 4] != 255 || a.pixels[i * 4 + 1] != 255 || a.pixels[i * 4 + 2] != 255;
    }
    EXPECT_EQ(stray, 0u);
    EXPECT_EQ(notWhite, 0u);
}

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
            SDL_Surface* s = TTF_RenderText_Blended(font, one, SDL_Color{255, 255, 255, 0});
            // A glyph measured zero wide (a space at one point) gets no surface.
            EXPECT_EQ(s != nullptr, w > 0) << "size " << size << " char " << c;
            if (!s) continue;
            EXPECT_EQ(std::pair(s->w, s->h), std::pair(w, h)) << "size " << size << " char " << c;
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
        for (int k = 0, len = 20 + static_cast<int>(rng() % 60); k < len; ++k) s.push_back(static_cast<char>(33 + rng() % 94));
        texts.push_back(s);
    }
    for (const std::string& text : texts)
        for (auto [W, H] : {std::pair{1024, 512}, std::pair{256, 128}, std::pair{100, 60}}) {
            // A single glyph at 1024x512 would need more than 201 attempts (see the failures).
            if (text.size() == 1 && W == 1024) continue;
            SCOPED_TRACE(text + " at " + std::to_string(W) + "x" + std::to_string(H));
            Built b(text, W, H);
            ASSERT_TRUE(b.ok);
            EXPECT_EQ(b.out, "");
            EXPECT_EQ(std::pair(b.a.width, b.a.height), std::pair(W, H));
            expectLayout(b.a, text);
        }
}

TEST(GlyphAtlasBuild, SizeIsTheLargestThatFitsCountingDownFromTheEstimate) {
    // The default charset at 1024x512 starts at 105 points.
    Built def(kDefaultCharset, 1024, 512);
    EXPECT_EQ(firstSizeFor(1024, 512, def.a.distinctCount), 105);
    EXPECT_LE(def.a.fontSize, 105);
    // Strings that only fit after shrinking: every size from the first down to the
    // final one plus one fails, and the final one fits.
    for (auto [text, W, H] : {std::tuple{printableAscii(), 256, 128}, std::tuple{std::string("WWWWMMMM@@"), 128, 64},
                              std::tuple{kDefaultCharset, 200, 100}}) {
        const std::string distinct = distinctInOrder(text);
        const int first = firstSizeFor(W, H, static_cast<int>(distinct.size()));
        Built b(text, W, H);
        ASSERT_TRUE(b.ok);
        EXPECT_LT(b.a.fontSize, first) << text;
        for (int size = first; size > b.a.fontSize; --size)
            EXPECT_FALSE(layoutFits(distinct, metricsAt(size), W, H)) << text << " size " << size;
        EXPECT_TRUE(layoutFits(distinct, metricsAt(b.a.fontSize), W, H));
    }
}

TEST(GlyphAtlasBuild, TestModeAndEmptyStrings) {
    // No characters: background only, opaque in test mode.
    for (bool testMode : {false, true}) {
        Built b("", 256, 128, testMode);
        ASSERT_TRUE(b.ok);
        EXPECT_EQ(b.a.distinctCount, 1);
        EXPECT_EQ(b.a.fontSize, 186);  // trunc(sqrt(32768)) + 5
        EXPECT_TRUE(b.a.cells.empty());
        size_t wrong = 0;
        for (size_t i = 0; i < b.a.pixels.size(); i += 4)
            wrong += !(b.a.pixels[i] == 255 && b.a.pixels[i + 1] == 255 && b.a.pixels[i + 2] == 255 &&
                       b.a.pixels[i + 3] == (testMode ? 255 : 0));
        EXPECT_EQ(wrong, 0u);
    }
    // A NUL ends the text like the end of a C string.
    Built nul(std::string("ab\0cd", 5), 256, 128);
    EXPECT_EQ(nul.a.distinctCount, 2);
    EXPECT_TRUE(atlasHasChar(nul.a, 'a') && atlasHasChar(nul.a, 'b'));
    EXPECT_FALSE(atlasHasChar(nul.a, 'c') || atlasHasChar(nul.a, 0));

    // Test mode: the layout and ink of normal mode, cells in a quarter checker
    // (alpha 100 top-left and bottom-right, 57 elsewhere), the rest opaque.
    const std::string text = "aQ -";
    Built normal(text, 256, 128), checker(text, 256, 128, true);
    std::vector<uint8_t> inCell(256 * 128, 0);
    for (unsigned char c : text) {
        SCOPED_TRACE(std::string(1, static_cast<char>(c)));
        const GlyphAtlas& k = checker.a;
        EXPECT_EQ(k.cells.at(c).inkTop, normal.a.cells.at(c).inkTop);
        EXPECT_EQ(k.cells.at(c).inkHeight, normal.a.cells.at(c).inkHeight);
        EXPECT_EQ(k.cells.at(c).x, normal.a.cells.at(c).x);
        const int x0 = k.cells.at(c).x, y0 = k.cells.at(c).y, midX = x0 + k.cells.at(c).width / 2, midY = y0 + k.glyphHeight / 2;
        for (int y = y0; y < y0 + k.glyphHeight; ++y)
            for (int x = x0; x < x0 + k.cells.at(c).width; ++x) {
                inCell[y * 256 + x] = 1;
                ASSERT_EQ(alphaAt(k, x, y), (y < midY) == (x < midX) ? 100 : 57) << x << "," << y;
            }
    }
    for (int i = 0; i < 256 * 128; ++i)
        ASSERT_TRUE(inCell[i] || alphaAt(checker.a, i % 256, i / 256) == 255) << i;
}

TEST(GlyphAtlasBuild, InkBoxesMatchThePixels) {
    // Capitals with a ring or accent reach row 0 of the cell at this size, so the
    // first line holds glyphs whose first inked row is row 0 of the atlas.
    const std::string text = "\xC5\xC9\xC2" + kDefaultCharset;
    Built b(text, 1024, 512);
    const GlyphAtlas& a = b.a;
    ASSERT_TRUE(b.ok);
    int rowZeroGlyphs = 0;
    for (unsigned char c : distinctInOrder(text)) {
        SCOPED_TRACE("char " + std::to_string(c));
        std::vector<int> inked;
        for (int y = a.cells.at(c).y; y < a.cells.at(c).y + a.glyphHeight; ++y) {
            bool any = false;
            for (int x = a.cells.at(c).x; x < a.cells.at(c).x + a.cells.at(c).width; ++x) any = any || alphaAt(a, x, y) != 0;
            if (any) inked.push_back(y);
        }
        if (inked.empty()) {
            // A space: a cell of its advance width and no ink.
            EXPECT_EQ(std::pair(a.cells.at(c).inkTop, a.cells.at(c).inkHeight), std::pair(-1, -1));
            EXPECT_GT(a.cells.at(c).width, 0);
            continue;
        }
        if (inked.front() > 0) {
            EXPECT_EQ(a.cells.at(c).inkTop, inked.front() - 1);
            EXPECT_EQ(a.cells.at(c).inkHeight, inked.back() - inked.front() + 3);  // inked rows + 2
        } else {
            // Row 0 leaves the no-ink mark in place; the next inked row sets the top.
            ++rowZeroGlyphs;
            const int top = inked.size() > 1 ? inked[1] - 1 : -1;
            EXPECT_EQ(a.cells.at(c).inkTop, top);
            EXPECT_EQ(a.cells.at(c).inkHeight, inked.back() - top + 2);
        }
    }
    EXPECT_GE(rowZeroGlyphs, 1);
    EXPECT_TRUE(atlasHasChar(a, ' '));
}

TEST(GlyphAtlasQueries, ValuesFromTheTables) {
    GlyphAtlas a;
    a.width = 1024;
    a.height = 512;
    a.glyphHeight = 51;
    a.cells[U'k'] = GlyphCell{10, 100, 21, 108, 40};
    a.cells[0x416] = GlyphCell{40, 100, 30, 100, 50};  // Cyrillic Zhe
    EXPECT_TRUE(atlasHasChar(a, 'k'));
    EXPECT_TRUE(atlasHasChar(a, 0x416));
    EXPECT_FALSE(atlasHasChar(a, 'j'));
    EXPECT_FALSE(atlasHasChar(a, 0x1006B));  // 'k' plus 65536 is not 'k'
    EXPECT_FALSE(atlasHasChar(a, 0x16));     // Zhe less 1024 is not Zhe
    EXPECT_EQ(glyphU(a, 'k', 0), 10.0f / 1024);
    EXPECT_EQ(glyphU(a, 'k', 1), 31.0f / 1024);
    EXPECT_EQ(glyphU(a, 0x416, 1), 70.0f / 1024);
    EXPECT_EQ(glyphV(a, 'k', 0), 108.0f / 512);
    EXPECT_EQ(glyphV(a, 'k', 1), 148.0f / 512);
    EXPECT_EQ(glyphAspect(a, 'k'), static_cast<float>(21.0 / 51));
    // Half 25.5, centre 125.5.
    EXPECT_EQ(glyphExtent(a, 'k', false), static_cast<float>((125.5 - 108) / 25.5));
    EXPECT_EQ(glyphExtent(a, 'k', true), static_cast<float>((148 - 125.5) / 25.5));
    // The centre is rounded to float before use: at 2^24 + 0.5 it becomes 2^24.
    a.cells[U'k'].y = a.cells[U'k'].inkTop = 16777216;
    a.glyphHeight = a.cells[U'k'].inkHeight = 1;
    EXPECT_EQ(glyphExtent(a, 'k', false), 0.0f);
    EXPECT_EQ(glyphExtent(a, 'k', true), 2.0f);
    // Characters without a cell: exactly 1.0.
    for (char32_t c : {U'j', U'\0', char32_t{0xFF}, char32_t{0x417}, char32_t{0x4E2D}}) {
        EXPECT_EQ(glyphAspect(a, c), 1.0f) << static_cast<unsigned>(c);
        EXPECT_EQ(glyphExtent(a, c, false), 1.0f) << static_cast<unsigned>(c);
        EXPECT_EQ(glyphExtent(a, c, true), 1.0f) << static_cast<unsigned>(c);
    }
}

TEST(GlyphAtlasBuild, ARebuildReplacesEverything) {
    GlyphAtlas a;
    ASSERT_TRUE(buildGlyphAtlas(a, printableAscii(), kFont, 1024, 512, true));
    ASSERT_TRUE(buildGlyphAtlas(a, kDefaultCharset, kFont, 256, 128, false));
    Built fresh(kDefaultCharset, 256, 128);
    EXPECT_TRUE(atlasHasChar(a, 'a') && atlasHasChar(a, ' '));
    EXPECT_FALSE(atlasHasChar(a, 'w') || atlasHasChar(a, 'W') || atlasHasChar(a, 256));
    EXPECT_TRUE(a.pixels == fresh.a.pixels);
    EXPECT_EQ(a.fontSize, fresh.a.fontSize);
    EXPECT_TRUE(a.cells == fresh.a.cells);
    releaseGlyphAtlas(a);
}

TEST(GlyphAtlasBuild, CharactersLeftOutAndFailures) {
    for (BuildFn build : {BuildFn{buildGlyphAtlas}, BuildFn{buildGlyphAtlasCountdown}}) {
        // 16 texels wide: 'M' cannot fit any line, 'i' can. The height forces a few
        // attempts, and 'M' is reported once all the same.
        Built wide("MiMiMM", 16, 20, false, build);
        ASSERT_TRUE(wide.ok);
        EXPECT_LT(wide.a.fontSize, firstSizeFor(16, 20, 2));
        EXPECT_EQ(wide.out, "Character 77 is too wide for the texture and was left out\n");
        EXPECT_FALSE(atlasHasChar(wide.a, 'M'));
        EXPECT_EQ(wide.a.cells.at('i').x, 2);
        EXPECT_EQ(glyphAspect(wide.a, 'M'), 1.0f);
        // Three rows leave room only for one-point glyphs, where a space measures
        // zero wide and the font library gives no surface for it.
        Built blank(" i  i ", 64, 3, false, build);
        ASSERT_TRUE(blank.ok);
        EXPECT_EQ(blank.a.fontSize, 1);
        EXPECT_EQ(blank.out, "Character 32 cannot be rendered by the font and was left out\n");
        EXPECT_FALSE(atlasHasChar(blank.a, ' '));
        EXPECT_EQ(blank.a.cells.at('i').x, 2);

        Built noFont("abc", 1024, 512, false, build, "/nonexistent/none.ttf");
        EXPECT_FALSE(noFont.ok);
        EXPECT_EQ(noFont.out, "Unable to load font at size " + std::to_string(firstSizeFor(1024, 512, 3)) + "\n");
        // Too low for any size, or one glyph at 1024x512 starting at 729 points:
        // 201 attempts, then false without a message.
        Built low("abc", 64, 2, false, build), single("Q", 1024, 512, false, build);
        EXPECT_FALSE(low.ok || single.ok);
        EXPECT_EQ(low.out + single.out, "");
        EXPECT_EQ(low.a.fontSize, firstSizeFor(64, 2, 3) - 201);
        EXPECT_EQ(single.a.fontSize, 729 - 201);
        // Sizes that cannot be a texture are refused before anything is allocated.
        for (auto [W, H] : {std::pair{0, 512}, std::pair{1024, -4}, std::pair{100000, 100000}}) {
            Built bad("abc", W, H, false, build);
            EXPECT_FALSE(bad.ok);
            EXPECT_NE(bad.out.find("out of range"), std::string::npos) << bad.out;
        }
    }
}

// The measured fast path and the loop rendering every size give the same atlas.
TEST(GlyphAtlasBuild, FastPathEqualsCountdown) {
    std::string repeated;
    for (int i = 0; i < 200; ++i) repeated += "Veltrune map names ";
    std::vector<std::tuple<std::string, int, int, bool>> cases = {
        {kDefaultCharset, 2048, 2048, false}, {kDefaultCharset, 256, 128, true}, {printableAscii(), 64, 2, false}};
    for (const std::string& text : {kDefaultCharset, printableAscii(), std::string("g"), repeated})
        for (auto [W, H] : {std::pair{1024, 512}, std::pair{256, 128}, std::pair{128, 64}, std::pair{64, 64}})
            cases.emplace_back(text, W, H, false);
    for (const auto& [text, W, H, testMode] : cases) {
        SCOPED_TRACE(text.substr(0, 40) + " at " + std::to_string(W) + "x" + std::to_string(H));
        Built fast(text, W, H, testMode), ref(text, W, H, testMode, buildGlyphAtlasCountdown);
        const GlyphAtlas &a = fast.a, &b = ref.a;
        EXPECT_EQ(fast.ok, ref.ok);
        EXPECT_EQ(fast.out, ref.out);
        EXPECT_EQ(a.fontSize, b.fontSize);
        if (!fast.ok) continue;
        EXPECT_EQ(std::tuple(a.width, a.height, a.distinctCount, a.glyphHeight),
                  std::tuple(b.width, b.height, b.distinctCount, b.glyphHeight));
        EXPECT_TRUE(a.pixels == b.pixels);
        EXPECT_TRUE(a.cells == b.cells);
    }
}

// A charset is UTF-8 when it is valid UTF-8 holding a multi-byte sequence, else
// one byte per character (ISO 8859-1), so older configuration files keep their meaning.
TEST(GlyphAtlasCharset, Utf8OrOneBytePerCharacter) {
    const std::pair<std::string, std::u32string> cases[] = {
        {"ab -", U"ab -"},
        {"caf\xE9", U"caf\u00E9"},                           // a Latin-1 byte
        {"caf\xC3\xA9", U"caf\u00E9"},                       // UTF-8, though it also reads as Latin-1 "Ã©"
        {"\xD0\x9C\xCE\xB1\xE4\xB8\xAD", U"\u041C\u03B1\u4E2D"},  // Cyrillic, Greek, Chinese
        {"\xC3\xA9\xFF", U"\u00C3\u00A9\u00FF"},            // not UTF-8 as a whole: every byte a character
        {"\xC0\xAF", U"\u00C0\u00AF"},                       // an overlong form is no UTF-8
        {"\xED\xA0\x80", U"\u00ED\u00A0\u0080"},            // nor is a surrogate
        {"", U""}};
    for (const auto& [text, expected] : cases) EXPECT_EQ(decodeCharset(text), expected) << text;
}

// The atlas of a Latin-1 charset, pinned by a digest of its pixels and cells as the
// program built it before characters were keyed by code point (the charset's
// accented letters as single bytes, as older configuration files hold them).
TEST(GlyphAtlasBuild, Latin1CharsetStaysByteForByte) {
    const std::string charset = kDefaultCharset + "\xE0\xE9\xEE\xF5\xFC\xDF\xC7\xD1\xBF\xA1\xAB\xBB\xB0\xB1\xB5\xFF";
    Built b(charset, 512, 256);
    ASSERT_TRUE(b.ok);
    uint64_t h = 1469598103934665603ULL;  // FNV-1a, 64 bits
    auto mix = [&h](const void* p, size_t n) {
        for (size_t i = 0; i < n; ++i) h = (h ^ static_cast<const uint8_t*>(p)[i]) * 1099511628211ULL;
    };
    auto mixInt = [&mix](int v) { mix(&v, sizeof v); };
    mix(b.a.pixels.data(), b.a.pixels.size());
    mixInt(b.a.fontSize), mixInt(b.a.glyphHeight), mixInt(b.a.distinctCount);
    for (unsigned char c : distinctInOrder(charset)) {
        const GlyphCell& cell = b.a.cells.at(c);
        for (int v : {static_cast<int>(c), cell.x, cell.y, cell.width, cell.inkTop, cell.inkHeight}) mixInt(v);
    }
    EXPECT_EQ(b.a.fontSize, 47);
    EXPECT_EQ(h, 0xf063822f652168f9ULL);
}

// Cyrillic and Greek letters each get a cell with ink; a character the font has no
// glyph for is left out and reported once.
TEST(GlyphAtlasBuild, CyrillicAndGreekLetters) {
    std::u32string letters;
    for (char32_t c = 0x410; c <= 0x44F; ++c) letters.push_back(c);  // А..я
    for (char32_t c = 0x391; c <= 0x3C9; ++c)
        if (c != 0x3A2) letters.push_back(c);  // Α..ω (no capital final sigma)
    std::string utf8;
    for (char32_t c : letters + U"\u0401\u0451 \u4E2D") appendUtf8(utf8, c);
    Built b(utf8, 1024, 512);
    ASSERT_TRUE(b.ok);
    EXPECT_EQ(b.out, "Character 20013 cannot be rendered by the font and was left out\n");
    EXPECT_EQ(b.a.distinctCount, static_cast<int>(letters.size()) + 4);
    EXPECT_FALSE(atlasHasChar(b.a, 0x4E2D));
    for (char32_t c : letters) {
        const GlyphCell* cell = glyphCell(b.a, c);
        ASSERT_NE(cell, nullptr) << static_cast<unsigned>(c);
        EXPECT_GT(cell->inkHeight, 2) << static_cast<unsigned>(c);
        EXPECT_GT(cell->width, 0) << static_cast<unsigned>(c);
    }
}

}  // namespace
