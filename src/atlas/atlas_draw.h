// Hands the atlas to OpenGL as the (default, only) 2D texture, with mipmaps.
#pragma once

#include "atlas/atlas.h"

void uploadGlyphAtlas(const GlyphAtlas& atlas);
