// Any text as "Veltrune.cfg": parseConfig must end, stay in bounds and keep its limits.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "config/config.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    AppConfig config;
    parseConfig(config, text, "Veltrune.cfg");
    // Text values and the mip list stay within their buffers whatever the file says.
    if (config.module_path.size() > CONFIG_TEXT_MAX || config.font.size() > CONFIG_TEXT_MAX ||
        config.charset.size() > CONFIG_TEXT_MAX || config.mip_map.size() > MIP_MAP_MAX)
        std::abort();
    return 0;
}
