#include "platform/utf8.h"

bool nextUtf8(std::string_view text, size_t& pos, char32_t& code) {
    if (pos >= text.size()) return false;
    const unsigned char lead = static_cast<unsigned char>(text[pos]);
    int extra;
    char32_t value;
    char32_t least;  // the smallest value this length may carry
    if (lead < 0x80) {
        code = lead;
        ++pos;
        return true;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        extra = 1, value = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        extra = 2, value = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3, value = lead & 0x07, least = 0x10000;
    } else {
        return false;
    }
    if (text.size() - pos <= static_cast<size_t>(extra)) return false;
    for (int i = 1; i <= extra; ++i) {
        const unsigned char b = static_cast<unsigned char>(text[pos + static_cast<size_t>(i)]);
        if ((b & 0xC0) != 0x80) return false;
        value = (value << 6) | (b & 0x3F);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
    code = value;
    pos += static_cast<size_t>(extra) + 1;
    return true;
}

bool decodeUtf8(std::string_view text, std::vector<char32_t>& out) {
    out.clear();
    for (size_t pos = 0; pos < text.size();) {
        char32_t code;
        if (!nextUtf8(text, pos, code)) return false;
        out.push_back(code);
    }
    return true;
}

bool isValidUtf8(std::string_view text) {
    for (size_t pos = 0; pos < text.size();) {
        char32_t code;
        if (!nextUtf8(text, pos, code)) return false;
    }
    return true;
}

bool hasNonAscii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return true;
    return false;
}

void appendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}
