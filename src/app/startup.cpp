#include "app/startup.h"

#include <cstdio>
#include <cstring>

#include "export/export.h"
#include "export/records.h"

bool isBatchSwitch(int argc, const char* const* argv) {
    return argc > 1 && argv[1] != nullptr && std::strcmp(argv[1], "-b") == 0;
}

bool readStartupFiles(Editor& ed) {
    if (!readConfig(ed.config, CONFIG_FILE)) return false;
    loadLabels(ed.labels, ed.store);
    ed.app.changed = false;
    return true;
}

namespace {

// The store is read before the atlas exists, so proportional labels come in laid
// out in equal slots; once the font's metrics are there they are set by them.
void layoutByFont(Editor& ed) {
    for (Label& label : ed.labels)
        if (proportionalSpacing(label)) layoutLetters(label, ed.atlas);
}

}  // namespace

bool runBatchExport(Editor& ed) {
    if (!readTerrainMesh(ed.terrain, modulePath(ed.config, "map.txt"))) {
        std::printf("Batch mode exports the labels on flat terrain.\n");
        std::fflush(stdout);
    }
    const bool atlasBuilt = buildGlyphAtlas(ed.atlas, ed.config.charset, ed.config.font, ed.config.texture_width,
                                            ed.config.texture_height, ed.config.test_mode);
    layoutByFont(ed);
    const bool exported = exportModule(ed.labels, ed.terrain, ed.atlas, ed.config, ed.log);
    const bool logged = writeLogFile(ed.log, "log.txt");
    return atlasBuilt && exported && logged;
}

bool prepareInteractive(Editor& ed) {
    const AppConfig& config = ed.config;
    if (!buildGlyphAtlas(ed.atlas, config.charset, config.font, config.texture_width,
                         config.texture_height, config.test_mode))
        return false;
    layoutByFont(ed);
    const bool colorsRead = readTerrainColors(ed.colors);
    if (!readTerrainMesh(ed.terrain, modulePath(config, "map.txt"))) return false;
    // Without a colour file, write the defaults for this map and use them at once.
    if (!colorsRead && writeDefaultTerrainColors(ed.terrain)) readTerrainColors(ed.colors);
    if (!readPartyPositions(ed.terrain, modulePath(config, "parties.orig.txt"))) {
        std::printf("Cannot find parties.orig.txt.\nRead the readme!\n");
        std::fflush(stdout);
        return false;
    }
    return true;
}
