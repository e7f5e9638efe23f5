#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "mapgen.h"
#include "terrain/terrain.h"

namespace {

bool parse(TerrainMesh& mesh, const std::string& text, std::string* error = nullptr) {
    std::string e;
    bool ok = parseTerrainMesh(mesh, text.data(), text.size(), e);
    if (error) *error = e;
    return ok;
}

void expectBox(const TerrainMesh& m, MapVertex lo, MapVertex hi) {
    EXPECT_EQ(m.boxMin.x, lo.x);
    EXPECT_EQ(m.boxMin.y, lo.y);
    EXPECT_EQ(m.boxMin.z, lo.z);
    EXPECT_EQ(m.boxMax.x, hi.x);
    EXPECT_EQ(m.boxMax.y, hi.y);
    EXPECT_EQ(m.boxMax.z, hi.z);
}

uint32_t bits(float f) {
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

std::string tempDir() {
    char tmpl[] = "/tmp/vt_terrain_XXXXXX";
    const char* d = mkdtemp(tmpl);
    return d ? std::string(d) + "/" : std::string("/tmp/");
}

void writeBytes(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// A mesh built by hand from points and faces, with lights and the index.
TerrainMesh makeMesh(std::initializer_list<MapVertex> verts, std::initializer_list<std::array<int, 3>> faces) {
    TerrainMesh m;
    m.vertices = verts;
    for (const auto& f : faces) {
        MapFace face;
        face.corners[0] = f[0];
        face.corners[1] = f[1];
        face.corners[2] = f[2];
        m.faces.push_back(face);
    }
    computeBoundingBox(m);
    for (MapFace& f : m.faces) computeFaceLight(m, f);
    buildTerrainIndex(m);
    return m;
}

}  // namespace

TEST(TerrainReader, CountsBoxesAndLayout) {
    TerrainMesh m;
    ASSERT_TRUE(parse(m, "3\n0 0 5\n10 -2 1\n4 8 3\n1\n7 -99 123456 0 1 2\n"));
    ASSERT_EQ(m.vertices.size(), 3u);
    ASSERT_EQ(m.faces.size(), 1u);
    expectBox(m, {0, -2, 1}, {10, 8, 5});
    EXPECT_EQ(m.faces[0].terrainType, 7);
    EXPECT_EQ(m.faces[0].corners[0], 0);
    EXPECT_EQ(m.faces[0].corners[1], 1);
    EXPECT_EQ(m.faces[0].corners[2], 2);
    EXPECT_EQ(m.vertices[1].y, -2.0f);

    // Line breaks carry no meaning; numbers may sit on one line.
    ASSERT_TRUE(parse(m, "3 0 0 5 10 -2 1 4 8 3 1 -4 0 0 2 1 0"));
    EXPECT_EQ(m.faces[0].terrainType, -4);
    EXPECT_EQ(m.faces[0].corners[0], 2);

    // Nothing at all: an empty mesh keeps the empty box.
    ASSERT_TRUE(parse(m, "0\n0\n"));
    EXPECT_TRUE(m.vertices.empty());
    EXPECT_TRUE(m.faces.empty());
    expectBox(m, {1, 1, 1}, {-1, -1, -1});

    ASSERT_TRUE(parse(m, "1\n-3.5 2 7\n0\n"));
    expectBox(m, {-3.5f, 2, 7}, {-3.5f, 2, 7});

    // A successful read replaces what was there; parties stay.
    m.partyPositions.push_back({5, 6});
    ASSERT_TRUE(parse(m, "0 0"));
    EXPECT_TRUE(m.vertices.empty());
    EXPECT_EQ(m.partyPositions.size(), 1u);
}

TEST(TerrainReader, ScanfNumberSyntax) {
    // Signs, exponents, leading and trailing points, hexadecimal floats and
    // underflow all read as scanf reads them, in both readers.
    std::string text =
        "4\n+1.5 -0 1e-3\n.5 5. 0x1p3\n1e-50 3.4028235e38 -2.5E+2\n\t7 \v8\f 9\n"
        "2\n+3 0 0 0 1 2\n-0 1 1 1 2 3\n";
    TerrainMesh fast, ref;
    std::string e1, e2;
    ASSERT_TRUE(parseTerrainMesh(fast, text.data(), text.size(), e1)) << e1;
    ASSERT_TRUE(parseTerrainMeshScanf(ref, text.data(), text.size(), e2)) << e2;
    ASSERT_EQ(fast.vertices.size(), 4u);
    EXPECT_EQ(fast.vertices[0].x, 1.5f);
    EXPECT_EQ(fast.vertices[1].z, 8.0f);
    EXPECT_EQ(fast.vertices[2].y, 3.4028235e38f);
    EXPECT_EQ(fast.vertices[2].z, -250.0f);
    EXPECT_EQ(fast.faces[0].terrainType, 3);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(bits(fast.vertices[i].x), bits(ref.vertices[i].x)) << i;
        EXPECT_EQ(bits(fast.vertices[i].y), bits(ref.vertices[i].y)) << i;
        EXPECT_EQ(bits(fast.vertices[i].z), bits(ref.vertices[i].z)) << i;
    }
    EXPECT_EQ(bits(fast.vertices[0].y), bits(-0.0f));

    // An exponent mark without digits is part of the number and ignored, as scanf reads it.
    const char bare[] = "1\n1e 2E+ 3e-\n0\n";
    ASSERT_TRUE(parseTerrainMesh(fast, bare, sizeof bare - 1, e1)) << e1;
    ASSERT_TRUE(parseTerrainMeshScanf(ref, bare, sizeof bare - 1, e2)) << e2;
    EXPECT_EQ(fast.vertices[0].x, 1.0f);
    EXPECT_EQ(fast.vertices[0].y, 2.0f);
    EXPECT_EQ(fast.vertices[0].z, 3.0f);
    EXPECT_EQ(ref.vertices[0].z, 3.0f);
    EXPECT_EQ(bits(fast.vertices[2].x), bits(ref.vertices[2].x));
}

TEST(TerrainReader, FastReaderMatchesScanfOnGeneratedMap) {
    MapGenParams p;
    p.gridX = 60;
    p.gridY = 45;
    p.seed = 7;
    std::string text = generateMapText(p);
    TerrainMesh fast, ref;
    std::string e1, e2;
    ASSERT_TRUE(parseTerrainMesh(fast, text.data(), text.size(), e1)) << e1;
    ASSERT_TRUE(parseTerrainMeshScanf(ref, text.data(), text.size(), e2)) << e2;
    ASSERT_EQ(fast.vertices.size(), 61u * 46u);
    ASSERT_EQ(fast.faces.size(), 2u * 60u * 45u);
    ASSERT_EQ(fast.vertices.size(), ref.vertices.size());
    ASSERT_EQ(fast.faces.size(), ref.faces.size());
    size_t diff = 0;
    for (size_t i = 0; i < fast.vertices.size(); ++i)
        diff += bits(fast.vertices[i].x) != bits(ref.vertices[i].x) || bits(fast.vertices[i].y) != bits(ref.vertices[i].y) ||
                bits(fast.vertices[i].z) != bits(ref.vertices[i].z);
    for (size_t i = 0; i < fast.faces.size(); ++i)
        diff += fast.faces[i].terrainType != ref.faces[i].terrainType ||
                std::memcmp(fast.faces[i].corners, ref.faces[i].corners, sizeof fast.faces[i].corners) != 0 ||
                bits(fast.faces[i].light) != bits(ref.faces[i].light);
    EXPECT_EQ(diff, 0u);
    expectBox(fast, ref.boxMin, ref.boxMax);
    EXPECT_EQ(fast.boxMin.x, -100.0f);
    EXPECT_EQ(fast.boxMax.y, 100.0f);
    EXPECT_GE(fast.boxMin.z, 0.0f);
    // Generated corners run counter-clockwise seen from above: every face is lit from above.
    for (const MapFace& f : fast.faces) ASSERT_GT(faceNormal(fast, f).z, 0.0f);
}

TEST(TerrainReader, BadContentIsRejectedWithItsFault) {
    struct Case {
        const char* text;
        const char* fault;
    };
    const Case cases[] = {
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
    for (const Case& c : cases) {
        TerrainMesh m = makeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
        std::string error;
        EXPECT_FALSE(parse(m, c.text, &error)) << c.text;
        EXPECT_NE(error.find(c.fault), std::string::npos) << "text: " << c.text << "\nerror: " << error;
        EXPECT_TRUE(m.vertices.empty()) << c.text;
        EXPECT_TRUE(m.faces.empty()) << c.text;
        expectBox(m, {1, 1, 1}, {-1, -1, -1});
        EXPECT_EQ(m.lastFace, -1);
        EXPECT_EQ(heightAt(m, {0.1f, 0.1f}), 0.0f);

        TerrainMesh r;
        std::string refError;
        EXPECT_FALSE(parseTerrainMeshScanf(r, c.text, std::strlen(c.text), refError)) << c.text;
        EXPECT_TRUE(r.vertices.empty() && r.faces.empty());
    }
}

TEST(TerrainReader, FilesMessagesAndCrLf) {
    std::string dir = tempDir();
    TerrainMesh m;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(readTerrainMesh(m, dir + "missing/map.txt"));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Cannot open map \"" + dir + "missing/map.txt\"\nwrong path? check Veltrune.cfg\n");

    writeBytes(dir + "map.txt", "3\r\n0 0 5\r\n10 -2 1\r\n4 8 3\r\n1\r\n2 0 0 0 1 2\r\n");
    testing::internal::CaptureStdout();
    // Backslashes and letter case of the module path are resolved by the file layer.
    EXPECT_TRUE(readTerrainMesh(m, dir + "MAP.TXT"));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    expectBox(m, {0, -2, 1}, {10, 8, 5});
    EXPECT_EQ(m.faces.size(), 1u);

    writeBytes(dir + "bad.txt", "3\n0 0 0 1 0 0 0 1 0\n1\n0 0 0 0 1 900\n");
    testing::internal::CaptureStdout();
    EXPECT_FALSE(readTerrainMesh(m, dir + "bad.txt"));
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "Bad map \"" + dir + "bad.txt\": face 0 corner 2 index 900 is not a vertex (0..2)\n");
    EXPECT_TRUE(m.faces.empty());
}

TEST(TerrainGeometry, NormalsAndLight) {
    EXPECT_EQ(LIGHT_DIRECTION.x, 0.0f);
    EXPECT_EQ(LIGHT_DIRECTION.y, -0.31622776f);
    EXPECT_EQ(LIGHT_DIRECTION.z, 0.94868326f);

    TerrainMesh m = makeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {2, 2, 2}, {4, 4, 4}, {0, 0, 1}},
                             {{0, 1, 2}, {0, 2, 1}, {0, 3, 4}, {0, 1, 5}});
    MapVertex n = faceNormal(m, m.faces[0]);
    EXPECT_EQ(n.x, 0.0f);
    EXPECT_EQ(n.y, 0.0f);
    EXPECT_EQ(n.z, 1.0f);
    EXPECT_FLOAT_EQ(m.faces[0].light, 0.94868326f);
    n = faceNormal(m, m.faces[1]);
    EXPECT_EQ(n.z, -1.0f);
    EXPECT_FLOAT_EQ(m.faces[1].light, -0.94868326f);
    // Collinear corners: the zero vector and no light.
    n = faceNormal(m, m.faces[2]);
    EXPECT_EQ(n.x, 0.0f);
    EXPECT_EQ(n.y, 0.0f);
    EXPECT_EQ(n.z, 0.0f);
    EXPECT_EQ(m.faces[2].light, 0.0f);
    // A vertical face in the x/z plane faces -y, towards the light's tilt.
    n = faceNormal(m, m.faces[3]);
    EXPECT_FLOAT_EQ(n.y, -1.0f);
    EXPECT_FLOAT_EQ(m.faces[3].light, 0.31622776f);

    // Coordinates whose products overflow floats still give a unit normal.
    TerrainMesh big = makeMesh({{0, 0, 0}, {3e30f, 0, 0}, {0, 3e30f, 0}}, {{0, 1, 2}});
    n = faceNormal(big, big.faces[0]);
    EXPECT_FLOAT_EQ(n.z, 1.0f);
    EXPECT_FLOAT_EQ(big.faces[0].light, 0.94868326f);
}

TEST(TerrainQueries, WeightsHeightsAndTies) {
    TerrainMesh m = makeMesh({{0, 0, 0}, {10, 0, 10}, {0, 10, 20}}, {{0, 1, 2}});
    float w[3] = {-1, -1, -1};
    ASSERT_TRUE(pointInFace(m, m.faces[0], {2, 3}, w));
    EXPECT_FLOAT_EQ(w[0], 0.5f);
    EXPECT_FLOAT_EQ(w[1], 0.2f);
    EXPECT_FLOAT_EQ(w[2], 0.3f);
    EXPECT_FLOAT_EQ(heightAt(m, {2, 3}), 8.0f);
    EXPECT_EQ(m.lastFace, 0);
    EXPECT_FALSE(pointInFace(m, m.faces[0], {6, 6}, w));

    TerrainMesh r = makeMesh({{0, 0, 0}, {10, 0, 10}, {0, 10, 20}}, {{0, 2, 1}});
    EXPECT_FLOAT_EQ(heightAt(r, {2, 3}), 8.0f);
    ASSERT_TRUE(pointInFace(r, r.faces[0], {2, 3}, w));
    EXPECT_FLOAT_EQ(w[0], 0.5f);
    EXPECT_FLOAT_EQ(w[1], 0.3f);
    EXPECT_FLOAT_EQ(w[2], 0.2f);

    // Two faces sharing the edge (10,0)-(0,10): the first in the file wins on the
    // edge; a shared corner gives that corner's height.
    TerrainMesh s = makeMesh({{0, 0, 0}, {10, 0, 10}, {0, 10, 20}, {10, 10, 50}}, {{1, 3, 2}, {0, 1, 2}});
    EXPECT_FLOAT_EQ(heightAt(s, {5, 5}), 15.0f);
    EXPECT_EQ(s.lastFace, 0);
    EXPECT_FLOAT_EQ(heightAtLinear(s, {5, 5}), 15.0f);
    EXPECT_EQ(s.lastFace, 0);
    EXPECT_FLOAT_EQ(heightAt(s, {10, 0}), 10.0f);
    EXPECT_EQ(s.lastFace, 0);
    EXPECT_FLOAT_EQ(heightAt(s, {1, 1}), 3.0f);
    EXPECT_EQ(s.lastFace, 1);
    // The normal belongs to the face found last.
    float nx = 7, ny = 7, nz = 7;
    lastFaceNormal(s, nx, ny, nz);
    MapVertex expect = faceNormal(s, s.faces[1]);
    EXPECT_EQ(nx, expect.x);
    EXPECT_EQ(ny, expect.y);
    EXPECT_EQ(nz, expect.z);

    // Outside every face: height 0 and the caller's preset normal stays.
    EXPECT_EQ(heightAt(s, {20, 5}), 0.0f);
    EXPECT_EQ(s.lastFace, -1);
    EXPECT_EQ(heightAt(s, {-0.001f, 5}), 0.0f);
    EXPECT_EQ(heightAt(s, {NAN, 5}), 0.0f);
    EXPECT_EQ(s.lastFace, -1);
    nx = 0, ny = 0, nz = 1;
    lastFaceNormal(s, nx, ny, nz);
    EXPECT_EQ(nx, 0.0f);
    EXPECT_EQ(ny, 0.0f);
    EXPECT_EQ(nz, 1.0f);

    TerrainMesh empty;
    EXPECT_EQ(heightAt(empty, {0, 0}), 0.0f);
    EXPECT_EQ(empty.lastFace, -1);
}

TEST(TerrainQueries, DegenerateFaceContainsNothing) {
    // Face 0 lies on the line y = x; face 1 covers it properly.
    TerrainMesh m = makeMesh({{0, 0, 5}, {5, 5, 9}, {10, 10, 1}, {10, 0, 4}, {0, 10, 4}}, {{0, 1, 2}, {0, 3, 4}});
    float w[3];
    EXPECT_FALSE(pointInFace(m, m.faces[0], {2, 2}, w));
    EXPECT_FALSE(pointInFace(m, m.faces[0], {0, 0}, w));
    float h = heightAt(m, {2, 2});
    EXPECT_TRUE(std::isfinite(h));
    EXPECT_FLOAT_EQ(h, 5 * 0.6f + 4 * 0.2f + 4 * 0.2f);
    EXPECT_EQ(m.lastFace, 1);

    // Only the degenerate face: nothing is found, the height is 0.
    TerrainMesh d = makeMesh({{0, 0, 5}, {5, 5, 9}, {10, 10, 1}}, {{0, 1, 2}});
    EXPECT_EQ(heightAt(d, {5, 5}), 0.0f);
    EXPECT_EQ(d.lastFace, -1);
    EXPECT_EQ(heightAtLinear(d, {5, 5}), 0.0f);
    // All three corners in one point.
    TerrainMesh p = makeMesh({{3, 3, 1}}, {{0, 0, 0}});
    EXPECT_EQ(heightAt(p, {3, 3}), 0.0f);
    EXPECT_EQ(p.lastFace, -1);
}

namespace {

// Compares the indexed and the linear query bit for bit, including lastFace.
size_t countMismatches(TerrainMesh& m, const std::vector<MapPoint>& points, size_t* hits) {
    size_t bad = 0;
    *hits = 0;
    for (MapPoint p : points) {
        float a = heightAt(m, p);
        int fa = m.lastFace;
        float b = heightAtLinear(m, p);
        int fb = m.lastFace;
        if (bits(a) != bits(b) || fa != fb) ++bad;
        if (fa >= 0) ++*hits;
    }
    return bad;
}

std::vector<MapPoint> probePoints(const TerrainMesh& m, uint64_t seed, int randomCount) {
    std::vector<MapPoint> pts;
    MapRandom rnd{seed};
    float x0 = m.boxMin.x, y0 = m.boxMin.y, x1 = m.boxMax.x, y1 = m.boxMax.y;
    float dx = x1 - x0, dy = y1 - y0;
    for (int i = 0; i < randomCount; ++i)
        pts.push_back({static_cast<float>(x0 - 0.05 * dx + 1.1 * dx * randomUnit(rnd)),
                       static_cast<float>(y0 - 0.05 * dy + 1.1 * dy * randomUnit(rnd))});
    for (const MapVertex& v : m.vertices) pts.push_back({v.x, v.y});
    for (const MapFace& f : m.faces) {
        for (int k = 0; k < 3; ++k) {
            const MapVertex& a = m.vertices[static_cast<size_t>(f.corners[k])];
            const MapVertex& b = m.vertices[static_cast<size_t>(f.corners[(k + 1) % 3])];
            pts.push_back({(a.x + b.x) / 2, (a.y + b.y) / 2});
        }
    }
    for (int i = 0; i <= 200; ++i) {
        float t = static_cast<float>(i) / 200;
        pts.push_back({x0 + t * dx, y0});
        pts.push_back({x0 + t * dx, y1});
        pts.push_back({x0, y0 + t * dy});
        pts.push_back({x1, y0 + t * dy});
        pts.push_back({std::nextafter(x0, -1e30f), y0 + t * dy});
        pts.push_back({std::nextafter(x1, 1e30f), y0 + t * dy});
    }
    // Exactly on the grid index's cell borders.
    const TerrainIndex& idx = m.index;
    for (int c = 0; c <= idx.cols; ++c)
        for (int r = 0; r <= idx.rows; r += std::max(1, idx.rows / 17))
            pts.push_back({idx.minX + static_cast<float>(c) * idx.cellW, idx.minY + static_cast<float>(r) * idx.cellH});
    return pts;
}

}  // namespace

TEST(TerrainQueries, IndexAgreesWithLinearScan) {
    MapGenParams p;
    p.gridX = 36;
    p.gridY = 28;
    p.seed = 3;
    std::string text = generateMapText(p);
    TerrainMesh m;
    ASSERT_TRUE(parse(m, text));
    ASSERT_GT(m.index.cols * m.index.rows, 100);
    ASSERT_EQ(m.index.cellStart.size(), static_cast<size_t>(m.index.cols * m.index.rows + 1));
    std::vector<MapPoint> pts = probePoints(m, 11, 6000);
    size_t hits = 0;
    EXPECT_EQ(countMismatches(m, pts, &hits), 0u);
    EXPECT_GT(hits, pts.size() / 2);

    // A long thin map with an odd grid and a scatter of overlapping random
    // triangles of every size, so faces span many cells and overlap.
    MapGenParams thin;
    thin.gridX = 90;
    thin.gridY = 3;
    thin.box = {0, 0, 1000, 3};
    thin.island = false;
    TerrainMesh t;
    ASSERT_TRUE(parse(t, generateMapText(thin)));
    pts = probePoints(t, 12, 5000);
    EXPECT_EQ(countMismatches(t, pts, &hits), 0u);
    EXPECT_GT(hits, pts.size() / 2);

    MapRandom rnd{99};
    std::string scatter = "600\n";
    for (int i = 0; i < 600; ++i) {
        char line[96];
        double s = i % 50 == 0 ? 60 : 4;
        double cx = randomUnit(rnd) * 60, cy = randomUnit(rnd) * 60;
        std::snprintf(line, sizeof line, "%.3f %.3f %.3f\n", cx + s * (randomUnit(rnd) - 0.5),
                      cy + s * (randomUnit(rnd) - 0.5), randomUnit(rnd) * 9);
        scatter += line;
    }
    scatter += "200\n";
    for (int i = 0; i < 200; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "%d 0 0 %d %d %d\n", i % 4, 3 * i, 3 * i + 1, 3 * i + 2);
        scatter += line;
    }
    TerrainMesh sc;
    ASSERT_TRUE(parse(sc, scatter));
    pts = probePoints(sc, 13, 8000);
    EXPECT_EQ(countMismatches(sc, pts, &hits), 0u);
    EXPECT_GT(hits, 1000u);
    EXPECT_LE(sc.index.cellFaces.size(), 8 * sc.faces.size() + 1024);

    // Faces changed after the index was built: the query falls back to the scan.
    sc.faces.resize(10);
    EXPECT_EQ(countMismatches(sc, pts, &hits), 0u);
}

TEST(TerrainQueries, IndexOfFlatAndHandMadeMeshes) {
    // All faces on one vertical line of the plane (no x extent): every face is
    // degenerate; the index must still answer like the scan.
    TerrainMesh line = makeMesh({{0, 0, 1}, {0, 5, 2}, {0, 9, 3}}, {{0, 1, 2}, {2, 1, 0}});
    EXPECT_EQ(line.index.cols, 1);
    EXPECT_EQ(heightAt(line, {0, 5}), 0.0f);
    EXPECT_EQ(line.lastFace, -1);

    // A mesh built without the index answers by the scan.
    TerrainMesh m;
    m.vertices = {{0, 0, 0}, {10, 0, 10}, {0, 10, 20}};
    MapFace f;
    f.corners[0] = 0;
    f.corners[1] = 1;
    f.corners[2] = 2;
    m.faces.push_back(f);
    EXPECT_FLOAT_EQ(heightAt(m, {2, 3}), 8.0f);
    EXPECT_EQ(m.lastFace, 0);
    // A corner index outside the vertices never reads past them.
    m.faces[0].corners[2] = 5;
    buildTerrainIndex(m);
    EXPECT_EQ(heightAt(m, {2, 3}), 0.0f);
    EXPECT_EQ(m.lastFace, -1);
    MapVertex n = faceNormal(m, m.faces[0]);
    EXPECT_EQ(n.z, 0.0f);
}

TEST(TerrainReader, MangledTextNeverYieldsABadMesh) {
    // Random damage to a valid map: every outcome is either a rejected file with
    // an empty mesh and a message, or a mesh whose corners are all vertices.
    MapGenParams p;
    p.gridX = 3;
    p.gridY = 2;
    const std::string good = generateMapText(p);
    const char alphabet[] = "0123456789-+.eE x\n\t";
    MapRandom rnd{2024};
    int rejected = 0, accepted = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string text = good;
        int edits = 1 + static_cast<int>(nextRandom(rnd) % 4);
        for (int k = 0; k < edits; ++k) {
            size_t at = nextRandom(rnd) % text.size();
            switch (nextRandom(rnd) % 3) {
                case 0: text[at] = alphabet[nextRandom(rnd) % (sizeof alphabet - 1)]; break;
                case 1: text.erase(at, 1 + nextRandom(rnd) % 8); break;
                default: text.resize(at); break;
            }
            if (text.empty()) text.push_back('7');
        }
        TerrainMesh m;
        std::string error;
        if (parseTerrainMesh(m, text.data(), text.size(), error)) {
            ++accepted;
            for (const MapFace& f : m.faces)
                for (int c : f.corners) ASSERT_TRUE(c >= 0 && static_cast<size_t>(c) < m.vertices.size());
            EXPECT_TRUE(error.empty());
        } else {
            ++rejected;
            EXPECT_TRUE(m.vertices.empty() && m.faces.empty());
            EXPECT_FALSE(error.empty());
        }
        TerrainMesh r;
        std::string refError;
        EXPECT_EQ(parseTerrainMeshScanf(r, text.data(), text.size(), refError), error.empty()) << text;
        EXPECT_EQ(r.vertices.size(), m.vertices.size());
        EXPECT_EQ(r.faces.size(), m.faces.size());
    }
    EXPECT_GT(rejected, 100);
    EXPECT_GT(accepted, 10);
}
