#include "formats/brf.h"
#include "formats/brf_read.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "format_fixtures.h"

namespace {

TEST(Brf, ScalarsAndTheMaterialBlock) {
    std::string b;
    writeBrfInt(b, 0x12345678);
    writeBrfInt(b, -2);
    writeBrfFloat(b, -2.5f);
    writeBrfString(b, "mesh");
    EXPECT_EQ(b, bytes({0x78, 0x56, 0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x20, 0xC0, 4, 0, 0, 0, 'm', 'e',
                        's', 'h'}));

    const std::string& m = materialBlock();
    ASSERT_EQ(m.size(), 153u);
    EXPECT_EQ(expectString(m, 0, "texture"), 11u);
    EXPECT_EQ(wordAt(m, 11), 1u);
    EXPECT_EQ(expectString(m, 15, "map_names.dds"), 32u);
    EXPECT_EQ(m.substr(32, 4), bytes({0x00, 0xA0, 0x0A, 0x00}));
    EXPECT_EQ(expectString(m, 36, "material"), 48u);
    EXPECT_EQ(wordAt(m, 48), 1u);
    EXPECT_EQ(expectString(m, 52, "map_names"), 65u);
    EXPECT_EQ(m.substr(65, 4), bytes({0x48, 0x01, 0x00, 0x00}));
    EXPECT_EQ(expectString(m, 69, "tex_mul_color_alpha"), 92u);
    size_t off = expectString(m, 92, "map_names");
    for (int i = 0; i < 4; ++i) off = expectString(m, off, "none");
    EXPECT_EQ(off, 137u);
    EXPECT_EQ(m.substr(137), std::string(16, '\0'));
}

TEST(BrfRead, MeshesOfAnySizeAndEveryCutRefused) {
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

}  // namespace
