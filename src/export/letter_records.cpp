#include "export/letter_records.h"

#include <cstdio>

#include "formats/records.h"

std::string letterObjectName(const LabelLetter& letter) { return letterObjectName(letter.id); }

std::string letterObjectName(int id) {
    char name[32];
    std::snprintf(name, sizeof name, "map_str_%03d", id);
    return name;
}

BrfMesh letterMesh(std::span<const LabelLetter> letters, const GlyphAtlas& atlas) {
    BrfMesh mesh;
    mesh.name = letters.empty() ? std::string() : letterObjectName(letters.front());
    mesh.material = "map_names";
    // Positions in the game's axes: (-y, x, z).
    for (const LabelLetter& letter : letters)
        for (int i = 0; i < 4; ++i)
            mesh.positions.push_back(BrfPosition{-letter.corners[i].y, letter.corners[i].x, letter.cornerZ[i]});
    int index = 0;
    for (const LabelLetter& letter : letters) {
        const char32_t c = letter.ch;
        float uLeft = glyphU(atlas, c, 0), uRight = glyphU(atlas, c, 1);
        float vTop = glyphV(atlas, c, 0), vBottom = glyphV(atlas, c, 1);
        // Corners 0 and 1 are on the end side of the text (the cell's right edge),
        // 0 and 3 at the top of the ink box.
        const float u[4] = {uRight, uRight, uLeft, uLeft};
        const float v[4] = {vTop, vBottom, vBottom, vTop};
        const uint32_t colour = static_cast<uint32_t>(letter.alpha) << 24;
        for (int i = 0; i < 4; ++i) {
            mesh.vertices.push_back(BrfVertex{index, colour, u[i], 1.0f - v[i]});
            ++index;
        }
    }
    for (int q = 0; q < static_cast<int>(letters.size()); ++q) {
        const int b = 4 * q;
        for (int f : {b, b + 2, b + 1, b + 2, b, b + 3}) mesh.faces.push_back(f);
    }
    return mesh;
}

void writeLetterMesh(std::span<const LabelLetter> letters, const GlyphAtlas& atlas, std::string& out) {
    writeBrfMesh(letterMesh(letters, atlas), out);
}

void writeLetterMesh(const LabelLetter& letter, const GlyphAtlas& atlas, std::string& out) {
    writeLetterMesh(std::span<const LabelLetter>(&letter, 1), atlas, out);
}

void writeIconRecord(LabelLetter& letter, std::string& out, int k) {
    letter.icon = k;
    appendIconRecord(letterObjectName(letter), out);
}

void writePartyRecord(const LabelLetter& letter, int icon, std::string& out, int p) {
    writePartyRecord(letter.id, letter.anchor, letter.angle, icon, out, p);
}

void writePartyRecord(int id, MapPoint anchor, float angle, int icon, std::string& out, int p) {
    appendPartyRecord(letterObjectName(id), anchor, angle, icon, out, p);
}
