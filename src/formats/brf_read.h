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

#include <string>
#include <vector>

#include "formats/brf.h"

// The meshes of a BRF file in memory, in file order.
bool parseBrf(const std::string& bytes, std::vector<BrfMesh>& meshes, std::string& error);
