// UTF-8 text: strict decoding (no overlong forms, no surrogates, nothing above
// U+10FFFF) and encoding of single code points.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Decodes the code point starting at text[pos] and moves pos past it. False (pos
// unchanged) when the bytes there are not one well-formed UTF-8 sequence.
bool nextUtf8(std::string_view text, size_t& pos, char32_t& code);
// Every code point of text; false when any byte sequence is malformed.
bool decodeUtf8(std::string_view text, std::vector<char32_t>& out);
bool isValidUtf8(std::string_view text);
// True when text holds at least one byte of 0x80 or above.
bool hasNonAscii(std::string_view text);
void appendUtf8(std::string& out, char32_t code);
