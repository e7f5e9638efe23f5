// The view: the map seen from straight above through an orthographic projection.
//
// A map point p goes to the screen through (applied right to left):
//   normalise: translate by -c (box centre), scale by (2/D, 2/D, 1), D the box's 3D diagonal;
//   pan: translate by (panX, panY, 0); zoom and turn: scale by (-zoom, -zoom, 1);
//   translate by (0, 0, 0.5); orthographic projection x in [-w/h, w/h], y in [-1, 1].
// One normalised unit is zoom*windowHeight/2 pixels; the view centre shows the
// normalised point (-panX, -panY).
//
// computeViewMatrices builds the matrices a full frame leaves behind (what
// drawFrame captures from GL), so picking and its tests work without a window.
#pragma once

#include "app/app_state.h"
#include "labels/label.h"
#include "terrain/map_transform.h"
#include "terrain/terrain.h"
#include "terrain/terrain_colors.h"

struct ViewState {
    float zoom = 3.0f;
    float panX = 0;
    float panY = 0;
    int windowWidth = 500;
    int windowHeight = 500;
    double modelview[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    double projection[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    int viewport[4] = {0, 0, 500, 500};
};

// What the map's picture shows besides the labels and the overlay: the view, the
// map and its party markers (by their storage) and the colour table's version.
struct MapPictureKey {
    float zoom = 0, panX = 0, panY = 0;
    int windowWidth = 0, windowHeight = 0;
    const void* faces = nullptr;
    size_t faceCount = 0;
    const void* vertices = nullptr;
    size_t vertexCount = 0;
    const void* parties = nullptr;
    size_t partyCount = 0;
    const void* colors = nullptr;
    unsigned colorVersion = 0;
    bool operator==(const MapPictureKey&) const = default;
};

// The map's picture kept from the last full frame: the window's pixels after the
// background, the terrain and the party markers, copied into a texture. A frame
// whose key equals the picture's draws the map from it (drawFrame).
struct MapPicture {
    unsigned texture = 0;                     // GL texture name, 0 for none
    int textureWidth = 0, textureHeight = 0;  // powers of two covering the window
    bool kept = false;                        // the texture holds the picture taken with key
    MapPictureKey key;
    int sideLimit = 0;  // largest texture side to use; 0: what GL allows (tests lower it to go without)
};

MapPictureKey mapPictureKey(const ViewState& view, const TerrainMesh& terrain, const TerrainColorTable& colors);

// Half the depth range of the orthographic projection; wide enough for any map height.
constexpr double VIEW_DEPTH = 1.0e7;

// Width over height of the window (a window of no height counts as 1 high); the
// projection shows x in [-aspect, aspect] and y in [-1, 1].
double viewAspect(const ViewState& view);
// Translate by (0, 0, 0.5), scale by (-zoom, -zoom, 1), translate by (panX, panY, 0):
// the part of the modelview before the map normalisation.
std::array<TransformStep, 3> viewSteps(const ViewState& view);
void computeViewMatrices(ViewState& view, const TerrainMesh& terrain);
MapPoint unprojectMouse(const ViewState& view, int x, int y);
// Window pixel (origin top-left) of a map point through the captured matrices.
MapPoint projectToWindow(const ViewState& view, MapPoint p);
void pickAt(AppState& app, const LabelList& labels, MapPoint m);
void centreViewOn(ViewState& view, const TerrainMesh& terrain, MapPoint p, float r);
