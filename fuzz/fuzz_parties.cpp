// Any text as the module's "parties.orig.txt": parsePartyPositions must end, stay
// in bounds, keep no hidden party and never list more parties than the text has lines.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "formats/records.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<MapPoint> positions;
    parsePartyPositions(positions, text);
    size_t lines = 1;
    for (char c : text) lines += c == '\n';
    if (positions.size() > lines) std::abort();
    for (const MapPoint& p : positions)
        if ((p.x == 0.0f && p.y == 0.0f) || (p.x == 1.0f && p.y == 1.0f)) std::abort();
    return 0;
}
