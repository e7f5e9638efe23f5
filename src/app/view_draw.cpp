#include "app/view_draw.h"

#include <GL/gl.h>

#include "labels/label_draw.h"
#include "overlay/overlay_draw.h"
#include "terrain/terrain_draw.h"

void captureViewMatrices(ViewState& view) {
    glGetDoublev(GL_PROJECTION_MATRIX, view.projection);
    glGetDoublev(GL_MODELVIEW_MATRIX, view.modelview);
    glGetIntegerv(GL_VIEWPORT, view.viewport);
}

void loadViewTransform(const ViewState& view) {
    // A window of no height draws nothing useful but must not hand GL an empty volume.
    const double aspect = viewAspect(view);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    if (aspect != 0.0) glOrtho(-aspect, aspect, -1.0, 1.0, -VIEW_DEPTH, VIEW_DEPTH);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const auto steps = viewSteps(view);
    applyTransformSteps(steps.data(), steps.size());
}

void drawFrame(Editor& ed) {
    ViewState& view = ed.view;
    AppState& app = ed.app;
    const int w = view.windowWidth;
    const int h = view.windowHeight;

    glViewport(0, 0, w, h);
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    loadViewTransform(view);

    if (app.quitAsked) {
        drawQuitPrompt(w, h);
        glFinish();
        return;
    }

    drawTerrain(ed.terrain, ed.colors);
    captureViewMatrices(view);

    // Labels 10 map units above the terrain plane; with the depth test off the
    // drawing order alone decides what is on top.
    glTranslatef(0.0f, 0.0f, 10.0f);
    if (app.creating) drawLabel(app.newLabel, true, 3, ed.atlas);
    const int count = static_cast<int>(ed.labels.size());
    for (int i = 0; i < count; ++i) drawLabel(ed.labels[i], i == app.selected, app.activeNode, ed.atlas);

    drawHelpPanel(app.helpVisible, count, app.selected, w, h);
    drawMessages(ed.log, w, h);
    if (app.cursorShown) drawCursorReadout(app.cursorPos.x, app.cursorPos.y, w, h);
    if (app.selected >= 0 && app.selected < count) {
        const Label& l = ed.labels[app.selected];
        drawLabelStatus(l.size, l.visibility, l.width, l.italic, proportionalSpacing(l), w, h);
    }

    glFinish();
}
