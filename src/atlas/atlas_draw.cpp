#include "atlas/atlas_draw.h"

#include <GL/gl.h>
#include <GL/glu.h>

void uploadGlyphAtlas(const GlyphAtlas& atlas) {
    if (atlas.width <= 0 || atlas.height <= 0 ||
        atlas.pixels.size() < static_cast<size_t>(atlas.width) * atlas.height * 4)
        return;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, atlas.width, atlas.height, GL_RGBA, GL_UNSIGNED_BYTE,
                      atlas.pixels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}
