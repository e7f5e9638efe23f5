// The BRF resource writer: little-endian 32-bit integers and floats, strings as a
// 32-bit length and their bytes. Every writer appends to a byte buffer.
#pragma once

#include <cstdint>
#include <span>
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
std::string letterObjectName(int id);
// One mesh of a quad per letter, named after the first letter: 4 vertices and 2
// faces a letter, in the letters' order, each with its own texture coordinates
// and opacity. One letter gives the letter's own mesh.
void writeLetterMesh(std::span<const LabelLetter> letters, const GlyphAtlas& atlas, std::string& out);
void writeLetterMesh(const LabelLetter& letter, const GlyphAtlas& atlas, std::string& out);
