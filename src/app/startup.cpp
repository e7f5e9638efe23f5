#include "app/startup.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "app/new_folder.h"
#include "app/reporting.h"
#include "export/export.h"
#include "preview/preview.h"
#include "formats/records.h"
#include "platform/text_format.h"
#include "platform/platform.h"

bool isBatchSwitch(int argc, const char* const* argv) {
    return argc > 1 && argv[1] != nullptr && std::strcmp(argv[1], "-b") == 0;
}

bool isPreviewSwitch(int argc, const char* const* argv) {
    return argc > 1 && argv[1] != nullptr && std::strcmp(argv[1], "-p") == 0;
}

bool isNewFolderSwitch(int argc, const char* const* argv) {
    return argc > 1 && argv[1] != nullptr && std::strcmp(argv[1], "-n") == 0;
}

bool isCommandLineRun(int argc, const char* const* argv) {
    return isBatchSwitch(argc, argv) || isNewFolderSwitch(argc, argv) || isPreviewSwitch(argc, argv);
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
    const Report config = readConfig(ed.config, CONFIG_FILE);
    printReport(config);
    if (!config) return 1;
    const Report map = readTerrainMesh(ed.terrain, modulePath(ed.config, "map.txt"));
    printReport(map);
    if (!map) return 1;
    readTerrainColors(ed.colors);  // the palette where the file is missing
    // The module's own parties, as the editor marks them.
    const std::string origPath = modulePath(ed.config, "parties.orig.txt");
    if (!readPartyPositions(ed.terrain.partyPositions, origPath)) {
        say(formatText("Cannot read the parties of \"%s\"", origPath.c_str()));
        return 1;
    }
    PreviewExport exported;
    const Report loaded = loadPreviewExport(ed.config, exported);
    printReport(loaded);
    if (!loaded) return 1;
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

int runNewFolder(int argc, const char* const* argv) {
    if (argc != 4) {
        say("Usage: veltrune -n MODULE FOLDER");
        return 1;
    }
    // On Windows the arguments come in the system's ANSI code page.
    const NewFolderRequest request{pathFromUserText(argv[2]), pathFromUserText(argv[3]), bundledFontPath(),
                                   ON_WINDOWS ? programFile() : std::string()};
    const Report made = makeWorkingFolder(request);
    printReport(made);
    return made ? 0 : 1;
}

bool readStartupFiles(Editor& ed, bool batch) {
    const Report config = readConfig(ed.config, CONFIG_FILE);
    printAtStartup(ed.startupOutput, config);
    if (!config) {
        // A build script reads why in "log.txt".
        if (batch) printReport(writeLogFile(config.messages));
        return false;
    }
    printAtStartup(ed.startupOutput, loadLabels(ed.labels, ed.store));
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

// A batch export that stops before writing any module file: the reason on
// standard output and, alone, in "log.txt".
bool stopBatch(const std::string& reason) {
    say(reason);
    printReport(writeLogFile({reason}));
    return false;
}

}  // namespace

bool runBatchExport(Editor& ed) {
    // A store read only in part would export fewer names than the module has now.
    if (!ed.store.damage.empty())
        return stopBatch(formatText("Export stopped: \"%s\" is damaged (%s), so the module keeps its names",
                                    ed.store.path.c_str(), ed.store.damage.c_str()));
    // Without the map every letter would sit at height 0, under the module's hills.
    std::string fault;
    if (!readTerrainMesh(ed.terrain, modulePath(ed.config, "map.txt"), &fault))
        return stopBatch(formatText(
            "Export stopped: \"map.txt\" cannot be read (%s), so the letters would lie at height 0", fault.c_str()));
    const Report atlas = buildGlyphAtlas(ed.atlas, ed.config.charset, ed.config.font, ed.config.texture_width,
                                         ed.config.texture_height, ed.config.test_mode);
    printReport(atlas);
    layoutByFont(ed);
    std::string trace;
    const Report exported = exportModule(ed.labels, ed.terrain, ed.atlas, ed.config, trace);
    printTrace(trace, false);
    const Report logged = writeLogFile(exported.messages);
    printReport(logged);
    return atlas.ok && exported.ok && logged.ok;
}

bool prepareInteractive(Editor& ed) {
    const AppConfig& config = ed.config;
    const Report atlas =
        buildGlyphAtlas(ed.atlas, config.charset, config.font, config.texture_width, config.texture_height,
                        config.test_mode);
    printAtStartup(ed.startupOutput, atlas);
    if (!atlas) {
        printAtStartup(ed.startupOutput, "Cannot build the letter texture: " + ed.atlas.failure);
        return false;
    }
    layoutByFont(ed);
    const bool colorsRead = readTerrainColors(ed.colors);
    const Report map = readTerrainMesh(ed.terrain, modulePath(config, "map.txt"));
    printAtStartup(ed.startupOutput, map);
    if (!map) return false;
    // Without a colour file, write the defaults for this map and use them at once.
    if (!colorsRead && writeDefaultTerrainColors(ed.terrain)) readTerrainColors(ed.colors);
    if (!readPartyPositions(ed.terrain.partyPositions, modulePath(config, "parties.orig.txt"),
                            &ed.terrain.partyNames)) {
        printAtStartup(ed.startupOutput, "Cannot find parties.orig.txt.\nRead the readme!");
        return false;
    }
    return true;
}
