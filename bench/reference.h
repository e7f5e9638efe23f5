// The plain references the fast paths are measured and checked against: the map
// read number by number with sscanf, and the map drawn vertex by vertex in
// immediate mode on every frame.
#pragma once

#include <cstddef>
#include <string>

#include "app/editor.h"
#include "terrain/terrain.h"
#include "terrain/terrain_colors.h"
#include "terrain/terrain_draw.h"

// Reads map text as parseTerrainMesh does (same results and messages), converting
// each number with sscanf, and builds no spatial index.
bool parseTerrainMeshScanf(TerrainMesh& mesh, const char* text, size_t size, std::string& error);
// The picture drawTerrain draws: the map normalisation, all filled faces, one line
// loop per face as its outline, then the party markers; only the parts given.
void drawTerrainImmediate(const TerrainMesh& mesh, const TerrainColorTable& colors, unsigned parts = TERRAIN_ALL,
                          float markerHalf = 1.5f);
// The frame drawFrame draws, as it was drawn before the map's picture was kept and
// labels outside the window left out: the map in immediate mode, every label, the overlay.
void drawFrameReference(Editor& ed);
