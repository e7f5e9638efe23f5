#include "app/app_draw.h"

#include <GL/gl.h>
#include <GL/freeglut.h>

#include "atlas/atlas_draw.h"

void setupGlState(const GlyphAtlas& atlas) {
    glDisable(GL_DEPTH_TEST);
    glFrontFace(GL_CW);
    glEnable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(1.0f, 1.0f);
    // Blending is switched on and off by whoever draws translucently (letters, party
    // markers); the function is the same for all, set here so the very first frame
    // draws the markers as every later one does.
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    uploadGlyphAtlas(atlas);
}

namespace {
bool glutInitialised = false;
}

void initGlutOnce() {
    if (glutInitialised) return;
    glutInitialised = true;
    static char name[] = "veltrune";
    static char* argv[] = {name, nullptr};
    int argc = 1;
    glutInit(&argc, argv);
}

void shutdownGlut() {
    if (!glutInitialised) return;
    glutInitialised = false;
    glutExit();
}
