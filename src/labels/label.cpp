// The label model: curve from the stored nodes, letter layout by arc length,
// attribute copies, node editing and the picking distances.
#include "labels/label.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "platform/utf8.h"

int nextLetterId = 0;

void resetLetterIds() { nextLetterId = 0; }

LabelLetter makeLetter(char32_t c) {
    LabelLetter letter;
    letter.ch = c;
    letter.id = nextLetterId++;
    return letter;
}

static bool same(float a, float b) { return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b); }
static bool same(MapPoint a, MapPoint b) { return same(a.x, b.x) && same(a.y, b.y); }

static bool sameLetter(const LabelLetter& a, const LabelLetter& b) {
    for (int k = 0; k < 4; ++k)
        if (!same(a.cornerZ[k], b.cornerZ[k]) || !same(a.corners[k], b.corners[k])) return false;
    return same(a.position, b.position) && same(a.direction, b.direction) && a.ch == b.ch && same(a.size, b.size) &&
           a.italic == b.italic && a.width == b.width && a.alpha == b.alpha && same(a.angle, b.angle) &&
           a.duplicate.label == b.duplicate.label && a.duplicate.letter == b.duplicate.letter && a.id == b.id &&
           a.icon == b.icon && same(a.anchor, b.anchor);
}

bool sameLabel(const Label& a, const Label& b) {
    for (int k = 0; k < 4; ++k)
        if (!same(a.nodes[k], b.nodes[k]) || !same(a.curve[k], b.curve[k])) return false;
    if (!same(a.size, b.size) || a.visibility != b.visibility || a.italic != b.italic || a.width != b.width ||
        a.spare != b.spare || a.widthDrag != b.widthDrag || a.letters.size() != b.letters.size())
        return false;
    for (size_t i = 0; i < a.letters.size(); ++i)
        if (!sameLetter(a.letters[i], b.letters[i])) return false;
    return true;
}

void updateCurve(Label& label) {
    const MapPoint s = label.nodes[0];
    const MapPoint e = label.nodes[3];
    const float dx = e.x - s.x;
    const float dy = e.y - s.y;
    label.curve[0] = s;
    label.curve[3] = e;
    for (int k = 1; k <= 2; ++k) {
        const float a = label.nodes[k].x;
        const float b = label.nodes[k].y;
        label.curve[k].x = s.x + a * dx + b * dy;
        label.curve[k].y = s.y + a * dy - b * dx;
    }
}

MapPoint pointAt(const Label& label, float t) {
    const float u = 1.0f - t;
    const float b0 = u * u * u;
    const float b1 = 3.0f * t * u * u;
    const float b2 = 3.0f * t * t * u;
    const float b3 = t * t * t;
    const MapPoint* c = label.curve;
    MapPoint p;
    p.x = b0 * c[0].x + b1 * c[1].x + b2 * c[2].x + b3 * c[3].x;
    p.y = b0 * c[0].y + b1 * c[1].y + b2 * c[2].y + b3 * c[3].y;
    return p;
}

MapPoint directionAt(const Label& label, float t) {
    const float u = 1.0f - t;
    const float w0 = u * u;
    const float w1 = 2.0f * t * u;
    const float w2 = t * t;
    const MapPoint* c = label.curve;
    MapPoint d;
    d.x = -3.0f * (w0 * (c[1].x - c[0].x) + w1 * (c[2].x - c[1].x) + w2 * (c[3].x - c[2].x));
    d.y = -3.0f * (w0 * (c[1].y - c[0].y) + w1 * (c[2].y - c[1].y) + w2 * (c[3].y - c[2].y));
    const float len = std::sqrt(d.x * d.x + d.y * d.y);
    if (len > 0) {
        d.x /= len;
        d.y /= len;
    }
    return d;
}

static float distance(MapPoint a, MapPoint b) {
    const float dx = a.x - b.x;
    const float dy = a.y - b.y;
    return std::sqrt(dx * dx + dy * dy);
}

void layoutLetters(Label& label) {
    updateCurve(label);

    // Arc length at t = k/10, k = 0..10.
    float arc[11];
    arc[0] = 0.0f;
    for (int k = 1; k <= 10; ++k)
        arc[k] = arc[k - 1] + distance(pointAt(label, k / 10.0f), pointAt(label, (k - 1) / 10.0f));
    const float total = arc[10];

    const size_t n = label.letters.size();
    for (size_t i = 0; i < n; ++i) {
        // The middle of the letter's equal slot of the arc length.
        const float s = ((static_cast<float>(i) + 0.5f) / static_cast<float>(n)) * total;
        int j = 1;
        while (j < 10 && arc[j] <= s) ++j;
        const float seg = arc[j] - arc[j - 1];
        const float f = seg != 0.0f ? (s - arc[j - 1]) / seg : 0.0f;
        const float t = (static_cast<float>(j - 1) + f) / 10.0f;
        label.letters[i].position = pointAt(label, t);
        label.letters[i].direction = directionAt(label, t);
    }
    applyAttributes(label);
}

bool proportionalSpacing(const Label& label) { return (label.spare & SPARE_PROPORTIONAL) != 0; }

void toggleSpacing(Label& label, const GlyphAtlas& atlas) {
    label.spare ^= SPARE_PROPORTIONAL;
    layoutLetters(label, atlas);
}

std::vector<float> proportionalArcLengths(const std::vector<LetterAdvance>& letters, float k, float length) {
    const size_t n = letters.size();
    std::vector<float> arcs(n);
    if (n == 0) return arcs;
    if (n == 1) {
        arcs[0] = length / 2.0f + k * letters[0].shift;
        return arcs;
    }
    // Pen position of each letter, and the natural width where the pen ends.
    std::vector<float> pen(n);
    float x = 0.0f;
    for (size_t i = 0; i < n; ++i) {
        pen[i] = x;
        x += letters[i].advance;
        if (i + 1 < n) x += letters[i].kern;
    }
    const float gap = (length - k * x) / static_cast<float>(n - 1);
    for (size_t i = 0; i < n; ++i)
        arcs[i] = k * (pen[i] + letters[i].advance / 2.0f + letters[i].shift) + static_cast<float>(i) * gap;
    return arcs;
}

namespace {

constexpr int PROPORTIONAL_CHORDS = 128;

// The curve parameter at arc length s, from the arc lengths at t = j/chords: the
// first chord whose end lies beyond s (binary search), then linear within it.
// Lengths outside the curve are taken at its ends.
float parameterAtLength(const float* arc, int chords, float s) {
    if (!(s > 0.0f)) s = 0.0f;
    if (s > arc[chords]) s = arc[chords];
    const int j = static_cast<int>(std::upper_bound(arc + 1, arc + chords, s) - arc);
    const float seg = arc[j] - arc[j - 1];
    const float f = seg > 0.0f ? (s - arc[j - 1]) / seg : 0.0f;
    return (static_cast<float>(j - 1) + f) / static_cast<float>(chords);
}

// A letter's metrics from its glyph cell. A character without a cell is drawn as
// a square quad (glyphAspect 1): it advances by the cell height and is not kerned.
LetterAdvance letterAdvance(const GlyphAtlas& atlas, const LabelLetter& letter, const LabelLetter* next) {
    LetterAdvance m;
    const GlyphCell* cell = glyphCell(atlas, letter.ch);
    if (!cell) {
        m.advance = static_cast<float>(atlas.glyphHeight);
        return m;
    }
    m.advance = static_cast<float>(cell->advance);
    // The rendered surface starts at the pen or at the outline's left edge, whichever is further left.
    const float left = static_cast<float>(std::min(cell->bearing, 0));
    m.shift = left + static_cast<float>(cell->width) / 2.0f - m.advance / 2.0f;
    if (next && letter.ch != U' ' && next->ch != U' ' && glyphCell(atlas, next->ch))
        m.kern = static_cast<float>(glyphKerning(atlas, letter.ch, next->ch));
    return m;
}

}  // namespace

void layoutLetters(Label& label, const GlyphAtlas& atlas) {
    if (!proportionalSpacing(label) || atlas.glyphHeight <= 0) {
        layoutLetters(label);
        return;
    }
    updateCurve(label);

    float arc[PROPORTIONAL_CHORDS + 1];
    arc[0] = 0.0f;
    for (int k = 1; k <= PROPORTIONAL_CHORDS; ++k) {
        const float t0 = static_cast<float>(k - 1) / PROPORTIONAL_CHORDS;
        const float t1 = static_cast<float>(k) / PROPORTIONAL_CHORDS;
        arc[k] = arc[k - 1] + distance(pointAt(label, t1), pointAt(label, t0));
    }

    const size_t n = label.letters.size();
    std::vector<LetterAdvance> metrics(n);
    for (size_t i = 0; i < n; ++i)
        metrics[i] = letterAdvance(atlas, label.letters[i], i + 1 < n ? &label.letters[i + 1] : nullptr);
    // Map units per font pixel, the scale of the letters' quads.
    const float k = 2.0f * label.size * static_cast<float>(label.width) / 100.0f / static_cast<float>(atlas.glyphHeight);
    const std::vector<float> arcs = proportionalArcLengths(metrics, k, arc[PROPORTIONAL_CHORDS]);
    for (size_t i = 0; i < n; ++i) {
        const float t = parameterAtLength(arc, PROPORTIONAL_CHORDS, arcs[i]);
        label.letters[i].position = pointAt(label, t);
        label.letters[i].direction = directionAt(label, t);
    }
    applyAttributes(label);
}

void applyAttributes(Label& label) {
    // A visibility outside 0..100 (a hand-edited store) gives an opacity clamped to
    // a byte, as the drawing and the BRF colour take it; computed wide so it cannot overflow.
    const long long wide = static_cast<long long>(label.visibility) * 255 / 100;
    const int alpha = static_cast<int>(wide < 0 ? 0 : wide > 255 ? 255 : wide);
    for (LabelLetter& letter : label.letters) {
        letter.size = label.size;
        letter.alpha = alpha;
        letter.width = label.width;
        letter.italic = label.italic;
    }
}

void initFromDrag(Label& label, MapPoint p, MapPoint q) {
    label.nodes[0] = p;
    label.nodes[3] = q;
    label.nodes[1] = MapPoint{0.33f, 0.0f};
    label.nodes[2] = MapPoint{0.66f, 0.0f};
}

void moveNode(Label& label, MapPoint p, int k) {
    if (k == 0 || k == 3) {
        label.nodes[k] = p;
    } else if (k == 1 || k == 2) {
        const MapPoint s = label.nodes[0];
        const float dx = label.nodes[3].x - s.x;
        const float dy = label.nodes[3].y - s.y;
        const float r = dx * dx + dy * dy;
        // With start and end on one point the chord gives no frame to express the
        // node in: keep the coefficients, so the label stays as it was.
        if (r > 0.0f) {
            const float px = p.x - s.x;
            const float py = p.y - s.y;
            const float a = (px * dx + py * dy) / r;
            const float b = (dy * px - dx * py) / r;
            if (std::isfinite(a) && std::isfinite(b)) label.nodes[k] = MapPoint{a, b};
        }
    }
    updateCurve(label);
}

MapPoint centre(const Label& label) {
    const MapPoint s = label.nodes[0];
    const MapPoint e = label.nodes[3];
    return MapPoint{(s.x + e.x) / 2.0f, (s.y + e.y) / 2.0f};
}

float extent(const Label& label) {
    const MapPoint s = label.nodes[0];
    const MapPoint e = label.nodes[3];
    const float hx = std::fabs(s.x - e.x) / 2.0f;
    const float hy = std::fabs(s.y - e.y) / 2.0f;
    return hx > hy ? hx : hy;
}

float distanceToCurve(const Label& label, MapPoint p) {
    // The distance to the line drawn through the samples: between two samples as
    // well, which lie many pixels apart on a long label seen close up.
    float best = 1000.0f;
    bool first = true;
    MapPoint a;
    forEachCurveSample(label, [&](MapPoint b) {
        float d = distance(b, p);
        if (!first) {
            const float dx = b.x - a.x, dy = b.y - a.y;
            const float len2 = dx * dx + dy * dy;
            if (len2 > 0.0f) {
                const float t = ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2;
                if (t > 0.0f && t < 1.0f) d = std::min(d, distance(MapPoint{a.x + t * dx, a.y + t * dy}, p));
            }
        }
        if (d < best) best = d;
        a = b;
        first = false;
    });
    return best;
}

float distanceToNode(const Label& label, MapPoint p, int k) {
    if (k < 0 || k > 3) return 1000.0f;
    return distance(label.curve[k], p);
}

std::string labelText(const Label& label) {
    std::string text;
    text.reserve(label.letters.size());
    for (const LabelLetter& letter : label.letters) appendUtf8(text, letter.ch);
    return text;
}

