// Letter quads on the terrain for the export, and the search for letters that
// can share one exported mesh.
#include "labels/letter_geometry.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr float ITALIC_SHEAR = 0.29f;
constexpr float LIFT = 0.055f;  // every corner floats this far above the ground

// The four corners around the letter's centre with its current direction:
// 0 top/end, 1 bottom/end, 2 bottom/start, 3 top/start.
void quadCorners(const LabelLetter& letter, const GlyphAtlas& atlas, MapPoint out[4]) {
    const auto [v, e0, e1] = letterQuad(letter, atlas);
    out[0] = MapPoint{-v.x + e0.x, -v.y + e0.y};
    out[1] = MapPoint{-v.x - e1.x, -v.y - e1.y};
    out[2] = MapPoint{v.x - e1.x, v.y - e1.y};
    out[3] = MapPoint{v.x + e0.x, v.y + e0.y};
}

bool validRef(const LabelList& labels, LetterRef ref) {
    return ref.label >= 0 && static_cast<size_t>(ref.label) < labels.size() && ref.letter >= 0 &&
           static_cast<size_t>(ref.letter) < labels[static_cast<size_t>(ref.label)].letters.size();
}

}  // namespace

MapPoint edgeOffset(const LabelLetter& letter, const GlyphAtlas& atlas, int k) {
    const MapPoint d = letter.direction;
    MapPoint b{d.y, -d.x};
    if (letter.italic) b = MapPoint{d.y - ITALIC_SHEAR * d.x, -d.x - ITALIC_SHEAR * d.y};
    const float reach = glyphExtent(atlas, letter.ch, k != 0);
    return MapPoint{b.x * letter.size * reach, b.y * letter.size * reach};
}

LetterQuad letterQuad(const LabelLetter& letter, const GlyphAtlas& atlas) {
    const float g = glyphAspect(atlas, letter.ch) * letter.size * static_cast<float>(letter.width) / 100.0f;
    return LetterQuad{MapPoint{letter.direction.x * g, letter.direction.y * g}, edgeOffset(letter, atlas, 0),
                      edgeOffset(letter, atlas, 1)};
}

MapRect labelRect(const Label& label, const GlyphAtlas& atlas) {
    MapRect rect;
    for (const MapPoint& c : label.curve) {
        addPoint(rect, c.x - 0.5f, c.y - 0.5f);
        addPoint(rect, c.x + 0.5f, c.y + 0.5f);
    }
    for (const LabelLetter& letter : label.letters) {
        MapPoint corners[4];
        quadCorners(letter, atlas, corners);
        for (const MapPoint& c : corners) addPoint(rect, letter.position.x + c.x, letter.position.y + c.y);
    }
    return rect;
}

bool letterQuadHolds(const Label& label, const GlyphAtlas& atlas, MapPoint p) {
    for (const LabelLetter& letter : label.letters) {
        MapPoint c[4];
        quadCorners(letter, atlas, c);
        // Inside a convex quad: p is on the same side of all four edges, whichever
        // way round the corners go. A quad of no area holds nothing.
        float sides[4];
        for (int i = 0; i < 4; ++i) {
            const MapPoint a = c[i], b = c[(i + 1) % 4];
            sides[i] = (b.x - a.x) * (p.y - letter.position.y - a.y) - (b.y - a.y) * (p.x - letter.position.x - a.x);
        }
        const bool left = sides[0] >= 0 && sides[1] >= 0 && sides[2] >= 0 && sides[3] >= 0;
        const bool right = sides[0] <= 0 && sides[1] <= 0 && sides[2] <= 0 && sides[3] <= 0;
        const float area = (c[2].x - c[0].x) * (c[3].y - c[1].y) - (c[2].y - c[0].y) * (c[3].x - c[1].x);
        if ((left || right) && area != 0.0f) return true;
    }
    return false;
}

float buildGeometry(LabelLetter& letter, TerrainMesh& terrain, const GlyphAtlas& atlas, std::string& trace,
                    bool useIndex) {
    auto height = [&](MapPoint p) { return useIndex ? heightAt(terrain, p) : heightAtLinear(terrain, p); };

    MapPoint c[4];
    quadCorners(letter, atlas, c);

    const float h0 = height(letter.position);
    float nx = 0.0f, ny = 0.0f, nz = 1.0f;
    lastFaceNormal(terrain, nx, ny, nz);

    for (int i = 0; i < 4; ++i) {
        const float hi = height(MapPoint{letter.position.x + c[i].x, letter.position.y + c[i].y});
        // Height of the centre face's plane over the corner. A face seen edge-on
        // from above has no such plane: the corner then follows the ground alone.
        float p = -(nx * c[i].x + ny * c[i].y) / nz;
        if (!std::isfinite(p)) p = 0.0f;
        const float rise = hi - h0;
        letter.cornerZ[i] = (rise > p ? rise : p) + LIFT;
        char buf[64];
        std::snprintf(buf, sizeof buf, "Z=%f ", static_cast<double>(letter.cornerZ[i]));
        trace += buf;
    }

    letter.angle = static_cast<float>(std::atan2(static_cast<double>(letter.direction.y),
                                                 static_cast<double>(letter.direction.x)));
    letter.anchor = letter.position;

    // The stored corners are in the letter's own frame, reading direction (1, 0).
    const MapPoint direction = letter.direction;
    letter.direction = MapPoint{1.0f, 0.0f};
    quadCorners(letter, atlas, letter.corners);
    letter.direction = direction;
    return h0;
}

void buildAllLetterGeometry(LabelList& labels, TerrainMesh& terrain, const GlyphAtlas& atlas, std::string& trace,
                            bool useIndex) {
    for (Label& label : labels)
        for (LabelLetter& letter : label.letters)
            if (letter.ch != ' ') buildGeometry(letter, terrain, atlas, trace, useIndex);
}

bool sameShape(const LabelLetter& a, const LabelLetter& b) {
    if (a.ch != b.ch || a.italic != b.italic) return false;
    if (!(std::fabs(a.size - b.size) <= 0.01f)) return false;
    if (std::abs(a.alpha - b.alpha) > 4) return false;
    for (int i = 0; i < 4; ++i) {
        const float dx = a.corners[i].x - b.corners[i].x;
        const float dy = a.corners[i].y - b.corners[i].y;
        if (!(std::sqrt(dx * dx + dy * dy) <= 0.01f)) return false;
    }
    for (int i = 0; i < 4; ++i)
        if (!(std::fabs(a.cornerZ[i] - b.cornerZ[i]) <= 0.05f)) return false;
    return true;
}

void mergeDuplicate(LabelLetter& a, LabelLetter& b, LetterRef bRef) {
    a.duplicate = bRef;
    const int alpha = (a.alpha + b.alpha) / 2;
    a.alpha = b.alpha = alpha;
    const float size = (a.size + b.size) * 0.5f;
    a.size = b.size = size;
    for (int i = 0; i < 4; ++i) {
        const float z = a.cornerZ[i] > b.cornerZ[i] ? a.cornerZ[i] : b.cornerZ[i];
        a.cornerZ[i] = b.cornerZ[i] = z;
    }
}

int countDuplicates(LabelList& labels) {
    int count = 0;
    const int labelCount = static_cast<int>(labels.size());
    for (int j = 0; j < labelCount; ++j) {
        const int letterCount = static_cast<int>(labels[static_cast<size_t>(j)].letters.size());
        for (int k = 0; k < letterCount; ++k) {
            LabelLetter& letter = labels[static_cast<size_t>(j)].letters[static_cast<size_t>(k)];
            if (letter.ch == ' ') continue;
            letter.duplicate = LetterRef{};
            // One match per label at most: the rest of this label, then each later label.
            for (int m = j; m < labelCount; ++m) {
                std::vector<LabelLetter>& candidates = labels[static_cast<size_t>(m)].letters;
                const int from = m == j ? k + 1 : 0;
                for (int c = from; c < static_cast<int>(candidates.size()); ++c) {
                    if (sameShape(letter, candidates[static_cast<size_t>(c)])) {
                        mergeDuplicate(letter, candidates[static_cast<size_t>(c)], LetterRef{m, c});
                        break;
                    }
                }
            }
            if (letter.duplicate.valid()) ++count;
        }
    }

    // Every link goes to a later letter, so following links ends; the bound only
    // guards against a stale link left by an earlier run.
    size_t total = 0;
    for (const Label& label : labels) total += label.letters.size();
    for (Label& label : labels) {
        for (LabelLetter& letter : label.letters) {
            if (!validRef(labels, letter.duplicate)) {
                letter.duplicate = LetterRef{};
                continue;
            }
            LetterRef end = letter.duplicate;
            for (size_t steps = 0; steps < total; ++steps) {
                const LetterRef next = letterAt(labels, end).duplicate;
                if (!validRef(labels, next)) break;
                end = next;
            }
            letter.duplicate = end;
        }
    }
    return count;
}

LabelLetter& letterAt(LabelList& labels, LetterRef ref) {
    return labels[static_cast<size_t>(ref.label)].letters[static_cast<size_t>(ref.letter)];
}

const LabelLetter& letterAt(const LabelList& labels, LetterRef ref) {
    return labels[static_cast<size_t>(ref.label)].letters[static_cast<size_t>(ref.letter)];
}
