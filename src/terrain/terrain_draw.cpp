#include "terrain/terrain_draw.h"

#include <GL/gl.h>

#include <cmath>

namespace {

// The compiled fills and outlines, and what they were compiled from.
struct TerrainList {
    GLuint list = 0;
    const TerrainMesh* mesh = nullptr;
    const void* faceData = nullptr;
    size_t faceCount = 0;
    size_t vertexCount = 0;
    unsigned colorVersion = 0;
    const TerrainColorTable* colors = nullptr;
};

TerrainList cache;

void applyMapTransform(const TerrainMesh& mesh) {
    float dx = mesh.boxMin.x - mesh.boxMax.x;
    float dy = mesh.boxMin.y - mesh.boxMax.y;
    float dz = mesh.boxMin.z - mesh.boxMax.z;
    float d = std::sqrt(dx * dx + dy * dy + dz * dz);
    // A box without extent has no scale of its own: keep map units.
    float s = (d > 0 && std::isfinite(d)) ? 2.0f / d : 1.0f;
    if (!std::isfinite(s)) s = 1.0f;
    glScalef(s, s, 1.0f);
    glTranslatef(-(mesh.boxMin.x + mesh.boxMax.x) / 2, -(mesh.boxMin.y + mesh.boxMax.y) / 2,
                 -(mesh.boxMin.z + mesh.boxMax.z) / 2);
}

bool validFace(const TerrainMesh& mesh, const MapFace& f) {
    for (int c : f.corners)
        if (c < 0 || static_cast<size_t>(c) >= mesh.vertices.size()) return false;
    return true;
}

void sendCorners(const TerrainMesh& mesh, const MapFace& f) {
    for (int c : f.corners) {
        const MapVertex& v = mesh.vertices[static_cast<size_t>(c)];
        glVertex2f(v.x, v.y);
    }
}

void sendFillsAndOutlines(const TerrainMesh& mesh, const TerrainColorTable& colors) {
    glBegin(GL_TRIANGLES);
    for (const MapFace& f : mesh.faces) {
        if (!validFace(mesh, f)) continue;
        const uint8_t* rgb = colors.rgb[colorRow(f.terrainType)];
        glColor3f(rgb[0] * f.light / 255.0f, rgb[1] * f.light / 255.0f, rgb[2] * f.light / 255.0f);
        sendCorners(mesh, f);
    }
    glEnd();
    for (const MapFace& f : mesh.faces) {
        if (!validFace(mesh, f)) continue;
        const uint8_t* rgb = colors.rgb[colorRow(f.terrainType)];
        glColor3f(rgb[0] * f.light / 280.0f, rgb[1] * f.light / 280.0f, rgb[2] * f.light / 280.0f);
        glBegin(GL_LINE_LOOP);
        sendCorners(mesh, f);
        glEnd();
    }
}

void drawPartyMarkers(const TerrainMesh& mesh) {
    glEnable(GL_BLEND);
    for (const MapPoint& p : mesh.partyPositions) {
        glBegin(GL_TRIANGLE_FAN);
        glColor4f(0.6f, 0.5f, 0.4f, 0.05f);
        glVertex3f(p.x, p.y, -5.5f);
        glColor4f(0.6f, 0.5f, 0.4f, 0.8f);
        glVertex3f(p.x + 1.5f, p.y, -5.5f);
        glVertex3f(p.x, p.y + 1.5f, -5.5f);
        glVertex3f(p.x - 1.5f, p.y, -5.5f);
        glVertex3f(p.x, p.y - 1.5f, -5.5f);
        glVertex3f(p.x + 1.5f, p.y, -5.5f);
        glEnd();
    }
    glDisable(GL_BLEND);
}

bool cacheCurrent(const TerrainMesh& mesh, const TerrainColorTable& colors) {
    return cache.list != 0 && glIsList(cache.list) && cache.mesh == &mesh && cache.faceData == mesh.faces.data() &&
           cache.faceCount == mesh.faces.size() && cache.vertexCount == mesh.vertices.size() &&
           cache.colors == &colors && cache.colorVersion == colors.version;
}

}  // namespace

void releaseTerrainDrawCache() {
    if (cache.list != 0 && glIsList(cache.list)) glDeleteLists(cache.list, 1);
    cache = TerrainList{};
}

void drawTerrain(const TerrainMesh& mesh, const TerrainColorTable& colors) {
    applyMapTransform(mesh);
    if (!cacheCurrent(mesh, colors)) {
        if (cache.list != 0 && glIsList(cache.list)) glDeleteLists(cache.list, 1);
        cache = TerrainList{};
        GLuint list = glGenLists(1);
        if (list == 0) {
            // No list available: draw this frame directly.
            sendFillsAndOutlines(mesh, colors);
            drawPartyMarkers(mesh);
            return;
        }
        glNewList(list, GL_COMPILE);
        sendFillsAndOutlines(mesh, colors);
        glEndList();
        cache = {list, &mesh, mesh.faces.data(), mesh.faces.size(), mesh.vertices.size(), colors.version, &colors};
    }
    glCallList(cache.list);
    drawPartyMarkers(mesh);
}

void drawTerrainImmediate(const TerrainMesh& mesh, const TerrainColorTable& colors) {
    applyMapTransform(mesh);
    sendFillsAndOutlines(mesh, colors);
    drawPartyMarkers(mesh);
}
