#include "formats/dds.h"

#include <cmath>
#include <cstdint>

#include "platform/platform.h"

namespace {

void putHeader(std::string& out, int width, int height, int levels) {
    out.append("DDS ", 4);
    appendU32LE(out, 124);
    appendU32LE(out, 0x000A1007);  // caps, height, width, pixel format, mipmap count, linear size
    appendU32LE(out, static_cast<uint32_t>(height));
    appendU32LE(out, static_cast<uint32_t>(width));
    appendU32LE(out, ddsLinearSize(width, height));
    appendU32LE(out, 0);  // depth
    appendU32LE(out, static_cast<uint32_t>(levels));
    for (int i = 0; i < 11; ++i) appendU32LE(out, 0);
    appendU32LE(out, 32);  // pixel format size
    appendU32LE(out, 4);   // FourCC
    out.append("DXT3", 4);
    for (int i = 0; i < 5; ++i) appendU32LE(out, 0);  // bit count and masks
    appendU32LE(out, 0x00401008);                      // complex, texture, mipmap
    for (int i = 0; i < 4; ++i) appendU32LE(out, 0);
}

// The alpha plane: W x H bytes with row stride W at every level. A read that falls
// outside it (block windows or 2x2 boxes past the last row) gives 0.
struct Plane {
    std::vector<uint8_t> bytes;
    size_t at(size_t i) const { return i < bytes.size() ? bytes[i] : 0; }
};

bool usable(const RgbaTexels& texels) {
    return texels.width > 0 && texels.height > 0 &&
           texels.rgba.size() >= static_cast<size_t>(texels.width) * static_cast<size_t>(texels.height) * 4;
}

}  // namespace

float mipAlphaFactor(const std::vector<int>& mipMap, int level) {
    if (level < 0 || level >= static_cast<int>(mipMap.size())) return 1.0f;
    int percent = mipMap[static_cast<size_t>(level)];
    if (percent < 0) percent = 0;
    if (percent > 100) percent = 100;
    return static_cast<float>(percent / 100.0);
}

// The halving chain from the larger side down to 1: floor(log2(max(W, H))) + 1
// levels, the most a DDS reader accepts.
int ddsLevelCount(int width, int height) {
    int levels = 1;
    for (int side = width > height ? width : height; side > 1; side /= 2) ++levels;
    return levels;
}

uint32_t ddsLinearSize(int width, int height) {
    const uint32_t across = width > 4 ? (static_cast<uint32_t>(width) + 3) / 4 : 1;
    const uint32_t down = height > 4 ? (static_cast<uint32_t>(height) + 3) / 4 : 1;
    return across * down * 16;
}

std::string encodeDdsDxt3(const RgbaTexels& texels, const std::vector<int>& mipMap) {
    const int W = texels.width > 0 ? texels.width : 0;
    const int H = texels.height > 0 ? texels.height : 0;
    const int levels = ddsLevelCount(W, H);
    std::string out;
    putHeader(out, W, H, levels);
    if (!usable(texels)) return out;

    const size_t stride = static_cast<size_t>(W);
    Plane plane;
    plane.bytes.resize(stride * static_cast<size_t>(H));
    for (size_t i = 0; i < plane.bytes.size(); ++i) plane.bytes[i] = texels.rgba[i * 4 + 3];

    size_t blocks = 0;
    for (int L = 0, w = W, h = H; L < levels; ++L) {
        blocks += static_cast<size_t>((w + 3) / 4) * static_cast<size_t>((h + 3) / 4);
        w = w / 2 > 0 ? w / 2 : 1;
        h = h / 2 > 0 ? h / 2 : 1;
    }
    out.reserve(out.size() + blocks * 16);

    int w = W;
    int h = H;
    for (int L = 0; L < levels; ++L) {
        const float f = mipAlphaFactor(mipMap, L);
        for (int by = 0; by < h; by += 4) {
            for (int bx = 0; bx < w; bx += 4) {
                char block[16] = {};
                for (int r = 0; r < 4; ++r) {
                    for (int c = 0; c < 4; ++c) {
                        const int n = 4 * r + c;
                        const size_t index = static_cast<size_t>(by + r) * stride + static_cast<size_t>(bx + c);
                        const float a = static_cast<float>(plane.at(index));
                        const int nibble = static_cast<int>(std::trunc(a * f)) >> 4;
                        block[n / 2] = static_cast<char>(block[n / 2] | (n % 2 ? nibble << 4 : nibble));
                    }
                }
                block[8] = static_cast<char>(0xFF);
                block[9] = static_cast<char>(0xFF);
                out.append(block, 16);
            }
        }
        w = w / 2 > 0 ? w / 2 : 1;
        h = h / 2 > 0 ? h / 2 : 1;
        if (L + 1 == levels) break;
        // In place: each output texel is written after the four it is made of, and
        // no later output reads a texel already overwritten.
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const size_t top = static_cast<size_t>(2 * y) * stride + static_cast<size_t>(2 * x);
                const size_t bottom = top + stride;
                const unsigned sum = plane.at(top) + plane.at(top + 1) + plane.at(bottom) + plane.at(bottom + 1);
                const size_t dst = static_cast<size_t>(y) * stride + static_cast<size_t>(x);
                if (dst < plane.bytes.size()) plane.bytes[dst] = static_cast<uint8_t>((sum + 2) >> 2);
            }
        }
    }
    return out;
}

bool writeDdsDxt3(const RgbaTexels& texels, const std::vector<int>& mipMap, const std::string& path) {
    if (!usable(texels)) return false;
    return replaceFileWith(path, encodeDdsDxt3(texels, mipMap));
}
