// Letter quads on hand-made terrain and atlases, and the duplicate search.
#include "labels/letter_geometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace {

// A square of two faces over [-100, 100]^2 whose height is z = a*x + b*y + c.
TerrainMesh planeMesh(float a, float b, float c) {
    TerrainMesh mesh;
    const float xs[] = {-100, 100, 100, -100};
    const float ys[] = {-100, -100, 100, 100};
    for (int i = 0; i < 4; ++i) mesh.vertices.push_back(MapVertex{xs[i], ys[i], a * xs[i] + b * ys[i] + c});
    MapFace f0, f1;
    f0.corners[0] = 0, f0.corners[1] = 1, f0.corners[2] = 2;
    f1.corners[0] = 0, f1.corners[1] = 2, f1.corners[2] = 3;
    mesh.faces = {f0, f1};
    computeBoundingBox(mesh);
    buildTerrainIndex(mesh);
    return mesh;
}

// 'A' in a 64 x 32 texture: aspect 10/20, 0.7 above and 0.8 below the centre line.
GlyphAtlas handAtlas() {
    GlyphAtlas atlas;
    atlas.width = 64;
    atlas.height = 32;
    atlas.glyphHeight = 20;
    const unsigned char a = 'A';
    atlas.placed[a] = true;
    atlas.cellX[a] = 2;
    atlas.cellY[a] = 0;
    atlas.glyphWidth[a] = 10;
    atlas.inkTop[a] = 3;
    atlas.inkHeight[a] = 15;
    const unsigned char sp = ' ';
    atlas.placed[sp] = true;
    atlas.cellX[sp] = 13;
    atlas.glyphWidth[sp] = 6;
    atlas.inkTop[sp] = -1;
    atlas.inkHeight[sp] = -1;
    return atlas;
}

Label labelWith(MapPoint s, MapPoint e, const std::string& text, int visibility = 35) {
    Label label;
    initFromDrag(label, s, e);
    label.size = 2.0f;
    label.visibility = visibility;
    for (char c : text) addLetter(label, c);
    return label;
}

int countTokens(const std::string& trace, const std::string& token) {
    int n = 0;
    for (size_t at = trace.find(token); at != std::string::npos; at = trace.find(token, at + 1)) ++n;
    return n;
}

}  // namespace

TEST(LetterGeometry, CornersInTheLetterFrameWithAndWithoutItalics) {
    const GlyphAtlas atlas = handAtlas();
    TerrainMesh none;
    std::string trace;
    // A = 0.5 * 2 = 1, T = 2 * 0.7, B = 2 * 0.8.
    for (int italic = 0; italic <= 1; ++italic) {
        LabelLetter l = makeLetter('A');
        l.size = 2.0f;
        l.width = 100;
        l.italic = static_cast<unsigned char>(italic);
        l.position = MapPoint{3, 4};
        l.direction = MapPoint{0.6f, -0.8f};
        buildGeometry(l, none, atlas, trace);
        const float s = italic ? 0.29f : 0.0f;
        const float A = 1.0f, T = 1.4f, B = 1.6f;
        const float expect[4][2] = {{-A - s * T, -T}, {-A + s * B, B}, {A + s * B, B}, {A - s * T, -T}};
        for (int i = 0; i < 4; ++i) {
            EXPECT_NEAR(l.corners[i].x, expect[i][0], 1e-5) << italic << " corner " << i;
            EXPECT_NEAR(l.corners[i].y, expect[i][1], 1e-5) << italic << " corner " << i;
        }
        EXPECT_FLOAT_EQ(l.angle, static_cast<float>(std::atan2(-0.8, 0.6)));
        EXPECT_EQ(l.anchor.x, 3.0f);
        EXPECT_EQ(l.anchor.y, 4.0f);
        EXPECT_EQ(l.direction.x, 0.6f);  // restored
        EXPECT_EQ(l.direction.y, -0.8f);

        // The map-oriented edge offsets: a quarter turn of the direction, sheared when italic.
        const MapPoint e0 = edgeOffset(l, atlas, 0);
        const MapPoint e1 = edgeOffset(l, atlas, 1);
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
        TerrainMesh flat = planeMesh(0, 0, 7.5f);
        LabelList labels{labelWith({-20, 5}, {10, -15}, "AqA"), labelWith({40, 40}, {30, 60}, "A")};
        std::string trace;
        buildAllLetterGeometry(labels, flat, atlas, trace, useIndex);
        for (const Label& label : labels)
            for (const LabelLetter& l : label.letters)
                for (float z : l.cornerZ) EXPECT_NEAR(z, 0.055f, 1e-6);

        TerrainMesh tilted = planeMesh(0.1f, -0.2f, 3.0f);
        buildAllLetterGeometry(labels, tilted, atlas, trace, useIndex);
        for (const Label& label : labels)
            for (const LabelLetter& l : label.letters) {
                MapPoint c[4] = {};
                // Recompute the map-oriented corners to find the plane under each.
                const float g = glyphAspect(atlas, static_cast<unsigned char>(l.ch)) * l.size * l.width / 100.0f;
                const MapPoint v{l.direction.x * g, l.direction.y * g};
                const MapPoint e0 = edgeOffset(l, atlas, 0), e1 = edgeOffset(l, atlas, 1);
                c[0] = {-v.x + e0.x, -v.y + e0.y};
                c[1] = {-v.x - e1.x, -v.y - e1.y};
                c[2] = {v.x - e1.x, v.y - e1.y};
                c[3] = {v.x + e0.x, v.y + e0.y};
                for (int i = 0; i < 4; ++i) EXPECT_NEAR(l.cornerZ[i], 0.1f * c[i].x - 0.2f * c[i].y + 0.055f, 1e-4);
            }

        TerrainMesh empty;
        trace.clear();
        buildAllLetterGeometry(labels, empty, atlas, trace, useIndex);
        for (const Label& label : labels)
            for (const LabelLetter& l : label.letters)
                for (float z : l.cornerZ) EXPECT_EQ(z, 0.055f);
        EXPECT_EQ(countTokens(trace, "Z=0.055000 "), 16);
    }
}

TEST(LetterGeometry, CornersOffTheMapRestOnTheGroundOrTheCentrePlane) {
    const GlyphAtlas atlas = handAtlas();
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

TEST(LetterGeometry, SpacesGetNoGeometry) {
    const GlyphAtlas atlas = handAtlas();
    TerrainMesh none;
    LabelList labels{labelWith({0, 0}, {30, 0}, "A A")};
    labels[0].letters[1].cornerZ[0] = -9.0f;
    std::string trace;
    buildAllLetterGeometry(labels, none, atlas, trace);
    EXPECT_EQ(countTokens(trace, "Z="), 8);
    EXPECT_EQ(labels[0].letters[1].cornerZ[0], -9.0f);
    EXPECT_EQ(countLetters(labels[0]), 2);
    EXPECT_EQ(countDuplicates(labels), 1);
    EXPECT_FALSE(labels[0].letters[1].duplicate.valid());
    EXPECT_EQ(labels[0].letters[0].duplicate.letter, 2);
}

TEST(LetterDuplicates, EqualLettersShareOneMeshWhereverTheyStand) {
    const GlyphAtlas atlas = handAtlas();
    TerrainMesh flat = planeMesh(0, 0, 1.0f);
    std::string trace;

    LabelList two{labelWith({-50, -50}, {-40, -50}, "A"), labelWith({20, 10}, {20, 30}, "A")};
    buildAllLetterGeometry(two, flat, atlas, trace);
    EXPECT_TRUE(sameShape(two[0].letters[0], two[1].letters[0]));
    EXPECT_EQ(countDuplicates(two), 1);
    EXPECT_EQ(two[0].letters[0].duplicate.label, 1);
    EXPECT_EQ(two[0].letters[0].duplicate.letter, 0);
    EXPECT_FALSE(two[1].letters[0].duplicate.valid());

    // Alphas 89 and 94 are too far apart.
    LabelList faint{labelWith({-50, -50}, {-40, -50}, "A", 35), labelWith({20, 10}, {20, 30}, "A", 37)};
    buildAllLetterGeometry(faint, flat, atlas, trace);
    EXPECT_EQ(countDuplicates(faint), 0);
    EXPECT_FALSE(faint[0].letters[0].duplicate.valid());

    // Width, italics and size show in the shape.
    LabelList wide{labelWith({0, 0}, {10, 0}, "A"), labelWith({0, 5}, {10, 5}, "A"),
                   labelWith({0, 9}, {10, 9}, "A")};
    changeWidth(wide[1], 40);
    toggleItalic(wide[2]);
    buildAllLetterGeometry(wide, flat, atlas, trace);
    EXPECT_EQ(countDuplicates(wide), 0);

    // Over a slope the heights differ.
    TerrainMesh steep = planeMesh(0.3f, 0.0f, 0.0f);
    LabelList slope{labelWith({-50, 0}, {-40, 0}, "A"), labelWith({0, -40}, {0, -50}, "A")};
    buildAllLetterGeometry(slope, steep, atlas, trace);
    EXPECT_EQ(countDuplicates(slope), 0);
}

TEST(LetterDuplicates, ChainsEndOnTheLastMatch) {
    const GlyphAtlas atlas = handAtlas();
    TerrainMesh none;
    std::string trace;

    LabelList three{labelWith({0, 0}, {10, 0}, "A"), labelWith({0, 5}, {10, 5}, "A"),
                    labelWith({0, 9}, {10, 9}, "A")};
    buildAllLetterGeometry(three, none, atlas, trace);
    EXPECT_EQ(countDuplicates(three), 2);
    for (int j = 0; j < 2; ++j) {
        EXPECT_EQ(three[j].letters[0].duplicate.label, 2) << j;
        EXPECT_EQ(three[j].letters[0].duplicate.letter, 0) << j;
    }
    EXPECT_FALSE(three[2].letters[0].duplicate.valid());

    LabelList pair{labelWith({0, 0}, {10, 0}, "A"), labelWith({0, 5}, {10, 5}, "AA")};
    buildAllLetterGeometry(pair, none, atlas, trace);
    EXPECT_EQ(countDuplicates(pair), 2);
    EXPECT_EQ(pair[0].letters[0].duplicate.label, 1);
    EXPECT_EQ(pair[0].letters[0].duplicate.letter, 1);
    EXPECT_EQ(pair[1].letters[0].duplicate.letter, 1);
    EXPECT_FALSE(pair[1].letters[1].duplicate.valid());
    EXPECT_EQ(&letterAt(pair, pair[0].letters[0].duplicate), &pair[1].letters[1]);

    // A second count after an edit starts from fresh links.
    pair[1].visibility = 90;
    applyAttributes(pair[1]);
    buildAllLetterGeometry(pair, none, atlas, trace);
    EXPECT_EQ(countDuplicates(pair), 1);
    EXPECT_FALSE(pair[0].letters[0].duplicate.valid());
    EXPECT_EQ(pair[1].letters[0].duplicate.letter, 1);
}

TEST(LetterDuplicates, MergingEvensOutTheValues) {
    LabelLetter a = makeLetter('A'), b = makeLetter('A');
    a.alpha = 90;
    b.alpha = 93;
    a.size = 1.0f;
    b.size = 1.008f;
    const float za[4] = {0.1f, 0.5f, 0.2f, 0.055f};
    const float zb[4] = {0.12f, 0.48f, 0.2f, 0.06f};
    for (int i = 0; i < 4; ++i) a.cornerZ[i] = za[i], b.cornerZ[i] = zb[i];
    mergeDuplicate(a, b, LetterRef{4, 7});
    EXPECT_EQ(a.duplicate.label, 4);
    EXPECT_EQ(a.duplicate.letter, 7);
    EXPECT_FALSE(b.duplicate.valid());
    EXPECT_EQ(a.alpha, 91);
    EXPECT_EQ(b.alpha, 91);
    EXPECT_FLOAT_EQ(a.size, 1.004f);
    EXPECT_EQ(a.size, b.size);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(a.cornerZ[i], std::max(za[i], zb[i]));
        EXPECT_EQ(b.cornerZ[i], a.cornerZ[i]);
    }
}
