// Deterministic module file generators; see mapgen.h.
#include "mapgen.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <vector>

uint64_t nextRandom(MapRandom& r) {
    uint64_t z = (r.state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double randomUnit(MapRandom& r) { return static_cast<double>(nextRandom(r) >> 11) * (1.0 / 9007199254740992.0); }

namespace {

double randomRange(MapRandom& r, double lo, double hi) { return lo + (hi - lo) * randomUnit(r); }

struct Hill {
    double u, v, radius, amplitude;
};

std::vector<Hill> makeHills(const MapGenParams& params) {
    MapRandom rnd{params.seed * 0x2545F4914F6CDD1Dull + 17};
    std::vector<Hill> hills;
    for (int k = 0; k < std::max(0, params.hills); ++k) {
        Hill h;
        double spread = params.island ? 0.55 : 0.9;
        h.u = randomRange(rnd, -spread, spread);
        h.v = randomRange(rnd, -spread, spread);
        h.radius = randomRange(rnd, 0.12, 0.32);
        h.amplitude = randomRange(rnd, 0.25, 0.6);
        hills.push_back(h);
    }
    return hills;
}

double elevation(const MapGenParams& params, const std::vector<Hill>& hills, double x, double y) {
    double cx = (static_cast<double>(params.box.minX) + params.box.maxX) / 2;
    double cy = (static_cast<double>(params.box.minY) + params.box.maxY) / 2;
    double hw = std::max(1e-9, (static_cast<double>(params.box.maxX) - params.box.minX) / 2);
    double hh = std::max(1e-9, (static_cast<double>(params.box.maxY) - params.box.minY) / 2);
    double u = (x - cx) / hw, v = (y - cy) / hh;
    double r2 = u * u + v * v;
    double base = params.island ? 0.35 * (1 - 1.7 * r2) : 0.15;
    double bumps = 0;
    for (const Hill& h : hills) {
        double du = u - h.u, dv = v - h.v;
        bumps += h.amplitude * std::exp(-(du * du + dv * dv) / (h.radius * h.radius));
    }
    if (params.island) bumps *= std::clamp(1.2 - std::sqrt(r2), 0.0, 1.0);
    // Soft ceiling so the peaks stay near maxHeight.
    double e = base + bumps;
    if (e > 0) e = std::tanh(e * 1.3);
    return params.maxHeight * e;
}

int terrainOf(double e, float maxHeight) {
    double t = e / std::max(1e-6f, maxHeight);
    if (t < 0) return TERRAIN_WATER;
    if (t < 0.06) return TERRAIN_SAND;
    if (t < 0.35) return TERRAIN_GRASS;
    if (t < 0.65) return TERRAIN_FOREST;
    return TERRAIN_ROCK;
}

// The types of real maps at height e and the box position (u, v), each -1 to 1:
// a river winding from south to north with a bridge every 0.35 units, snow in the
// north, steppe in the east and desert in the south, forests of each zone on the slopes.
int realTerrainOf(double e, float maxHeight, double u, double v) {
    const double t = e / std::max(1e-6f, maxHeight);
    if (t < 0) return TERRAIN_WATER;
    if (t < 0.5 && std::fabs(u - 0.1 - 0.25 * std::sin(3 * v)) < 0.015)
        return std::fmod(v + 1, 0.35) < 0.03 ? TERRAIN_BRIDGE : TERRAIN_RIVER;
    const bool cold = v > 0.45, hot = v < -0.45, dry = u > 0.3;
    if (t >= 0.65) return cold ? TERRAIN_SNOW : TERRAIN_ROCK;
    if (t >= 0.5) return cold ? TERRAIN_SNOW_FOREST : TERRAIN_MOUNTAIN_FOREST;
    if (t >= 0.35) return cold ? TERRAIN_SNOW_FOREST : dry || hot ? TERRAIN_STEPPE_FOREST : TERRAIN_FOREST;
    if (t < 0.06 || hot) return TERRAIN_SAND;
    return cold ? TERRAIN_SNOW : dry ? TERRAIN_STEPPE : TERRAIN_GRASS;
}

void appendf(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
void appendf(std::string& out, const char* format, ...) {
    char buf[512];
    va_list ap;
    va_start(ap, format);
    int n = std::vsnprintf(buf, sizeof buf, format, ap);
    va_end(ap);
    if (n > 0) out.append(buf, static_cast<size_t>(std::min(n, static_cast<int>(sizeof buf) - 1)));
}

}  // namespace

float generatedElevation(const MapGenParams& params, float x, float y) {
    return static_cast<float>(elevation(params, makeHills(params), x, y));
}

std::string generateMapText(const MapGenParams& params) {
    int gx = std::max(1, params.gridX), gy = std::max(1, params.gridY);
    std::vector<Hill> hills = makeHills(params);
    std::vector<double> elev(static_cast<size_t>(gx + 1) * static_cast<size_t>(gy + 1));
    std::string out;
    out.reserve(elev.size() * 30 + static_cast<size_t>(gx) * gy * 40);
    appendf(out, "%d\n", static_cast<int>(elev.size()));
    // Grid line k of n at its place from -1 to 1 across the box: evenly spaced, or
    // spread as sinh, whose slope at the edges is centreDetail times that in the middle.
    const double spread = params.centreDetail > 1 ? std::acosh(static_cast<double>(params.centreDetail)) : 0;
    const auto across = [spread](double k, int n) {
        const double s = 2.0 * k / n - 1;
        return spread > 0 ? std::sinh(spread * s) / std::sinh(spread) : s;
    };
    const auto place = [&](float lo, float hi, double k, int n) {
        if (spread == 0) return lo + (static_cast<double>(hi) - lo) * k / n;
        return (static_cast<double>(lo) + hi) / 2 + (static_cast<double>(hi) - lo) / 2 * across(k, n);
    };
    for (int j = 0; j <= gy; ++j) {
        for (int i = 0; i <= gx; ++i) {
            double x = place(params.box.minX, params.box.maxX, i, gx);
            double y = place(params.box.minY, params.box.maxY, j, gy);
            double e = elevation(params, hills, x, y);
            elev[static_cast<size_t>(j) * (gx + 1) + i] = e;
            appendf(out, "%.4f %.4f %.4f\n", x, y, std::max(0.0, e));
        }
    }
    appendf(out, "%d\n", 2 * gx * gy);
    int face = 0;
    for (int j = 0; j < gy; ++j) {
        for (int i = 0; i < gx; ++i) {
            int a = j * (gx + 1) + i, b = a + 1, d = a + gx + 1, c = d + 1;
            int tris[2][3];
            if ((i + j) % 2 == 0) {
                int t[2][3] = {{a, b, c}, {a, c, d}};
                std::copy(&t[0][0], &t[0][0] + 6, &tris[0][0]);
            } else {
                int t[2][3] = {{a, b, d}, {b, c, d}};
                std::copy(&t[0][0], &t[0][0] + 6, &tris[0][0]);
            }
            const double u = across(i + 0.5, gx), v = across(j + 0.5, gy);
            for (auto& t : tris) {
                double mean = (elev[static_cast<size_t>(t[0])] + elev[static_cast<size_t>(t[1])] +
                               elev[static_cast<size_t>(t[2])]) / 3;
                const int type = params.realTerrain ? realTerrainOf(mean, params.maxHeight, u, v)
                                                    : terrainOf(mean, params.maxHeight);
                // The two middle numbers are not read by the editor; they vary here on purpose.
                appendf(out, "%d %d %d %d %d %d\n", type, face % 7, 3, t[0], t[1], t[2]);
                ++face;
            }
        }
    }
    return out;
}

std::string generatePartiesOrig(uint64_t seed, int count, const MapBox& box) {
    MapRandom rnd{seed * 0x9E3779B97F4A7C15ull + 3};
    count = std::max(0, count);
    std::string out = "partiesfile version 1\n";
    appendf(out, "%d %d\n", count, count);
    double cx = (static_cast<double>(box.minX) + box.maxX) / 2, cy = (static_cast<double>(box.minY) + box.maxY) / 2;
    double hw = (static_cast<double>(box.maxX) - box.minX) / 2, hh = (static_cast<double>(box.maxY) - box.minY) / 2;
    for (int p = 0; p < count; ++p) {
        double x = 0, y = 0;
        char name[64], title[64];
        if (p == 0) {
            std::snprintf(name, sizeof name, "p_main_party");
            std::snprintf(title, sizeof title, "Player");
        } else {
            x = cx + randomRange(rnd, -0.7, 0.7) * hw;
            y = cy + randomRange(rnd, -0.7, 0.7) * hh;
            std::snprintf(name, sizeof name, "p_town_%d", p);
            std::snprintf(title, sizeof title, "Town_%d", p);
        }
        unsigned flags = static_cast<unsigned>(nextRandom(rnd) % 16) | 0x200u;
        appendf(out, " 1 %d %d %s %s %u 0 0 3 0 0 0 0 0 %10.6f %10.6f %10.6f %10.6f %10.6f %10.6f 0.0 0 \n", p, p,
                name, title, flags, x, y, x, y, x, y);
        appendf(out, "%f\n", randomRange(rnd, 0, 6.2831853));
    }
    return out;
}

std::string generateMapIconsOrig(int count) {
    count = std::max(0, count);
    std::string out = "map_icons_file version 1\n";
    appendf(out, "%d\n", count);
    for (int k = 0; k < count; ++k) appendf(out, "icon_%d %d icon_mesh_%d %f 0 0 0 0 0\n\n\n", k, k % 2, k, 0.15 + 0.05 * k);
    return out;
}

std::string generateLabelStore(uint64_t seed, int labelCount, int lettersPerLabel, const MapBox& box) {
    static const char letters[] = "abcdefghijklmnopqrstuvxyzABCDEFGHIJKLMNOPQRSTUVXYZ-";
    const int nLetters = static_cast<int>(sizeof letters) - 1;
    MapRandom rnd{seed * 0xD1B54A32D192ED03ull + 5};
    labelCount = std::max(0, labelCount);
    lettersPerLabel = std::max(0, lettersPerLabel);
    std::string out = "v1\n";
    appendf(out, "%d\n", labelCount);
    for (int l = 0; l < labelCount; ++l) {
        for (int k = 0; k < lettersPerLabel; ++k) {
            bool space = k > 0 && k + 1 < lettersPerLabel && nextRandom(rnd) % 6 == 0;
            char ch = space ? '_' : letters[nextRandom(rnd) % nLetters];
            appendf(out, "%c ", ch);
        }
        out += "| ";
        double size = randomRange(rnd, 1.0, 4.0);
        double len = std::max(1, lettersPerLabel) * size * 1.2;
        double angle = randomRange(rnd, -0.8, 0.8);
        double dx = std::cos(angle) * len, dy = std::sin(angle) * len;
        double x0 = randomRange(rnd, box.minX, std::max<double>(box.minX, box.maxX - dx));
        double ylo = std::min<double>(box.maxY, box.minY + std::max(0.0, -dy));
        double yhi = std::max<double>(ylo, box.maxY - std::max(0.0, dy));
        double y0 = randomRange(rnd, ylo, yhi);
        float nodes[4][2] = {{static_cast<float>(x0), static_cast<float>(y0)},
                             {0.33f, static_cast<float>(randomRange(rnd, -0.2, 0.2))},
                             {0.66f, static_cast<float>(randomRange(rnd, -0.2, 0.2))},
                             {static_cast<float>(x0 + dx), static_cast<float>(y0 + dy)}};
        for (auto& n : nodes) appendf(out, " %f %f ", static_cast<double>(n[0]), static_cast<double>(n[1]));
        int visibility = 35 + static_cast<int>(nextRandom(rnd) % 66);
        int italic = static_cast<int>(nextRandom(rnd) % 2);
        appendf(out, " %f %d %d %d %d\n", static_cast<double>(static_cast<float>(size)), visibility, 100, italic, 0);
    }
    return out;
}
