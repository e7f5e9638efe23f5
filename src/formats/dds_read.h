// Reading a DDS texture in the DXT3 block format, as the export writes it: every
// mip level the header announces (at most the halving chain down to 1 x 1),
// decoded to RGBA bytes. Colour halves are decoded as DXT3 does (always the
// four-colour mode), alpha from the explicit 4-bit values (n * 17).
//
// parseDdsDxt3 never reads past its bytes; a file that is not DDS, not DXT3, of a
// size outside 1..16384 or cut short is refused with one sentence in error.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TextureLevel {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;  // width*height*4 bytes, row 0 at the top
};

struct DdsTexture {
    std::vector<TextureLevel> levels;  // level 0 first
};

bool parseDdsDxt3(const std::string& bytes, DdsTexture& texture, std::string& error);
