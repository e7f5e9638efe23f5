// Any bytes as "textures\map_names.dds": parseDdsDxt3 must end, stay in bounds,
// and every level it accepts must hold its texels and halve the one before.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "formats/dds_read.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    DdsTexture texture;
    std::string error;
    const bool read = parseDdsDxt3(bytes, texture, error);
    if (!read && error.empty()) std::abort();
    if (read && texture.levels.empty()) std::abort();
    for (size_t i = 0; i < texture.levels.size(); ++i) {
        const TextureLevel& l = texture.levels[i];
        if (l.rgba.size() != static_cast<size_t>(l.width) * static_cast<size_t>(l.height) * 4) std::abort();
        if (i > 0 && l.width != (texture.levels[i - 1].width / 2 > 0 ? texture.levels[i - 1].width / 2 : 1)) std::abort();
    }
    return 0;
}
