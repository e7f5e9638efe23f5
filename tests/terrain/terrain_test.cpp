#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <string>

#include "../test_support.h"
#include "bench/reference.h"
#include "mapgen.h"
#include "terrain/terrain.h"

namespace {

using Box = std::array<float, 6>;

Box box(const TerrainMesh& m) { return {m.boxMin.x, m.boxMin.y, m.boxMin.z, m.boxMax.x, m.boxMax.y, m.boxMax.z}; }
const Box kEmptyBox = {1, 1, 1, -1, -1, -1};

uint32_t bits(float f) {
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

bool parse(TerrainMesh& mesh, const std::string& text, std::string* error = nullptr) {
    std::string e;
    const bool ok = parseTerrainMesh(mesh, text.data(), text.size(), e);
    if (error) *error = e;
    return ok;
}

// Reads text with the fast parser and with the scanf reader; both must agree bit
// for bit on the outcome, every vertex, face, light and the box.
TerrainMesh parseBoth(const std::string& text, bool* ok = nullptr) {
    TerrainMesh fast, ref;
    std::string e1, e2;
    const bool okFast = parseTerrainMesh(fast, text.data(), text.size(), e1);
    EXPECT_EQ(okFast, parseTerrainMeshScanf(ref, text.data(), text.size(), e2)) << text;
    EXPECT_EQ(okFast, e1.empty()) << e1;
    EXPECT_EQ(fast.vertices.size(), ref.vertices.size());
    EXPECT_EQ(fast.faces.size(), ref.faces.size());
    size_t diff = 0;
    for (size_t i = 0; i < std::min(fast.vertices.size(), ref.vertices.size()); ++i) {
        const MapVertex &a = fast.vertices[i], &b = ref.vertices[i];
        diff += bits(a.x) != bits(b.x) || bits(a.y) != bits(b.y) || bits(a.z) != bits(b.z);
    }
    for (size_t i = 0; i < std::min(fast.faces.size(), ref.faces.size()); ++i) {
        const MapFace &a = fast.faces[i], &b = ref.faces[i];
        diff += a.terrainType != b.terrainType || std::memcmp(a.corners, b.corners, sizeof a.corners) != 0 ||
                bits(a.light) != bits(b.light);
    }
    EXPECT_EQ(diff, 0u);
    EXPECT_EQ(box(fast), box(ref));
    if (ok) *ok = okFast;
    return fast;
}

// A mesh built by hand from points and faces, with lights and the index.
TerrainMesh makeMesh(std::initializer_list<MapVertex> verts, std::initializer_list<std::array<int, 3>> faces) {
    TerrainMesh m;
    m.vertices = verts;
    for (const auto& f : faces) {
        MapFace face;
        std::copy(f.begin(), f.end(), face.corners);
        m.faces.push_back(face);
    }
    computeBoundingBox(m);
    for (MapFace& f : m.faces) computeFaceLight(m, f);
    buildTerrainIndex(m);
    return m;
}

std::string generated(int gridX, int gridY, uint64_t seed, MapBox area = {}, bool island = true) {
    MapGenParams p;
    p.gridX = gridX;
    p.gridY = gridY;
    p.seed = seed;
    p.box = area;
    p.island = island;
    return generateMapText(p);
}

TEST(TerrainReader, CountsBoxesAndNumberSyntax) {
    TerrainMesh m = parseBoth("3\n0 0 5\n10 -2 1\n4 8 3\n1\n7 -99 123456 0 1 2\n");
    ASSERT_EQ(m.vertices.size(), 3u);
    ASSERT_EQ(m.faces.size(), 1u);
    EXPECT_EQ(box(m), (Box{0, -2, 1, 10, 8, 5}));
    EXPECT_EQ(m.faces[0].terrainType, 7);
    EXPECT_EQ(std::vector<int>(m.faces[0].corners, m.faces[0].corners + 3), (std::vector<int>{0, 1, 2}));

    // Line breaks carry no meaning; numbers may sit on one line.
    m = parseBoth("3 0 0 5 10 -2 1 4 8 3 1 -4 0 0 2 1 0");
    EXPECT_EQ(m.faces[0].terrainType, -4);
    EXPECT_EQ(m.faces[0].corners[0], 2);

    // Nothing at all: an empty mesh keeps the empty box; one vertex is its own box.
    EXPECT_EQ(box(parseBoth("0\n0\n")), kEmptyBox);
    EXPECT_EQ(box(parseBoth("1\n-3.5 2 7\n0\n")), (Box{-3.5f, 2, 7, -3.5f, 2, 7}));

    // A successful read replaces what was there; parties stay.
    m.partyPositions.push_back({5, 6});
    ASSERT_TRUE(parse(m, "0 0"));
    EXPECT_TRUE(m.vertices.empty());
    EXPECT_EQ(m.partyPositions.size(), 1u);
    // The party nearest a point within a radius; of equal distances the first.
    m.partyPositions = {{0, 0}, {10, 0}, {6, 0}, {14, 0}};
    EXPECT_EQ(std::tuple(partyNear(m, {7, 0}, 3), partyNear(m, {8, 0}, 3), partyNear(m, {30, 0}, 5)),
              std::tuple(2, 1, -1));
    m.partyPositions.clear();

    // Signs, exponents, leading and trailing points, hexadecimal floats and
    // underflow all read as scanf reads them.
    m = parseBoth("4\n+1.5 -0 1e-3\n.5 5. 0x1p3\n1e-50 3.4028235e38 -2.5E+2\n\t7 \v8\f 9\n"
                  "2\n+3 0 0 0 1 2\n-0 1 1 1 2 3\n");
    ASSERT_EQ(m.vertices.size(), 4u);
    EXPECT_EQ(m.vertices[0].x, 1.5f);
    EXPECT_EQ(bits(m.vertices[0].y), bits(-0.0f));
    EXPECT_EQ(m.vertices[1].z, 8.0f);
    EXPECT_EQ(m.vertices[2].y, 3.4028235e38f);
    EXPECT_EQ(m.vertices[2].z, -250.0f);
    EXPECT_EQ(m.faces[0].terrainType, 3);
    // An exponent mark without digits is part of the number and ignored.
    m = parseBoth("1\n1e 2E+ 3e-\n0\n");
    EXPECT_EQ(box(m), (Box{1, 2, 3, 1, 2, 3}));

    // A generated map: the fast reader equals the scanf reader throughout.
    m = parseBoth(generated(60, 45, 7));
    ASSERT_EQ(m.vertices.size(), 61u * 46u);
    ASSERT_EQ(m.faces.size(), 2u * 60u * 45u);
    EXPECT_EQ(m.boxMin.x, -100.0f);
    EXPECT_EQ(m.boxMax.y, 100.0f);
}

TEST(TerrainReader, BadContentIsRejectedWithItsFault) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "file ends before the vertex count"},
        {"abc", "the vertex count on line 1 is not a number"},
        {"-3\n", "vertex count -3 is negative"},
        {"99999999999\n", "the vertex count on line 1 is out of range"},
        {"2000000000\n1 2 3\n0\n", "file ends before vertex 1 of 2000000000"},
        {"2\n0 0 0 1 1 1\n2000000000 0 0 0 0 0 1", "file ends before face 1 of 2000000000"},
        {"3\n0 0 0\n1 1 1\n", "file ends before vertex 2 of 3"},
        {"2\n0 0 0\n1 x 1\n0\n", "vertex 1 of 2 on line 3 is not a number"},
        {"2\n0 0 0\n1 nan 1\n0\n", "vertex 1 on line 3 has a coordinate that is not a finite number"},
        {"1\n0 0 inf\n0\n", "vertex 0 on line 2 has a coordinate that is not a finite number"},
        {"1\n0 0 0\n-1\n", "face count -1 is negative"},
        {"1\n0 0 0\n", "file ends before the face count"},
        {"3\n0 0 0 1 0 0 0 1 0\n2\n0 0 0 0 1 2\n0 0 0 0 1\n", "file ends before face 1 of 2"},
        {"3\n0 0 0 1 0 0 0 1 0\n1\n0 0 0 0 1 2.5\n", "face 0 of 1 on line 4 is not a number"},
        {"3\n0 0 0 1 0 0 0 1 0\n1\n0 0 0 0 1 3\n", "face 0 corner 2 index 3 is not a vertex (0..2)"},
        {"3\n0 0 0 1 0 0 0 1 0\n1\n0 0 0 -1 1 2\n", "face 0 corner 0 index -1 is not a vertex (0..2)"},
        {"0\n1\n0 0 0 0 0 0\n", "face 0 corner 0 index 0 is not a vertex (the map has none)"},
    };
    for (auto [text, fault] : cases) {
        TerrainMesh m = makeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
        heightAt(m, {0.1f, 0.1f});
        std::string error;
        EXPECT_FALSE(parse(m, text, &error)) << text;
        EXPECT_NE(error.find(fault), std::string::npos) << "text: " << text << "\nerror: " << error;
        EXPECT_TRUE(m.vertices.empty() && m.faces.empty()) << text;
        EXPECT_EQ(box(m), kEmptyBox);
        EXPECT_EQ(m.lastFace, -1);
        parseBoth(text);
    }
}

TEST(TerrainReader, FilesMessagesAndCrLf) {
    test_support::TempDir dir;
    TerrainMesh m;
    const Report missing = readTerrainMesh(m, dir / "missing/map.txt");
    EXPECT_FALSE(missing);
    EXPECT_EQ(test_support::said(missing),
              "Cannot open map \"" + (dir / "missing/map.txt") + "\"\nwrong path? check Veltrune.cfg\n");

    // CR LF line ends; letter case of the path is resolved by the file layer.
    test_support::writeBytes(dir / "map.txt", "3\r\n0 0 5\r\n10 -2 1\r\n4 8 3\r\n1\r\n2 0 0 0 1 2\r\n");
    const Report read = readTerrainMesh(m, dir / "MAP.TXT");
    EXPECT_TRUE(read);
    EXPECT_EQ(test_support::said(read), "");
    EXPECT_EQ(box(m), (Box{0, -2, 1, 10, 8, 5}));
    EXPECT_EQ(m.faces.size(), 1u);

    test_support::writeBytes(dir / "bad.txt", "3\n0 0 0 1 0 0 0 1 0\n1\n0 0 0 0 1 900\n");
    const Report bad = readTerrainMesh(m, dir / "bad.txt");
    EXPECT_FALSE(bad);
    EXPECT_EQ(test_support::said(bad),
              "Bad map \"" + (dir / "bad.txt") + "\": face 0 corner 2 index 900 is not a vertex (0..2)\n");
    EXPECT_TRUE(m.faces.empty());
}

TEST(TerrainReader, MangledTextNeverYieldsABadMesh) {
    // Random damage to a valid map: every outcome is either a rejected file with
    // an empty mesh, or a mesh whose corners are all vertices, as the scanf reader has it.
    const std::string good = generated(3, 2, 1);
    const char alphabet[] = "0123456789-+.eE x\n\t";
    MapRandom rnd{2024};
    int rejected = 0, accepted = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string text = good;
        for (int k = 0, edits = 1 + static_cast<int>(nextRandom(rnd) % 4); k < edits; ++k) {
            const size_t at = nextRandom(rnd) % text.size();
            switch (nextRandom(rnd) % 3) {
                case 0: text[at] = alphabet[nextRandom(rnd) % (sizeof alphabet - 1)]; break;
                case 1: text.erase(at, 1 + nextRandom(rnd) % 8); break;
                default: text.resize(at); break;
            }
            if (text.empty()) text.push_back('7');
        }
        bool ok = false;
        const TerrainMesh m = parseBoth(text, &ok);
        ok ? ++accepted : ++rejected;
        EXPECT_TRUE(ok || (m.vertices.empty() && m.faces.empty()));
        for (const MapFace& f : m.faces)
            for (int c : f.corners) ASSERT_TRUE(c >= 0 && static_cast<size_t>(c) < m.vertices.size());
    }
    EXPECT_GT(rejected, 100);
    EXPECT_GT(accepted, 10);
}

TEST(TerrainGeometry, NormalsAndLight) {
    TerrainMesh m = makeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {2, 2, 2}, {4, 4, 4}, {0, 0, 1}},
                             {{0, 1, 2}, {0, 2, 1}, {0, 3, 4}, {0, 1, 5}});
    auto normal = [&](const TerrainMesh& mesh, int f) {
        const MapVertex n = faceNormal(mesh, mesh.faces[static_cast<size_t>(f)]);
        return std::array<float, 3>{n.x, n.y, n.z};
    };
    EXPECT_EQ(normal(m, 0), (std::array<float, 3>{0, 0, 1}));
    EXPECT_FLOAT_EQ(m.faces[0].light, 0.94868326f);
    EXPECT_EQ(normal(m, 1)[2], -1.0f);
    EXPECT_FLOAT_EQ(m.faces[1].light, -0.94868326f);
    // Collinear corners: the zero vector and no light.
    EXPECT_EQ(normal(m, 2), (std::array<float, 3>{0, 0, 0}));
    EXPECT_EQ(m.faces[2].light, 0.0f);
    // A vertical face in the x/z plane faces -y, towards the light's tilt.
    EXPECT_FLOAT_EQ(normal(m, 3)[1], -1.0f);
    EXPECT_FLOAT_EQ(m.faces[3].light, 0.31622776f);

    // Coordinates whose products overflow floats still give a unit normal.
    TerrainMesh big = makeMesh({{0, 0, 0}, {3e30f, 0, 0}, {0, 3e30f, 0}}, {{0, 1, 2}});
    EXPECT_FLOAT_EQ(normal(big, 0)[2], 1.0f);
    EXPECT_FLOAT_EQ(big.faces[0].light, 0.94868326f);

    // Generated corners run counter-clockwise seen from above: every face is lit from above.
    TerrainMesh gen = parseBoth(generated(20, 20, 5));
    for (size_t f = 0; f < gen.faces.size(); ++f) ASSERT_GT(normal(gen, static_cast<int>(f))[2], 0.0f);
}

TEST(TerrainQueries, WeightsHeightsAndTies) {
    // The same triangle with its corners in both orders.
    for (bool reversed : {false, true}) {
        TerrainMesh m = makeMesh({{0, 0, 0}, {10, 0, 10}, {0, 10, 20}}, {{0, reversed ? 2 : 1, reversed ? 1 : 2}});
        float w[3] = {-1, -1, -1};
        ASSERT_TRUE(pointInFace(m, m.faces[0], {2, 3}, w));
        EXPECT_FLOAT_EQ(w[0], 0.5f);
        EXPECT_FLOAT_EQ(w[1], reversed ? 0.3f : 0.2f);
        EXPECT_FLOAT_EQ(w[2], reversed ? 0.2f : 0.3f);
        EXPECT_FLOAT_EQ(heightAt(m, {2, 3}), 8.0f);
        EXPECT_EQ(m.lastFace, 0);
        EXPECT_FALSE(pointInFace(m, m.faces[0], {6, 6}, w));
    }

    // Two faces sharing the edge (10,0)-(0,10): the first in the file wins on the
    // edge; a shared corner gives that corner's height.
    TerrainMesh s = makeMesh({{0, 0, 0}, {10, 0, 10}, {0, 10, 20}, {10, 10, 50}}, {{1, 3, 2}, {0, 1, 2}});
    for (auto [p, h, face] : {std::tuple{MapPoint{5, 5}, 15.0f, 0}, {MapPoint{10, 0}, 10.0f, 0}, {MapPoint{1, 1}, 3.0f, 1}}) {
        EXPECT_FLOAT_EQ(heightAt(s, p), h);
        EXPECT_EQ(s.lastFace, face);
    }
    // The normal belongs to the face found last.
    float nx = 7, ny = 7, nz = 7;
    lastFaceNormal(s, nx, ny, nz);
    const MapVertex expect = faceNormal(s, s.faces[1]);
    EXPECT_EQ((std::array<float, 3>{nx, ny, nz}), (std::array<float, 3>{expect.x, expect.y, expect.z}));

    // Outside every face: height 0 and the caller's preset normal stays.
    for (MapPoint p : {MapPoint{20, 5}, MapPoint{-0.001f, 5}, MapPoint{NAN, 5}}) {
        EXPECT_EQ(heightAt(s, p), 0.0f);
        EXPECT_EQ(s.lastFace, -1);
    }
    nx = 0, ny = 0, nz = 1;
    lastFaceNormal(s, nx, ny, nz);
    EXPECT_EQ((std::array<float, 3>{nx, ny, nz}), (std::array<float, 3>{0, 0, 1}));

    TerrainMesh empty;
    EXPECT_EQ(heightAt(empty, {0, 0}), 0.0f);
    EXPECT_EQ(empty.lastFace, -1);
}

TEST(TerrainQueries, DegenerateFacesContainNothing) {
    // Face 0 lies on the line y = x; face 1 covers it properly.
    TerrainMesh m = makeMesh({{0, 0, 5}, {5, 5, 9}, {10, 10, 1}, {10, 0, 4}, {0, 10, 4}}, {{0, 1, 2}, {0, 3, 4}});
    float w[3];
    EXPECT_FALSE(pointInFace(m, m.faces[0], {2, 2}, w));
    EXPECT_FALSE(pointInFace(m, m.faces[0], {0, 0}, w));
    const float h = heightAt(m, {2, 2});
    EXPECT_TRUE(std::isfinite(h));
    EXPECT_FLOAT_EQ(h, 5 * 0.6f + 4 * 0.2f + 4 * 0.2f);
    EXPECT_EQ(m.lastFace, 1);

    // Only degenerate faces (on a line, on a vertical line, all in one point):
    // nothing is found, the height is 0, by the index and by the scan.
    TerrainMesh meshes[] = {makeMesh({{0, 0, 5}, {5, 5, 9}, {10, 10, 1}}, {{0, 1, 2}}),
                            makeMesh({{0, 0, 1}, {0, 5, 2}, {0, 9, 3}}, {{0, 1, 2}, {2, 1, 0}}),
                            makeMesh({{3, 3, 1}}, {{0, 0, 0}})};
    for (TerrainMesh& d : meshes)
        for (MapPoint p : {MapPoint{5, 5}, MapPoint{0, 5}, MapPoint{3, 3}}) {
            EXPECT_EQ(heightAt(d, p), 0.0f);
            EXPECT_EQ(d.lastFace, -1);
            EXPECT_EQ(heightAtLinear(d, p), 0.0f);
        }

    // A mesh built without the index answers by the scan; a corner index outside
    // the vertices never reads past them.
    TerrainMesh bare;
    bare.vertices = {{0, 0, 0}, {10, 0, 10}, {0, 10, 20}};
    bare.faces.resize(1);
    std::copy_n(std::array<int, 3>{0, 1, 2}.begin(), 3, bare.faces[0].corners);
    EXPECT_FLOAT_EQ(heightAt(bare, {2, 3}), 8.0f);
    bare.faces[0].corners[2] = 5;
    buildTerrainIndex(bare);
    EXPECT_EQ(heightAt(bare, {2, 3}), 0.0f);
    EXPECT_EQ(bare.lastFace, -1);
    EXPECT_EQ(faceNormal(bare, bare.faces[0]).z, 0.0f);
}

// Compares the indexed and the linear query bit for bit, including lastFace, on
// random points, every vertex, edge midpoint, the box edges just inside and
// outside, and the index's cell borders. Returns the number of points on a face.
size_t expectIndexMatchesScan(TerrainMesh& m, uint64_t seed, int randomCount) {
    std::vector<MapPoint> pts;
    MapRandom rnd{seed};
    const float x0 = m.boxMin.x, y0 = m.boxMin.y, x1 = m.boxMax.x, y1 = m.boxMax.y, dx = x1 - x0, dy = y1 - y0;
    for (int i = 0; i < randomCount; ++i)
        pts.push_back({static_cast<float>(x0 - 0.05 * dx + 1.1 * dx * randomUnit(rnd)),
                       static_cast<float>(y0 - 0.05 * dy + 1.1 * dy * randomUnit(rnd))});
    for (const MapVertex& v : m.vertices) pts.push_back({v.x, v.y});
    for (const MapFace& f : m.faces)
        for (int k = 0; k < 3; ++k) {
            const MapVertex& a = m.vertices[static_cast<size_t>(f.corners[k])];
            const MapVertex& b = m.vertices[static_cast<size_t>(f.corners[(k + 1) % 3])];
            pts.push_back({(a.x + b.x) / 2, (a.y + b.y) / 2});
        }
    for (int i = 0; i <= 200; ++i) {
        const float t = static_cast<float>(i) / 200;
        for (MapPoint p : {MapPoint{x0 + t * dx, y0}, {x0 + t * dx, y1}, {x0, y0 + t * dy}, {x1, y0 + t * dy},
                           {std::nextafter(x0, -1e30f), y0 + t * dy}, {std::nextafter(x1, 1e30f), y0 + t * dy}})
            pts.push_back(p);
    }
    const TerrainIndex& idx = m.index;
    for (int c = 0; c <= idx.cols; ++c)
        for (int r = 0; r <= idx.rows; r += std::max(1, idx.rows / 17))
            pts.push_back({idx.minX + static_cast<float>(c) * idx.cellW, idx.minY + static_cast<float>(r) * idx.cellH});

    size_t bad = 0, hits = 0;
    for (MapPoint p : pts) {
        const float a = heightAt(m, p);
        const int fa = m.lastFace;
        const float b = heightAtLinear(m, p);
        bad += bits(a) != bits(b) || fa != m.lastFace;
        hits += fa >= 0;
    }
    EXPECT_EQ(bad, 0u);
    return hits;
}

TEST(TerrainQueries, IndexAgreesWithLinearScan) {
    TerrainMesh m;
    ASSERT_TRUE(parse(m, generated(36, 28, 3)));
    ASSERT_GT(m.index.cols * m.index.rows, 100);
    EXPECT_GT(expectIndexMatchesScan(m, 11, 6000), 3000u);

    // A long thin map with an odd grid.
    TerrainMesh t;
    ASSERT_TRUE(parse(t, generated(90, 3, 1, {0, 0, 1000, 3}, false)));
    EXPECT_GT(expectIndexMatchesScan(t, 12, 5000), 2500u);

    // A scatter of overlapping random triangles of every size, so faces span many cells.
    MapRandom rnd{99};
    std::string scatter = "600\n";
    for (int i = 0; i < 600; ++i) {
        const double s = i % 50 == 0 ? 60 : 4, cx = randomUnit(rnd) * 60, cy = randomUnit(rnd) * 60;
        scatter += std::to_string(cx + s * (randomUnit(rnd) - 0.5)) + " " + std::to_string(cy + s * (randomUnit(rnd) - 0.5)) +
                   " " + std::to_string(randomUnit(rnd) * 9) + "\n";
    }
    scatter += "200\n";
    for (int i = 0; i < 200; ++i)
        scatter += std::to_string(i % 4) + " 0 0 " + std::to_string(3 * i) + " " + std::to_string(3 * i + 1) + " " +
                   std::to_string(3 * i + 2) + "\n";
    TerrainMesh sc;
    ASSERT_TRUE(parse(sc, scatter));
    EXPECT_GT(expectIndexMatchesScan(sc, 13, 8000), 1000u);
    EXPECT_LE(sc.index.cellFaces.size(), 8 * sc.faces.size() + 1024);

    // Faces changed after the index was built: the query falls back to the scan.
    sc.faces.resize(10);
    expectIndexMatchesScan(sc, 13, 8000);
}

}  // namespace
