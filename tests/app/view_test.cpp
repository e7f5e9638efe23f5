#include <gtest/gtest.h>

#include <cmath>

#include "app/app_state.h"
#include "app/view.h"
#include "editor_fixture.h"
#include "labels/letter_geometry.h"
#include "labels/label.h"
#include "terrain/terrain.h"

namespace {

TerrainMesh boxMesh(MapVertex lo, MapVertex hi) {
    TerrainMesh t;
    t.boxMin = lo;
    t.boxMax = hi;
    return t;
}

// A 300 x 400 x 0 map centred on (150, 200): D = 500.
const TerrainMesh kMap = boxMesh({0, 0, 0}, {300, 400, 0});

ViewState viewOf(float zoom, float panX, float panY, int w, int h, const TerrainMesh& t = kMap) {
    ViewState v;
    v.zoom = zoom;
    v.panX = panX;
    v.panY = panY;
    v.windowWidth = w;
    v.windowHeight = h;
    computeViewMatrices(v, t);
    return v;
}

double pixelDistance(MapPoint a, MapPoint b) { return std::hypot(a.x - b.x, a.y - b.y); }

Label straightLabel(MapPoint p, MapPoint q) {
    Label l;
    initFromDrag(l, p, q);
    updateCurve(l);
    return l;
}

TEST(View, ProjectAndUnprojectAreInverse) {
    struct Case {
        float zoom, panX, panY;
        int w, h;
    };
    const Case cases[] = {{3, 0, 0, 500, 500},         {1, 0.2f, -0.3f, 500, 500},  {0.5f, -1, 1, 1000, 500},
                          {7.5f, 0.05f, 0.1f, 300, 800}, {3, 0.4f, 0.4f, 1000, 500}, {1.2f, 0, 0, 300, 800}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.zoom) + " " + std::to_string(c.w) + "x" + std::to_string(c.h));
        const ViewState v = viewOf(c.zoom, c.panX, c.panY, c.w, c.h);
        // From whole pixels to the map and back lands on the same pixel.
        for (int px : {0, 17, c.w / 2, c.w - 1})
            for (int py : {0, 33, c.h / 2, c.h - 1}) {
                const MapPoint back = projectToWindow(v, unprojectMouse(v, px, py));
                EXPECT_NEAR(back.x, px, 1e-3 * c.w);
                EXPECT_NEAR(back.y, py, 1e-3 * c.h);
            }
        // From the map to the nearest pixel and back: within half a pixel of map distance.
        const double mapPerPixel = 500.0 / (c.zoom * c.h);  // D / 2 map units per zoom*h/2 pixels
        for (MapPoint p : {MapPoint{150, 200}, {0, 0}, {300, 400}, {123.5f, 321.25f}, {-40, 510}}) {
            const MapPoint w = projectToWindow(v, p);
            const MapPoint m = unprojectMouse(v, static_cast<int>(std::lround(w.x)), static_cast<int>(std::lround(w.y)));
            EXPECT_LE(pixelDistance(m, p), 0.75 * mapPerPixel + 0.5) << p.x << "," << p.y;
        }
        // One normalised unit (D/2 = 250 map units) is zoom*h/2 pixels in both
        // directions; map x grows to the left, map y downwards on screen.
        const MapPoint o = projectToWindow(v, {150, 200});
        const MapPoint ox = projectToWindow(v, {150 + 250, 200}), oy = projectToWindow(v, {150, 200 + 250});
        EXPECT_NEAR(o.x - ox.x, c.zoom * c.h / 2.0, 1e-2);
        EXPECT_NEAR(oy.y - o.y, c.zoom * c.h / 2.0, 1e-2);
        EXPECT_NEAR(ox.y, o.y, 1e-3);
        // The view centre shows the normalised point (-panX, -panY), i.e. c - pan*D/2.
        const MapPoint centre = unprojectMouse(v, c.w / 2, c.h / 2);
        EXPECT_NEAR(centre.x, 150 - c.panX * 250, 0.6 * mapPerPixel);
        EXPECT_NEAR(centre.y, 200 - c.panY * 250, 0.6 * mapPerPixel);
    }
}

TEST(View, NormalisationOfDegenerateBoxes) {
    MapVertex c;
    float d = 0;
    mapNormalisation(kMap, c, d);
    EXPECT_EQ(std::tuple(d, c.x, c.y), std::tuple(500.0f, 150.0f, 200.0f));
    // Heights count towards the diagonal.
    mapNormalisation(boxMesh({0, 0, -10}, {30, 40, 110}), c, d);
    EXPECT_EQ(std::pair(d, c.z), std::pair(130.0f, 50.0f));
    // An empty mesh keeps the empty box: centre 0, diagonal sqrt(12).
    mapNormalisation(TerrainMesh{}, c, d);
    EXPECT_FLOAT_EQ(d, std::sqrt(12.0f));
    EXPECT_EQ(c.x, 0.0f);

    // All vertices in one point: a unit scale and finite matrices that still invert.
    const TerrainMesh point = boxMesh({5, 7, 9}, {5, 7, 9});
    mapNormalisation(point, c, d);
    EXPECT_FLOAT_EQ(d, 2.0f);
    const ViewState v = viewOf(3, 0, 0, 500, 500, point);
    for (int i = 0; i < 16; ++i) EXPECT_TRUE(std::isfinite(v.modelview[i]) && std::isfinite(v.projection[i])) << i;
    const MapPoint m = unprojectMouse(v, 250, 250);
    EXPECT_NEAR(m.x, 5, 1e-4);
    EXPECT_NEAR(m.y, 7, 1e-4);

    // A view that maps everything to one point answers a finite point instead of garbage.
    const MapPoint f = unprojectMouse(viewOf(0, 0, 0, 500, 500), 100, 100);
    EXPECT_TRUE(std::isfinite(f.x) && std::isfinite(f.y));

    // Heights far from zero stay inside the depth range: clip-space |z| <= 1.
    const ViewState hv = viewOf(3, 0, 0, 500, 500, boxMesh({0, 0, 5000}, {10, 10, 5000}));
    const double* M = hv.modelview;
    const double eyeZ = M[2] * 5 + M[6] * 5 + M[10] * 5000 + M[14];
    EXPECT_LE(std::fabs(hv.projection[10] * eyeZ + hv.projection[14]), 1.0);
}

TEST(View, CentreViewOn) {
    ViewState v = viewOf(3, 0, 0, 800, 600);
    const MapPoint p{40, 320};
    centreViewOn(v, kMap, p, 25);
    EXPECT_FLOAT_EQ(v.zoom, 0.4f * 500 / 25);
    computeViewMatrices(v, kMap);
    const MapPoint w = projectToWindow(v, p);
    EXPECT_NEAR(w.x, 400, 1e-2);
    EXPECT_NEAR(w.y, 300, 1e-2);
    // The extent covers 40 % of the window height on each side.
    EXPECT_NEAR(projectToWindow(v, {p.x, p.y + 25}).y - w.y, 0.4 * 600, 1e-2);

    // An extent of 0 pans without changing the zoom.
    v.zoom = 5;
    centreViewOn(v, kMap, {150, 200}, 0);
    EXPECT_EQ(std::tuple(v.zoom, v.panX, v.panY), std::tuple(5.0f, 0.0f, 0.0f));
    centreViewOn(v, kMap, {400, 200}, 0);
    EXPECT_FLOAT_EQ(v.panX, -1.0f);
}

TEST(Pick, NodesCurvesClearingAndTies) {
    LabelList labels = {straightLabel({0, 0}, {10, 0}), straightLabel({0, 5}, {10, 5})};
    AppState app;
    // Radii of 1.0 map unit for curves and nodes; no letters, so no atlas needed.
    const GlyphAtlas atlas;
    const auto pick = [&](const LabelList& list, MapPoint p) {
        pickAt(app, list, atlas, p, 1.0f, 1.0f);
        return std::pair(app.selected, app.activeNode);
    };
    // A click on a curve selects that label; no node is grabbed.
    EXPECT_EQ(pick(labels, {5, 5.3f}), std::pair(1, -1));
    // A click on a node of the selected label grabs it and keeps the selection.
    EXPECT_EQ(pick(labels, labels[1].curve[3]), std::pair(1, 3));
    EXPECT_EQ(pick(labels, {3.4f, 5.2f}), std::pair(1, 1));  // the inner node 1 at (3.3, 5)
    // A curve of another label selects it and clears the grabbed node.
    app.activeNode = 2;
    EXPECT_EQ(pick(labels, {5, 0.1f}), std::pair(0, -1));
    // More than 1.0 away from everything clears the selection.
    EXPECT_EQ(pick(labels, {5, 2.5f}), std::pair(-1, -1));
    app.selected = 0;
    EXPECT_EQ(pick(labels, {50, 50}), std::pair(-1, -1));
    EXPECT_EQ(pick(LabelList{}, {0, 0}), std::pair(-1, -1));
    // A stale selection index picks safely.
    app.selected = 7;
    app.activeNode = 2;
    EXPECT_EQ(pick(labels, {5, 0.2f}), std::pair(0, -1));

    // Two identical labels: of equal curve distances the first found wins.
    app = AppState{};
    const LabelList twins = {straightLabel({0, 0}, {10, 0}), straightLabel({0, 0}, {10, 0})};
    EXPECT_EQ(pick(twins, {5, 0.5f}), std::pair(0, -1));
    // A node of the selected label exactly as close as another label's curve: the node wins.
    const LabelList tie = {straightLabel({0, 0}, {10, 0}), straightLabel({0, 1}, {-10, 1})};
    ASSERT_EQ(distanceToNode(tie[0], {0, 0.5f}, 0), distanceToCurve(tie[1], {0, 0.5f}));
    app.selected = 0;
    EXPECT_EQ(pick(tie, {0, 0.5f}), std::pair(0, 0));
    // A strictly closer curve of another label wins over the node.
    ASSERT_LT(distanceToCurve(tie[1], {0, 0.7f}), distanceToNode(tie[0], {0, 0.7f}, 0));
    EXPECT_EQ(pick(tie, {0, 0.7f}), std::pair(1, -1));
    // The selected label's own curve being closest keeps the node grabbed.
    app.selected = 0;
    EXPECT_EQ(pick(LabelList(1, twins[0]), {0.8f, 0.1f}), std::pair(0, 0));
}

}  // namespace

namespace {

// Presses at pixel distances from a label with one letter in its middle, on maps
// of two sizes at three zooms: the radii are window pixels whatever the scale.
TEST(Pick, RadiiInPixelsAtEveryZoomAndMapSize) {
    const TestEditor fixture;  // for its atlas
    const GlyphAtlas& atlas = fixture.ed.atlas;
    for (float side : {100.0f, 800.0f})
        for (float zoom : {0.8f, 3.0f, 40.0f}) {
            SCOPED_TRACE(std::to_string(side) + " units, zoom " + std::to_string(zoom));
            const TerrainMesh map = boxMesh({0, 0, 0}, {side, side, 0});
            const ViewState v = viewOf(zoom, 0, 0, 500, 500, map);
            const float unit = mapUnitsPerPixel(v, map);
            // 200 pixels long, level, through the map's centre; its letter 20 pixels tall.
            const MapPoint c{side / 2, side / 2};
            LabelList labels = {straightLabel({c.x - 100 * unit, c.y}, {c.x + 100 * unit, c.y})};
            Label& label = labels[0];
            addLetter(label, U'A');
            label.size = 20 * unit;
            applyAttributes(label);
            layoutLetters(label);
            const LetterQuad q = letterQuad(label.letters[0], atlas);
            const MapPoint mid = label.letters[0].position, inLetter{mid.x + 0.8f * q.e0.x, mid.y + 0.8f * q.e0.y};
            ASSERT_GT(distanceToCurve(label, inLetter), 7 * unit);  // beyond the curve's radius
            const MapPoint onCurve = pointAt(label, 0.15f), end = label.curve[3];
            struct Press {
                const char* what;
                MapPoint at;
                float across;  // pixels in map y, across the label
                int selectedBefore, selected, node;
            };
            for (const Press& p : {Press{"5 px off the curve", onCurve, 5, -1, 0, -1},
                                   {"7 px off the curve", onCurve, 7, -1, -1, -1},
                                   {"in the letter's box", inLetter, 0, -1, 0, -1},
                                   {"7 px from the end node", end, 7, 0, 0, 3},
                                   {"9 px from the end node", end, 9, 0, -1, -1},
                                   {"7 px from the end node, not selected", end, 7, -1, -1, -1}}) {
                AppState app;
                app.selected = p.selectedBefore;
                const MapPoint px = projectToWindow(v, {p.at.x, p.at.y + p.across * unit});
                pickAtPixel(app, labels, atlas, v, map, static_cast<int>(std::lround(px.x)),
                            static_cast<int>(std::lround(px.y)));
                EXPECT_EQ(std::pair(app.selected, app.activeNode), std::pair(p.selected, p.node)) << p.what;
            }
        }
}

// A wheel step keeps the map point under the pointer where it is; the zoom
// stops at its limits; Home shows the whole map.
TEST(View, ZoomAboutThePointerWithinLimits) {
    struct Case {
        float zoom, panX, panY, factor;
        int x, y, w, h;
        float after;
    };
    const Case cases[] = {
        {3, 0, 0, 1.2f, 100, 400, 500, 500, 3.6f},      {3, 0.2f, -0.1f, 1 / 1.2f, 480, 20, 800, 500, 2.5f},
        {1900, 0.5f, 0.5f, 1.2f, 30, 300, 500, 500, 2000}, {2000, 0.5f, 0.5f, 1.2f, 30, 300, 500, 500, 2000},
        {0.55f, 0, 0, 1 / 1.2f, 0, 0, 300, 700, 0.5f},   {0.5f, 0, 0, 1 / 1.2f, 0, 0, 300, 700, 0.5f},
    };
    for (const Case& c : cases) {
        ViewState v = viewOf(c.zoom, c.panX, c.panY, c.w, c.h);
        const MapPoint under = unprojectMouse(v, c.x, c.y);
        zoomAbout(v, c.x, c.y, c.factor);
        EXPECT_FLOAT_EQ(v.zoom, c.after) << c.zoom;
        computeViewMatrices(v, kMap);
        const MapPoint back = projectToWindow(v, under);
        EXPECT_NEAR(back.x, c.x, 0.01) << c.zoom;
        EXPECT_NEAR(back.y, c.y, 0.01) << c.zoom;
    }
    ViewState v = viewOf(7, 0.3f, -0.2f, 500, 500);
    homeView(v);
    EXPECT_EQ(std::tuple(v.zoom, v.panX, v.panY), std::tuple(1.0f, 0.0f, 0.0f));
    // Tab onto a tiny label stops at the limit too.
    centreViewOn(v, kMap, {10, 10}, 0.001f);
    EXPECT_EQ(v.zoom, ZOOM_MAX);
}

TEST(View, StartWindowSize) {
    AppConfig config;
    const auto size = [&](int w, int h, bool automatic, int dw, int dh) {
        config.window_width = w, config.window_height = h, config.window_auto = automatic;
        return startWindowSize(config, dw, dh);
    };
    EXPECT_EQ(size(500, 500, false, 1920, 1040), std::pair(500, 500));
    EXPECT_EQ(size(1600, 1200, false, 1920, 1040), std::pair(1600, 1040));
    EXPECT_EQ(size(500, 500, true, 1920, 1040), std::pair(1536, 832));
    EXPECT_EQ(size(500, 500, true, 0, 0), std::pair(500, 500));
    EXPECT_EQ(size(500, 500, false, 400, 300), std::pair(400, 300));
}

}  // namespace
