#include "preview/preview.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unordered_map>

#include "formats/records.h"
#include "platform/platform.h"
#include "platform/text_format.h"

namespace {

// --- reading ---------------------------------------------------------------

bool readFile(const std::string& path, bool binary, std::string& bytes, std::string& error) {
    if (binary ? readBinaryFile(path, bytes) : readTextFile(path, bytes)) return true;
    error = formatText("Cannot read \"%s\"", path.c_str());
    return false;
}

// --- drawing ---------------------------------------------------------------

// Where map points land in the picture.
struct Frame {
    double right = 0, top = 0;  // map x at the picture's left edge, map y at its top edge
    double scale = 1;           // pixels per map unit
    double margin = 0;
    double px(double x) const { return margin + (right - x) * scale; }
    double py(double y) const { return margin + (y - top) * scale; }
};

uint8_t toByte(float c) {
    if (!(c > 0.0f)) return 0;
    if (c >= 1.0f) return 255;
    return static_cast<uint8_t>(std::lround(c * 255.0f));
}

void blend(uint8_t* dst, float r, float g, float b, float a) {
    if (!(a > 0.0f)) return;
    if (a > 1.0f) a = 1.0f;
    dst[0] = static_cast<uint8_t>(std::lround(r * a + dst[0] * (1.0f - a)));
    dst[1] = static_cast<uint8_t>(std::lround(g * a + dst[1] * (1.0f - a)));
    dst[2] = static_cast<uint8_t>(std::lround(b * a + dst[2] * (1.0f - a)));
}

struct Point {
    double x, y;
};

double edge(Point a, Point b, Point p) { return (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x); }

// An edge owns the pixel centres that lie exactly on it when it runs this way;
// the same edge run the other way (by the neighbouring face) does not, so a
// pixel on an edge shared by two faces is drawn once.
bool ownsEdge(Point a, Point b) { return b.y > a.y || (b.y == a.y && b.x > a.x); }

// Calls shade(x, y, w) for every pixel whose centre lies in the triangle, w
// being its barycentric weights for the corners as given.
template <class Shade>
void fillTriangle(const PreviewImage& image, const Point corner[3], Shade shade) {
    int order[3] = {0, 1, 2};
    double area = edge(corner[0], corner[1], corner[2]);
    if (!(std::fabs(area) > 0.0) || !std::isfinite(area)) return;
    if (area < 0) {
        std::swap(order[1], order[2]);
        area = -area;
    }
    const Point v[3] = {corner[order[0]], corner[order[1]], corner[order[2]]};
    const double x0 = std::max(0.0, std::floor(std::min({v[0].x, v[1].x, v[2].x}) - 0.5));
    const double x1 = std::min(image.width - 1.0, std::ceil(std::max({v[0].x, v[1].x, v[2].x})));
    const double y0 = std::max(0.0, std::floor(std::min({v[0].y, v[1].y, v[2].y}) - 0.5));
    const double y1 = std::min(image.height - 1.0, std::ceil(std::max({v[0].y, v[1].y, v[2].y})));
    const bool owns[3] = {ownsEdge(v[1], v[2]), ownsEdge(v[2], v[0]), ownsEdge(v[0], v[1])};
    for (int y = static_cast<int>(y0); y <= static_cast<int>(y1); ++y)
        for (int x = static_cast<int>(x0); x <= static_cast<int>(x1); ++x) {
            const Point p{x + 0.5, y + 0.5};
            const double e[3] = {edge(v[1], v[2], p), edge(v[2], v[0], p), edge(v[0], v[1], p)};
            bool inside = true;
            for (int k = 0; k < 3 && inside; ++k) inside = e[k] > 0 || (e[k] == 0 && owns[k]);
            if (!inside) continue;
            double w[3];
            for (int k = 0; k < 3; ++k) w[order[k]] = e[k] / area;
            shade(x, y, w);
        }
}

// A one-pixel line between the pixels holding both ends, both drawn.
void drawLine(PreviewImage& image, Point a, Point b, const uint8_t rgb[3]) {
    if (!std::isfinite(a.x) || !std::isfinite(a.y) || !std::isfinite(b.x) || !std::isfinite(b.y)) return;
    const double limit = 4.0 * (image.width + image.height);  // far-off ends are clipped by the pixel test
    auto clampTo = [&](double v) { return static_cast<long long>(std::floor(std::clamp(v, -limit, limit))); };
    long long x = clampTo(a.x), y = clampTo(a.y);
    const long long xe = clampTo(b.x), ye = clampTo(b.y);
    const long long dx = std::llabs(xe - x), dy = -std::llabs(ye - y);
    const int sx = x < xe ? 1 : -1, sy = y < ye ? 1 : -1;
    long long err = dx + dy;
    for (;;) {
        if (x >= 0 && y >= 0 && x < image.width && y < image.height) {
            uint8_t* p = &image.rgb[(static_cast<size_t>(y) * static_cast<size_t>(image.width) + static_cast<size_t>(x)) * 3];
            p[0] = rgb[0], p[1] = rgb[1], p[2] = rgb[2];
        }
        if (x == xe && y == ye) break;
        const long long e2 = 2 * err;
        if (e2 >= dy) err += dy, x += sx;
        if (e2 <= dx) err += dx, y += sy;
    }
}

uint8_t* pixelAt(PreviewImage& image, int x, int y) {
    return &image.rgb[(static_cast<size_t>(y) * static_cast<size_t>(image.width) + static_cast<size_t>(x)) * 3];
}

void drawTerrainFaces(PreviewImage& image, const Frame& frame, const TerrainMesh& terrain,
                      const TerrainColorTable& colors) {
    auto cornersOf = [&](const MapFace& f, Point p[3]) {
        for (int k = 0; k < 3; ++k) {
            const int c = f.corners[k];
            if (c < 0 || static_cast<size_t>(c) >= terrain.vertices.size()) return false;
            const MapVertex& v = terrain.vertices[static_cast<size_t>(c)];
            p[k] = Point{frame.px(v.x), frame.py(v.y)};
        }
        return true;
    };
    for (const MapFace& f : terrain.faces) {
        Point p[3];
        if (!cornersOf(f, p)) continue;
        const ShadeRgb c = faceShade(colors, f, FILL_SHADE);
        const uint8_t rgb[3] = {toByte(c.r), toByte(c.g), toByte(c.b)};
        fillTriangle(image, p, [&](int x, int y, const double*) {
            uint8_t* d = pixelAt(image, x, y);
            d[0] = rgb[0], d[1] = rgb[1], d[2] = rgb[2];
        });
    }
    for (const MapFace& f : terrain.faces) {
        Point p[3];
        if (!cornersOf(f, p)) continue;
        const ShadeRgb c = faceShade(colors, f, OUTLINE_SHADE);
        const uint8_t rgb[3] = {toByte(c.r), toByte(c.g), toByte(c.b)};
        for (int k = 0; k < 3; ++k) drawLine(image, p[k], p[(k + 1) % 3], rgb);
    }
}

// The editor's party marker: a diamond 3 map units across, colour (0.6, 0.5,
// 0.4), its alpha rising from 0.05 at the centre to 0.8 at the rim.
void drawMarkers(PreviewImage& image, const Frame& frame, const std::vector<MapPoint>& parties) {
    const double r = 1.5 * frame.scale;
    for (const MapPoint& m : parties) {
        const double cx = frame.px(m.x), cy = frame.py(m.y);
        if (!std::isfinite(cx) || !std::isfinite(cy)) continue;
        const int x0 = static_cast<int>(std::max(0.0, std::floor(cx - r)));
        const int x1 = static_cast<int>(std::min(image.width - 1.0, std::ceil(cx + r)));
        const int y0 = static_cast<int>(std::max(0.0, std::floor(cy - r)));
        const int y1 = static_cast<int>(std::min(image.height - 1.0, std::ceil(cy + r)));
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                const double d = (std::fabs(x + 0.5 - cx) + std::fabs(y + 0.5 - cy)) / r;
                if (d > 1.0) continue;
                blend(pixelAt(image, x, y), 0.6f * 255, 0.5f * 255, 0.4f * 255, static_cast<float>(0.05 + 0.75 * d));
            }
    }
}

// Bilinear sample of one level at texture coordinates (u, v), v from the top;
// edges clamped.
void sample(const TextureLevel& level, double u, double v, float out[4]) {
    const double fx = u * level.width - 0.5, fy = v * level.height - 0.5;
    const double bx = std::floor(fx), by = std::floor(fy);
    const float tx = static_cast<float>(fx - bx), ty = static_cast<float>(fy - by);
    auto texel = [&](double x, double y) {
        const long long cx = static_cast<long long>(std::clamp(x, 0.0, level.width - 1.0));
        const long long cy = static_cast<long long>(std::clamp(y, 0.0, level.height - 1.0));
        return &level.rgba[(static_cast<size_t>(cy) * static_cast<size_t>(level.width) + static_cast<size_t>(cx)) * 4];
    };
    const uint8_t* a = texel(bx, by);
    const uint8_t* b = texel(bx + 1, by);
    const uint8_t* c = texel(bx, by + 1);
    const uint8_t* d = texel(bx + 1, by + 1);
    for (int k = 0; k < 4; ++k)
        out[k] = (a[k] * (1 - tx) + b[k] * tx) * (1 - ty) + (c[k] * (1 - tx) + d[k] * tx) * ty;
}

// One face of a letter mesh: corners placed in the picture, texture coordinates
// (v from the top) and vertex colours.
struct LetterFace {
    Point at[3];
    double u[3], v[3];
    float rgba[3][4];
};

void drawLetterFace(PreviewImage& image, const LetterFace& face, const DdsTexture& texture) {
    if (texture.levels.empty()) return;
    const TextureLevel& top = texture.levels[0];
    // The level whose texels best match the pixels: the face's texel area over its pixel area.
    const double pixels = std::fabs(edge(face.at[0], face.at[1], face.at[2]));
    const double texels = std::fabs((face.u[1] - face.u[0]) * (face.v[2] - face.v[0]) -
                                    (face.u[2] - face.u[0]) * (face.v[1] - face.v[0])) *
                          top.width * top.height;
    int levelIndex = 0;
    if (pixels > 0 && texels > 0) {
        const double lod = std::round(0.5 * std::log2(texels / pixels));
        levelIndex = static_cast<int>(std::clamp(lod, 0.0, static_cast<double>(texture.levels.size() - 1)));
    }
    const TextureLevel& level = texture.levels[static_cast<size_t>(levelIndex)];
    fillTriangle(image, face.at, [&](int x, int y, const double* w) {
        const double u = w[0] * face.u[0] + w[1] * face.u[1] + w[2] * face.u[2];
        const double v = w[0] * face.v[0] + w[1] * face.v[1] + w[2] * face.v[2];
        float tex[4];
        sample(level, u, v, tex);
        float vertex[4];
        for (int k = 0; k < 4; ++k)
            vertex[k] = static_cast<float>(w[0] * face.rgba[0][k] + w[1] * face.rgba[1][k] + w[2] * face.rgba[2][k]);
        blend(pixelAt(image, x, y), tex[0] * vertex[0], tex[1] * vertex[1], tex[2] * vertex[2],
              tex[3] / 255.0f * vertex[3]);
    });
}

void drawLetters(PreviewImage& image, const Frame& frame, const PreviewExport& exported, PreviewResult& result) {
    std::unordered_map<std::string, size_t> byName;
    for (size_t i = 0; i < exported.meshes.size(); ++i) byName.emplace(exported.meshes[i].name, i);
    for (const PartyRecord& party : exported.parties) {
        const auto found = party.icon >= 0 && static_cast<size_t>(party.icon) < exported.iconMeshes.size()
                               ? byName.find(exported.iconMeshes[static_cast<size_t>(party.icon)])
                               : byName.end();
        if (found == byName.end()) {
            ++result.missing;
            continue;
        }
        ++result.drawn;
        const BrfMesh& mesh = exported.meshes[found->second];
        const double c = std::cos(static_cast<double>(party.angle)), s = std::sin(static_cast<double>(party.angle));
        for (size_t f = 0; f + 2 < mesh.faces.size(); f += 3) {
            LetterFace face;
            for (int k = 0; k < 3; ++k) {
                const BrfVertex& vr = mesh.vertices[static_cast<size_t>(mesh.faces[f + static_cast<size_t>(k)])];
                const BrfPosition& p = mesh.positions[static_cast<size_t>(vr.position)];
                // The game turns the mesh by the party's rotation about the vertical
                // axis and stands it at the party's position.
                const double x = party.x + p.x * c - p.y * s, y = party.y + p.x * s + p.y * c;
                face.at[k] = Point{frame.px(x), frame.py(y)};
                face.u[k] = vr.u;
                face.v[k] = 1.0 - vr.v;
                face.rgba[k][0] = static_cast<float>(vr.colour >> 16 & 255) / 255.0f;
                face.rgba[k][1] = static_cast<float>(vr.colour >> 8 & 255) / 255.0f;
                face.rgba[k][2] = static_cast<float>(vr.colour & 255) / 255.0f;
                face.rgba[k][3] = static_cast<float>(vr.colour >> 24) / 255.0f;
            }
            drawLetterFace(image, face, exported.texture);
        }
    }
}

}  // namespace

namespace {

bool loadExport(const AppConfig& config, PreviewExport& out, std::string& error) {
    std::string orig, parties, icons, brf, dds, fault;
    const std::string origPath = modulePath(config, "parties.orig.txt");
    const std::string partiesPath = modulePath(config, "parties.txt");
    const std::string brfPath = modulePath(config, "Resource\\map_names.brf");
    const std::string ddsPath = modulePath(config, "textures\\map_names.dds");
    if (!readFile(origPath, false, orig, error) || !readFile(partiesPath, false, parties, error) ||
        !readFile(modulePath(config, "map_icons.txt"), false, icons, error) ||
        !readFile(brfPath, true, brf, error) || !readFile(ddsPath, true, dds, error))
        return false;
    // The module's own parties come first in "parties.txt"; the letters' follow.
    std::vector<PartyRecord> own;
    if (!parseParties(orig, own, fault)) {
        error = formatText("Bad parties file \"%s\": %s", origPath.c_str(), fault.c_str());
        return false;
    }
    if (!parseParties(parties, out.parties, fault)) {
        error = formatText("Bad parties file \"%s\": %s", partiesPath.c_str(), fault.c_str());
        return false;
    }
    out.parties.erase(out.parties.begin(), out.parties.begin() + static_cast<long>(std::min(own.size(), out.parties.size())));
    out.iconMeshes = parseIconMeshes(icons);
    if (!parseBrf(brf, out.meshes, fault)) {
        error = formatText("Bad BRF file \"%s\": %s", brfPath.c_str(), fault.c_str());
        return false;
    }
    if (!parseDdsDxt3(dds, out.texture, fault)) {
        error = formatText("Bad DDS file \"%s\": %s", ddsPath.c_str(), fault.c_str());
        return false;
    }
    return true;
}

}  // namespace

Report loadPreviewExport(const AppConfig& config, PreviewExport& out) {
    std::string error;
    if (!loadExport(config, out, error)) return failure(error);
    return Report{};
}

bool renderPreview(const TerrainMesh& terrain, const TerrainColorTable& colors, const PreviewExport& exported,
                   int size, PreviewImage& image, PreviewResult& result) {
    result = PreviewResult{};
    size = std::clamp(size, PREVIEW_SIZE_MIN, PREVIEW_SIZE_MAX);
    // The x/y box of the map; an empty or flat one keeps a unit extent.
    const double wide = std::max(0.0, static_cast<double>(terrain.boxMax.x) - terrain.boxMin.x);
    const double high = std::max(0.0, static_cast<double>(terrain.boxMax.y) - terrain.boxMin.y);
    const double longer = std::max(wide, high) > 0 ? std::max(wide, high) : 1.0;
    Frame frame;
    frame.scale = size / longer;
    frame.margin = std::round(0.02 * size);
    frame.right = terrain.boxMin.x <= terrain.boxMax.x ? terrain.boxMax.x : 0;
    frame.top = terrain.boxMin.y <= terrain.boxMax.y ? terrain.boxMin.y : 0;
    image.width = static_cast<int>(std::lround(wide * frame.scale + 2 * frame.margin));
    image.height = static_cast<int>(std::lround(high * frame.scale + 2 * frame.margin));
    const size_t bytes = static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 3;
    if (bytes > image.rgb.max_size()) return false;
    image.rgb.assign(bytes, 128);  // the editor's grey background
    drawTerrainFaces(image, frame, terrain, colors);
    drawMarkers(image, frame, terrain.partyPositions);
    drawLetters(image, frame, exported, result);
    return true;
}
