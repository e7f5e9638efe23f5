// Labels in the editor view: the curve, the nodes and handles of the selected
// label, and the letters as black, alpha-blended quads textured from the atlas.
#include "labels/label_draw.h"

#include <GL/gl.h>

#include "labels/letter_geometry.h"

void drawLabel(Label& label, bool selected, int activeNode, const GlyphAtlas& atlas, float nodeRadius) {
    updateCurve(label);

    if (selected)
        glColor3f(0.0f, 0.0f, 0.0f);
    else
        glColor3f(0.5f, 0.5f, 0.5f);
    glBegin(GL_LINE_STRIP);
    forEachCurveSample(label, [](MapPoint p) { glVertex2f(p.x, p.y); });
    glEnd();

    if (selected) {
        for (int k = 0; k < 4; ++k) drawNodeMarker(label.curve[k], k == activeNode, nodeRadius);
        glColor3f(0.9f, 0.6f, 0.0f);
        glBegin(GL_LINES);
        glVertex2f(label.curve[0].x, label.curve[0].y);
        glVertex2f(label.curve[1].x, label.curve[1].y);
        glVertex2f(label.curve[2].x, label.curve[2].y);
        glVertex2f(label.curve[3].x, label.curve[3].y);
        glEnd();
    }

    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    for (const LabelLetter& letter : label.letters) drawLetter(letter, atlas);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
}

void drawNodeMarker(MapPoint p, bool highlighted, float radius) {
    const float r = highlighted ? radius * 4.0f / 3.0f : radius;
    if (highlighted)
        glColor3f(1.0f, 0.8f, 0.0f);
    else
        glColor3f(0.9f, 0.6f, 0.0f);
    glBegin(GL_QUADS);
    glVertex2f(p.x + r, p.y);
    glVertex2f(p.x, p.y + r);
    glVertex2f(p.x - r, p.y);
    glVertex2f(p.x, p.y - r);
    glEnd();
}

void drawLetter(const LabelLetter& letter, const GlyphAtlas& atlas) {
    const char32_t ch = letter.ch;
    const auto [v, e0, e1] = letterQuad(letter, atlas);
    const MapPoint p = letter.position;

    // A character without a cell (a label read after the charset changed) still
    // gets its quad, sized 1.0 by the glyph queries. It samples texel (0, 0): cells
    // start at column 2, so columns 0 and 1 never hold ink and the quad stays clear.
    float u0 = 0.0f, u1 = 0.0f, v0 = 0.0f, v1 = 0.0f;
    if (atlasHasChar(atlas, ch) && atlas.width > 0 && atlas.height > 0) {
        u0 = glyphU(atlas, ch, 0);
        u1 = glyphU(atlas, ch, 1);
        v0 = glyphV(atlas, ch, 0);
        v1 = glyphV(atlas, ch, 1);
    }

    glColor4ub(0, 0, 0, static_cast<GLubyte>(letter.alpha < 0 ? 0 : letter.alpha > 255 ? 255 : letter.alpha));
    glBegin(GL_QUADS);
    glTexCoord2f(u0, v0);
    glVertex2f(p.x + v.x + e0.x, p.y + v.y + e0.y);
    glTexCoord2f(u1, v0);
    glVertex2f(p.x - v.x + e0.x, p.y - v.y + e0.y);
    glTexCoord2f(u1, v1);
    glVertex2f(p.x - v.x - e1.x, p.y - v.y - e1.y);
    glTexCoord2f(u0, v1);
    glVertex2f(p.x + v.x - e1.x, p.y + v.y - e1.y);
    glEnd();
}
