// The immediate-mode terrain drawing the compiled one is compared with.
#include <GL/gl.h>

#include "bench/reference.h"
#include "terrain/terrain_draw.h"

void drawTerrainImmediate(const TerrainMesh& mesh, const TerrainColorTable& colors, unsigned parts) {
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
    if (parts & TERRAIN_MARKERS) drawPartyMarkers(mesh);
}
