#include "app/startup.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "export/export.h"
#include "export/preview.h"
#include "export/records.h"
#include "platform/text_format.h"
#include "platform/platform.h"

bool isBatchSwitch(int argc, const char* const* argv) {
    return argc > 1 && argv[1] != nullptr && std::strcmp(argv[1], "-b") == 0;
}

bool isPreviewSwitch(int argc, const char* const* argv) {
    return argc > 1 && argv[1] != nullptr && std::strcmp(argv[1], "-p") == 0;
}

namespace {

void say(const std::string& text) {
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
}

// A whole decimal number in 64..16384.
bool readPreviewSize(const char* text, int& size) {
    int value = 0;
    const char* end = text + std::strlen(text);
    if (parseDecimalInt(text, end, value) != end || value < PREVIEW_SIZE_MIN || value > PREVIEW_SIZE_MAX) return false;
    size = value;
    return true;
}

}  // namespace

int runPreview(Editor& ed, int argc, const char* const* argv) {
    const std::string file = argc > 2 ? argv[2] : "preview.png";
    int size = PREVIEW_SIZE_DEFAULT;
    if (argc > 4 || (argc > 3 && !readPreviewSize(argv[3], size))) {
        say(formatText("Usage: veltrune -p [FILE] [SIZE], SIZE from %d to %d pixels", PREVIEW_SIZE_MIN,
                       PREVIEW_SIZE_MAX));
        return 1;
    }
    if (!readConfig(ed.config, CONFIG_FILE)) return 1;
    if (!readTerrainMesh(ed.terrain, modulePath(ed.config, "map.txt"))) return 1;
    if (!readTerrainColors(ed.colors)) setDefaultTerrainColors(ed.colors, ed.terrain);
    // The module's own parties, as the editor marks them.
    const std::string origPath = modulePath(ed.config, "parties.orig.txt");
    if (!readPartyPositions(ed.terrain, origPath)) {
        say(formatText("Cannot read the parties of \"%s\"", origPath.c_str()));
        return 1;
    }
    PreviewExport exported;
    std::string error;
    if (!loadPreviewExport(ed.config, exported, error)) {
        say(error);
        return 1;
    }
    PreviewImage image;
    PreviewResult result;
    if (!renderPreview(ed.terrain, ed.colors, exported, size, image, result)) {
        say(formatText("A picture of %d pixels is too large to hold", size));
        return 1;
    }
    if (result.missing > 0)
        say(formatText("%d letter parties name a mesh that is not in \"Resource\\map_names.brf\" and were left out",
                       result.missing));
    const std::string png = encodePng(image);
    if (png.empty() || !replaceFileWith(file, png)) {
        say(formatText("Cannot write \"%s\"", file.c_str()));
        return 1;
    }
    say(formatText("Wrote \"%s\": %d x %d pixels, %d letter parties", file.c_str(), image.width, image.height,
                   result.drawn));
    return 0;
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
