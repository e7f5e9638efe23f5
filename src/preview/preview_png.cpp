// The picture as PNG bytes, through stb_image_write (Debian's libstb-dev; the
// Windows build finds the same header in its prefix).
#include "preview/preview.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

namespace {

void appendBytes(void* context, void* data, int size) {
    static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<size_t>(size));
}

}  // namespace

std::string encodePng(const PreviewImage& image) {
    std::string out;
    if (image.width <= 0 || image.height <= 0 ||
        image.rgb.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 3)
        return out;
    if (!stbi_write_png_to_func(appendBytes, &out, image.width, image.height, 3, image.rgb.data(), image.width * 3))
        out.clear();
    return out;
}
