// The BRF resource writer: little-endian 32-bit integers and floats, strings as a
// 32-bit length and their bytes. Every writer appends to a byte buffer.
#pragma once

#include <cstdint>
#include <string>

#include "atlas/atlas.h"
#include "labels/label.h"

void writeBrfString(std::string& out, const std::string& text);
void writeBrfInt(std::string& out, int32_t value);
void writeBrfFloat(std::string& out, float value);
// The fixed 153-byte texture and material block.
const std::string& materialBlock();
// "map_str_%03d" of the letter's id.
std::string letterObjectName(const LabelLetter& letter);
void writeLetterMesh(const LabelLetter& letter, const GlyphAtlas& atlas, std::string& out);
