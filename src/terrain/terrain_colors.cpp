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

void parseTerrainColors(TerrainColorTable& table, const std::string& text) {
    ++table.version;
    Tokens t{text.data(), text.data() + text.size()};
    int count = 0;
    if (t.readInt(count) != 0) return;
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
        if (status == 1) return;
        if (status == 2) {
            t.skipLine();
            continue;
        }
        uint8_t* rgb = table.rgb[colorRow(v[0])];
        for (int c = 0; c < 3; ++c) rgb[c] = static_cast<uint8_t>(v[1 + c] & 0xFF);
    }
}

bool readTerrainColors(TerrainColorTable& table, const std::string& path) {
    std::string text;
    if (!readTextFile(path, text)) return false;
    parseTerrainColors(table, text);
    return true;
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

int defaultGrey(int row) { return (64 + 8 * row) % 256; }

}  // namespace

bool writeDefaultTerrainColors(const TerrainMesh& mesh, const std::string& path) {
    bool used[256] = {};
    const int count = usedRows(mesh, used);
    std::string text = formatText("%d\n", count);
    for (int t = 0; t < 256; ++t) {
        if (!used[t]) continue;
        int g = defaultGrey(t);
        appendText(text, "%d %d %d %d\n", t, g, g, g);
    }
    return replaceFileWith(path, toPlatformLineEnds(text));
}

void setDefaultTerrainColors(TerrainColorTable& table, const TerrainMesh& mesh) {
    bool used[256] = {};
    usedRows(mesh, used);
    for (int t = 0; t < 256; ++t)
        if (used[t]) table.rgb[t][0] = table.rgb[t][1] = table.rgb[t][2] = static_cast<uint8_t>(defaultGrey(t));
    ++table.version;
}

ShadeRgb faceShade(const TerrainColorTable& table, const MapFace& face, float shade) {
    const uint8_t* rgb = table.rgb[colorRow(face.terrainType)];
    return ShadeRgb{rgb[0] * face.light / shade, rgb[1] * face.light / shade, rgb[2] * face.light / shade};
}
