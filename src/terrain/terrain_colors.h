// Terrain colours: "mapcolors.txt" in the working directory, one RGB row per
// terrain type (type modulo 256). Read at start-up and on F8; written with
// default greys when missing.
#pragma once

#include <cstdint>
#include <string>

#include "terrain/terrain.h"

struct TerrainColorTable {
    uint8_t rgb[256][3] = {};
    unsigned version = 0;  // raised by every successful read, so drawing caches know to rebuild
};

// The row of a terrain type: its value modulo 256 taken as non-negative.
int colorRow(int terrainType);

bool readTerrainColors(TerrainColorTable& table, const std::string& path = "mapcolors.txt");
// Applies colour text to the table; rows that cannot be read are skipped.
void parseTerrainColors(TerrainColorTable& table, const std::string& text);
bool writeDefaultTerrainColors(const TerrainMesh& mesh, const std::string& path = "mapcolors.txt");
// The default grey of every terrain type the mesh uses, as writeDefaultTerrainColors
// writes it, set in the table without writing a file.
void setDefaultTerrainColors(TerrainColorTable& table, const TerrainMesh& mesh);

// A face's colour as drawn: its type's row times its light, divided by
// FILL_SHADE (the fill) or OUTLINE_SHADE (the darker outline). Not clamped: the
// drawing clamps to 0..1, so faces with negative light are black.
constexpr float FILL_SHADE = 255.0f;
constexpr float OUTLINE_SHADE = 280.0f;
struct ShadeRgb {
    float r, g, b;
};
ShadeRgb faceShade(const TerrainColorTable& table, const MapFace& face, float shade);
