#include "app/view_draw.h"

#include <GL/gl.h>

#include <algorithm>

#include "labels/label_draw.h"
#include "labels/letter_geometry.h"
#include "overlay/overlay_draw.h"
#include "terrain/terrain_draw.h"

namespace {

int powerOfTwoAtLeast(int n) {
    int p = 1;
    while (p < n && p < (1 << 30)) p <<= 1;
    return p;
}

// Clears GL's error flags, so that the next glGetError speaks of the calls after.
void clearGlErrors() {
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

// Gives the picture a texture of at least w x h pixels, in RGBA8 so that the copy
// of an 8-bit framebuffer is exact; false when GL cannot hold one that large or
// the framebuffer has finer colours than the texture would keep.
bool reservePictureTexture(MapPicture& picture, int w, int h) {
    if (picture.texture != 0 && picture.textureWidth >= w && picture.textureHeight >= h) return true;
    releaseMapPicture(picture);
    const int tw = powerOfTwoAtLeast(w);
    const int th = powerOfTwoAtLeast(h);
    GLint maxSide = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
    if (picture.sideLimit > 0) maxSide = std::min(maxSide, static_cast<GLint>(picture.sideLimit));
    if (tw > maxSide || th > maxSide) return false;
    for (GLenum channel : {GL_RED_BITS, GL_GREEN_BITS, GL_BLUE_BITS, GL_ALPHA_BITS}) {
        GLint bits = 0;
        glGetIntegerv(channel, &bits);
        if (bits > 8) return false;
    }
    glTexImage2D(GL_PROXY_TEXTURE_2D, 0, GL_RGBA8, tw, th, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    GLint proxyWidth = 0;
    glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &proxyWidth);
    if (proxyWidth == 0) return false;

    GLuint texture = 0;
    glGenTextures(1, &texture);
    if (texture == 0) return false;
    clearGlErrors();
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, tw, th, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    const bool made = glGetError() == GL_NO_ERROR;
    // Texture 0 holds the glyph atlas the labels draw with.
    glBindTexture(GL_TEXTURE_2D, 0);
    if (!made) {
        glDeleteTextures(1, &texture);
        return false;
    }
    picture.texture = texture;
    picture.textureWidth = tw;
    picture.textureHeight = th;
    return true;
}

// Copies the window's w x h pixels into the picture, which then stands for key.
void keepMapPicture(MapPicture& picture, const MapPictureKey& key, int w, int h) {
    picture.kept = false;
    if (w <= 0 || h <= 0 || !reservePictureTexture(picture, w, h)) return;
    clearGlErrors();
    glBindTexture(GL_TEXTURE_2D, picture.texture);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, w, h);
    glBindTexture(GL_TEXTURE_2D, 0);
    picture.kept = glGetError() == GL_NO_ERROR;
    picture.key = key;
}

// The picture as one window-sized quad, texel for pixel: nearest texels at the
// pixel centres, replacing what is there. The matrices are restored after.
void drawMapPicture(const MapPicture& picture, int w, int h) {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, w, 0.0, h, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glBindTexture(GL_TEXTURE_2D, picture.texture);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    const float u = static_cast<float>(w) / static_cast<float>(picture.textureWidth);
    const float v = static_cast<float>(h) / static_cast<float>(picture.textureHeight);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2i(0, 0);
    glTexCoord2f(u, 0.0f);
    glVertex2i(w, 0);
    glTexCoord2f(u, v);
    glVertex2i(w, h);
    glTexCoord2f(0.0f, v);
    glVertex2i(0, h);
    glEnd();
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glDisable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

}  // namespace

void releaseMapPicture(MapPicture& picture) {
    if (picture.texture != 0 && glIsTexture(picture.texture)) glDeleteTextures(1, &picture.texture);
    picture.texture = 0;
    picture.textureWidth = picture.textureHeight = 0;
    picture.kept = false;
}

bool drawMap(MapPicture& picture, const ViewState& view, const TerrainMesh& terrain, const TerrainColorTable& colors,
             bool names) {
    // A texture the context no longer knows (a new context) is gone with its picture.
    if (picture.texture != 0 && !glIsTexture(picture.texture)) releaseMapPicture(picture);
    const MapPictureKey key = mapPictureKey(view, terrain, colors, names);
    if (picture.kept && picture.key == key) {
        drawMapPicture(picture, view.windowWidth, view.windowHeight);
        applyMapTransform(terrain);
        return true;
    }
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawTerrain(terrain, colors, TERRAIN_ALL, markerHalfSize(view, terrain));
    if (names) drawPartyNames(view, terrain);
    keepMapPicture(picture, key, view.windowWidth, view.windowHeight);
    return false;
}

void drawPartyNames(const ViewState& view, const TerrainMesh& terrain) {
    const size_t count = std::min(terrain.partyPositions.size(), terrain.partyNames.size());
    if (count == 0) return;
    ViewState frame = view;
    computeViewMatrices(frame, terrain);
    std::vector<NamedPoint> points(count);
    for (size_t i = 0; i < count; ++i) {
        const MapPoint p = projectToWindow(frame, terrain.partyPositions[i]);
        points[i] = NamedPoint{p.x, static_cast<float>(view.windowHeight) - p.y, terrain.partyNames[i].name};
    }
    const std::vector<OverlayText> lines =
        partyNameLines(points, view.windowWidth, view.windowHeight, overlayCharWidth);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    drawOverlayLines(lines, view.windowWidth, view.windowHeight);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

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

bool drawFrame(Editor& ed) {
    ViewState& view = ed.view;
    AppState& app = ed.app;
    const int w = view.windowWidth;
    const int h = view.windowHeight;

    glViewport(0, 0, w, h);
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    loadViewTransform(view);

    if (app.quitAsked) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawQuitPrompt(w, h);
        glFinish();
        return false;
    }

    const bool fromPicture = drawMap(ed.picture, view, ed.terrain, ed.colors, app.namesShown);
    captureViewMatrices(view);

    // Labels 10 map units above the terrain plane; with the depth test off the
    // drawing order alone decides what is on top. Labels wholly outside the window
    // are left out.
    glTranslatef(0.0f, 0.0f, 10.0f);
    const Mat4 transform = multiply(matrixFromArray(view.projection), matrixFromArray(view.modelview));
    const float node = nodeMarkerRadius(view, ed.terrain);
    const auto drawInView = [&](Label& label, bool selected, int activeNode) {
        updateCurve(label);
        if (!outsideView(labelRect(label, ed.atlas), transform, w, h))
            drawLabel(label, selected, activeNode, ed.atlas, node);
    };
    if (app.creating) drawInView(app.newLabel, true, 3);
    const int count = static_cast<int>(ed.labels.size());
    for (int i = 0; i < count; ++i) drawInView(ed.labels[i], i == app.selected, app.activeNode);

    drawFrameOverlay(ed);
    glFinish();
    return fromPicture;
}

void drawFrameOverlay(const Editor& ed) {
    const AppState& app = ed.app;
    const int w = ed.view.windowWidth;
    const int h = ed.view.windowHeight;
    const int count = static_cast<int>(ed.labels.size());
    drawHelpPanel(app.helpVisible, count, app.selected, w, h);
    if (app.cursorShown) {
        // The readout names the party under the pointer; messages keep clear of its lines.
        const TerrainMesh& t = ed.terrain;
        const int party = partyNear(t, app.cursorPos, PICK_PARTY_PIXELS * mapUnitsPerPixel(ed.view, t));
        std::string named;
        if (party >= 0 && static_cast<size_t>(party) < t.partyNames.size())
            named = t.partyNames[party].name + " (" + t.partyNames[party].id + ")";
        const auto readout = cursorReadoutLines(app.cursorPos.x, app.cursorPos.y, w, named, overlayCharWidth);
        int left = w;
        for (const OverlayText& line : readout) left = std::min(left, line.x);
        drawMessages(ed.log, w, h, left);
        drawOverlayLines(readout, w, h);
    } else {
        drawMessages(ed.log, w, h);
    }
    if (app.selected >= 0 && app.selected < count) {
        const Label& l = ed.labels[app.selected];
        drawLabelStatus(l.size, l.visibility, l.width, l.italic, proportionalSpacing(l), w, h);
    }
}
