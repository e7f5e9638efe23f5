// The letter texture as a DDS file: DXT3 blocks with explicit 4-bit alpha and a
// constant white colour half, with a full mip chain whose levels' alpha is scaled
// by the mip_map percentages (clamped to 0..100).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The texels a texture file is made from: width x height texels of four bytes
// (R G B A), rows from the top. Only the alpha is written.
struct RgbaTexels {
    int width = 0;
    int height = 0;
    const std::vector<uint8_t>& rgba;
};

float mipAlphaFactor(const std::vector<int>& mipMap, int level);
// Levels from W x H down to 1 x 1, halving each side (never below 1).
int ddsLevelCount(int width, int height);
// The top level's bytes: 16 per 4 x 4 block, a partial block counted whole.
uint32_t ddsLinearSize(int width, int height);
// The whole file as bytes.
std::string encodeDdsDxt3(const RgbaTexels& texels, const std::vector<int>& mipMap);
// Writes the file whole (beside, then renamed into place); false when it cannot be
// written or there are no texels.
bool writeDdsDxt3(const RgbaTexels& texels, const std::vector<int>& mipMap, const std::string& path);
