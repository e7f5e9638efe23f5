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
