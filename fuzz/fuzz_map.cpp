// Any text as the module's "map.txt": parseTerrainMesh must end, stay in bounds and
// leave only valid corners; the indexed height query must agree with the plain scan.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "terrain/terrain.h"

namespace {

bool sameFloat(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0 || a == b; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TerrainMesh mesh;
    std::string error;
    if (!parseTerrainMesh(mesh, reinterpret_cast<const char*>(data), size, error)) return 0;

    const int nv = static_cast<int>(mesh.vertices.size());
    for (const MapFace& face : mesh.faces)
        for (int c : face.corners)
            if (c < 0 || c >= nv) std::abort();

    // Query points: every vertex, the face centres and a few points around the box.
    auto check = [&mesh](MapPoint p) {
        const float fast = heightAt(mesh, p);
        const int fastFace = mesh.lastFace;
        const float slow = heightAtLinear(mesh, p);
        if (!sameFloat(fast, slow) || fastFace != mesh.lastFace) std::abort();
    };
    size_t queries = 0;
    for (const MapVertex& v : mesh.vertices) {
        if (++queries > 64) break;
        check(MapPoint{v.x, v.y});
    }
    queries = 0;
    for (const MapFace& face : mesh.faces) {
        if (++queries > 64) break;
        const MapVertex& a = mesh.vertices[face.corners[0]];
        const MapVertex& b = mesh.vertices[face.corners[1]];
        const MapVertex& c = mesh.vertices[face.corners[2]];
        check(MapPoint{(a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3});
        check(MapPoint{(a.x + b.x) / 2, (a.y + b.y) / 2});
    }
    const MapVertex lo = mesh.boxMin, hi = mesh.boxMax;
    for (int i = 0; i <= 4; ++i)
        for (int j = 0; j <= 4; ++j)
            check(MapPoint{lo.x + (hi.x - lo.x) * (i / 4.0f) - 0.5f + i * 0.25f,
                           lo.y + (hi.y - lo.y) * (j / 4.0f) - 0.5f + j * 0.25f});
    return 0;
}
