// Any bytes as "Resource\map_names.brf": parseBrf must end, stay in bounds, and
// every mesh it accepts must name only its own positions and vertex records.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "formats/brf_read.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::vector<BrfMesh> meshes;
    std::string error;
    const bool read = parseBrf(bytes, meshes, error);
    if (!read && error.empty()) std::abort();
    for (const BrfMesh& m : meshes) {
        for (const BrfVertex& v : m.vertices)
            if (v.position < 0 || static_cast<size_t>(v.position) >= m.positions.size()) std::abort();
        for (int f : m.faces)
            if (f < 0 || static_cast<size_t>(f) >= m.vertices.size()) std::abort();
    }
    return 0;
}
