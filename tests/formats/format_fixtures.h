// The module's formats in the tests: reading back the little-endian words,
// floats and strings of a BRF file; a BRF resource with one mesh of quads, and a
// texture of one alpha everywhere.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "formats/brf.h"
#include "formats/dds.h"
#include "formats/dds_read.h"

inline uint32_t wordAt(const std::string& b, size_t off) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(b[off + i]);
    return v;
}

inline float floatAt(const std::string& b, size_t off) {
    const uint32_t w = wordAt(b, off);
    float f;
    std::memcpy(&f, &w, sizeof f);
    return f;
}

// Checks a string field (length word, then bytes) at off and returns the offset after it.
inline size_t expectString(const std::string& b, size_t off, const std::string& text) {
    EXPECT_EQ(wordAt(b, off), text.size()) << "length of \"" << text << "\" at " << off;
    EXPECT_EQ(b.substr(off + 4, text.size()), text) << "at " << off;
    return off + 4 + text.size();
}

inline std::string bytes(std::initializer_list<int> list) {
    std::string s;
    for (int v : list) s.push_back(static_cast<char>(v));
    return s;
}

// A mesh of `letters` quads side by side, as one party may carry a group of letters.
inline std::string brfWithQuads(int letters) {
    std::string b = materialBlock();
    writeBrfString(b, "mesh");
    writeBrfInt(b, 1);
    writeBrfString(b, "map_str_007");
    writeBrfInt(b, 0);
    writeBrfString(b, "map_names");
    writeBrfInt(b, 4 * letters);
    for (int i = 0; i < 4 * letters; ++i)
        for (float f : {-1.0f + (i % 4 < 2), 2.0f * (i / 4) + (i % 4 == 1 || i % 4 == 2), 0.5f}) writeBrfFloat(b, f);
    writeBrfInt(b, 0);
    writeBrfInt(b, 0);
    writeBrfInt(b, 4 * letters);
    for (int i = 0; i < 4 * letters; ++i) {
        writeBrfInt(b, i);
        writeBrfInt(b, static_cast<int32_t>(0xFF000000u));
        for (float f : {0.0f, 0.0f, 1.0f, 0.25f, 0.75f, 0.25f, 0.75f}) writeBrfFloat(b, f);
    }
    writeBrfInt(b, 2 * letters);
    for (int k = 0; k < letters; ++k)
        for (int i : {0, 2, 1, 2, 0, 3}) writeBrfInt(b, 4 * k + i);
    writeBrfString(b, "end");
    return b;
}

// A texture of the given alpha everywhere, through the export's own DDS writer.
inline DdsTexture solidTexture(uint8_t alpha) {
    std::vector<uint8_t> rgba(8 * 8 * 4, 255);
    for (size_t i = 3; i < rgba.size(); i += 4) rgba[i] = alpha;
    DdsTexture texture;
    std::string error;
    EXPECT_TRUE(parseDdsDxt3(encodeDdsDxt3({8, 8, rgba}, {}), texture, error)) << error;
    return texture;
}
