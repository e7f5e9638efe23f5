// The preview's software drawing of terrain, markers and letter meshes.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "formats/dds.h"
#include "formats/dds_read.h"
#include "formats/brf.h"
#include "formats/brf_read.h"
#include "preview/preview.h"

#include "../formats/format_fixtures.h"

TEST(PreviewRender, TerrainMarkersAndLettersPlacedByTheirParties) {
    // A 100 x 50 map of two faces, type 3; light (0, 0, 1) . LIGHT_DIRECTION.
    TerrainMesh terrain;
    terrain.vertices = {{0, 0, 0}, {100, 0, 0}, {100, 50, 0}, {0, 50, 0}};
    terrain.faces = {{{0, 1, 2}, 3, 0}, {{0, 2, 3}, 3, 0}};
    computeBoundingBox(terrain);
    for (MapFace& f : terrain.faces) computeFaceLight(terrain, f);
    terrain.partyPositions = {{90, 40}};
    TerrainColorTable colors;
    colors.rgb[3][0] = 200, colors.rgb[3][1] = 100, colors.rgb[3][2] = 50;

    PreviewExport exported;
    std::string error;
    ASSERT_TRUE(parseBrf(brfWithQuads(1), exported.meshes, error));
    exported.texture = solidTexture(255);
    exported.iconMeshes = {"town", "map_str_007"};
    // The quad spans game x -1..0, y 0..1: turned by 90 degrees about its party at
    // (20, 30) it covers map x 19..20, y 29..30.
    exported.parties = {{1, 20, 30, std::numbers::pi_v<float> / 2}, {0, 50, 25, 0}, {5, 50, 25, 0}};
    PreviewImage image;
    PreviewResult result;
    ASSERT_TRUE(renderPreview(terrain, colors, exported, 100, image, result));
    EXPECT_EQ(result.drawn, 1);
    EXPECT_EQ(result.missing, 2);
    EXPECT_EQ(image.width, 104);  // 100 pixels and a margin of 2 on each side
    EXPECT_EQ(image.height, 54);
    // The picture pixel of a map point (at pixel centres here): x grows to the left, y downwards.
    auto at = [&](float x, float y) {
        const int px = static_cast<int>(2 + (100 - x)), py = static_cast<int>(2 + y);
        return std::vector<int>(image.rgb.begin() + (py * image.width + px) * 3,
                                image.rgb.begin() + (py * image.width + px) * 3 + 3);
    };
    const ShadeRgb fill = faceShade(colors, terrain.faces[0], FILL_SHADE);
    const std::vector<int> terrainRgb = {static_cast<int>(std::lround(fill.r * 255)),
                                         static_cast<int>(std::lround(fill.g * 255)),
                                         static_cast<int>(std::lround(fill.b * 255))};
    EXPECT_EQ(at(60.3f, 10.6f), terrainRgb);
    EXPECT_EQ(at(19.5f, 29.5f), (std::vector<int>{0, 0, 0}));  // inside the turned quad
    EXPECT_EQ(at(20.5f, 29.5f), terrainRgb);                   // beside it
    EXPECT_EQ(image.rgb[0], 128);                              // the margin
    EXPECT_NE(at(90.5f, 40.5f), terrainRgb);                   // the marker
}
