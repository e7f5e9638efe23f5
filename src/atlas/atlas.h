// The glyph atlas: one RGBA texture (texels white, glyph shapes in alpha) holding
// every distinct character of a string rendered once from a TrueType font, with
// per-character tables of where each cell sits and how far its ink reaches.
//
// buildGlyphAtlas finds the largest point size, counting down from an area
// estimate, at which all characters fit, by measuring glyph sizes; it then renders
// once at that size. buildGlyphAtlasCountdown is the plain loop that renders every
// glyph at every size; both give the same atlas byte for byte.
//
// Rows run from 0 (top) to height-1. Tables are indexed by the byte value taken as
// unsigned. The atlas is read by the glyph queries below, the label drawing, the
// BRF writer and the DDS writer; uploadGlyphAtlas (drawing code) hands it to OpenGL.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct GlyphAtlas {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;  // width*height*4 bytes, R G B A per texel
    int distinctCount = 0;
    bool placed[256] = {};
    int cellX[256] = {};
    int cellY[256] = {};
    int glyphWidth[256] = {};
    int glyphHeight = 0;
    int inkTop[256] = {};
    int inkHeight[256] = {};
    int fontSize = 0;      // point size of the last attempt
    void* font = nullptr;  // TTF_Font of the last attempt, kept open until the next build
};

bool buildGlyphAtlas(GlyphAtlas& atlas, const std::string& text, const std::string& fontPath,
                     int width, int height, bool testMode);
bool buildGlyphAtlasCountdown(GlyphAtlas& atlas, const std::string& text, const std::string& fontPath,
                              int width, int height, bool testMode);
// Closes the font the atlas keeps open.
void releaseGlyphAtlas(GlyphAtlas& atlas);

bool atlasHasChar(const GlyphAtlas& atlas, unsigned code);
float glyphU(const GlyphAtlas& atlas, unsigned char c, int s);
float glyphV(const GlyphAtlas& atlas, unsigned char c, int s);
float glyphAspect(const GlyphAtlas& atlas, unsigned char c);
float glyphExtent(const GlyphAtlas& atlas, unsigned char c, bool below);
