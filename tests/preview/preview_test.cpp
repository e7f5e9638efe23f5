// The preview's readers (BRF meshes of any size, DXT3 textures, parties, icons)
// and its software drawing of terrain, markers and letter meshes.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "atlas/atlas.h"
#include "formats/dds.h"
#include "formats/dds_read.h"
#include "formats/brf.h"
#include "formats/brf_read.h"
#include "preview/preview.h"

namespace {

// The texels of an atlas, as the texture file is made from them.
RgbaTexels texels(const GlyphAtlas& a) { return {a.width, a.height, a.pixels}; }

// A mesh of `letters` quads side by side, as one party may carry a group of letters.
std::string brfWithQuads(int letters) {
    std::string b = materialBlock();
    writeBrfString(b, "mesh");
    writeBrfInt(b, 1);
    writeBrfString(b, "map_str_007");
    writeBrfInt(b, 0);
    writeBrfString(b, "map_names");
    writeBrfInt(b, 4 * letters);
    for (int i = 0; i < 4 * letters; ++i)
        for (float f : {-1.0f + (i % 4 < 2), 2.0f * (i / 4) + (i % 4 == 1 || i % 4 == 2), 0.5f}) writeBrfFloat(b, f);
    writeBrfInt(b, 0);
    writeBrfInt(b, 0);
    writeBrfInt(b, 4 * letters);
    for (int i = 0; i < 4 * letters; ++i) {
        writeBrfInt(b, i);
        writeBrfInt(b, static_cast<int32_t>(0xFF000000u));
        for (float f : {0.0f, 0.0f, 1.0f, 0.25f, 0.75f, 0.25f, 0.75f}) writeBrfFloat(b, f);
    }
    writeBrfInt(b, 2 * letters);
    for (int k = 0; k < letters; ++k)
        for (int i : {0, 2, 1, 2, 0, 3}) writeBrfInt(b, 4 * k + i);
    writeBrfString(b, "end");
    return b;
}

// A texture of the given alpha everywhere, through the export's own DDS writer.
DdsTexture solidTexture(uint8_t alpha) {
    GlyphAtlas atlas;
    atlas.width = atlas.height = 8;
    atlas.pixels.assign(8 * 8 * 4, 255);
    for (size_t i = 3; i < atlas.pixels.size(); i += 4) atlas.pixels[i] = alpha;
    DdsTexture texture;
    std::string error;
    EXPECT_TRUE(parseDdsDxt3(encodeDdsDxt3(texels(atlas), {}), texture, error)) << error;
    return texture;
}

}  // namespace

TEST(PreviewRead, BrfMeshesOfAnySizeAndEveryCutRefused) {
    for (int letters : {1, 3}) {
        const std::string bytes = brfWithQuads(letters);
        std::vector<BrfMesh> meshes;
        std::string error;
        ASSERT_TRUE(parseBrf(bytes, meshes, error)) << error;
        ASSERT_EQ(meshes.size(), 1u);
        EXPECT_EQ(meshes[0].name, "map_str_007");
        EXPECT_EQ(meshes[0].positions.size(), 4u * letters);
        EXPECT_EQ(meshes[0].faces.size(), 6u * letters);
        EXPECT_EQ(meshes[0].faces.back(), 4 * letters - 1);
        EXPECT_EQ(meshes[0].vertices[1].colour, 0xFF000000u);
        EXPECT_FLOAT_EQ(meshes[0].vertices[1].v, 0.75f);
        for (size_t cut = 0; cut < bytes.size(); cut += 1 + cut / 64)
            EXPECT_FALSE(parseBrf(bytes.substr(0, cut), meshes, error)) << cut;
    }
    std::string faulty = brfWithQuads(1);
    faulty[faulty.size() - 7 - 4] = 9;  // the last face names vertex record 9 of 4
    std::vector<BrfMesh> meshes;
    std::string error;
    EXPECT_FALSE(parseBrf(faulty, meshes, error));
    EXPECT_EQ(error, "mesh \"map_str_007\" has a face naming vertex record 9 of 4");
}

TEST(PreviewRead, DdsLevelsDecodedAndBadFilesRefused) {
    const DdsTexture t = solidTexture(200);
    ASSERT_EQ(t.levels.size(), 4u);  // 8x8 down to 1x1
    EXPECT_EQ(t.levels[3].width, 1);
    EXPECT_EQ(t.levels[0].rgba[0], 255);
    EXPECT_EQ(t.levels[0].rgba[3], (200 >> 4) * 17);

    GlyphAtlas atlas;
    atlas.width = atlas.height = 8;
    atlas.pixels.assign(8 * 8 * 4, 255);
    const std::string good = encodeDdsDxt3(texels(atlas), {});
    std::string dxt1 = good;
    dxt1.replace(84, 4, "DXT1");
    struct Case {
        std::string bytes;
        const char* error;
    } cases[] = {
        {good.substr(0, 100), "it is cut short: 100 bytes, the header needs 128"},
        {good.substr(0, good.size() - 1), "it is cut short in mip level 3 of 4 (1x1): 15 bytes of 16"},
        {dxt1, "it is not DXT3 but \"DXT1\""},
    };
    for (const Case& c : cases) {
        DdsTexture texture;
        std::string error;
        EXPECT_FALSE(parseDdsDxt3(c.bytes, texture, error));
        EXPECT_EQ(error, c.error);
    }
}

TEST(PreviewRead, CutPartiesAndIconMeshes) {
    // Parties as the export writes them are read by the command's own test; here the cut one.
    std::vector<PreviewParty> parties;
    std::string error;
    EXPECT_FALSE(parseParties("h\n2\n 1 0 0 p_a _ 1 0 0 3 0 0 0 0 0 1 2 0 0 0 0 0.0 0 \n4.5\n", parties, error));
    EXPECT_EQ(error, "it ends after 1 of its 2 parties");
    // An icon with a trigger of two operations, then one as the export writes it.
    const auto meshes = parseIconMeshes(
        "map_icons_file version 1\n3\ntown 0 town_mesh 0.3 0 0 0 0 1\n0.5 2 1 2 5 6 7 0\n"
        "map_str_001 1 map_str_001 1.000000 0 0 0 0 0\n\n\nbroken 1\n");
    EXPECT_EQ(meshes, (std::vector<std::string>{"town_mesh", "map_str_001"}));
}

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
