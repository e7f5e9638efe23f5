// src/preview: from the exported files to a picture: reading them through
// src/formats, drawing in software, PNG. Depends on formats, terrain, config and
// platform; never on the export, labels, atlas or app.
//
// A picture of the export, drawn in software from the exported files themselves:
// the whole map from straight above, turned as the editor's start view shows it
// (map x grows to the left, map y downwards), with a margin of 2% of the size
// around it; the terrain coloured, lit and outlined as the editor draws it, the
// module's parties as its markers, and every letter party of "parties.txt" whose
// icon names a mesh of the BRF, with each face of that mesh placed by the
// party's anchor and rotation as the game places it (heights ignored),
// textured from the DDS and blended with its vertex colour's alpha.
//
// Calls in the order they are used: loadPreviewExport reads the module's
// "parties.orig.txt", "parties.txt", "map_icons.txt", "Resource\map_names.brf"
// and "textures\map_names.dds"; renderPreview draws; encodePng turns the picture
// into a PNG file's bytes. Nothing here prints: failures come back in reports.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formats/dds_read.h"
#include "config/config.h"
#include "formats/brf_read.h"
#include "formats/records.h"
#include "terrain/terrain.h"
#include "terrain/terrain_colors.h"

constexpr int PREVIEW_SIZE_DEFAULT = 2048;
constexpr int PREVIEW_SIZE_MIN = 64;
constexpr int PREVIEW_SIZE_MAX = 16384;

struct PreviewExport {
    std::vector<PartyRecord> parties;   // the parties after the module's own
    std::vector<std::string> iconMeshes;  // mesh name by icon number
    std::vector<BrfMesh> meshes;
    DdsTexture texture;
};

// Reads the export's files; fails with a sentence naming the file that is missing
// or damaged.
Report loadPreviewExport(const AppConfig& config, PreviewExport& out);

struct PreviewImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // row 0 at the top
};

struct PreviewResult {
    int drawn = 0;    // letter parties drawn
    int missing = 0;  // letter parties whose icon names no mesh of the BRF
};

// The map's longer side takes size pixels (clamped to 64..16384), with the margin
// on every side; false when the picture is too large to hold.
bool renderPreview(const TerrainMesh& terrain, const TerrainColorTable& colors, const PreviewExport& exported,
                   int size, PreviewImage& image, PreviewResult& result);

// The PNG file's bytes (stb_image_write); empty when it cannot be made.
std::string encodePng(const PreviewImage& image);
