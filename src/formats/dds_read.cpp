#include "formats/dds_read.h"

#include "formats/dds.h"
#include "platform/text_format.h"

namespace {

constexpr size_t HEADER_BYTES = 128;
constexpr uint32_t FLAG_MIPMAP_COUNT = 0x20000;
constexpr uint32_t FORMAT_FOURCC = 4;
constexpr int LARGEST_SIDE = 16384;

uint32_t wordAt(const std::string& b, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(b[at + static_cast<size_t>(i)]);
    return v;
}

// The four colours of a block's colour half (5:6:5), as RGB bytes.
void blockColours(uint32_t c0, uint32_t c1, uint8_t out[4][3]) {
    const uint32_t c[2] = {c0, c1};
    int rgb[2][3];
    for (int k = 0; k < 2; ++k) {
        rgb[k][0] = static_cast<int>((c[k] >> 11 & 31) * 255 / 31);
        rgb[k][1] = static_cast<int>((c[k] >> 5 & 63) * 255 / 63);
        rgb[k][2] = static_cast<int>((c[k] & 31) * 255 / 31);
    }
    for (int i = 0; i < 3; ++i) {
        out[0][i] = static_cast<uint8_t>(rgb[0][i]);
        out[1][i] = static_cast<uint8_t>(rgb[1][i]);
        out[2][i] = static_cast<uint8_t>((2 * rgb[0][i] + rgb[1][i]) / 3);
        out[3][i] = static_cast<uint8_t>((rgb[0][i] + 2 * rgb[1][i]) / 3);
    }
}

void decodeLevel(const std::string& bytes, size_t at, TextureLevel& level) {
    const int w = level.width, h = level.height;
    level.rgba.assign(static_cast<size_t>(w) * static_cast<size_t>(h) * 4, 0);
    for (int by = 0; by < h; by += 4)
        for (int bx = 0; bx < w; bx += 4, at += 16) {
            uint8_t colours[4][3];
            blockColours(static_cast<unsigned char>(bytes[at + 8]) | static_cast<unsigned char>(bytes[at + 9]) << 8,
                         static_cast<unsigned char>(bytes[at + 10]) | static_cast<unsigned char>(bytes[at + 11]) << 8,
                         colours);
            const uint32_t indices = wordAt(bytes, at + 12);
            for (int n = 0; n < 16; ++n) {
                const int x = bx + n % 4, y = by + n / 4;
                if (x >= w || y >= h) continue;
                const unsigned char pair = static_cast<unsigned char>(bytes[at + static_cast<size_t>(n / 2)]);
                const int alpha = (n % 2 ? pair >> 4 : pair & 15) * 17;
                uint8_t* texel = &level.rgba[(static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)) * 4];
                const uint8_t* colour = colours[indices >> (2 * n) & 3];
                texel[0] = colour[0];
                texel[1] = colour[1];
                texel[2] = colour[2];
                texel[3] = static_cast<uint8_t>(alpha);
            }
        }
}

std::string fourCcText(const std::string& bytes) {
    std::string out;
    for (size_t i = 84; i < 88; ++i) {
        const char c = bytes[i];
        out += c >= 32 && c < 127 ? c : '?';
    }
    return out;
}

}  // namespace

bool parseDdsDxt3(const std::string& bytes, DdsTexture& texture, std::string& error) {
    texture.levels.clear();
    if (bytes.size() < 4 || bytes.compare(0, 4, "DDS ") != 0) {
        error = "it is not a DDS file";
        return false;
    }
    if (bytes.size() < HEADER_BYTES) {
        error = formatText("it is cut short: %zu bytes, the header needs %zu", bytes.size(), HEADER_BYTES);
        return false;
    }
    if (!(wordAt(bytes, 80) & FORMAT_FOURCC) || bytes.compare(84, 4, "DXT3") != 0) {
        error = (wordAt(bytes, 80) & FORMAT_FOURCC) ? formatText("it is not DXT3 but \"%s\"", fourCcText(bytes).c_str())
                                                    : std::string("it is not DXT3 but uncompressed");
        return false;
    }
    const uint32_t height = wordAt(bytes, 12), width = wordAt(bytes, 16);
    if (width < 1 || height < 1 || width > LARGEST_SIDE || height > LARGEST_SIDE) {
        error = formatText("its size %u x %u is outside 1..%d", width, height, LARGEST_SIDE);
        return false;
    }
    int w = static_cast<int>(width), h = static_cast<int>(height);
    const int chain = ddsLevelCount(w, h);
    const uint32_t announced = (wordAt(bytes, 8) & FLAG_MIPMAP_COUNT) ? wordAt(bytes, 28) : 1;
    const int levels = announced < 1 ? 1 : announced > static_cast<uint32_t>(chain) ? chain : static_cast<int>(announced);
    size_t at = HEADER_BYTES;
    for (int L = 0; L < levels; ++L) {
        const size_t need = static_cast<size_t>((w + 3) / 4) * static_cast<size_t>((h + 3) / 4) * 16;
        if (bytes.size() - at < need) {
            error = formatText("it is cut short in mip level %d of %d (%dx%d): %zu bytes of %zu", L, levels, w, h,
                               bytes.size() - at, need);
            texture.levels.clear();
            return false;
        }
        TextureLevel level;
        level.width = w;
        level.height = h;
        decodeLevel(bytes, at, level);
        texture.levels.push_back(std::move(level));
        at += need;
        w = w / 2 > 0 ? w / 2 : 1;
        h = h / 2 > 0 ? h / 2 : 1;
    }
    return true;
}
