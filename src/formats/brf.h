// src/formats: the module's file formats as bytes and plain records (BRF, DDS,
// the icon and party lists). Depends on src/platform and the terrain's MapPoint
// only: nothing of labels, the atlas, the export or the window.
//
// The BRF resource writer: little-endian 32-bit integers and floats, strings as a
// 32-bit length and their bytes. Every writer appends to a byte buffer. The
// export turns its letters into mesh records, the preview reads them back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A mesh as the resource holds it: positions in the game's axes, texture
// coordinates with v counted from the bottom of the texture.
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

void writeBrfString(std::string& out, const std::string& text);
void writeBrfInt(std::string& out, int32_t value);
void writeBrfFloat(std::string& out, float value);
// The fixed 153-byte texture and material block.
const std::string& materialBlock();
// One mesh record: its name, flags 0, its material, the positions, no vertex
// animation, every vertex record with the normal (0, 0, 1) and its texture
// coordinates twice, and the faces.
void writeBrfMesh(const BrfMesh& mesh, std::string& out);
