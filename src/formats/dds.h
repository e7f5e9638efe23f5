// The letter texture as a DDS file: DXT3 blocks with explicit 4-bit alpha and a
// constant white colour half, with a full mip chain whose levels' alpha is scaled
// by the mip_map percentages (clamped to 0..100).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "atlas/atlas.h"

float mipAlphaFactor(const std::vector<int>& mipMap, int level);
// Levels from W x H down to 1 x 1, halving each side (never below 1).
int ddsLevelCount(int width, int height);
// The top level's bytes: 16 per 4 x 4 block, a partial block counted whole.
uint32_t ddsLinearSize(int width, int height);
// The whole file as bytes.
std::string encodeDdsDxt3(const GlyphAtlas& atlas, const std::vector<int>& mipMap);
// Writes the file whole (beside, then renamed into place); false when it cannot be written.
bool writeDdsDxt3(const GlyphAtlas& atlas, const std::vector<int>& mipMap, const std::string& path);
