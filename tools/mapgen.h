// Seeded, deterministic generators of module files for tests, the benchmark and
// the example module: a world map ("map.txt" text), the module's orig party and
// icon lists, and a label store.
//
// The same parameters always give the same bytes on every platform: the random
// numbers come from a fixed splitmix64 sequence, and only printf formats the text.
// The texts use LF line ends; the game writes its orig files with CR LF, so the
// caller converts those (toCrlf) when writing them out.
#pragma once

#include <cstdint>
#include <string>

struct MapBox {
    float minX = -100, minY = -100;
    float maxX = 100, maxY = 100;
};

struct MapGenParams {
    int gridX = 40;  // quads along x; each quad is two triangles
    int gridY = 40;  // quads along y
    uint64_t seed = 1;
    MapBox box;               // the x/y extent of the map
    float maxHeight = 20;     // heights run from 0 (sea level) to about this
    int hills = 6;            // smooth bumps added to the island's dome
    bool island = true;       // false: hills over the whole area, no sea around them
    bool realTerrain = false; // the twelve terrain types of real modules (climate zones, rivers, bridges)
    // Real maps spend their faces on the land in the middle, and cover the sea
    // around it with few large ones: with centreDetail above 1 the grid's cells are
    // that many times narrower in the middle of the box than at its edges.
    float centreDetail = 1;
};

// Terrain types the generator uses: by rising height water, sand, grass, forest
// and rock; with realTerrain also the other types of real modules' maps, by
// climate zone (cold north, dry east, hot south) and along a river.
enum MapGenTerrain {
    TERRAIN_WATER = 0,
    TERRAIN_ROCK = 1,
    TERRAIN_STEPPE = 2,
    TERRAIN_GRASS = 3,
    TERRAIN_SNOW = 4,
    TERRAIN_SAND = 5,
    TERRAIN_BRIDGE = 7,
    TERRAIN_RIVER = 8,
    TERRAIN_MOUNTAIN_FOREST = 9,
    TERRAIN_STEPPE_FOREST = 10,
    TERRAIN_FOREST = 11,
    TERRAIN_SNOW_FOREST = 12,
};

// Small deterministic random source (splitmix64).
struct MapRandom {
    uint64_t state = 0;
};
uint64_t nextRandom(MapRandom& r);
// Uniform in [0, 1).
double randomUnit(MapRandom& r);

// The height of the generated terrain at (x, y) before it is clamped to sea
// level; negative values are under water.
float generatedElevation(const MapGenParams& params, float x, float y);

// "map.txt" text: (gridX+1)*(gridY+1) vertices, 2*gridX*gridY faces, corners
// counter-clockwise seen from above (normals point up).
std::string generateMapText(const MapGenParams& params);

// "parties.orig.txt" text: header, the count line "n n", then two lines per party.
// The first party stands at (0, 0) (the game's player placeholder); the others
// are spread over the box.
std::string generatePartiesOrig(uint64_t seed, int count, const MapBox& box);

// "map_icons.orig.txt" text: header, the count line, then count icon records.
std::string generateMapIconsOrig(int count);

// "savedData.txt" text in the "v1" store format: labelCount labels of
// lettersPerLabel letters each, placed inside the box.
std::string generateLabelStore(uint64_t seed, int labelCount, int lettersPerLabel, const MapBox& box);
