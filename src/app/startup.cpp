#include "app/startup.h"

#include <cstdio>
#include <cstring>

#include "export/export.h"
#include "export/records.h"
#include "platform/text_format.h"

bool isBatchSwitch(int argc, const char* const* argv) {
    return argc > 1 && argv[1] != nullptr && std::strcmp(argv[1], "-b") == 0;
}

bool readStartupFiles(Editor& ed) {
    if (!readConfig(ed.config, CONFIG_FILE)) return false;
    loadLabels(ed.labels, ed.store);
    ed.app.changed = false;
    return true;
}

bool runBatchExport(Editor& ed) {
    // A store read only in part would export fewer names than the module has now.
    if (!ed.store.damage.empty()) {
        const std::string stop = formatText("Export stopped: \"%s\" is damaged (%s), so the module keeps its names",
                                            ed.store.path.c_str(), ed.store.damage.c_str());
        std::printf("%s\n", stop.c_str());
        std::fflush(stdout);
        showMessage(ed.log, stop);
        writeLogFile(ed.log, "log.txt");
        return false;
    }
    if (!readTerrainMesh(ed.terrain, modulePath(ed.config, "map.txt"))) {
        std::printf("Batch mode exports the labels on flat terrain.\n");
        std::fflush(stdout);
    }
    const bool atlasBuilt = buildGlyphAtlas(ed.atlas, ed.config.charset, ed.config.font, ed.config.texture_width,
                                            ed.config.texture_height, ed.config.test_mode);
    const bool exported = exportModule(ed.labels, ed.terrain, ed.atlas, ed.config, ed.log);
    const bool logged = writeLogFile(ed.log, "log.txt");
    return atlasBuilt && exported && logged;
}

bool prepareInteractive(Editor& ed) {
    const AppConfig& config = ed.config;
    if (!buildGlyphAtlas(ed.atlas, config.charset, config.font, config.texture_width,
                         config.texture_height, config.test_mode)) {
        std::printf("Cannot build the letter texture: %s\n", ed.atlas.failure.c_str());
        std::fflush(stdout);
        return false;
    }
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
