// Reading back the little-endian words, floats and strings of a BRF file in the tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>

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
