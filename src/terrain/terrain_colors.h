// Terrain colours: "mapcolors.txt" in the working directory, one RGB row per
// terrain type (type modulo 256). Read at start-up and on F8; written with the
// palette's colours when missing.
//
// The palette gives the ground types of the modules' maps colours that read like
// the game's (water blue, plains green, snow white, ...), and every other type
// the grey (64 + 8 t) mod 256. A table starts from the palette, so a type that
// the file does not list is still drawn in its palette colour.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/report.h"
#include "terrain/terrain.h"

using TerrainRgb = std::array<uint8_t, 3>;
using TerrainRows = std::array<TerrainRgb, 256>;

// The default colour of every terrain type, by row.
const TerrainRows& terrainPalette();

struct TerrainColorTable {
    TerrainRows rgb = terrainPalette();
    unsigned version = 0;  // raised by every successful read, so drawing caches know to rebuild
};

// The row of a terrain type: its value modulo 256 taken as non-negative.
int colorRow(int terrainType);

bool readTerrainColors(TerrainColorTable& table, const std::string& path = "mapcolors.txt");
// Applies colour text to the table; rows that cannot be read are skipped.
// Returns how many terrain types it set.
int parseTerrainColors(TerrainColorTable& table, const std::string& text);
// F8: the table anew from the palette and the file, so a row taken out of the
// file shows its palette colour again; the message says what was read.
Report rereadTerrainColors(TerrainColorTable& table, const std::string& path = "mapcolors.txt");
// The palette's colour of every terrain type the mesh uses, in ascending order (LF line ends).
std::string defaultTerrainColorsText(const TerrainMesh& mesh);
bool writeDefaultTerrainColors(const TerrainMesh& mesh, const std::string& path = "mapcolors.txt");

// A face's colour as drawn: its type's row times its light, divided by
// FILL_SHADE (the fill) or OUTLINE_SHADE (the darker outline). Not clamped: the
// drawing clamps to 0..1, so faces with negative light are black.
constexpr float FILL_SHADE = 255.0f;
constexpr float OUTLINE_SHADE = 280.0f;
struct ShadeRgb {
    float r, g, b;
};
ShadeRgb faceShade(const TerrainColorTable& table, const MapFace& face, float shade);
