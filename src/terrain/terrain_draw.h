// Drawing of the map: flat lit triangles coloured by terrain type, a darker
// outline around each, and a translucent diamond at every party position.
//
// drawTerrain multiplies the modelview matrix by the map normalisation (scale
// (2/d, 2/d, 1), then translate by minus the box centre; d the box's 3D diagonal,
// a unit scale when d is 0) and leaves it there for the labels and for picking.
// The fills and outlines are compiled into display lists, one pair per chunk of
// faces in file order, each the first time its chunk is in view, and replayed
// after (chunks wholly outside the view are skipped); the lists are rebuilt when a
// different mesh, face count or colour table version is drawn, or when the GL
// context no longer knows them.
#pragma once

#include <cstddef>

#include "terrain/map_transform.h"
#include "terrain/terrain.h"
#include "terrain/terrain_colors.h"

// The parts of the map in their drawing order; drawTerrain draws those given (all
// by default), so each can be timed alone.
enum TerrainParts : unsigned { TERRAIN_FILLS = 1, TERRAIN_OUTLINES = 2, TERRAIN_MARKERS = 4, TERRAIN_ALL = 7 };

// markerHalf: half a party marker's width in map units (the view keeps markers a
// fixed number of pixels across).
void drawTerrain(const TerrainMesh& mesh, const TerrainColorTable& colors, unsigned parts = TERRAIN_ALL,
                 float markerHalf = 1.5f);
// The pieces of the picture: the steps as glScalef and glTranslatef calls, the
// map normalisation on the modelview matrix, the filled faces [first, last) in one
// triangle batch, and the party markers.
void applyTransformSteps(const TransformStep* steps, size_t count);
void applyMapTransform(const TerrainMesh& mesh);
void drawTerrainFills(const TerrainMesh& mesh, const TerrainColorTable& colors, size_t first, size_t last);
void drawPartyMarkers(const TerrainMesh& mesh, float half = 1.5f);
// Drops the compiled display lists (call while its GL context is current, e.g.
// before the context is replaced); the next drawTerrain compiles a new one.
void releaseTerrainDrawCache();
