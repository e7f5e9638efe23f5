// The immediate-mode terrain drawing the compiled one is compared with, and the
// whole frame as drawn without a kept picture and without leaving labels out.
#include <GL/gl.h>

#include "app/view_draw.h"
#include "bench/reference.h"
#include "labels/label_draw.h"
#include "terrain/terrain_draw.h"

void drawTerrainImmediate(const TerrainMesh& mesh, const TerrainColorTable& colors, unsigned parts,
                          float markerHalf) {
    applyMapTransform(mesh);
    if (parts & TERRAIN_FILLS) drawTerrainFills(mesh, colors, 0, mesh.faces.size());
    if (parts & TERRAIN_OUTLINES)
        for (const MapFace& f : mesh.faces) {
            if (!faceCornersValid(mesh, f)) continue;
            const ShadeRgb shade = faceShade(colors, f, OUTLINE_SHADE);
            glColor3f(shade.r, shade.g, shade.b);
            glBegin(GL_LINE_LOOP);
            for (int c : f.corners) {
                const MapVertex& v = mesh.vertices[static_cast<size_t>(c)];
                glVertex2f(v.x, v.y);
            }
            glEnd();
        }
    if (parts & TERRAIN_MARKERS) drawPartyMarkers(mesh, markerHalf);
}

void drawFrameReference(Editor& ed) {
    ViewState& view = ed.view;
    AppState& app = ed.app;
    glViewport(0, 0, view.windowWidth, view.windowHeight);
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    loadViewTransform(view);
    drawTerrainImmediate(ed.terrain, ed.colors, TERRAIN_ALL, markerHalfSize(view, ed.terrain));
    if (app.namesShown) drawPartyNames(view, ed.terrain);
    captureViewMatrices(view);
    glTranslatef(0.0f, 0.0f, 10.0f);
    const float node = nodeMarkerRadius(view, ed.terrain);
    if (app.creating) drawLabel(app.newLabel, true, 3, ed.atlas, node);
    for (size_t i = 0; i < ed.labels.size(); ++i)
        drawLabel(ed.labels[i], static_cast<int>(i) == app.selected, app.activeNode, ed.atlas, node);
    drawFrameOverlay(ed);
    glFinish();
}
