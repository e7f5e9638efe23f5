// Drawing of the map: flat lit triangles coloured by terrain type, a darker
// outline around each, and a translucent diamond at every party position.
//
// drawTerrain multiplies the modelview matrix by the map normalisation (scale
// (2/d, 2/d, 1), then translate by minus the box centre; d the box's 3D diagonal,
// a unit scale when d is 0) and leaves it there for the labels and for picking.
// The fills and outlines are compiled once into display lists, one pair per chunk
// of faces in file order, and replayed (chunks wholly outside the view are
// skipped); the lists are rebuilt when a different mesh, face count or colour
// table version is drawn, or when the GL context no longer knows them.
// drawTerrainImmediate sends the same picture vertex by vertex.
#pragma once

#include "terrain/terrain.h"
#include "terrain/terrain_colors.h"

void drawTerrain(const TerrainMesh& mesh, const TerrainColorTable& colors);
void drawTerrainImmediate(const TerrainMesh& mesh, const TerrainColorTable& colors);
// Drops the compiled display lists (call while its GL context is current, e.g.
// before the context is replaced); the next drawTerrain compiles a new one.
void releaseTerrainDrawCache();
