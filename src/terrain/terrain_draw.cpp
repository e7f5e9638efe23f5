// The map as display lists compiled per chunk of faces, culled against the view.
#include "terrain/terrain_draw.h"

#include <GL/gl.h>

#include <algorithm>
#include <vector>

namespace {

// Faces per compiled chunk. A chunk is a run of faces in file order, so drawing
// the chunks in order keeps the file's drawing order.
constexpr size_t CHUNK_FACES = 256;

// The compiled fills and outlines, and what they were compiled from: lists
// list .. list+n-1 hold the chunks' fills, list+n .. list+2n-1 their outlines.
// A list is compiled the first time its chunk is in view (compiled[i]), so the
// first frame pays only for the faces it shows; probe is a compiled list, asked
// for to notice a GL context that no longer knows the lists.
struct TerrainList {
    GLuint list = 0;
    GLsizei chunkCount = 0;
    std::vector<MapRect> boxes;
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

// The x/y box of the corners of faces [first, last).
MapRect chunkBox(const TerrainMesh& mesh, size_t first, size_t last) {
    MapRect box;
    for (size_t i = first; i < last; ++i) {
        const MapFace& f = mesh.faces[i];
        if (!faceCornersValid(mesh, f)) continue;
        for (int c : f.corners) {
            const MapVertex& v = mesh.vertices[static_cast<size_t>(c)];
            addPoint(box, v.x, v.y);
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

void drawPartyMarkers(const TerrainMesh& mesh, float half) {
    // A diamond a few pixels across: filled nearly opaque, so that it shows at all,
    // with a dark outline that sets it off light ground as well as dark.
    const auto diamond = [&](GLenum mode, const MapPoint& p) {
        glBegin(mode);
        glVertex3f(p.x + half, p.y, -5.5f);
        glVertex3f(p.x, p.y + half, -5.5f);
        glVertex3f(p.x - half, p.y, -5.5f);
        glVertex3f(p.x, p.y - half, -5.5f);
        glEnd();
    };
    glEnable(GL_BLEND);
    glColor4f(0.6f, 0.5f, 0.4f, 0.8f);
    for (const MapPoint& p : mesh.partyPositions) diamond(GL_QUADS, p);
    glColor4f(0.15f, 0.1f, 0.05f, 0.8f);
    for (const MapPoint& p : mesh.partyPositions) diamond(GL_LINE_LOOP, p);
    glDisable(GL_BLEND);
}

void releaseTerrainDrawCache() { deleteLists(); }

void drawTerrain(const TerrainMesh& mesh, const TerrainColorTable& colors, unsigned parts, float markerHalf) {
    applyMapTransform(mesh);
    if (!cacheCurrent(mesh, colors) && !reserveLists(mesh, colors)) {
        // No lists available: draw this frame directly.
        if (parts & TERRAIN_FILLS) drawTerrainFills(mesh, colors, 0, mesh.faces.size());
        if (parts & TERRAIN_OUTLINES) sendOutlineSegments(mesh, colors, 0, mesh.faces.size());
        if (parts & TERRAIN_MARKERS) drawPartyMarkers(mesh, markerHalf);
        return;
    }
    const Mat4 m = currentTransform();
    GLint viewport[4] = {0, 0, 1, 1};
    glGetIntegerv(GL_VIEWPORT, viewport);
    std::vector<char> visible(cache.boxes.size());
    for (size_t k = 0; k < cache.boxes.size(); ++k) visible[k] = !outsideView(cache.boxes[k], m, viewport[2], viewport[3]);
    // All fills before all outlines, chunks in file order within each pass.
    const unsigned passParts[2] = {TERRAIN_FILLS, TERRAIN_OUTLINES};
    for (int pass = 0; pass < 2; ++pass)
        if (parts & passParts[pass])
            for (GLsizei k = 0; k < cache.chunkCount; ++k)
                if (visible[static_cast<size_t>(k)]) drawChunk(mesh, colors, pass, k);
    if (parts & TERRAIN_MARKERS) drawPartyMarkers(mesh, markerHalf);
}
