// Any text as "mapcolors.txt": parseTerrainColors must end and stay in bounds.
#include <cstddef>
#include <cstdint>
#include <string>

#include "terrain/terrain_colors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    TerrainColorTable table;
    parseTerrainColors(table, text);
    // Reading twice gives the same table: a row listed again takes its last values.
    TerrainColorTable twice = table;
    parseTerrainColors(twice, text);
    for (int r = 0; r < 256; ++r)
        for (int k = 0; k < 3; ++k)
            if (twice.rgb[r][k] != table.rgb[r][k]) __builtin_trap();
    return 0;
}
