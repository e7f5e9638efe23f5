#include "formats/brf.h"

#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace {

std::string buildMaterialBlock() {
    std::string b;
    writeBrfString(b, "texture");
    writeBrfInt(b, 1);
    writeBrfString(b, "map_names.dds");
    writeBrfInt(b, 0x000AA000);
    writeBrfString(b, "material");
    writeBrfInt(b, 1);
    writeBrfString(b, "map_names");
    writeBrfInt(b, 0x00000148);
    writeBrfString(b, "tex_mul_color_alpha");
    writeBrfString(b, "map_names");
    for (int i = 0; i < 4; ++i) writeBrfString(b, "none");
    for (int i = 0; i < 4; ++i) writeBrfInt(b, 0);
    return b;
}

}  // namespace

void writeBrfString(std::string& out, const std::string& text) {
    appendU32LE(out, static_cast<uint32_t>(text.size()));
    out += text;
}

void writeBrfInt(std::string& out, int32_t value) { appendU32LE(out, static_cast<uint32_t>(value)); }

void writeBrfFloat(std::string& out, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    appendU32LE(out, bits);
}

const std::string& materialBlock() {
    static const std::string block = buildMaterialBlock();
    return block;
}

std::string letterObjectName(const LabelLetter& letter) { return letterObjectName(letter.id); }

std::string letterObjectName(int id) {
    char name[32];
    std::snprintf(name, sizeof name, "map_str_%03d", id);
    return name;
}

void writeLetterMesh(std::span<const LabelLetter> letters, const GlyphAtlas& atlas, std::string& out) {
    const int32_t count = static_cast<int32_t>(letters.size());
    writeBrfString(out, letters.empty() ? std::string() : letterObjectName(letters.front()));
    writeBrfInt(out, 0);
    writeBrfString(out, "map_names");
    writeBrfInt(out, 4 * count);
    // Positions in the game's axes: (-y, x, z).
    for (const LabelLetter& letter : letters)
        for (int i = 0; i < 4; ++i) {
            writeBrfFloat(out, -letter.corners[i].y);
            writeBrfFloat(out, letter.corners[i].x);
            writeBrfFloat(out, letter.cornerZ[i]);
        }
    writeBrfInt(out, 0);
    writeBrfInt(out, 0);
    writeBrfInt(out, 4 * count);

    int32_t index = 0;
    for (const LabelLetter& letter : letters) {
        const char32_t c = letter.ch;
        float uLeft = glyphU(atlas, c, 0), uRight = glyphU(atlas, c, 1);
        float vTop = glyphV(atlas, c, 0), vBottom = glyphV(atlas, c, 1);
        // Corners 0 and 1 are on the end side of the text (the cell's right edge),
        // 0 and 3 at the top of the ink box.
        const float u[4] = {uRight, uRight, uLeft, uLeft};
        const float v[4] = {vTop, vBottom, vBottom, vTop};
        uint32_t colour = static_cast<uint32_t>(letter.alpha) << 24;
        for (int i = 0; i < 4; ++i) {
            writeBrfInt(out, index++);
            appendU32LE(out, colour);
            writeBrfFloat(out, 0.0f);
            writeBrfFloat(out, 0.0f);
            writeBrfFloat(out, 1.0f);
            for (int pair = 0; pair < 2; ++pair) {
                writeBrfFloat(out, u[i]);
                writeBrfFloat(out, 1.0f - v[i]);
            }
        }
    }
    writeBrfInt(out, 2 * count);
    for (int32_t q = 0; q < count; ++q) {
        const int32_t b = 4 * q;
        const int32_t faces[6] = {b, b + 2, b + 1, b + 2, b, b + 3};
        for (int32_t f : faces) writeBrfInt(out, f);
    }
}

void writeLetterMesh(const LabelLetter& letter, const GlyphAtlas& atlas, std::string& out) {
    writeLetterMesh(std::span<const LabelLetter>(&letter, 1), atlas, out);
}
