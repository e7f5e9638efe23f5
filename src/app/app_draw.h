// The shell's own GL set-up: the fixed GL state every frame relies on, and the
// one-time initialisation the overlay's bitmap font needs.
#pragma once

#include "atlas/atlas.h"

// Depth test off, clockwise front faces, polygon offset for filled faces, the
// blend function (source alpha, one minus source alpha), and the atlas uploaded
// as the texture. Run after every creation of the video mode.
void setupGlState(const GlyphAtlas& atlas);

// Initialises GLUT once (its bitmap font cannot be used before); no GLUT window is made.
void initGlutOnce();
// Releases what GLUT holds (its display connection and font state) at shutdown.
void shutdownGlut();
