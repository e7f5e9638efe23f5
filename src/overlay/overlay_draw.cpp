#include "overlay/overlay_draw.h"

#include <GL/gl.h>
#include <GL/freeglut.h>

#include <vector>

#include "overlay/overlay.h"

namespace {

// GLUT's bitmap fonts need glutInit first. The program does that at start-up;
// this covers any caller that draws text without it (GLUT refuses a second init).
void ensureGlutInitialised() {
    static bool checked = false;
    if (checked) return;
    checked = true;
    if (glutGet(GLUT_INIT_STATE)) return;
    static char name[] = "veltrune";
    static char* argv[] = {name, nullptr};
    int argc = 1;
    glutInit(&argc, argv);
}

void drawLines(const std::vector<OverlayText>& lines) {
    ensureGlutInitialised();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(0.0f, 0.0f, 0.0f, BACKDROP_ALPHA);
    glBegin(GL_QUADS);
    for (const OverlayText& l : lines) {
        const PixelRect r = textBackdrop(l, overlayCharWidth);
        glVertex2i(r.x0, r.y0);
        glVertex2i(r.x1, r.y0);
        glVertex2i(r.x1, r.y1);
        glVertex2i(r.x0, r.y1);
    }
    glEnd();
    glDisable(GL_BLEND);
    for (const OverlayText& l : lines) drawText(l.x, l.y, l.grey, l.text);
}

// The pixel space and the state bitmap text relies on: no texturing.
void beginOverlay(int w, int h) {
    glDisable(GL_TEXTURE_2D);
    pixelOverlaySpace(w, h);
}

}  // namespace

int overlayCharWidth(unsigned char c) {
    ensureGlutInitialised();
    return glutBitmapWidth(GLUT_BITMAP_HELVETICA_12, c);
}

void drawOverlayLines(const std::vector<OverlayText>& lines, int w, int h) {
    beginOverlay(w, h);
    drawLines(lines);
}

void pixelOverlaySpace(int w, int h) {
    if (w <= 0) w = 1;
    if (h <= 0) h = 1;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(-1.0f, -1.0f, 0.0f);
    glScalef(2.0f / static_cast<float>(w), 2.0f / static_cast<float>(h), 1.0f);
}

void drawText(int x, int y, float g, const std::string& text) {
    ensureGlutInitialised();
    glColor4f(g, g, g, 1.0f);
    glRasterPos2i(x, y);
    for (char c : text) glutBitmapCharacter(GLUT_BITMAP_HELVETICA_12, static_cast<unsigned char>(c));
}

void drawHelpPanel(bool helpVisible, int labelCount, int selected, int w, int h) {
    beginOverlay(w, h);
    drawLines(helpPanelLines(helpVisible, labelCount, selected, w, h));
}

void drawMessages(const MessageLog& log, int w, int h, int readoutX) {
    beginOverlay(w, h);
    drawLines(messageLines(log, w, overlayCharWidth, readoutX));
}

void drawCursorReadout(float x, float y, int w, int h, const std::string& party) {
    beginOverlay(w, h);
    drawLines(cursorReadoutLines(x, y, w, party, overlayCharWidth));
}

void drawLabelStatus(float size, int visibility, int width, unsigned char italic, bool proportional, int w, int h) {
    (void)italic;
    beginOverlay(w, h);
    drawLines(labelStatusLines(size, visibility, width, w, h, proportional));
}

void drawQuitPrompt(int w, int h) {
    beginOverlay(w, h);
    drawLines({quitPromptLine(w, h)});
}
