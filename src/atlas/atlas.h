// src/atlas: the glyph atlas alone (SDL2_ttf), its upload only in atlas_draw.cpp.
// Depends on src/platform only; the texture file it becomes is src/formats'.
//
// The glyph atlas: one RGBA texture (texels white, glyph shapes in alpha) holding
// every distinct character of a string rendered once from a TrueType font, with
// each character's cell and how far its ink reaches.
//
// buildGlyphAtlas finds the largest point size, counting down from an area
// estimate, at which all characters fit, by measuring glyph sizes; it then renders
// once at that size. buildGlyphAtlasCountdown is the plain loop that renders every
// glyph at every size; both give the same atlas byte for byte.
//
// Characters are Unicode code points. A text given as bytes (a charset from the
// configuration) is read as UTF-8 when it is valid UTF-8 holding at least one
// multi-byte sequence, else one byte per character (ISO 8859-1): decodeCharset.
// Glyphs are rendered from the code point's UTF-8, which for code points up to
// U+00FF gives the same glyph surfaces as rendering the byte as Latin-1 text.
//
// Rows run from 0 (top) to height-1. The placed characters' cells are kept by code
// point (cells), with no table per possible character. The atlas is read by the
// glyph queries below, the label drawing, the BRF writer and the DDS writer;
// uploadGlyphAtlas (drawing code) hands it to OpenGL.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/report.h"

// Where a placed character sits and how far its ink reaches.
struct GlyphCell {
    int x = 0;          // left column of the cell
    int y = 0;          // top row of the cell
    int width = 0;      // width of the rendered glyph, the cell's width
    int inkTop = -1;    // one row above the first inked row; -1 for a cell without ink
    int inkHeight = -1; // rows from inkTop to one below the last inked row; -1 without ink
    int advance = 0;    // how far the glyph moves the pen, in pixels at the atlas's font size
    int bearing = 0;    // left bearing: from the pen to the left edge of the glyph's outline
    bool operator==(const GlyphCell&) const = default;
};

struct GlyphAtlas {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;  // width*height*4 bytes, R G B A per texel
    int distinctCount = 0;
    std::unordered_map<char32_t, GlyphCell> cells;  // the placed characters
    int glyphHeight = 0;   // height of the last glyph rendered: the common cell height
    int fontSize = 0;      // point size of the last attempt
    void* font = nullptr;  // TTF_Font of the last attempt, kept open until the next build
    std::string failure;   // why the last build failed, as a phrase ("the font ... cannot be loaded"); empty after success
    std::vector<std::string> notes;  // what the build in progress has to say, handed over in its report
};

// The characters of a charset text: UTF-8 when it is valid UTF-8 with at least one
// multi-byte sequence, else ISO 8859-1 (one byte, one character).
std::u32string decodeCharset(const std::string& text);

// The report's messages are those the user should read: a texture size out of
// range, a font that cannot be loaded, characters left out.
Report buildGlyphAtlas(GlyphAtlas& atlas, const std::u32string& chars, const std::string& fontPath, int width,
                       int height, bool testMode);
Report buildGlyphAtlasCountdown(GlyphAtlas& atlas, const std::u32string& chars, const std::string& fontPath,
                                int width, int height, bool testMode);
// The same from a charset text (decodeCharset).
Report buildGlyphAtlas(GlyphAtlas& atlas, const std::string& text, const std::string& fontPath, int width,
                       int height, bool testMode);
Report buildGlyphAtlasCountdown(GlyphAtlas& atlas, const std::string& text, const std::string& fontPath,
                                int width, int height, bool testMode);
// Closes the font the atlas keeps open.
void releaseGlyphAtlas(GlyphAtlas& atlas);

// The cell of a placed character, or nullptr.
const GlyphCell* glyphCell(const GlyphAtlas& atlas, char32_t c);
bool atlasHasChar(const GlyphAtlas& atlas, char32_t code);
float glyphU(const GlyphAtlas& atlas, char32_t c, int s);
float glyphV(const GlyphAtlas& atlas, char32_t c, int s);
float glyphAspect(const GlyphAtlas& atlas, char32_t c);
float glyphExtent(const GlyphAtlas& atlas, char32_t c, bool below);
// The font's kerning between two characters in pixels at the atlas's font size
// (negative pulls them together); 0 without an open font or when the font library
// reports an error. Kerning held only in tables SDL2_ttf does not read (such as
// OpenType GPOS) is not seen.
int glyphKerning(const GlyphAtlas& atlas, char32_t previous, char32_t c);
