// src/terrain: the module's map (reading, the height index and queries) and its
// colours; drawing only in terrain_draw.cpp. Depends on src/platform only.
//
// The module's world map: a triangle mesh read once from "map.txt".
//
// Coordinates are the mesh's own: x and y span the map plane (seen from above),
// z is the height. Every label coordinate is in this system.
//
// Calls in the order they are used:
//   readTerrainMesh (or parseTerrainMesh on text in memory) fills the mesh, its
//   bounding box, every face's light and the spatial index;
//   heightAt answers the terrain height under a map point from the index and
//   remembers the face it found in lastFace; lastFaceNormal gives that face's normal.
//   heightAtLinear is the plain scan over all faces in file order that heightAt
//   must always agree with (results and lastFace).
//
// The mesh is read-only after start-up except for lastFace (a query cursor) and
// partyPositions and partyNames (filled once by the party reader).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/report.h"

struct MapPoint {
    float x = 0;
    float y = 0;
};

struct MapVertex {
    float x = 0, y = 0, z = 0;
};

// A shown party's id ("p_town_6") and the name the map shows for it ("Eastvale",
// the name field with "_" read as a space).
struct PartyName {
    std::string id;
    std::string name;
};

struct MapFace {
    int corners[3] = {0, 0, 0};  // indices into vertices, always valid after reading
    int terrainType = 0;
    float light = 0;
};

// Uniform grid over the bounding box; each cell lists, in ascending order, the
// faces whose x/y bounding box touches it.
struct TerrainIndex {
    float minX = 0, minY = 0;
    float maxX = 0, maxY = 0;  // x/y box of the indexed faces' corners
    float cellW = 1, cellH = 1;
    int cols = 0, rows = 0;
    size_t faceCount = 0;  // faces indexed; heightAt scans linearly when the mesh has a different count
    std::vector<uint32_t> cellStart;  // cols*rows + 1 offsets into cellFaces
    std::vector<uint32_t> cellFaces;
};

struct TerrainMesh {
    std::vector<MapVertex> vertices;
    std::vector<MapFace> faces;
    MapVertex boxMin{1, 1, 1};
    MapVertex boxMax{-1, -1, -1};
    std::vector<MapPoint> partyPositions;
    std::vector<PartyName> partyNames;  // for partyPositions[i] when filled, by index
    TerrainIndex index;
    int lastFace = -1;  // face found by the most recent height query; -1 for none
};

// (0, -1, 3) / sqrt(10) in 32-bit floats.
extern const MapVertex LIGHT_DIRECTION;

// Fails with "Cannot open map ..." or one line naming the file and the fault of
// bad content; the mesh is then left empty. `fault`, when given, gets the reason
// alone: cannot open "<path>", or the fault of the content.
Report readTerrainMesh(TerrainMesh& mesh, const std::string& path, std::string* fault = nullptr);
// Parses map text; on bad content returns false with a one-line description in error.
bool parseTerrainMesh(TerrainMesh& mesh, const char* text, size_t size, std::string& error);

// No vertices, faces, box or index: the mesh of a reader that failed.
void clearTerrainMesh(TerrainMesh& mesh);
// Fills the mesh anew: its vertices and faces by readRecords, then the bounding
// box, every face's light and, when `index` is set, the height index. When
// readRecords fails the mesh is left empty.
bool fillTerrainMesh(TerrainMesh& mesh, bool index, const std::function<bool(TerrainMesh&)>& readRecords);
void computeBoundingBox(TerrainMesh& mesh);
MapVertex faceNormal(const TerrainMesh& mesh, const MapFace& face);
void computeFaceLight(const TerrainMesh& mesh, MapFace& face);
void buildTerrainIndex(TerrainMesh& mesh);

// True when all three corner indices name vertices of the mesh.
bool faceCornersValid(const TerrainMesh& mesh, const MapFace& face);
bool pointInFace(const TerrainMesh& mesh, const MapFace& face, MapPoint p, float w[3]);
float heightAt(TerrainMesh& mesh, MapPoint p);
float heightAtLinear(TerrainMesh& mesh, MapPoint p);
// The index in partyPositions of the party nearest to p within radius (map
// units), -1 for none; of equal distances the first.
int partyNear(const TerrainMesh& mesh, MapPoint p, float radius);
// Writes the normal of lastFace into n; leaves n unchanged when there is none.
void lastFaceNormal(const TerrainMesh& mesh, float& nx, float& ny, float& nz);
