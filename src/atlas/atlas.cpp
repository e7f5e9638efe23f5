#include "atlas/atlas.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <new>
#include <utility>

#include "platform/platform.h"
#include "platform/text_format.h"
#include "platform/utf8.h"

namespace {

// The font library is initialised once per process (retried by the next build
// after a failure).
bool fontLibraryReady = false;

constexpr int kMaxAttempts = 201;
// Largest texture side accepted; beyond it the buffer (and the DDS plane) would be
// unreasonably large and OpenGL could not take the texture anyway.
constexpr int kMaxTextureSide = 16384;

enum SkipReason : uint8_t { kTooWide = 1, kNoSurface = 2 };

// Characters left out by one attempt, by code point; those of the attempt that
// fits are reported once when the build ends.
using SkipLog = std::map<char32_t, SkipReason>;

// Glyph surface sizes (width, height) measured at one point size; (-1, -1) for a
// character the font cannot render. Used by the fast path to check the final
// render against the packing it simulated.
using Measures = std::unordered_map<char32_t, std::pair<int, int>>;

enum class AttemptResult { Fits, TooSmall, Mismatch };

TTF_Font* fontOf(const GlyphAtlas& atlas) { return static_cast<TTF_Font*>(atlas.font); }

void closeFont(GlyphAtlas& atlas) {
    if (atlas.font) TTF_CloseFont(fontOf(atlas));
    atlas.font = nullptr;
}

// The distinct characters of the text up to its first NUL, in the order of their
// first occurrence: each gets one cell, at its first occurrence.
std::u32string distinctInOrder(const std::u32string& text) {
    std::u32string out;
    std::unordered_map<char32_t, bool> seen;
    for (char32_t c : text) {
        if (c == 0) break;
        if (seen.emplace(c, true).second) out.push_back(c);
    }
    return out;
}

// A character as the NUL-terminated UTF-8 text the font library renders.
struct Utf8Char {
    char bytes[8] = {};
    explicit Utf8Char(char32_t c) {
        std::string s;
        appendUtf8(s, c);
        std::memcpy(bytes, s.data(), s.size() < 7 ? s.size() : 7);
    }
};

// Whether the font has a glyph of its own for the character (not its "missing" box).
bool fontHasGlyph(TTF_Font* font, char32_t c) { return c <= 0x10FFFF && TTF_GlyphIsProvided32(font, c); }

// Steps common to both builds up to the attempt loop: size check, library,
// distinct count, first size and the zeroed pixel buffer.
bool beginBuild(GlyphAtlas& atlas, const std::u32string& chars, int width, int height) {
    atlas.failure.clear();
    atlas.notes.clear();
    if (width <= 0 || height <= 0 || width > kMaxTextureSide || height > kMaxTextureSide) {
        atlas.failure = formatText("the texture size %d x %d is out of range", width, height);
        atlas.notes.push_back(
            formatText("Texture size %d x %d is out of range (1 to %d each)", width, height, kMaxTextureSide));
        return false;
    }
    atlas.width = width;
    atlas.height = height;
    if (!fontLibraryReady) {
        if (TTF_Init() != 0) {
            atlas.failure = "the font library cannot be started";
            atlas.notes.push_back("Unable to initialize font library");
            return false;
        }
        fontLibraryReady = true;
    }
    atlas.cells.clear();
    const int distinct = static_cast<int>(chars.size());
    atlas.distinctCount = distinct == 0 ? 1 : distinct;

    long long area = static_cast<long long>(width) * height;
    atlas.fontSize = static_cast<int>(std::trunc(std::sqrt(static_cast<double>(area) / atlas.distinctCount))) + 5;

    std::vector<uint8_t>().swap(atlas.pixels);
    size_t bytes = static_cast<size_t>(area) * 4;
    try {
        atlas.pixels.assign(bytes, 0);
    } catch (const std::bad_alloc&) {
        std::vector<uint8_t>().swap(atlas.pixels);
        atlas.failure = formatText("there is no memory for the %d x %d texture", width, height);
        atlas.notes.push_back("Out of memory??");
        return false;
    }
    return true;
}

// Closes the current font and opens fontPath at atlas.fontSize.
bool openFontAtSize(GlyphAtlas& atlas, const std::string& fontPath) {
    closeFont(atlas);
    atlas.font = TTF_OpenFont(resolvePath(fontPath).c_str(), atlas.fontSize);
    if (!atlas.font) {
        atlas.failure = formatText("the font \"%s\" cannot be loaded", fontPath.c_str());
        atlas.notes.push_back(formatText("Unable to load font at size %d", atlas.fontSize));
        return false;
    }
    return true;
}

// Ascent less the (negative) descent, plus one. Kept from going negative so that
// a font with odd metrics can never move the next line upwards out of the texture.
int lineHeightOf(TTF_Font* font) {
    const int lineHeight = TTF_FontAscent(font) - TTF_FontDescent(font) + 1;
    return lineHeight < 0 ? 0 : lineHeight;
}

void reportSkips(GlyphAtlas& atlas, const SkipLog& skips) {
    for (const auto& [c, reason] : skips) {
        const unsigned code = static_cast<unsigned>(c);
        if (reason == kTooWide)
            atlas.notes.push_back(formatText("Character %u is too wide for the texture and was left out", code));
        else
            atlas.notes.push_back(formatText("Character %u cannot be rendered by the font and was left out", code));
    }
}

// Copies one rendered glyph into its cell at (x, y) with the ink bookkeeping; in
// test mode the cell shows the quarter checker instead of the glyph.
void copyGlyph(GlyphAtlas& atlas, SDL_Surface* surf, GlyphCell& cell, bool testMode) {
    const int x = cell.x;
    const int y = cell.y;
    const int w = surf->w;
    const int h = surf->h;
    const SDL_PixelFormat* fmt = surf->format;
    const int midY = y + h / 2;
    const int midX = x + w / 2;
    const bool mustLock = SDL_MUSTLOCK(surf);
    if (mustLock && SDL_LockSurface(surf) != 0) return;  // pixels unreachable: the cell stays background
    const uint8_t* base = static_cast<const uint8_t*>(surf->pixels);
    for (int i = 0; i < h; ++i) {
        const int r = y + i;
        const uint8_t* src = base + static_cast<size_t>(i) * surf->pitch;
        uint8_t* dst = atlas.pixels.data() + (static_cast<size_t>(r) * atlas.width + x) * 4;
        for (int j = 0; j < w; ++j) {
            const int k = x + j;
            uint32_t p;
            std::memcpy(&p, src + static_cast<size_t>(j) * 4, 4);
            uint8_t a = fmt->Amask ? static_cast<uint8_t>(((p & fmt->Amask) >> fmt->Ashift) << fmt->Aloss) : 255;
            if (a != 0) {
                if (cell.inkTop == -1) cell.inkTop = r - 1;
                cell.inkHeight = r - cell.inkTop + 2;
            }
            if (testMode) a = ((r >= midY) != (k < midX)) ? 100 : 57;
            dst[j * 4 + 0] = 255;
            dst[j * 4 + 1] = 255;
            dst[j * 4 + 2] = 255;
            dst[j * 4 + 3] = a;
        }
    }
    if (mustLock) SDL_UnlockSurface(surf);
}

// Cells packed left to right in lines: the first cell of a line at column 2, one
// empty column between cells, lines lineHeight + 1 rows apart from row 0 on. A
// glyph taller than that pitch (marks reaching past the font's ascent or descent)
// moves the next line down below it, so no two cells share a row.
struct LinePacker {
    int width, height, lineHeight;
    int x = 2, y = 0;
    int lineBottom = 0;  // the row below the lowest cell of the current line

    // Places a w x h cell at (cellX, cellY); false when it does not fit below the last line.
    bool place(int w, int h, int& cellX, int& cellY) {
        if (x + w >= width) {
            x = 2;
            y = std::max(y + lineHeight + 1, lineBottom);
        }
        if (y + h >= height) return false;
        cellX = x;
        cellY = y;
        lineBottom = std::max(lineBottom, y + h);
        x = x + w + 1;
        return true;
    }
};

// One attempt at the open font: lays out and renders every distinct character.
// With expected sizes given, a rendered surface of another size ends the attempt
// with Mismatch.
AttemptResult renderAttempt(GlyphAtlas& atlas, const std::u32string& chars, bool testMode, SkipLog& skips,
                            const Measures* expected) {
    TTF_Font* font = fontOf(atlas);
    const int W = atlas.width;
    const int H = atlas.height;
    LinePacker packer{W, H, lineHeightOf(font)};
    atlas.cells.clear();

    const uint8_t background = testMode ? 255 : 0;
    for (size_t i = 0; i < atlas.pixels.size(); i += 4) {
        atlas.pixels[i] = atlas.pixels[i + 1] = atlas.pixels[i + 2] = 255;
        atlas.pixels[i + 3] = background;
    }

    const SDL_Color white = {255, 255, 255, 0};
    for (char32_t c : chars) {
        SDL_Surface* surf = fontHasGlyph(font, c) ? TTF_RenderUTF8_Blended(font, Utf8Char(c).bytes, white) : nullptr;
        bool usable = surf && surf->w > 0 && surf->h > 0 && surf->format->BytesPerPixel == 4 &&
                      surf->pitch >= surf->w * 4;
        if (expected) {
            const auto size = usable ? std::pair(surf->w, surf->h) : std::pair(-1, -1);
            const auto it = expected->find(c);
            if (it == expected->end() || it->second != size) {
                if (surf) SDL_FreeSurface(surf);
                return AttemptResult::Mismatch;
            }
        }
        if (!usable) {
            if (surf) SDL_FreeSurface(surf);
            skips[c] = kNoSurface;
            continue;
        }
        const int w = surf->w;
        const int h = surf->h;
        if (w >= W - 2) {
            SDL_FreeSurface(surf);
            skips[c] = kTooWide;
            continue;
        }
        atlas.glyphHeight = h;
        GlyphCell cell;
        cell.width = w;
        if (!packer.place(w, h, cell.x, cell.y)) {
            SDL_FreeSurface(surf);
            return AttemptResult::TooSmall;
        }
        copyGlyph(atlas, surf, cell, testMode);
        // The surface is not the advance: ink may reach past it (a "T", an italic "j").
        int minx = 0, maxx = 0, miny = 0, maxy = 0, advance = 0;
        if (TTF_GlyphMetrics32(font, c, &minx, &maxx, &miny, &maxy, &advance) == 0) {
            cell.advance = advance;
            cell.bearing = minx;
        }
        atlas.cells[c] = cell;
        SDL_FreeSurface(surf);
    }
    return AttemptResult::Fits;
}

// The packing of one attempt from measured sizes only, deciding the same fit and
// the same skips as renderAttempt would. Records the measures it took.
AttemptResult simulateAttempt(const GlyphAtlas& atlas, const std::u32string& chars, Measures& measures) {
    TTF_Font* font = fontOf(atlas);
    const int W = atlas.width;
    const int H = atlas.height;
    LinePacker packer{W, H, lineHeightOf(font)};
    for (char32_t c : chars) {
        int w = 0;
        int h = 0;
        if (!fontHasGlyph(font, c) || TTF_SizeUTF8(font, Utf8Char(c).bytes, &w, &h) != 0 || w <= 0 || h <= 0) {
            measures[c] = {-1, -1};
            continue;
        }
        measures[c] = {w, h};
        if (w >= W - 2) continue;
        int cellX, cellY;
        if (!packer.place(w, h, cellX, cellY)) return AttemptResult::TooSmall;
    }
    return AttemptResult::Fits;
}

// No size tried fits the characters into the texture.
bool noSizeFits(GlyphAtlas& atlas) {
    atlas.failure = formatText("the letters do not fit the %d x %d texture at any font size", atlas.width, atlas.height);
    return false;
}

// The attempt loop rendering every glyph at every size, from atlas.fontSize down.
bool countdownAttempts(GlyphAtlas& atlas, const std::u32string& chars, const std::string& fontPath, bool testMode) {
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
        if (!openFontAtSize(atlas, fontPath)) return false;
        SkipLog skips;
        if (renderAttempt(atlas, chars, testMode, skips, nullptr) == AttemptResult::Fits) {
            reportSkips(atlas, skips);
            return true;
        }
        --atlas.fontSize;
    }
    return noSizeFits(atlas);
}

}  // namespace

std::u32string decodeCharset(const std::string& text) {
    std::vector<char32_t> codes;
    if (hasNonAscii(text) && decodeUtf8(text, codes)) return std::u32string(codes.begin(), codes.end());
    std::u32string latin1;
    for (unsigned char byte : text) latin1.push_back(byte);
    return latin1;
}

namespace {

bool countdownBuild(GlyphAtlas& atlas, const std::u32string& text, const std::string& fontPath, int width,
                    int height, bool testMode) {
    const std::u32string chars = distinctInOrder(text);
    if (!beginBuild(atlas, chars, width, height)) return false;
    return countdownAttempts(atlas, chars, fontPath, testMode);
}

bool measuredBuild(GlyphAtlas& atlas, const std::u32string& text, const std::string& fontPath, int width,
                   int height, bool testMode) {
    const std::u32string chars = distinctInOrder(text);
    if (!beginBuild(atlas, chars, width, height)) return false;
    const int firstSize = atlas.fontSize;
    Measures measures;
    bool fits = false;
    for (int attempt = 0; attempt < kMaxAttempts && !fits; ++attempt) {
        if (!openFontAtSize(atlas, fontPath)) return false;
        if (simulateAttempt(atlas, chars, measures) == AttemptResult::Fits)
            fits = true;
        else
            --atlas.fontSize;
    }
    if (!fits) return noSizeFits(atlas);
    // The font is open at the size found; render once, checking every surface
    // against its measure. Should the two ever disagree, the measured packing
    // cannot be trusted and the build renders every size instead.
    SkipLog skips;
    if (renderAttempt(atlas, chars, testMode, skips, &measures) == AttemptResult::Fits) {
        reportSkips(atlas, skips);
        return true;
    }
    atlas.fontSize = firstSize;
    return countdownAttempts(atlas, chars, fontPath, testMode);
}

// What a build did: its notes as the report's messages.
Report builtReport(GlyphAtlas& atlas, bool built) {
    Report report;
    report.ok = built;
    report.messages = std::move(atlas.notes);
    atlas.notes.clear();
    return report;
}

}  // namespace

Report buildGlyphAtlasCountdown(GlyphAtlas& atlas, const std::u32string& text, const std::string& fontPath,
                                int width, int height, bool testMode) {
    const bool built = countdownBuild(atlas, text, fontPath, width, height, testMode);
    return builtReport(atlas, built);
}

Report buildGlyphAtlas(GlyphAtlas& atlas, const std::u32string& text, const std::string& fontPath, int width,
                       int height, bool testMode) {
    const bool built = measuredBuild(atlas, text, fontPath, width, height, testMode);
    return builtReport(atlas, built);
}

Report buildGlyphAtlas(GlyphAtlas& atlas, const std::string& text, const std::string& fontPath, int width,
                       int height, bool testMode) {
    return buildGlyphAtlas(atlas, decodeCharset(text), fontPath, width, height, testMode);
}

Report buildGlyphAtlasCountdown(GlyphAtlas& atlas, const std::string& text, const std::string& fontPath,
                                int width, int height, bool testMode) {
    return buildGlyphAtlasCountdown(atlas, decodeCharset(text), fontPath, width, height, testMode);
}

void releaseGlyphAtlas(GlyphAtlas& atlas) { closeFont(atlas); }

const GlyphCell* glyphCell(const GlyphAtlas& atlas, char32_t c) {
    const auto it = atlas.cells.find(c);
    return it == atlas.cells.end() ? nullptr : &it->second;
}

bool atlasHasChar(const GlyphAtlas& atlas, char32_t code) { return glyphCell(atlas, code) != nullptr; }

float glyphU(const GlyphAtlas& atlas, char32_t c, int s) {
    const GlyphCell* cell = glyphCell(atlas, c);
    if (atlas.width <= 0 || !cell) return 0.0f;
    return static_cast<float>(static_cast<double>(cell->x + s * cell->width) / atlas.width);
}

float glyphV(const GlyphAtlas& atlas, char32_t c, int s) {
    const GlyphCell* cell = glyphCell(atlas, c);
    if (atlas.height <= 0 || !cell) return 0.0f;
    return static_cast<float>(static_cast<double>(cell->inkTop + s * cell->inkHeight) / atlas.height);
}

float glyphAspect(const GlyphAtlas& atlas, char32_t c) {
    const GlyphCell* cell = glyphCell(atlas, c);
    if (!cell || atlas.glyphHeight <= 0) return 1.0f;
    return static_cast<float>(static_cast<double>(cell->width) / atlas.glyphHeight);
}

float glyphExtent(const GlyphAtlas& atlas, char32_t c, bool below) {
    const GlyphCell* cell = glyphCell(atlas, c);
    if (!cell || atlas.glyphHeight <= 0) return 1.0f;
    const double half = atlas.glyphHeight * 0.5;
    const double centre = static_cast<float>(cell->y + half);
    if (below) return static_cast<float>((cell->inkTop + cell->inkHeight - centre) / half);
    return static_cast<float>((centre - cell->inkTop) / half);
}

int glyphKerning(const GlyphAtlas& atlas, char32_t previous, char32_t c) {
    if (!atlas.font || previous > 0x10FFFF || c > 0x10FFFF) return 0;
    // The library answers -1 both for a kerning of -1 and for an error; only an
    // error sets its error text.
    SDL_ClearError();
    const int kern = TTF_GetFontKerningSizeGlyphs32(fontOf(atlas), previous, c);
    if (kern < 0 && SDL_GetError()[0] != '\0') return 0;
    return kern;
}
