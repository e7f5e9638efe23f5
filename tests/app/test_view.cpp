#include <gtest/gtest.h>

#include <cmath>

#include "app/app_state.h"
#include "app/view.h"
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
TerrainMesh sampleMap() { return boxMesh({0, 0, 0}, {300, 400, 0}); }

ViewState viewOf(float zoom, float panX, float panY, int w, int h, const TerrainMesh& t) {
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

}  // namespace

TEST(View, ProjectAndUnprojectAreInverse) {
    const TerrainMesh t = sampleMap();
    struct Case {
        float zoom, panX, panY;
        int w, h;
    };
    const Case cases[] = {{3, 0, 0, 500, 500},     {1, 0.2f, -0.3f, 500, 500}, {0.5f, -1, 1, 1000, 500},
                          {7.5f, 0.05f, 0.1f, 300, 800}, {3, 0.4f, 0.4f, 1000, 500}, {1.2f, 0, 0, 300, 800}};
    const MapPoint points[] = {{150, 200}, {0, 0}, {300, 400}, {123.5f, 321.25f}, {-40, 510}};
    for (const Case& c : cases) {
        const ViewState v = viewOf(c.zoom, c.panX, c.panY, c.w, c.h, t);
        // From whole pixels to the map and back lands on the same pixel.
        for (int px : {0, 17, c.w / 2, c.w - 1})
            for (int py : {0, 33, c.h / 2, c.h - 1}) {
                const MapPoint m = unprojectMouse(v, px, py);
                const MapPoint back = projectToWindow(v, m);
                EXPECT_NEAR(back.x, px, 1e-3 * c.w) << c.zoom << " " << c.w << "x" << c.h;
                EXPECT_NEAR(back.y, py, 1e-3 * c.h) << c.zoom << " " << c.w << "x" << c.h;
            }
        // From the map to the nearest pixel and back: within half a pixel of map distance.
        const double mapPerPixel = 500.0 / (c.zoom * c.h);  // D / 2 map units per zoom*h/2 pixels
        for (MapPoint p : points) {
            const MapPoint w = projectToWindow(v, p);
            const MapPoint m = unprojectMouse(v, static_cast<int>(std::lround(w.x)), static_cast<int>(std::lround(w.y)));
            EXPECT_LE(pixelDistance(m, p), 0.75 * mapPerPixel + 1e-3 * 500) << p.x << "," << p.y;
        }
    }
}

TEST(View, ScaleOrientationAndCentre) {
    const TerrainMesh t = sampleMap();
    // At zoom 3 without pan the box diagonal is three window heights long.
    const ViewState v = viewOf(3, 0, 0, 500, 500, t);
    const MapPoint a = projectToWindow(v, {0, 0});
    const MapPoint b = projectToWindow(v, {300, 400});
    EXPECT_NEAR(pixelDistance(a, b), 1500.0, 1e-2);
    // The map centre is the window centre; map x grows to the left, map y downwards.
    const MapPoint mid = projectToWindow(v, {150, 200});
    EXPECT_NEAR(mid.x, 250, 1e-3);
    EXPECT_NEAR(mid.y, 250, 1e-3);
    const MapPoint right = projectToWindow(v, {160, 200});
    const MapPoint up = projectToWindow(v, {150, 210});
    EXPECT_LT(right.x, mid.x);
    EXPECT_GT(up.y, mid.y);  // top-left origin: larger y is lower on screen

    // One normalised unit (D/2 = 250 map units) is zoom*h/2 pixels, in both directions.
    for (auto [w, h, zoom] : {std::tuple{500, 500, 3.0f}, std::tuple{1000, 500, 1.5f}, std::tuple{300, 800, 0.7f}}) {
        const ViewState s = viewOf(zoom, 0.1f, -0.2f, w, h, t);
        const MapPoint o = projectToWindow(s, {150, 200});
        const MapPoint ox = projectToWindow(s, {150 + 250, 200});
        const MapPoint oy = projectToWindow(s, {150, 200 + 250});
        EXPECT_NEAR(o.x - ox.x, zoom * h / 2.0, 1e-2);
        EXPECT_NEAR(oy.y - o.y, zoom * h / 2.0, 1e-2);
        EXPECT_NEAR(ox.y, o.y, 1e-3);
    }

    // A 1000 x 500 window shows twice as much map horizontally, at the same vertical scale.
    const ViewState wide = viewOf(3, 0, 0, 1000, 500, t);
    const MapPoint l500 = unprojectMouse(v, 0, 250), r500 = unprojectMouse(v, 500, 250);
    const MapPoint l1000 = unprojectMouse(wide, 0, 250), r1000 = unprojectMouse(wide, 1000, 250);
    EXPECT_NEAR(std::fabs(r1000.x - l1000.x), 2 * std::fabs(r500.x - l500.x), 1e-3);
    const MapPoint t500 = unprojectMouse(v, 250, 0), b500 = unprojectMouse(v, 250, 500);
    const MapPoint t1000 = unprojectMouse(wide, 500, 0), b1000 = unprojectMouse(wide, 500, 500);
    EXPECT_NEAR(std::fabs(b1000.y - t1000.y), std::fabs(b500.y - t500.y), 1e-3);

    // The view centre shows the normalised point (-panX, -panY), i.e. c - pan*D/2.
    const ViewState panned = viewOf(2, 0.3f, -0.1f, 600, 400, t);
    const MapPoint centre = unprojectMouse(panned, 300, 200);
    EXPECT_NEAR(centre.x, 150 - 0.3 * 250, 1e-2);
    EXPECT_NEAR(centre.y, 200 + 0.1 * 250, 1e-2);
}

TEST(View, NormalisationOfDegenerateBoxes) {
    MapVertex c;
    float d = 0;
    mapNormalisation(sampleMap(), c, d);
    EXPECT_FLOAT_EQ(d, 500.0f);
    EXPECT_FLOAT_EQ(c.x, 150.0f);
    EXPECT_FLOAT_EQ(c.y, 200.0f);

    // Heights count towards the diagonal.
    mapNormalisation(boxMesh({0, 0, -10}, {30, 40, 110}), c, d);
    EXPECT_FLOAT_EQ(d, 130.0f);
    EXPECT_FLOAT_EQ(c.z, 50.0f);

    // An empty mesh keeps the empty box: centre 0, diagonal sqrt(12).
    mapNormalisation(TerrainMesh{}, c, d);
    EXPECT_FLOAT_EQ(d, std::sqrt(12.0f));
    EXPECT_FLOAT_EQ(c.x, 0.0f);

    // All vertices in one point: a unit scale and finite matrices that still invert.
    const TerrainMesh point = boxMesh({5, 7, 9}, {5, 7, 9});
    mapNormalisation(point, c, d);
    EXPECT_FLOAT_EQ(d, 2.0f);
    const ViewState v = viewOf(3, 0, 0, 500, 500, point);
    for (int i = 0; i < 16; ++i) {
        EXPECT_TRUE(std::isfinite(v.modelview[i]));
        EXPECT_TRUE(std::isfinite(v.projection[i]));
    }
    const MapPoint m = unprojectMouse(v, 250, 250);
    EXPECT_NEAR(m.x, 5, 1e-4);
    EXPECT_NEAR(m.y, 7, 1e-4);

    // A view that maps everything to one point answers a finite point instead of garbage.
    const ViewState flat = viewOf(0, 0, 0, 500, 500, sampleMap());
    const MapPoint f = unprojectMouse(flat, 100, 100);
    EXPECT_TRUE(std::isfinite(f.x) && std::isfinite(f.y));

    // Heights far from zero stay inside the depth range.
    const TerrainMesh high = boxMesh({0, 0, 5000}, {10, 10, 5000});
    const ViewState hv = viewOf(3, 0, 0, 500, 500, high);
    // Clip-space z of a map vertex at the box height: |z| <= 1.
    const double* P = hv.projection;
    const double* M = hv.modelview;
    const double eyeZ = M[2] * 5 + M[6] * 5 + M[10] * 5000 + M[14];
    const double z = P[10] * eyeZ + P[14];
    EXPECT_LE(std::fabs(z), 1.0);
}

TEST(Pick, NodesOfTheSelectedLabelFirst) {
    LabelList labels = {straightLabel({0, 0}, {10, 0}), straightLabel({0, 5}, {10, 5})};
    AppState app;

    // A click on a curve selects that label; no node is grabbed.
    pickAt(app, labels, {5, 5.3f});
    EXPECT_EQ(app.selected, 1);
    EXPECT_EQ(app.activeNode, -1);

    // Clicking exactly on a node of the selected label grabs it and keeps the selection.
    pickAt(app, labels, labels[1].curve[3]);
    EXPECT_EQ(app.selected, 1);
    EXPECT_EQ(app.activeNode, 3);
    pickAt(app, labels, {3.4f, 5.2f});  // nearest node is the inner node 1 at (3.3, 5)
    EXPECT_EQ(app.selected, 1);
    EXPECT_EQ(app.activeNode, 1);

    // A curve of another label selects it and clears the grabbed node.
    app.activeNode = 2;
    pickAt(app, labels, {5, 0.1f});
    EXPECT_EQ(app.selected, 0);
    EXPECT_EQ(app.activeNode, -1);

    // More than 1.0 away from everything clears the selection.
    pickAt(app, labels, {5, 2.5f});
    EXPECT_EQ(app.selected, -1);
    EXPECT_EQ(app.activeNode, -1);
    app.selected = 0;
    pickAt(app, labels, {50, 50});
    EXPECT_EQ(app.selected, -1);

    // A stale selection index picks safely.
    app.selected = 7;
    app.activeNode = 2;
    pickAt(app, labels, {5, 0.2f});
    EXPECT_EQ(app.selected, 0);
    EXPECT_EQ(app.activeNode, -1);
}

TEST(Pick, TiesAndCloserCurves) {
    // Two identical labels: of equal curve distances the first found wins.
    LabelList twins = {straightLabel({0, 0}, {10, 0}), straightLabel({0, 0}, {10, 0})};
    AppState app;
    pickAt(app, twins, {5, 0.5f});
    EXPECT_EQ(app.selected, 0);

    // A node of the selected label exactly as close as another label's curve: the node wins.
    LabelList tie = {straightLabel({0, 0}, {10, 0}), straightLabel({0, 1}, {-10, 1})};
    const MapPoint mid{0, 0.5f};
    ASSERT_EQ(distanceToNode(tie[0], mid, 0), distanceToCurve(tie[1], mid));
    app = AppState{};
    app.selected = 0;
    pickAt(app, tie, mid);
    EXPECT_EQ(app.selected, 0);
    EXPECT_EQ(app.activeNode, 0);

    // A strictly closer curve of another label wins over the node.
    const MapPoint nearer{0, 0.7f};
    ASSERT_LT(distanceToCurve(tie[1], nearer), distanceToNode(tie[0], nearer, 0));
    app = AppState{};
    app.selected = 0;
    pickAt(app, tie, nearer);
    EXPECT_EQ(app.selected, 1);
    EXPECT_EQ(app.activeNode, -1);

    // The selected label's own curve being closest keeps the node grabbed.
    LabelList one = {straightLabel({0, 0}, {10, 0})};
    app = AppState{};
    app.selected = 0;
    pickAt(app, one, {0.8f, 0.1f});
    EXPECT_EQ(app.selected, 0);
    EXPECT_EQ(app.activeNode, 0);

    // Nothing selected and nothing near: the selection stays empty.
    app = AppState{};
    pickAt(app, LabelList{}, {0, 0});
    EXPECT_EQ(app.selected, -1);
    EXPECT_EQ(app.activeNode, -1);
}

TEST(View, CentreViewOn) {
    const TerrainMesh t = sampleMap();
    ViewState v = viewOf(3, 0, 0, 800, 600, t);
    const MapPoint p{40, 320};
    centreViewOn(v, t, p, 25);
    EXPECT_FLOAT_EQ(v.zoom, 0.4f * 500 / 25);
    computeViewMatrices(v, t);
    const MapPoint w = projectToWindow(v, p);
    EXPECT_NEAR(w.x, 400, 1e-2);
    EXPECT_NEAR(w.y, 300, 1e-2);
    // The extent covers 40 % of the window height on each side.
    const MapPoint e = projectToWindow(v, {p.x, p.y + 25});
    EXPECT_NEAR(e.y - w.y, 0.4 * 600, 1e-2);

    // r = 0 pans without changing the zoom.
    v.zoom = 5;
    centreViewOn(v, t, {150, 200}, 0);
    EXPECT_FLOAT_EQ(v.zoom, 5);
    EXPECT_FLOAT_EQ(v.panX, 0);
    EXPECT_FLOAT_EQ(v.panY, 0);
    centreViewOn(v, t, {400, 200}, 0);
    EXPECT_FLOAT_EQ(v.panX, -1.0f);
}
