// The view's matrices as a full frame leaves them, un-projection of the mouse,
// picking, and centring the view on a label.
#include "app/view.h"

#include <cmath>
#include <cstring>

double viewAspect(const ViewState& view) {
    return static_cast<double>(view.windowWidth) / (view.windowHeight != 0 ? view.windowHeight : 1);
}

std::array<TransformStep, 3> viewSteps(const ViewState& view) {
    return {TransformStep{false, 0.0f, 0.0f, 0.5f}, TransformStep{true, -view.zoom, -view.zoom, 1.0f},
            TransformStep{false, view.panX, view.panY, 0.0f}};
}

MapPictureKey mapPictureKey(const ViewState& view, const TerrainMesh& terrain, const TerrainColorTable& colors) {
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
                         colors.version};
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

void pickAt(AppState& app, const LabelList& labels, MapPoint m) {
    float best = 1.0f;
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
            if (d < best) {
                best = d;
                app.activeNode = k;
            }
        }
        if (app.activeNode == -1) app.selected = -1;
    }
    for (int i = 0; i < count; ++i) {
        const float d = distanceToCurve(labels[i], m);
        if (d < best) {
            best = d;
            app.selected = i;
            if (i != previous) app.activeNode = -1;
        }
    }
}

void centreViewOn(ViewState& view, const TerrainMesh& terrain, MapPoint p, float r) {
    MapVertex c;
    float d;
    mapNormalisation(terrain, c, d);
    view.panX = -(p.x - c.x) * 2.0f / d;
    view.panY = -(p.y - c.y) * 2.0f / d;
    if (r != 0.0f) view.zoom = 0.4f * d / r;
}
