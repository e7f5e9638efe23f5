// The view's matrices as a full frame leaves them, un-projection of the mouse,
// picking, and centring the view on a label.
#include "app/view.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "labels/letter_geometry.h"

double viewAspect(const ViewState& view) {
    return static_cast<double>(view.windowWidth) / (view.windowHeight != 0 ? view.windowHeight : 1);
}

std::array<TransformStep, 3> viewSteps(const ViewState& view) {
    return {TransformStep{false, 0.0f, 0.0f, 0.5f}, TransformStep{true, -view.zoom, -view.zoom, 1.0f},
            TransformStep{false, view.panX, view.panY, 0.0f}};
}

MapPictureKey mapPictureKey(const ViewState& view, const TerrainMesh& terrain, const TerrainColorTable& colors,
                            bool names) {
    return MapPictureKey{view.zoom,
                         view.panX,
                         view.panY,
                         view.windowWidth,
                         view.windowHeight,
                         terrain.faces.data(),
                         terrain.faces.size(),
                         terrain.vertices.data(),
                         terrain.vertices.size(),
                         terrain.partyPositions.data(),
                         terrain.partyPositions.size(),
                         &colors,
                         colors.version,
                         names};
}

void computeViewMatrices(ViewState& view, const TerrainMesh& terrain) {
    const double aspect = viewAspect(view);
    const Mat4 projection = orthoMatrix(-aspect, aspect, -1.0, 1.0, -VIEW_DEPTH, VIEW_DEPTH);
    const auto viewPart = viewSteps(view);
    const auto mapPart = mapNormalisationSteps(terrain);
    Mat4 mv = applySteps(identityMatrix(), viewPart.data(), viewPart.size());
    mv = applySteps(mv, mapPart.data(), mapPart.size());

    std::memcpy(view.projection, projection.m, sizeof view.projection);
    std::memcpy(view.modelview, mv.m, sizeof view.modelview);
    view.viewport[0] = 0;
    view.viewport[1] = 0;
    view.viewport[2] = view.windowWidth;
    view.viewport[3] = view.windowHeight;
}

MapPoint unprojectMouse(const ViewState& view, int x, int y) {
    const Mat4 full = multiply(matrixFromArray(view.projection), matrixFromArray(view.modelview));
    Mat4 inverse;
    const int* vp = view.viewport;
    // A degenerate view (zero zoom, empty viewport) maps nothing: answer the origin.
    if (vp[2] == 0 || vp[3] == 0 || !invert(full, inverse)) return MapPoint{};
    const double winX = x;
    const double winY = static_cast<double>(view.windowHeight) - y;
    const double in[4] = {(winX - vp[0]) / vp[2] * 2.0 - 1.0, (winY - vp[1]) / vp[3] * 2.0 - 1.0, -1.0, 1.0};
    double out[4];
    transformPoint(inverse, in, out);
    if (out[3] == 0.0) return MapPoint{};
    MapPoint p{static_cast<float>(out[0] / out[3]), static_cast<float>(out[1] / out[3])};
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) return MapPoint{};
    return p;
}

MapPoint projectToWindow(const ViewState& view, MapPoint p) {
    const Mat4 full = multiply(matrixFromArray(view.projection), matrixFromArray(view.modelview));
    const double in[4] = {p.x, p.y, 0.0, 1.0};
    double out[4];
    transformPoint(full, in, out);
    if (out[3] == 0.0) return MapPoint{};
    const int* vp = view.viewport;
    const double winX = vp[0] + (out[0] / out[3] + 1.0) * vp[2] / 2.0;
    const double winY = vp[1] + (out[1] / out[3] + 1.0) * vp[3] / 2.0;
    return MapPoint{static_cast<float>(winX), static_cast<float>(view.windowHeight - winY)};
}

std::pair<int, int> startWindowSize(const AppConfig& config, int desktopW, int desktopH) {
    const bool desktop = desktopW > 0 && desktopH > 0;
    int w = config.window_width, h = config.window_height;
    if (config.window_auto) {
        w = desktop ? desktopW * 4 / 5 : 500;
        h = desktop ? desktopH * 4 / 5 : 500;
    }
    if (desktop) {
        w = std::min(w, desktopW);
        h = std::min(h, desktopH);
    }
    return {std::max(w, 1), std::max(h, 1)};
}

float mapUnitsPerPixel(const ViewState& view, const TerrainMesh& terrain) {
    MapVertex c;
    float d;
    mapNormalisation(terrain, c, d);
    // One normalised unit (d / 2 map units) is zoom * height / 2 pixels.
    const float pixels = view.zoom * static_cast<float>(view.windowHeight > 0 ? view.windowHeight : 1);
    return pixels > 0.0f ? d / pixels : d;
}

float markerHalfSize(const ViewState& view, const TerrainMesh& terrain) {
    return MARKER_PIXELS / 2.0f * mapUnitsPerPixel(view, terrain);
}

float nodeMarkerRadius(const ViewState& view, const TerrainMesh& terrain) {
    return std::max(0.3f, NODE_MARKER_PIXELS * mapUnitsPerPixel(view, terrain));
}

float clampZoom(float zoom) {
    if (!(zoom >= ZOOM_MIN)) return ZOOM_MIN;  // NaN as well
    return zoom > ZOOM_MAX ? ZOOM_MAX : zoom;
}

void zoomAbout(ViewState& view, int x, int y, float factor) {
    const float before = view.zoom;
    const float after = clampZoom(before * factor);
    if (after == before) return;
    // The pixel in view units: x in [-w/h, w/h] from the left, y in [-1, 1] from the bottom.
    const float h = static_cast<float>(view.windowHeight > 0 ? view.windowHeight : 1);
    const float ex = (2.0f * static_cast<float>(x) - static_cast<float>(view.windowWidth)) / h;
    const float ey = 1.0f - 2.0f * static_cast<float>(y) / h;
    // It shows the normalised point -e / zoom - pan: keep that point.
    const float shift = 1.0f / before - 1.0f / after;
    view.panX += ex * shift;
    view.panY += ey * shift;
    view.zoom = after;
}

void homeView(ViewState& view) {
    view.zoom = 1.0f;
    view.panX = 0.0f;
    view.panY = 0.0f;
}

void pickAt(AppState& app, const LabelList& labels, const GlyphAtlas& atlas, MapPoint m, float curveRadius,
            float nodeRadius) {
    float best = INFINITY;
    const int previous = app.selected;
    const int count = static_cast<int>(labels.size());
    if (app.selected >= count) {  // a stale index selects nothing
        app.selected = -1;
        app.activeNode = -1;
    }
    if (app.selected != -1) {
        app.activeNode = -1;
        for (int k = 0; k < 4; ++k) {
            const float d = distanceToNode(labels[app.selected], m, k);
            if (d < nodeRadius && d < best) {
                best = d;
                app.activeNode = k;
            }
        }
        if (app.activeNode == -1) app.selected = -1;
    }
    for (int i = 0; i < count; ++i) {
        const float d = distanceToCurve(labels[i], m);
        if (d >= best || (d >= curveRadius && !letterQuadHolds(labels[i], atlas, m))) continue;
        best = d;
        app.selected = i;
        if (i != previous) app.activeNode = -1;
    }
}

void pickAtPixel(AppState& app, const LabelList& labels, const GlyphAtlas& atlas, const ViewState& view,
                 const TerrainMesh& terrain, int x, int y) {
    const float unit = mapUnitsPerPixel(view, terrain);
    pickAt(app, labels, atlas, unprojectMouse(view, x, y), PICK_CURVE_PIXELS * unit, PICK_NODE_PIXELS * unit);
}

void centreViewOn(ViewState& view, const TerrainMesh& terrain, MapPoint p, float r) {
    MapVertex c;
    float d;
    mapNormalisation(terrain, c, d);
    view.panX = -(p.x - c.x) * 2.0f / d;
    view.panY = -(p.y - c.y) * 2.0f / d;
    if (r != 0.0f) view.zoom = clampZoom(0.4f * d / r);
}
