// Reading a BRF resource as the export writes it: the texture and material
// sections are stepped over, the mesh section is read whole. A mesh may hold any
// number of vertices and faces (one letter's quad, or several letters' quads).
//
// Positions are in the game's axes as stored, (-y, x, z) of the letter frame;
// texture coordinates as stored (v counted from the bottom of the texture).
// parseBrf never reads past its bytes and never takes memory for counts that the
// bytes behind them cannot hold; on bad content it returns false with one
// sentence in error.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct BrfVertex {
    int position = 0;     // index into BrfMesh::positions
    uint32_t colour = 0;  // alpha in the top byte, then red, green, blue
    float u = 0, v = 0;   // the first texture coordinate pair
};

struct BrfPosition {
    float x = 0, y = 0, z = 0;
};

struct BrfMesh {
    std::string name;
    std::string material;
    std::vector<BrfPosition> positions;
    std::vector<BrfVertex> vertices;
    std::vector<int> faces;  // three vertex record indices per face
};

// The meshes of a BRF file in memory, in file order.
bool parseBrf(const std::string& bytes, std::vector<BrfMesh>& meshes, std::string& error);
