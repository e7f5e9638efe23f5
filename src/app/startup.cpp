#include "app/startup.h"

#include <cstdio>
#include <string>
#include <vector>

#include "app/new_folder.h"
#include "app/reporting.h"
#include "export/export.h"
#include "preview/preview.h"
#include "formats/records.h"
#include "platform/text_format.h"
#include "platform/platform.h"

namespace {

void say(const std::string& text) {
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
}

int runPreview(Editor& ed, const CommandLine& line) {
    const std::string file = line.operands.empty() ? "preview.png" : line.operands[0];
    const int size = line.previewSize;
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
        say(formatText("%d letter %s a mesh that is not in \"Resource\\map_names.brf\" and %s left out",
                       result.missing, result.missing == 1 ? "party names" : "parties name",
                       result.missing == 1 ? "was" : "were"));
    const std::string png = encodePng(image);
    if (png.empty() || !replaceFileWith(file, png)) {
        say(formatText("Cannot write \"%s\"", file.c_str()));
        return 1;
    }
    say(formatText("Wrote \"%s\": %d x %d pixels, ", file.c_str(), image.width, image.height) +
        countText(result.drawn, "letter party", "letter parties"));
    return 0;
}

// A working folder for a module, made the same way by "-n" and "veltrune MODULE".
// On Windows the arguments come in the system's ANSI code page.
Report makeFolderFor(const std::string& module, const std::string& folder) {
    return makeWorkingFolder({pathFromUserText(module), pathFromUserText(folder), bundledFontPath(),
                              ON_WINDOWS ? programFile() : std::string(), programFolder()});
}

// The store is read before the atlas exists, so proportional labels come in laid
// out in equal slots; once the font's metrics are there they are set by them.
void layoutByFont(Editor& ed) {
    for (Label& label : ed.labels)
        if (proportionalSpacing(label)) layoutLetters(label, ed.atlas);
}

// The end of every batch run: the letters' height trace and a line break, then
// every message of the run in the order it arose, one a line, on standard output
// (a build script's log shows why an export stopped); "log.txt" keeps the same
// messages newest first. False when "log.txt" cannot be written.
bool finishBatch(const std::string& trace, const std::vector<std::string>& messages) {
    printTrace(trace, true);
    for (std::string m : messages) {
        while (!m.empty() && m.back() == '\n') m.pop_back();
        say(m);
    }
    const Report logged = writeLogFile(messages);
    printReport(logged);
    return logged.ok;
}

}  // namespace

int runWithoutWindow(Editor& ed, const CommandLine& line) {
    switch (line.form) {
        case Form::Help: std::fputs(usageText(ON_WINDOWS).c_str(), stdout); return 0;
        case Form::Version: say(versionText()); return 0;
        case Form::Batch: return runBatch(ed) ? 0 : 1;
        case Form::Preview: return runPreview(ed, line);
        case Form::NewFolder: {
            const Report made = makeFolderFor(line.operands[0], line.operands[1]);
            printReport(made);
            return made ? 0 : 1;
        }
        case Form::Refused:
            printAtStartup(ed.startupOutput, line.refusal);
            if (line.usageAfter) std::fputs(usageText(ON_WINDOWS).c_str(), stdout);
            return 1;
        case Form::Editor:
        case Form::ModuleFolder: break;
    }
    return 1;
}

bool runBatch(Editor& ed) {
    std::vector<std::string> run;  // every message of the run, oldest first
    std::string trace;
    const auto keep = [&run](const Report& report) {
        run.insert(run.end(), report.messages.begin(), report.messages.end());
        return report.ok;
    };
    const auto stop = [&](const std::string& reason) {
        run.push_back(reason);
        finishBatch(trace, run);
        return false;
    };
    if (!keep(readConfig(ed.config, CONFIG_FILE))) {
        finishBatch(trace, run);
        return false;
    }
    keep(loadLabels(ed.labels, ed.store));
    // The batch exports the saved labels alone; unsaved ones of an editing session are only named.
    if (fileExists(RECOVERY_FILE))
        run.push_back(formatText("\"%s\" holds unsaved labels of an editing session: open the editor to keep or "
                                 "drop them",
                                 RECOVERY_FILE));
    // A store read only in part would export fewer names than the module has now.
    if (!ed.store.damage.empty())
        return stop(formatText("Export stopped: \"%s\" is damaged (%s), so the module keeps its names",
                               ed.store.path.c_str(), ed.store.damage.c_str()));
    // Without the map every letter would sit at height 0, under the module's hills.
    std::string fault;
    if (!readTerrainMesh(ed.terrain, modulePath(ed.config, "map.txt"), &fault))
        return stop(formatText("Export stopped: \"map.txt\" cannot be read (%s), so the letters would lie at height 0",
                               fault.c_str()));
    const bool atlas = keep(buildGlyphAtlas(ed.atlas, ed.config.charset, ed.config.font, ed.config.texture_width,
                                            ed.config.texture_height, ed.config.test_mode));
    layoutByFont(ed);
    const bool exported = keep(exportModule(ed.labels, ed.terrain, ed.atlas, ed.config, trace));
    const bool logged = finishBatch(trace, run);
    return atlas && exported && logged;
}

std::string moduleFolderHome() { return ON_WINDOWS ? programFolder() : std::string(); }

bool enterModuleFolder(Editor& ed, const std::string& argument, const std::string& home) {
    const auto refuse = [&ed](const std::string& why) {
        printAtStartup(ed.startupOutput, why);
        return false;
    };
    const std::string module = absolutePath(pathFromUserText(argument));
    const std::string name = lastPathName(module);
    if (!isFolder(module) || name.empty())
        return refuse("\"" + argument +
                      "\" is not a module's folder: give the folder that holds \"map.txt\", \"parties.txt\" and "
                      "\"map_icons.txt\"");
    const std::string folder = home + name;
    // Our files must never land among the module's own.
    if (sameFile(folder, module))
        return refuse("The working folder \"" + folder +
                      "\" would be the module's own folder: start veltrune from another folder, or use veltrune -n "
                      "MODULE FOLDER");
    const bool fresh = !fileExists(folder + NATIVE_SEPARATOR + CONFIG_FILE);
    if (fresh) {
        const Report report = makeFolderFor(module, folder);
        printAtStartup(ed.startupOutput, report);
        if (!report) return false;
    }
    if (!enterFolder(folder)) return refuse("Cannot open the folder \"" + folder + "\"");
    // A folder of the same name may have been made for another module (two games'
    // modules of one name): the editor must not open, and F12 not export, there.
    AppConfig config;
    if (!fresh && readConfig(config, CONFIG_FILE) && !sameFile(config.module_path, module))
        return refuse("\"" + folder + NATIVE_SEPARATOR + CONFIG_FILE + "\" is for the module \"" +
                      config.module_path + "\": give that module, or change module_path there");
    return true;
}

bool readStartupFiles(Editor& ed) {
    const Report config = readConfig(ed.config, CONFIG_FILE);
    printAtStartup(ed.startupOutput, config);
    if (!config) return false;
    showReport(ed.log, config);
    printAtStartup(ed.startupOutput, loadLabels(ed.labels, ed.store));
    ed.app.changed = false;
    return true;
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
    // Labels a session that did not end left unsaved come back as unsaved changes.
    ed.recovery.interval = config.recovery_seconds;
    if (recoverLabels(ed.recovery, ed.labels, ed.store, ed.afterBanner)) ed.app.changed = true;
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
