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
//
// Screen sizes belong to the view: picking radii, party markers and the zoom's
// limits are in window pixels, turned into map units here (mapUnitsPerPixel)
// for the labels' logic, which works in map units alone.
#pragma once

#include <utility>

#include "app/app_state.h"
#include "config/config.h"
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
    bool names = false;  // the parties' names are drawn
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

MapPictureKey mapPictureKey(const ViewState& view, const TerrainMesh& terrain, const TerrainColorTable& colors,
                            bool names = false);

// The zoom's range: at the least the whole map fits with room around it, at the
// most one map unit of a large map spans hundreds of pixels.
constexpr float ZOOM_MIN = 0.5f;
constexpr float ZOOM_MAX = 2000.0f;
constexpr float WHEEL_FACTOR = 1.2f;
// Picking radii and the party markers' size, in window pixels.
constexpr float PICK_CURVE_PIXELS = 6.0f;
constexpr float PICK_NODE_PIXELS = 8.0f;
constexpr float PICK_PARTY_PIXELS = 8.0f;
constexpr float MOVE_START_PIXELS = 3.0f;  // a label drag moves it from this far on
constexpr float MARKER_PIXELS = 7.0f;  // a party marker across
constexpr float NODE_MARKER_PIXELS = 4.0f;  // a node marker's half width, at the least

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
// The window's size at start for the configuration on a usable desktop of
// desktopW x desktopH (0 when unknown): window_size, or 80 % of the desktop for
// auto (500 x 500 when the desktop is unknown), never larger than the desktop.
std::pair<int, int> startWindowSize(const AppConfig& config, int desktopW, int desktopH);
// Map units one window pixel spans at the view's zoom and window height.
float mapUnitsPerPixel(const ViewState& view, const TerrainMesh& terrain);
// Half a party marker's width, and half a node marker's (never below 0.3), in map units.
float markerHalfSize(const ViewState& view, const TerrainMesh& terrain);
float nodeMarkerRadius(const ViewState& view, const TerrainMesh& terrain);
// The zoom kept within [ZOOM_MIN, ZOOM_MAX].
float clampZoom(float zoom);
// Multiplies the zoom by factor (within its range) about window pixel (x, y),
// origin top-left: the map point under that pixel stays there.
void zoomAbout(ViewState& view, int x, int y, float factor);
// The whole map in the window: zoom 1, no pan.
void homeView(ViewState& view);
// Picks at map point m: a node of the selected label within nodeRadius, else the
// label whose curve is nearest within curveRadius or that has a letter quad
// (as drawn, by the atlas) holding m. Nodes are tried first; a label takes the
// selection from a grabbed node only when its curve is strictly nearer; of equal
// distances the first found wins. Radii are map units.
void pickAt(AppState& app, const LabelList& labels, const GlyphAtlas& atlas, MapPoint m, float curveRadius,
            float nodeRadius);
// pickAt at window pixel (x, y) with the radii of PICK_CURVE_PIXELS and PICK_NODE_PIXELS.
void pickAtPixel(AppState& app, const LabelList& labels, const GlyphAtlas& atlas, const ViewState& view,
                 const TerrainMesh& terrain, int x, int y);
// Centres the view on p and, for r > 0, zooms so that r fills 40 % of the window
// height on each side (within the zoom's range).
void centreViewOn(ViewState& view, const TerrainMesh& terrain, MapPoint p, float r);
