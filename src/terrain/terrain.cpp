// Map reader, face lighting, the uniform grid index and the height queries.
#include "terrain/terrain.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "platform/platform.h"
#include "platform/text_format.h"
#include "terrain/map_text.h"

const MapVertex LIGHT_DIRECTION{0.0f, -0.31622776f, 0.94868326f};

namespace {

using namespace maptext;
using Num = MapNumber;

// Numbers with std::from_chars, accepting what scanf's "%d" and "%f" accept.
// A number must make up its whole white-space separated token: "2.5" is no
// corner index and "1x" no coordinate.
struct FastReader {
    const char* p = nullptr;
    const char* end = nullptr;

    // Skips white space and an optional '+', which from_chars does not take; a
    // second sign after it makes no number.
    Num numberStart(const char*& s) {
        p = skipSpace(p, end);
        if (p == end) return Num::end;
        s = p;
        if (*s == '+') {
            ++s;
            if (s < end && (*s == '-' || *s == '+')) return Num::bad;
        }
        return Num::ok;
    }

    Num readInt(int& v) {
        const char* s = nullptr;
        if (const Num start = numberStart(s); start != Num::ok) return start;
        auto r = std::from_chars(s, end, v);
        if (r.ec == std::errc::invalid_argument) return Num::bad;
        if (r.ec == std::errc::result_out_of_range) return Num::range;
        if (r.ptr < end && !isSpace(*r.ptr)) return Num::bad;
        p = r.ptr;
        return Num::ok;
    }

    Num readFloat(float& v) {
        const char* s = nullptr;
        if (const Num start = numberStart(s); start != Num::ok) return start;
        const char* q = (s < end && *s == '-') ? s + 1 : s;
        bool hex = end - q >= 2 && q[0] == '0' && (q[1] == 'x' || q[1] == 'X');
        if (!hex) {
            auto r = std::from_chars(s, end, v, std::chars_format::general);
            if (r.ec == std::errc::invalid_argument) return Num::bad;
            if (r.ec == std::errc()) {
                const char* stop = r.ptr;
                // glibc's scanf takes an exponent mark without digits ("1e", "1e+")
                // as part of the number and ignores it.
                if (stop < end && (*stop == 'e' || *stop == 'E')) {
                    const char* q = stop + 1;
                    if (q < end && (*q == '+' || *q == '-')) ++q;
                    if (q == end || isSpace(*q)) stop = q;
                }
                if (stop < end && !isSpace(*stop)) return Num::bad;
                p = stop;
                return Num::ok;
            }
        }
        // Hexadecimal or out-of-range values: strtof gives what scanf stores.
        std::string tok(p, tokenEnd(p, end));
        char* stop = nullptr;
        v = std::strtof(tok.c_str(), &stop);
        if (stop != tok.c_str() + tok.size()) return Num::bad;
        p += tok.size();
        return Num::ok;
    }
};

// Cell of a coordinate: monotone in v and clamped, so a point inside a face's
// box always falls in one of the cells the face was listed in.
int cellOf(float v, float lo, float cell, int n) {
    double t = (static_cast<double>(v) - static_cast<double>(lo)) / static_cast<double>(cell);
    if (!(t > 0)) return 0;
    if (t >= n) return n - 1;
    return static_cast<int>(t);
}

struct FaceBox {
    float x0, y0, x1, y1;
};

FaceBox faceBox(const TerrainMesh& mesh, const MapFace& f) {
    const MapVertex& a = mesh.vertices[static_cast<size_t>(f.corners[0])];
    const MapVertex& b = mesh.vertices[static_cast<size_t>(f.corners[1])];
    const MapVertex& c = mesh.vertices[static_cast<size_t>(f.corners[2])];
    return {std::min({a.x, b.x, c.x}), std::min({a.y, b.y, c.y}), std::max({a.x, b.x, c.x}),
            std::max({a.y, b.y, c.y})};
}

}  // namespace

void clearTerrainMesh(TerrainMesh& mesh) {
    mesh.vertices.clear();
    mesh.faces.clear();
    mesh.boxMin = {1, 1, 1};
    mesh.boxMax = {-1, -1, -1};
    mesh.index = TerrainIndex{};
    mesh.lastFace = -1;
}

bool fillTerrainMesh(TerrainMesh& mesh, bool index, const std::function<bool(TerrainMesh&)>& readRecords) {
    clearTerrainMesh(mesh);
    if (!readRecords(mesh)) {
        clearTerrainMesh(mesh);
        return false;
    }
    computeBoundingBox(mesh);
    for (MapFace& f : mesh.faces) computeFaceLight(mesh, f);
    if (index) buildTerrainIndex(mesh);
    return true;
}

bool parseTerrainMesh(TerrainMesh& mesh, const char* text, size_t size, std::string& error) {
    return fillTerrainMesh(mesh, true, [&](TerrainMesh& m) { return parseMapRecords<FastReader>(m, text, size, error); });
}

Report readTerrainMesh(TerrainMesh& mesh, const std::string& path, std::string* fault) {
    std::string text;
    if (!readTextFile(path, text)) {
        clearTerrainMesh(mesh);
        if (fault) *fault = "cannot open \"" + path + "\"";
        Report report = failure("Cannot open map \"" + path + "\"");
        addMessage(report, "wrong path? check Veltrune.cfg");
        return report;
    }
    std::string error;
    if (!parseTerrainMesh(mesh, text.data(), text.size(), error)) {
        if (fault) *fault = error;
        return failure("Bad map \"" + path + "\": " + error);
    }
    return Report{};
}

void computeBoundingBox(TerrainMesh& mesh) {
    mesh.boxMin = {1, 1, 1};
    mesh.boxMax = {-1, -1, -1};
    bool empty = true;
    for (const MapVertex& v : mesh.vertices) {
        if (empty) {
            mesh.boxMin = v;
            mesh.boxMax = v;
            empty = false;
            continue;
        }
        mesh.boxMin.x = std::min(mesh.boxMin.x, v.x);
        mesh.boxMin.y = std::min(mesh.boxMin.y, v.y);
        mesh.boxMin.z = std::min(mesh.boxMin.z, v.z);
        mesh.boxMax.x = std::max(mesh.boxMax.x, v.x);
        mesh.boxMax.y = std::max(mesh.boxMax.y, v.y);
        mesh.boxMax.z = std::max(mesh.boxMax.z, v.z);
    }
}

MapVertex faceNormal(const TerrainMesh& mesh, const MapFace& face) {
    if (!faceCornersValid(mesh, face)) return {0, 0, 0};
    const MapVertex& c0 = mesh.vertices[static_cast<size_t>(face.corners[0])];
    const MapVertex& c1 = mesh.vertices[static_cast<size_t>(face.corners[1])];
    const MapVertex& c2 = mesh.vertices[static_cast<size_t>(face.corners[2])];
    float ax = c1.x - c0.x, ay = c1.y - c0.y, az = c1.z - c0.z;
    float bx = c2.x - c0.x, by = c2.y - c0.y, bz = c2.z - c0.z;
    MapVertex n{ay * bz - az * by, az * bx - ax * bz, ax * by - ay * bx};
    float len = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    if (std::isfinite(len)) {
        if (len > 0) n = {n.x / len, n.y / len, n.z / len};
        return n;
    }
    // Huge coordinates overflow the float products: the same in double precision.
    double dax = static_cast<double>(c1.x) - c0.x, day = static_cast<double>(c1.y) - c0.y,
           daz = static_cast<double>(c1.z) - c0.z;
    double dbx = static_cast<double>(c2.x) - c0.x, dby = static_cast<double>(c2.y) - c0.y,
           dbz = static_cast<double>(c2.z) - c0.z;
    double nx = day * dbz - daz * dby, ny = daz * dbx - dax * dbz, nz = dax * dby - day * dbx;
    double dlen = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (!(dlen > 0) || !std::isfinite(dlen)) return {0, 0, 0};
    return {static_cast<float>(nx / dlen), static_cast<float>(ny / dlen), static_cast<float>(nz / dlen)};
}

void computeFaceLight(const TerrainMesh& mesh, MapFace& face) {
    MapVertex n = faceNormal(mesh, face);
    face.light = n.x * LIGHT_DIRECTION.x + n.y * LIGHT_DIRECTION.y + n.z * LIGHT_DIRECTION.z;
}

void buildTerrainIndex(TerrainMesh& mesh) {
    TerrainIndex& idx = mesh.index;
    idx = TerrainIndex{};
    size_t nf = mesh.faces.size();
    if (nf == 0) {
        idx.faceCount = 0;
        return;
    }
    for (const MapFace& f : mesh.faces)
        if (!faceCornersValid(mesh, f)) return;  // no index: the queries scan every face

    std::vector<FaceBox> boxes(nf);
    FaceBox all = faceBox(mesh, mesh.faces[0]);
    for (size_t i = 0; i < nf; ++i) {
        boxes[i] = faceBox(mesh, mesh.faces[i]);
        all.x0 = std::min(all.x0, boxes[i].x0);
        all.y0 = std::min(all.y0, boxes[i].y0);
        all.x1 = std::max(all.x1, boxes[i].x1);
        all.y1 = std::max(all.y1, boxes[i].y1);
    }
    idx.minX = all.x0;
    idx.minY = all.y0;
    idx.maxX = all.x1;
    idx.maxY = all.y1;
    double w = static_cast<double>(all.x1) - all.x0;
    double h = static_cast<double>(all.y1) - all.y0;

    // About one cell per face, cells roughly square.
    double target = static_cast<double>(std::min<size_t>(nf, size_t{1} << 22));
    double cols = 1, rows = 1;
    if (w > 0 && h > 0) {
        cols = std::clamp(std::round(std::sqrt(target * w / h)), 1.0, target);
        rows = std::clamp(std::ceil(target / cols), 1.0, target);
    } else if (w > 0) {
        cols = target;
    } else if (h > 0) {
        rows = target;
    }
    int c = static_cast<int>(cols), r = static_cast<int>(rows);

    // Faces spanning many cells could make the lists grow with faces x cells:
    // coarsen the grid until the lists stay within a bound.
    const uint64_t limit = 8 * static_cast<uint64_t>(nf) + 1024;
    for (;;) {
        idx.cols = c;
        idx.rows = r;
        idx.cellW = static_cast<float>(w / c);
        idx.cellH = static_cast<float>(h / r);
        if (!(idx.cellW > 0) || !std::isfinite(idx.cellW)) {
            idx.cellW = 1;
            idx.cols = 1;
        }
        if (!(idx.cellH > 0) || !std::isfinite(idx.cellH)) {
            idx.cellH = 1;
            idx.rows = 1;
        }
        uint64_t total = 0;
        for (const FaceBox& b : boxes) {
            uint64_t dx = static_cast<uint64_t>(cellOf(b.x1, idx.minX, idx.cellW, idx.cols) -
                                                cellOf(b.x0, idx.minX, idx.cellW, idx.cols) + 1);
            uint64_t dy = static_cast<uint64_t>(cellOf(b.y1, idx.minY, idx.cellH, idx.rows) -
                                                cellOf(b.y0, idx.minY, idx.cellH, idx.rows) + 1);
            total += dx * dy;
        }
        if (total <= limit || (idx.cols == 1 && idx.rows == 1)) break;
        c = std::max(1, idx.cols / 2);
        r = std::max(1, idx.rows / 2);
    }

    size_t cells = static_cast<size_t>(idx.cols) * static_cast<size_t>(idx.rows);
    idx.cellStart.assign(cells + 1, 0);
    auto forCells = [&](const FaceBox& b, auto&& fn) {
        int cx0 = cellOf(b.x0, idx.minX, idx.cellW, idx.cols), cx1 = cellOf(b.x1, idx.minX, idx.cellW, idx.cols);
        int cy0 = cellOf(b.y0, idx.minY, idx.cellH, idx.rows), cy1 = cellOf(b.y1, idx.minY, idx.cellH, idx.rows);
        for (int y = cy0; y <= cy1; ++y)
            for (int x = cx0; x <= cx1; ++x) fn(static_cast<size_t>(y) * static_cast<size_t>(idx.cols) + static_cast<size_t>(x));
    };
    for (const FaceBox& b : boxes) forCells(b, [&](size_t cell) { ++idx.cellStart[cell + 1]; });
    for (size_t i = 0; i < cells; ++i) idx.cellStart[i + 1] += idx.cellStart[i];
    idx.cellFaces.resize(idx.cellStart[cells]);
    std::vector<uint32_t> fill(idx.cellStart.begin(), idx.cellStart.end() - 1);
    for (size_t i = 0; i < nf; ++i)
        forCells(boxes[i], [&](size_t cell) { idx.cellFaces[fill[cell]++] = static_cast<uint32_t>(i); });
    idx.faceCount = nf;
}

bool faceCornersValid(const TerrainMesh& mesh, const MapFace& face) {
    for (int c : face.corners)
        if (c < 0 || static_cast<size_t>(c) >= mesh.vertices.size()) return false;
    return true;
}

bool pointInFace(const TerrainMesh& mesh, const MapFace& face, MapPoint p, float w[3]) {
    if (!faceCornersValid(mesh, face)) return false;
    const MapVertex& c0 = mesh.vertices[static_cast<size_t>(face.corners[0])];
    const MapVertex& c1 = mesh.vertices[static_cast<size_t>(face.corners[1])];
    const MapVertex& c2 = mesh.vertices[static_cast<size_t>(face.corners[2])];
    // A point outside the face's box is outside the face; rounding in the edge
    // tests below must not say otherwise (the grid index relies on it).
    if (!(p.x >= std::min({c0.x, c1.x, c2.x}) && p.x <= std::max({c0.x, c1.x, c2.x}) &&
          p.y >= std::min({c0.y, c1.y, c2.y}) && p.y <= std::max({c0.y, c1.y, c2.y})))
        return false;
    float e0 = (c2.x - c1.x) * (p.y - c1.y) - (c2.y - c1.y) * (p.x - c1.x);
    float e1 = (c0.x - c2.x) * (p.y - c2.y) - (c0.y - c2.y) * (p.x - c2.x);
    float e2 = (c1.x - c0.x) * (p.y - c0.y) - (c1.y - c0.y) * (p.x - c0.x);
    bool s0 = e0 >= 0, s1 = e1 >= 0, s2 = e2 >= 0;
    if (s1 != s0 || s2 != s0) return false;
    float s = e0 + e1 + e2;
    // A face whose corners lie on one line has no area: it contains no point.
    if (s == 0) return false;
    float w0 = e0 / s, w1 = e1 / s, w2 = e2 / s;
    if (!std::isfinite(w0) || !std::isfinite(w1) || !std::isfinite(w2)) return false;
    w[0] = w0;
    w[1] = w1;
    w[2] = w2;
    return true;
}

namespace {

float faceHeight(const TerrainMesh& mesh, const MapFace& f, const float w[3]) {
    return w[0] * mesh.vertices[static_cast<size_t>(f.corners[0])].z +
           w[1] * mesh.vertices[static_cast<size_t>(f.corners[1])].z +
           w[2] * mesh.vertices[static_cast<size_t>(f.corners[2])].z;
}

}  // namespace

float heightAtLinear(TerrainMesh& mesh, MapPoint p) {
    mesh.lastFace = -1;
    float w[3];
    for (size_t i = 0; i < mesh.faces.size(); ++i) {
        if (pointInFace(mesh, mesh.faces[i], p, w)) {
            mesh.lastFace = static_cast<int>(i);
            return faceHeight(mesh, mesh.faces[i], w);
        }
    }
    return 0;
}

float heightAt(TerrainMesh& mesh, MapPoint p) {
    const TerrainIndex& idx = mesh.index;
    if (idx.faceCount != mesh.faces.size() || idx.cols <= 0 || idx.rows <= 0 ||
        idx.cellStart.size() != static_cast<size_t>(idx.cols) * static_cast<size_t>(idx.rows) + 1)
        return heightAtLinear(mesh, p);
    mesh.lastFace = -1;
    if (!(p.x >= idx.minX && p.x <= idx.maxX && p.y >= idx.minY && p.y <= idx.maxY)) return 0;
    size_t cell = static_cast<size_t>(cellOf(p.y, idx.minY, idx.cellH, idx.rows)) * static_cast<size_t>(idx.cols) +
                  static_cast<size_t>(cellOf(p.x, idx.minX, idx.cellW, idx.cols));
    float w[3];
    for (uint32_t k = idx.cellStart[cell]; k < idx.cellStart[cell + 1]; ++k) {
        uint32_t i = idx.cellFaces[k];
        if (pointInFace(mesh, mesh.faces[i], p, w)) {
            mesh.lastFace = static_cast<int>(i);
            return faceHeight(mesh, mesh.faces[i], w);
        }
    }
    return 0;
}

void lastFaceNormal(const TerrainMesh& mesh, float& nx, float& ny, float& nz) {
    if (mesh.lastFace < 0 || static_cast<size_t>(mesh.lastFace) >= mesh.faces.size()) return;
    MapVertex n = faceNormal(mesh, mesh.faces[static_cast<size_t>(mesh.lastFace)]);
    nx = n.x;
    ny = n.y;
    nz = n.z;
}

int partyNear(const TerrainMesh& mesh, MapPoint p, float radius) {
    int best = -1;
    float bestSquare = radius * radius;
    for (size_t i = 0; i < mesh.partyPositions.size(); ++i) {
        const float dx = mesh.partyPositions[i].x - p.x;
        const float dy = mesh.partyPositions[i].y - p.y;
        const float d = dx * dx + dy * dy;
        if (d <= bestSquare && (best < 0 || d < bestSquare)) {
            best = static_cast<int>(i);
            bestSquare = d;
        }
    }
    return best;
}
