// "mapcolors.txt": a row count, then rows of terrain type, red, green, blue.
#include "terrain/terrain_colors.h"

#include <charconv>
#include <cstdio>

#include "platform/platform.h"
#include "platform/text_format.h"

int colorRow(int terrainType) {
    int r = terrainType % 256;
    return r < 0 ? r + 256 : r;
}

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

struct Tokens {
    const char* p;
    const char* end;

    // Reads one white-space separated token that must be a whole integer.
    // Returns 0 for a number, 1 at the end of the text, 2 for anything else.
    int readInt(int& v) {
        while (p < end && isSpace(*p)) ++p;
        if (p == end) return 1;
        const char* s = p;
        const char* e = s;
        while (e < end && !isSpace(*e)) ++e;
        p = e;
        if (*s == '+') {
            ++s;
            if (s < e && *s == '-') return 2;
        }
        auto r = std::from_chars(s, e, v);
        return r.ec == std::errc() && r.ptr == e ? 0 : 2;
    }

    void skipLine() {
        while (p < end && *p != '\n') ++p;
    }
};

}  // namespace

int parseTerrainColors(TerrainColorTable& table, const std::string& text) {
    ++table.version;
    Tokens t{text.data(), text.data() + text.size()};
    bool set[256] = {};
    int types = 0;
    int count = 0;
    if (t.readInt(count) != 0) return types;
    // A row that cannot be read is skipped up to the end of its line; it still
    // counts as one of the rows the file announced.
    for (int row = 0; row < count && t.p < t.end; ++row) {
        int v[4];
        int k = 0;
        int status = 0;
        for (; k < 4; ++k) {
            status = t.readInt(v[k]);
            if (status != 0) break;
        }
        if (status == 1) return types;
        if (status == 2) {
            t.skipLine();
            continue;
        }
        const int r = colorRow(v[0]);
        if (!set[r]) {
            set[r] = true;
            ++types;
        }
        TerrainRgb& rgb = table.rgb[r];
        for (int c = 0; c < 3; ++c) rgb[c] = static_cast<uint8_t>(v[1 + c] & 0xFF);
    }
    return types;
}

bool readTerrainColors(TerrainColorTable& table, const std::string& path) {
    std::string text;
    if (!readTextFile(path, text)) return false;
    parseTerrainColors(table, text);
    return true;
}

Report rereadTerrainColors(TerrainColorTable& table, const std::string& path) {
    table.rgb = terrainPalette();
    ++table.version;
    Report report;
    std::string text;
    if (!readTextFile(path, text)) {
        addMessage(report, "\"" + path + "\" cannot be read: the palette's colours are shown");
        return report;
    }
    const int types = parseTerrainColors(table, text);
    addMessage(report, "Map colours re-read from \"" + path + "\" (" + countText(types, "type", "types") + ")");
    return report;
}

namespace {

// Marks the rows of the terrain types the mesh uses; returns how many there are.
int usedRows(const TerrainMesh& mesh, bool used[256]) {
    int count = 0;
    for (const MapFace& f : mesh.faces) {
        int row = colorRow(f.terrainType);
        if (!used[row]) {
            used[row] = true;
            ++count;
        }
    }
    return count;
}

struct PaletteRow {
    int type;
    TerrainRgb rgb;
};

// The ground types of the modules' maps.
constexpr PaletteRow GROUNDS[] = {
    {0, {46, 98, 170}},    // shallow water
    {1, {132, 128, 122}},  // mountain
    {2, {176, 168, 96}},   // steppe
    {3, {104, 160, 72}},   // plain
    {4, {236, 240, 244}},  // snow
    {5, {222, 204, 146}},  // desert
    {7, {140, 110, 80}},   // bridge
    {8, {70, 130, 200}},   // river
    {9, {84, 104, 80}},    // mountain forest
    {10, {120, 136, 64}},  // steppe forest
    {11, {38, 102, 50}},   // forest
    {12, {150, 176, 160}}, // snow forest
    {13, {160, 160, 90}},  // desert forest
    {15, {28, 64, 130}},   // deep water
};

TerrainRows makePalette() {
    TerrainRows rows;
    for (int t = 0; t < 256; ++t) {
        const uint8_t grey = static_cast<uint8_t>((64 + 8 * t) % 256);
        rows[t] = {grey, grey, grey};
    }
    for (const PaletteRow& g : GROUNDS) rows[g.type] = g.rgb;
    return rows;
}

}  // namespace

const TerrainRows& terrainPalette() {
    static const TerrainRows palette = makePalette();
    return palette;
}

std::string defaultTerrainColorsText(const TerrainMesh& mesh) {
    bool used[256] = {};
    const int count = usedRows(mesh, used);
    std::string text = formatText("%d\n", count);
    for (int t = 0; t < 256; ++t) {
        if (!used[t]) continue;
        const TerrainRgb& c = terrainPalette()[t];
        appendText(text, "%d %d %d %d\n", t, c[0], c[1], c[2]);
    }
    return text;
}

bool writeDefaultTerrainColors(const TerrainMesh& mesh, const std::string& path) {
    return replaceFileWith(path, toPlatformLineEnds(defaultTerrainColorsText(mesh)));
}

ShadeRgb faceShade(const TerrainColorTable& table, const MapFace& face, float shade) {
    const TerrainRgb& rgb = table.rgb[colorRow(face.terrainType)];
    return ShadeRgb{rgb[0] * face.light / shade, rgb[1] * face.light / shade, rgb[2] * face.light / shade};
}
