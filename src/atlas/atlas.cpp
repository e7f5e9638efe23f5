#include "atlas/atlas.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "platform/platform.h"

namespace {

// The font library is initialised once per process (retried by the next build
// after a failure).
bool fontLibraryReady = false;

constexpr int kMaxAttempts = 201;
// Largest texture side accepted; beyond it the buffer (and the DDS plane) would be
// unreasonably large and OpenGL could not take the texture anyway.
constexpr int kMaxTextureSide = 16384;

enum SkipReason : uint8_t { kNotSkipped = 0, kTooWide = 1, kNoSurface = 2 };

// Characters left out by one attempt; those of the attempt that fits are reported
// once when the build ends.
struct SkipLog {
    uint8_t reason[256] = {};
};

// Glyph surface sizes measured at one point size; -1 for a character the font
// cannot render. Used by the fast path to check the final render against the
// packing it simulated.
struct Measures {
    int w[256];
    int h[256];
};

enum class AttemptResult { Fits, TooSmall, Mismatch };

TTF_Font* fontOf(const GlyphAtlas& atlas) { return static_cast<TTF_Font*>(atlas.font); }

void closeFont(GlyphAtlas& atlas) {
    if (atlas.font) TTF_CloseFont(fontOf(atlas));
    atlas.font = nullptr;
}

// The text up to its first NUL byte, the way a C string ends.
std::string cString(const std::string& text) { return std::string(text.c_str()); }

// Steps common to both builds up to the attempt loop: size check, library, ink
// reset, distinct count, first size and the zeroed pixel buffer.
bool beginBuild(GlyphAtlas& atlas, const std::string& chars, int width, int height) {
    if (width <= 0 || height <= 0 || width > kMaxTextureSide || height > kMaxTextureSide) {
        std::printf("Texture size %d x %d is out of range (1 to %d each)\n", width, height, kMaxTextureSide);
        std::fflush(stdout);
        return false;
    }
    atlas.width = width;
    atlas.height = height;
    if (!fontLibraryReady) {
        if (TTF_Init() != 0) {
            std::printf("Unable to initialize font library\n");
            std::fflush(stdout);
            return false;
        }
        fontLibraryReady = true;
    }
    for (int& v : atlas.inkHeight) v = -1;

    bool seen[256] = {};
    int distinct = 0;
    for (unsigned char c : chars) {
        if (!seen[c]) {
            seen[c] = true;
            ++distinct;
        }
    }
    atlas.distinctCount = distinct == 0 ? 1 : distinct;

    long long area = static_cast<long long>(width) * height;
    atlas.fontSize = static_cast<int>(std::trunc(std::sqrt(static_cast<double>(area) / atlas.distinctCount))) + 5;

    std::vector<uint8_t>().swap(atlas.pixels);
    size_t bytes = static_cast<size_t>(area) * 4;
    try {
        atlas.pixels.assign(bytes, 0);
    } catch (const std::bad_alloc&) {
        std::vector<uint8_t>().swap(atlas.pixels);
        std::printf("Out of memory??");
        std::fflush(stdout);
        return false;
    }
    return true;
}

// Closes the current font and opens fontPath at atlas.fontSize.
bool openFontAtSize(GlyphAtlas& atlas, const std::string& fontPath) {
    closeFont(atlas);
    atlas.font = TTF_OpenFont(resolvePath(fontPath).c_str(), atlas.fontSize);
    if (!atlas.font) {
        std::printf("Unable to load font at size %d\n", atlas.fontSize);
        std::fflush(stdout);
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

void reportSkips(const SkipLog& skips) {
    for (int c = 0; c < 256; ++c) {
        if (skips.reason[c] == kTooWide)
            std::printf("Character %d is too wide for the texture and was left out\n", c);
        else if (skips.reason[c] == kNoSurface)
            std::printf("Character %d cannot be rendered by the font and was left out\n", c);
    }
    std::fflush(stdout);
}

// Copies one rendered glyph into its cell at (x, y) with the ink bookkeeping; in
// test mode the cell shows the quarter checker instead of the glyph.
void copyGlyph(GlyphAtlas& atlas, SDL_Surface* surf, unsigned char c, int x, int y, bool testMode) {
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
                if (atlas.inkTop[c] == -1) atlas.inkTop[c] = r - 1;
                atlas.inkHeight[c] = r - atlas.inkTop[c] + 2;
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
AttemptResult renderAttempt(GlyphAtlas& atlas, const std::string& chars, bool testMode, SkipLog& skips,
                            const Measures* expected) {
    TTF_Font* font = fontOf(atlas);
    const int W = atlas.width;
    const int H = atlas.height;
    LinePacker packer{W, H, lineHeightOf(font)};
    for (bool& p : atlas.placed) p = false;

    const uint8_t background = testMode ? 255 : 0;
    for (size_t i = 0; i < atlas.pixels.size(); i += 4) {
        atlas.pixels[i] = atlas.pixels[i + 1] = atlas.pixels[i + 2] = 255;
        atlas.pixels[i + 3] = background;
    }

    const SDL_Color white = {255, 255, 255, 0};
    bool tried[256] = {};
    for (unsigned char c : chars) {
        if (tried[c]) continue;
        tried[c] = true;
        atlas.placed[c] = true;
        const char one[2] = {static_cast<char>(c), 0};
        SDL_Surface* surf = TTF_RenderText_Blended(font, one, white);
        bool usable = surf && surf->w > 0 && surf->h > 0 && surf->format->BytesPerPixel == 4 &&
                      surf->pitch >= surf->w * 4;
        if (expected) {
            int w = usable ? surf->w : -1;
            int h = usable ? surf->h : -1;
            if (w != expected->w[c] || h != expected->h[c]) {
                if (surf) SDL_FreeSurface(surf);
                return AttemptResult::Mismatch;
            }
        }
        if (!usable) {
            if (surf) SDL_FreeSurface(surf);
            atlas.placed[c] = false;
            skips.reason[c] = kNoSurface;
            continue;
        }
        const int w = surf->w;
        const int h = surf->h;
        if (w >= W - 2) {
            SDL_FreeSurface(surf);
            atlas.placed[c] = false;
            skips.reason[c] = kTooWide;
            continue;
        }
        atlas.glyphWidth[c] = w;
        atlas.glyphHeight = h;
        if (!packer.place(w, h, atlas.cellX[c], atlas.cellY[c])) {
            SDL_FreeSurface(surf);
            return AttemptResult::TooSmall;
        }
        atlas.inkTop[c] = -1;
        copyGlyph(atlas, surf, c, atlas.cellX[c], atlas.cellY[c], testMode);
        SDL_FreeSurface(surf);
    }
    return AttemptResult::Fits;
}

// The packing of one attempt from measured sizes only, deciding the same fit and
// the same skips as renderAttempt would. Records the measures it took.
AttemptResult simulateAttempt(const GlyphAtlas& atlas, const std::string& chars, Measures& measures) {
    TTF_Font* font = fontOf(atlas);
    const int W = atlas.width;
    const int H = atlas.height;
    LinePacker packer{W, H, lineHeightOf(font)};
    bool tried[256] = {};
    for (unsigned char c : chars) {
        if (tried[c]) continue;
        tried[c] = true;
        const char one[2] = {static_cast<char>(c), 0};
        int w = 0;
        int h = 0;
        if (TTF_SizeText(font, one, &w, &h) != 0 || w <= 0 || h <= 0) {
            measures.w[c] = measures.h[c] = -1;
            continue;
        }
        measures.w[c] = w;
        measures.h[c] = h;
        if (w >= W - 2) continue;
        int cellX, cellY;
        if (!packer.place(w, h, cellX, cellY)) return AttemptResult::TooSmall;
    }
    return AttemptResult::Fits;
}

// The attempt loop rendering every glyph at every size, from atlas.fontSize down.
bool countdownAttempts(GlyphAtlas& atlas, const std::string& chars, const std::string& fontPath, bool testMode) {
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
        if (!openFontAtSize(atlas, fontPath)) return false;
        SkipLog skips;
        if (renderAttempt(atlas, chars, testMode, skips, nullptr) == AttemptResult::Fits) {
            reportSkips(skips);
            return true;
        }
        --atlas.fontSize;
    }
    return false;
}

}  // namespace

bool buildGlyphAtlasCountdown(GlyphAtlas& atlas, const std::string& text, const std::string& fontPath,
                              int width, int height, bool testMode) {
    const std::string chars = cString(text);
    if (!beginBuild(atlas, chars, width, height)) return false;
    return countdownAttempts(atlas, chars, fontPath, testMode);
}

bool buildGlyphAtlas(GlyphAtlas& atlas, const std::string& text, const std::string& fontPath, int width,
                     int height, bool testMode) {
    const std::string chars = cString(text);
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
    if (!fits) return false;
    // The font is open at the size found; render once, checking every surface
    // against its measure. Should the two ever disagree, the measured packing
    // cannot be trusted and the build renders every size instead.
    SkipLog skips;
    if (renderAttempt(atlas, chars, testMode, skips, &measures) == AttemptResult::Fits) {
        reportSkips(skips);
        return true;
    }
    for (int& v : atlas.inkHeight) v = -1;
    atlas.fontSize = firstSize;
    return countdownAttempts(atlas, chars, fontPath, testMode);
}

void releaseGlyphAtlas(GlyphAtlas& atlas) { closeFont(atlas); }

bool atlasHasChar(const GlyphAtlas& atlas, unsigned code) { return code <= 255 && atlas.placed[code]; }

float glyphU(const GlyphAtlas& atlas, unsigned char c, int s) {
    if (atlas.width <= 0) return 0.0f;
    return static_cast<float>(static_cast<double>(atlas.cellX[c] + s * atlas.glyphWidth[c]) / atlas.width);
}

float glyphV(const GlyphAtlas& atlas, unsigned char c, int s) {
    if (atlas.height <= 0) return 0.0f;
    return static_cast<float>(static_cast<double>(atlas.inkTop[c] + s * atlas.inkHeight[c]) / atlas.height);
}

float glyphAspect(const GlyphAtlas& atlas, unsigned char c) {
    if (!atlas.placed[c] || atlas.glyphHeight <= 0) return 1.0f;
    return static_cast<float>(static_cast<double>(atlas.glyphWidth[c]) / atlas.glyphHeight);
}

float glyphExtent(const GlyphAtlas& atlas, unsigned char c, bool below) {
    if (!atlas.placed[c] || atlas.glyphHeight <= 0) return 1.0f;
    const double half = atlas.glyphHeight * 0.5;
    const double centre = static_cast<float>(atlas.cellY[c] + half);
    if (below) return static_cast<float>((atlas.inkTop[c] + atlas.inkHeight[c] - centre) / half);
    return static_cast<float>((centre - atlas.inkTop[c]) / half);
}
