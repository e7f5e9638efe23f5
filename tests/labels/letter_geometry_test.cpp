// Letter quads on hand-made terrain and atlases, and the duplicate search.
#include "labels/letter_geometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>

#include "../test_support.h"

namespace {

// A square of two faces over [-100, 100]^2 whose height is z = a*x + b*y + c.
TerrainMesh planeMesh(float a, float b, float c) {
    TerrainMesh mesh;
    for (auto [x, y] : {std::pair{-100.0f, -100.0f}, {100.0f, -100.0f}, {100.0f, 100.0f}, {-100.0f, 100.0f}})
        mesh.vertices.push_back(MapVertex{x, y, a * x + b * y + c});
    mesh.faces.resize(2);
    std::copy_n(std::array{0, 1, 2}.begin(), 3, mesh.faces[0].corners);
    std::copy_n(std::array{0, 2, 3}.begin(), 3, mesh.faces[1].corners);
    computeBoundingBox(mesh);
    buildTerrainIndex(mesh);
    return mesh;
}

// 'A' in a 64 x 32 texture: aspect 10/20, 0.7 above and 0.8 below the centre line;
// a space without ink.
GlyphAtlas handAtlas() {
    GlyphAtlas atlas;
    atlas.width = 64;
    atlas.height = 32;
    atlas.glyphHeight = 20;
    atlas.cells[U'A'] = GlyphCell{2, 0, 10, 3, 15};
    atlas.cells[U' '] = GlyphCell{13, 0, 6, -1, -1};
    return atlas;
}

Label labelWith(MapPoint s, MapPoint e, const std::string& text, int visibility = 35) {
    Label label;
    initFromDrag(label, s, e);
    label.size = 2.0f;
    label.visibility = visibility;
    for (char32_t c : test_support::chars(text)) addLetter(label, c);
    return label;
}

int countTokens(const std::string& trace, const std::string& token) {
    int n = 0;
    for (size_t at = trace.find(token); at != std::string::npos; at = trace.find(token, at + 1)) ++n;
    return n;
}

// The duplicate link of a letter as (label, letter).
std::pair<int, int> link(const LabelList& labels, int label, int letter) {
    const LetterRef& r = labels[static_cast<size_t>(label)].letters[static_cast<size_t>(letter)].duplicate;
    return {r.label, r.letter};
}
const std::pair<int, int> kNone{-1, -1};

TEST(LetterGeometry, CornersInTheLetterFrameWithAndWithoutItalics) {
    const GlyphAtlas atlas = handAtlas();
    TerrainMesh none;
    std::string trace;
    for (int italic = 0; italic <= 1; ++italic) {
        LabelLetter l = makeLetter('A');
        l.size = 2.0f;
        l.width = 100;
        l.italic = static_cast<unsigned char>(italic);
        l.position = MapPoint{3, 4};
        l.direction = MapPoint{0.6f, -0.8f};
        buildGeometry(l, none, atlas, trace);
        // Half width A = 0.5 * 2, top T = 2 * 0.7, bottom B = 2 * 0.8; italics shear by 0.29.
        const float s = italic ? 0.29f : 0.0f, A = 1.0f, T = 1.4f, B = 1.6f;
        const float expect[4][2] = {{-A - s * T, -T}, {-A + s * B, B}, {A + s * B, B}, {A - s * T, -T}};
        for (int i = 0; i < 4; ++i) {
            EXPECT_NEAR(l.corners[i].x, expect[i][0], 1e-5) << italic << " corner " << i;
            EXPECT_NEAR(l.corners[i].y, expect[i][1], 1e-5) << italic << " corner " << i;
        }
        EXPECT_FLOAT_EQ(l.angle, static_cast<float>(std::atan2(-0.8, 0.6)));
        EXPECT_EQ(std::pair(l.anchor.x, l.anchor.y), std::pair(3.0f, 4.0f));
        EXPECT_EQ(std::pair(l.direction.x, l.direction.y), std::pair(0.6f, -0.8f));  // restored

        // The map-oriented edge offsets: a quarter turn of the direction, sheared when italic.
        const MapPoint e0 = edgeOffset(l, atlas, 0), e1 = edgeOffset(l, atlas, 1);
        EXPECT_NEAR(e0.x, (-0.8f - s * 0.6f) * T, 1e-5);
        EXPECT_NEAR(e0.y, (-0.6f + s * 0.8f) * T, 1e-5);
        EXPECT_NEAR(e1.x, (-0.8f - s * 0.6f) * B, 1e-5);
        EXPECT_NEAR(e1.y, (-0.6f + s * 0.8f) * B, 1e-5);
    }

    // An unplaced character is a unit square scaled by size and width.
    LabelLetter q = makeLetter('q');
    q.size = 1.0f;
    q.width = 150;
    q.direction = MapPoint{0, 1};
    buildGeometry(q, none, atlas, trace);
    EXPECT_NEAR(q.corners[0].x, -1.5f, 1e-6);
    EXPECT_NEAR(q.corners[0].y, -1.0f, 1e-6);
    EXPECT_NEAR(q.corners[2].x, 1.5f, 1e-6);
    EXPECT_NEAR(q.corners[2].y, 1.0f, 1e-6);
}

TEST(LetterGeometry, CornersFloatJustAboveFlatTiltedAndMissingTerrain) {
    const GlyphAtlas atlas = handAtlas();
    for (bool useIndex : {true, false}) {
        SCOPED_TRACE(useIndex);
        LabelList labels{labelWith({-20, 5}, {10, -15}, "AqA"), labelWith({40, 40}, {30, 60}, "A")};
        std::string trace;
        // On flat ground and without terrain every corner is 0.055 above the ground.
        TerrainMesh flat = planeMesh(0, 0, 7.5f), empty;
        for (TerrainMesh* ground : {&flat, &empty}) {
            trace.clear();
            buildAllLetterGeometry(labels, *ground, atlas, trace, useIndex);
            for (const Label& label : labels)
                for (const LabelLetter& l : label.letters)
                    for (float z : l.cornerZ) EXPECT_NEAR(z, 0.055f, 1e-6);
        }
        EXPECT_EQ(countTokens(trace, "Z=0.055000 "), 16);

        // On a tilted plane each corner takes the plane's height under it.
        TerrainMesh tilted = planeMesh(0.1f, -0.2f, 3.0f);
        buildAllLetterGeometry(labels, tilted, atlas, trace, useIndex);
        for (const Label& label : labels)
            for (const LabelLetter& l : label.letters) {
                const float g = glyphAspect(atlas, static_cast<unsigned char>(l.ch)) * l.size * l.width / 100.0f;
                const MapPoint v{l.direction.x * g, l.direction.y * g};
                const MapPoint e0 = edgeOffset(l, atlas, 0), e1 = edgeOffset(l, atlas, 1);
                const MapPoint c[4] = {{-v.x + e0.x, -v.y + e0.y}, {-v.x - e1.x, -v.y - e1.y},
                                       {v.x - e1.x, v.y - e1.y},   {v.x + e0.x, v.y + e0.y}};
                for (int i = 0; i < 4; ++i) EXPECT_NEAR(l.cornerZ[i], 0.1f * c[i].x - 0.2f * c[i].y + 0.055f, 1e-4);
            }
    }

    // A letter centred off the mesh: h0 = 0 and the normal stays upright, so each
    // corner over the terrain takes that height (or 0 when below), plus the lift.
    TerrainMesh high = planeMesh(0, 0, 4.0f);
    LabelLetter l = makeLetter('A');
    l.size = 2.0f;
    l.width = 100;
    l.position = MapPoint{100.5f, 0};
    l.direction = MapPoint{1, 0};
    std::string trace;
    buildGeometry(l, high, atlas, trace);
    // Corners 0 and 1 are on the end side (x - 1), over the map; 2 and 3 off it.
    EXPECT_NEAR(l.cornerZ[0], 4.055f, 1e-5);
    EXPECT_NEAR(l.cornerZ[1], 4.055f, 1e-5);
    EXPECT_NEAR(l.cornerZ[2], 0.055f, 1e-6);
    EXPECT_NEAR(l.cornerZ[3], 0.055f, 1e-6);
    char expect[128];
    std::snprintf(expect, sizeof expect, "Z=%f Z=%f Z=%f Z=%f ", double(l.cornerZ[0]), double(l.cornerZ[1]),
                  double(l.cornerZ[2]), double(l.cornerZ[3]));
    EXPECT_EQ(trace, expect);
}

TEST(LetterDuplicates, EqualLettersShareOneMeshWhereverTheyStand) {
    const GlyphAtlas atlas = handAtlas();
    TerrainMesh flat = planeMesh(0, 0, 1.0f), none;
    std::string trace;

    // Spaces get no geometry and are not counted; the two letters 'A' of one label share.
    LabelList spaced{labelWith({0, 0}, {30, 0}, "A A")};
    spaced[0].letters[1].cornerZ[0] = -9.0f;
    buildAllLetterGeometry(spaced, none, atlas, trace);
    EXPECT_EQ(countTokens(trace, "Z="), 8);
    EXPECT_EQ(spaced[0].letters[1].cornerZ[0], -9.0f);
    EXPECT_EQ(countLetters(spaced[0]), 2);
    EXPECT_EQ(countDuplicates(spaced), 1);
    EXPECT_EQ(link(spaced, 0, 0), std::pair(0, 2));
    EXPECT_EQ(link(spaced, 0, 1), kNone);

    // Two equal letters on differently placed and turned labels.
    LabelList two{labelWith({-50, -50}, {-40, -50}, "A"), labelWith({20, 10}, {20, 30}, "A")};
    buildAllLetterGeometry(two, flat, atlas, trace);
    EXPECT_TRUE(sameShape(two[0].letters[0], two[1].letters[0]));
    EXPECT_EQ(countDuplicates(two), 1);
    EXPECT_EQ(link(two, 0, 0), std::pair(1, 0));
    EXPECT_EQ(link(two, 1, 0), kNone);

    // Alphas 89 and 94 (visibilities 35 and 37) are too far apart; width, italics
    // and slopes show in the shape.
    LabelList faint{labelWith({-50, -50}, {-40, -50}, "A", 35), labelWith({20, 10}, {20, 30}, "A", 37)};
    buildAllLetterGeometry(faint, flat, atlas, trace);
    EXPECT_EQ(countDuplicates(faint), 0);
    EXPECT_EQ(link(faint, 0, 0), kNone);
    LabelList wide{labelWith({0, 0}, {10, 0}, "A"), labelWith({0, 5}, {10, 5}, "A"), labelWith({0, 9}, {10, 9}, "A")};
    changeWidth(wide[1], 40);
    toggleItalic(wide[2]);
    buildAllLetterGeometry(wide, flat, atlas, trace);
    EXPECT_EQ(countDuplicates(wide), 0);
    TerrainMesh steep = planeMesh(0.3f, 0.0f, 0.0f);
    LabelList slope{labelWith({-50, 0}, {-40, 0}, "A"), labelWith({0, -40}, {0, -50}, "A")};
    buildAllLetterGeometry(slope, steep, atlas, trace);
    EXPECT_EQ(countDuplicates(slope), 0);
}

TEST(LetterDuplicates, ChainsEndOnTheLastMatch) {
    const GlyphAtlas atlas = handAtlas();
    TerrainMesh none;
    std::string trace;
    // Three equal letters in three labels: two duplicates, both linked to the last.
    LabelList three{labelWith({0, 0}, {10, 0}, "A"), labelWith({0, 5}, {10, 5}, "A"), labelWith({0, 9}, {10, 9}, "A")};
    buildAllLetterGeometry(three, none, atlas, trace);
    EXPECT_EQ(countDuplicates(three), 2);
    EXPECT_EQ(link(three, 0, 0), std::pair(2, 0));
    EXPECT_EQ(link(three, 1, 0), std::pair(2, 0));
    EXPECT_EQ(link(three, 2, 0), kNone);

    // One letter, then two: two duplicates.
    LabelList pair{labelWith({0, 0}, {10, 0}, "A"), labelWith({0, 5}, {10, 5}, "AA")};
    buildAllLetterGeometry(pair, none, atlas, trace);
    EXPECT_EQ(countDuplicates(pair), 2);
    EXPECT_EQ(link(pair, 0, 0), std::pair(1, 1));
    EXPECT_EQ(link(pair, 1, 0), std::pair(1, 1));
    EXPECT_EQ(link(pair, 1, 1), kNone);
    EXPECT_EQ(&letterAt(pair, pair[0].letters[0].duplicate), &pair[1].letters[1]);

    // A second count after an edit starts from fresh links.
    pair[1].visibility = 90;
    applyAttributes(pair[1]);
    buildAllLetterGeometry(pair, none, atlas, trace);
    EXPECT_EQ(countDuplicates(pair), 1);
    EXPECT_EQ(link(pair, 0, 0), kNone);
    EXPECT_EQ(link(pair, 1, 0), std::pair(1, 1));
}

TEST(LetterDuplicates, MergingEvensOutTheValues) {
    LabelLetter a = makeLetter('A'), b = makeLetter('A');
    a.alpha = 90;
    b.alpha = 93;
    a.size = 1.0f;
    b.size = 1.008f;
    const float za[4] = {0.1f, 0.5f, 0.2f, 0.055f}, zb[4] = {0.12f, 0.48f, 0.2f, 0.06f};
    std::copy_n(za, 4, a.cornerZ);
    std::copy_n(zb, 4, b.cornerZ);
    mergeDuplicate(a, b, LetterRef{4, 7});
    EXPECT_EQ(std::pair(a.duplicate.label, a.duplicate.letter), std::pair(4, 7));
    EXPECT_FALSE(b.duplicate.valid());
    EXPECT_EQ(std::pair(a.alpha, b.alpha), std::pair(91, 91));
    EXPECT_FLOAT_EQ(a.size, 1.004f);
    EXPECT_EQ(a.size, b.size);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(a.cornerZ[i], std::max(za[i], zb[i]));
        EXPECT_EQ(b.cornerZ[i], a.cornerZ[i]);
    }
}

}  // namespace
