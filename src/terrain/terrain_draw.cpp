// The map as display lists compiled per chunk of faces, culled against the view.
#include "terrain/terrain_draw.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Faces per compiled chunk. A chunk is a run of faces in file order, so drawing
// the chunks in order keeps the file's drawing order.
constexpr size_t CHUNK_FACES = 2048;

// The x/y box of one chunk's corners.
struct ChunkBox {
    float x0, y0, x1, y1;
};

// The compiled fills and outlines, and what they were compiled from: lists
// list .. list+n-1 hold the chunks' fills, list+n .. list+2n-1 their outlines.
// A list is compiled the first time its chunk is in view (compiled[i]), so the
// first frame pays only for the faces it shows; probe is a compiled list, asked
// for to notice a GL context that no longer knows the lists.
struct TerrainList {
    GLuint list = 0;
    GLsizei chunkCount = 0;
    std::vector<ChunkBox> boxes;
    std::vector<char> compiled;
    GLuint probe = 0;
    const TerrainMesh* mesh = nullptr;
    const void* faceData = nullptr;
    size_t faceCount = 0;
    size_t vertexCount = 0;
    unsigned colorVersion = 0;
    const TerrainColorTable* colors = nullptr;
};

TerrainList cache;

void sendCorners(const TerrainMesh& mesh, const MapFace& f) {
    for (int c : f.corners) {
        const MapVertex& v = mesh.vertices[static_cast<size_t>(c)];
        glVertex2f(v.x, v.y);
    }
}

// The outlines of faces [first, last) as separate segments: the same pixels as
// one line loop per face, in one batch.
void sendOutlineSegments(const TerrainMesh& mesh, const TerrainColorTable& colors, size_t first, size_t last) {
    glBegin(GL_LINES);
    for (size_t i = first; i < last; ++i) {
        const MapFace& f = mesh.faces[i];
        if (!faceCornersValid(mesh, f)) continue;
        const ShadeRgb shade = faceShade(colors, f, OUTLINE_SHADE);
        glColor3f(shade.r, shade.g, shade.b);
        const MapVertex& a = mesh.vertices[static_cast<size_t>(f.corners[0])];
        const MapVertex& b = mesh.vertices[static_cast<size_t>(f.corners[1])];
        const MapVertex& c = mesh.vertices[static_cast<size_t>(f.corners[2])];
        glVertex2f(a.x, a.y);
        glVertex2f(b.x, b.y);
        glVertex2f(b.x, b.y);
        glVertex2f(c.x, c.y);
        glVertex2f(c.x, c.y);
        glVertex2f(a.x, a.y);
    }
    glEnd();
}

ChunkBox chunkBox(const TerrainMesh& mesh, size_t first, size_t last) {
    ChunkBox box{INFINITY, INFINITY, -INFINITY, -INFINITY};
    for (size_t i = first; i < last; ++i) {
        const MapFace& f = mesh.faces[i];
        if (!faceCornersValid(mesh, f)) continue;
        for (int c : f.corners) {
            const MapVertex& v = mesh.vertices[static_cast<size_t>(c)];
            box.x0 = std::min(box.x0, v.x);
            box.y0 = std::min(box.y0, v.y);
            box.x1 = std::max(box.x1, v.x);
            box.y1 = std::max(box.y1, v.y);
        }
    }
    return box;
}

// The current modelview-projection product (column-major, as GL keeps it).
Mat4 currentTransform() {
    Mat4 mv, pr;
    glGetDoublev(GL_MODELVIEW_MATRIX, mv.m);
    glGetDoublev(GL_PROJECTION_MATRIX, pr.m);
    return multiply(pr, mv);
}

// True when every point of the box (at height 0, as the map is drawn) lies
// beyond one side of the view, with a margin of a few pixels for line ends:
// nothing of the chunk can then reach the window.
bool outsideView(const ChunkBox& box, const Mat4& transform, double marginX, double marginY) {
    const double* m = transform.m;
    if (!(box.x0 <= box.x1 && box.y0 <= box.y1)) return true;  // no drawable face
    const double xs[2] = {box.x0, box.x1};
    const double ys[2] = {box.y0, box.y1};
    bool allLeft = true, allRight = true, allBelow = true, allAbove = true;
    for (double x : xs)
        for (double y : ys) {
            const double cx = m[0] * x + m[4] * y + m[12];
            const double cy = m[1] * x + m[5] * y + m[13];
            const double cw = m[3] * x + m[7] * y + m[15];
            if (!(cw > 0) || !std::isfinite(cx) || !std::isfinite(cy)) return false;
            allLeft = allLeft && cx < -cw * (1 + marginX);
            allRight = allRight && cx > cw * (1 + marginX);
            allBelow = allBelow && cy < -cw * (1 + marginY);
            allAbove = allAbove && cy > cw * (1 + marginY);
        }
    return allLeft || allRight || allBelow || allAbove;
}

bool cacheCurrent(const TerrainMesh& mesh, const TerrainColorTable& colors) {
    const bool known = mesh.faces.empty() || (cache.list != 0 && (cache.probe == 0 || glIsList(cache.probe)));
    return known && cache.mesh == &mesh && cache.faceData == mesh.faces.data() &&
           cache.faceCount == mesh.faces.size() && cache.vertexCount == mesh.vertices.size() &&
           cache.colors == &colors && cache.colorVersion == colors.version;
}

void deleteLists() {
    if (cache.list != 0 && (cache.probe == 0 || glIsList(cache.probe))) glDeleteLists(cache.list, 2 * cache.chunkCount);
    cache = TerrainList{};
}

// Reserves the lists for a mesh, in chunks of faces in file order so that chunks
// wholly outside the view can be skipped; false when GL has no lists to give.
bool reserveLists(const TerrainMesh& mesh, const TerrainColorTable& colors) {
    deleteLists();
    const size_t faces = mesh.faces.size();
    const GLsizei chunks = static_cast<GLsizei>((faces + CHUNK_FACES - 1) / CHUNK_FACES);
    const GLuint base = chunks > 0 ? glGenLists(2 * chunks) : 0;
    if (chunks > 0 && base == 0) return false;
    cache.list = base;
    cache.chunkCount = chunks;
    cache.boxes.resize(static_cast<size_t>(chunks));
    for (GLsizei k = 0; k < chunks; ++k) {
        const size_t first = static_cast<size_t>(k) * CHUNK_FACES;
        cache.boxes[static_cast<size_t>(k)] = chunkBox(mesh, first, std::min(faces, first + CHUNK_FACES));
    }
    cache.compiled.assign(2 * static_cast<size_t>(chunks), 0);
    cache.mesh = &mesh;
    cache.faceData = mesh.faces.data();
    cache.faceCount = faces;
    cache.vertexCount = mesh.vertices.size();
    cache.colorVersion = colors.version;
    cache.colors = &colors;
    return true;
}

// One chunk's fills (pass 0) or outlines (pass 1): replayed, or compiled while drawn.
void drawChunk(const TerrainMesh& mesh, const TerrainColorTable& colors, int pass, GLsizei k) {
    const size_t slot = static_cast<size_t>(pass * cache.chunkCount + k);
    const GLuint list = cache.list + static_cast<GLuint>(slot);
    if (cache.compiled[slot]) {
        glCallList(list);
        return;
    }
    const size_t first = static_cast<size_t>(k) * CHUNK_FACES;
    const size_t last = std::min(mesh.faces.size(), first + CHUNK_FACES);
    glNewList(list, GL_COMPILE_AND_EXECUTE);
    if (pass == 0)
        drawTerrainFills(mesh, colors, first, last);
    else
        sendOutlineSegments(mesh, colors, first, last);
    glEndList();
    cache.compiled[slot] = 1;
    if (cache.probe == 0) cache.probe = list;
}

}  // namespace

void applyTransformSteps(const TransformStep* steps, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const TransformStep& s = steps[i];
        if (s.scale)
            glScalef(s.x, s.y, s.z);
        else
            glTranslatef(s.x, s.y, s.z);
    }
}

void applyMapTransform(const TerrainMesh& mesh) {
    const auto steps = mapNormalisationSteps(mesh);
    applyTransformSteps(steps.data(), steps.size());
}

void drawTerrainFills(const TerrainMesh& mesh, const TerrainColorTable& colors, size_t first, size_t last) {
    glBegin(GL_TRIANGLES);
    for (size_t i = first; i < last && i < mesh.faces.size(); ++i) {
        const MapFace& f = mesh.faces[i];
        if (!faceCornersValid(mesh, f)) continue;
        const ShadeRgb shade = faceShade(colors, f, FILL_SHADE);
        glColor3f(shade.r, shade.g, shade.b);
        sendCorners(mesh, f);
    }
    glEnd();
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

void releaseTerrainDrawCache() { deleteLists(); }

void drawTerrain(const TerrainMesh& mesh, const TerrainColorTable& colors, unsigned parts) {
    applyMapTransform(mesh);
    if (!cacheCurrent(mesh, colors) && !reserveLists(mesh, colors)) {
        // No lists available: draw this frame directly.
        if (parts & TERRAIN_FILLS) drawTerrainFills(mesh, colors, 0, mesh.faces.size());
        if (parts & TERRAIN_OUTLINES) sendOutlineSegments(mesh, colors, 0, mesh.faces.size());
        if (parts & TERRAIN_MARKERS) drawPartyMarkers(mesh);
        return;
    }
    const Mat4 m = currentTransform();
    GLint viewport[4] = {0, 0, 1, 1};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const double marginX = 8.0 / std::max(1, viewport[2]);
    const double marginY = 8.0 / std::max(1, viewport[3]);
    std::vector<char> visible(cache.boxes.size());
    for (size_t k = 0; k < cache.boxes.size(); ++k) visible[k] = !outsideView(cache.boxes[k], m, marginX, marginY);
    // All fills before all outlines, chunks in file order within each pass.
    const unsigned passParts[2] = {TERRAIN_FILLS, TERRAIN_OUTLINES};
    for (int pass = 0; pass < 2; ++pass)
        if (parts & passParts[pass])
            for (GLsizei k = 0; k < cache.chunkCount; ++k)
                if (visible[static_cast<size_t>(k)]) drawChunk(mesh, colors, pass, k);
    if (parts & TERRAIN_MARKERS) drawPartyMarkers(mesh);
}
