#include "app/new_folder.h"

#include <algorithm>

#include "config/config.h"
#include "formats/module_ini.h"
#include "formats/records.h"
#include "labels/label_store.h"
#include "platform/platform.h"
#include "platform/text_format.h"
#include "terrain/terrain.h"
#include "terrain/terrain_colors.h"

namespace {

bool endsInSeparator(const std::string& path) { return !path.empty() && (path.back() == '/' || path.back() == '\\'); }

std::string join(const std::string& folder, const std::string& name) {
    return folder.empty() || endsInSeparator(folder) ? folder + name : folder + NATIVE_SEPARATOR + name;
}

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

// A module list and the copy of it that every export starts from.
struct ModuleList {
    const char* list;
    const char* orig;
    bool parties;
};
constexpr ModuleList MODULE_LISTS[] = {{"parties.txt", "parties.orig.txt", true},
                                   {"map_icons.txt", "map_icons.orig.txt", false}};

// The parties an export wrote into a party list.
long long exportedParties(const std::string& list) {
    long long count = 0;
    for (size_t at = 0; at < list.size();) {
        const size_t end = std::min(list.find('\n', at), list.size());
        if (!exportedRecordIn(list.substr(at, end - at), true).empty()) ++count;
        at = end + 1;
    }
    return count;
}

}  // namespace

std::string launcherText(const std::string& program) {
    std::string path;
    for (char c : program) path += c == '%' ? std::string("%%") : std::string(1, c);
    const bool ascii = std::all_of(path.begin(), path.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    return "@echo off\n"
           "rem Starts Veltrune in this folder, on the module that its Veltrune.cfg names.\n" +
           std::string(ascii ? "" : "chcp 65001 >nul\n") +  // the program's path is UTF-8
           "cd /d \"%~dp0\"\n"
           "start \"\" \"" + path + "\"\n";
}

Report makeWorkingFolder(const NewFolderRequest& request) {
    const auto refuse = [](const std::string& why) { return failure("Nothing was made: " + why); };
    std::string module = absolutePath(request.module);
    if (!endsInSeparator(module)) module += NATIVE_SEPARATOR;
    const std::string configPath = join(request.folder, "Veltrune.cfg");
    if (fileExists(configPath)) return refuse(quoted(configPath) + " already exists");

    const auto unreadable = [&](const std::string& path) {
        return refuse(quoted(path) + " cannot be read (is " + quoted(request.module) + " the module's folder?)");
    };
    TerrainMesh map;
    const std::string mapPath = module + "map.txt";
    const Report mapRead = readTerrainMesh(map, mapPath);
    if (!mapRead) return fileExists(mapPath) ? refuse(mapRead.messages.front()) : unreadable(mapPath);
    std::string lists[2];
    for (int k = 0; k < 2; ++k) {
        const ModuleList& o = MODULE_LISTS[k];
        const std::string path = module + o.list;
        if (!readBinaryFile(path, lists[k])) return unreadable(path);
        // Only a list about to be copied must be the module's own.
        const std::string exported = fileExists(module + o.orig) ? std::string() : exportedRecordIn(lists[k], o.parties);
        if (!exported.empty())
            return refuse(quoted(path) + " holds records of an export (" + quoted(exported) +
                          "): restore the module's own file first");
    }
    // A working folder inside the program's folder names the font and the program
    // relative to itself, so the three can be moved or renamed together.
    const std::string font = relativeInside(request.font, request.folder, request.programFolder);
    const std::string configText = newConfigText(module, font);
    AppConfig readBack;
    if (!parseConfig(readBack, configText, configPath) || readBack.module_path != module || readBack.font != font)
        return refuse("the path " + quoted(module) + " cannot be written into \"Veltrune.cfg\"");

    // Everything is checked. FOLDER comes first: when it cannot be made, nothing
    // is written anywhere. Then the files, "Veltrune.cfg" last, so a run that fails
    // on the way can simply be run again.
    Report report;
    if (!createFolders(request.folder)) {
        report.ok = false;
        addMessage(report, "Cannot make the folder " + quoted(request.folder));
        return report;
    }
    const auto make = [&report](const std::string& path, const std::string& bytes, const std::string& what) {
        if (fileExists(path)) {
            addMessage(report, "Kept " + quoted(path) + " as it is");
            return true;
        }
        if (!replaceFileWith(path, bytes)) {
            report.ok = false;
            addMessage(report, "Cannot write " + quoted(path));
            return false;
        }
        addMessage(report, "Made " + quoted(path) + what);
        return true;
    };
    for (int k = 0; k < 2; ++k)
        if (!make(module + MODULE_LISTS[k].orig, lists[k], formatText(", a copy of \"%s\"", MODULE_LISTS[k].list)))
            return report;
    if (!make(join(request.folder, "mapcolors.txt"), toPlatformLineEnds(defaultTerrainColorsText(map)),
              ", the colours of the map's terrain types"))
        return report;
    if (!make(join(request.folder, "savedData.txt"), toPlatformLineEnds(storeText(LabelList{})), ", with no labels yet"))
        return report;
    const std::string launcher = join(request.folder, "Veltrune.bat");
    if (!request.program.empty() &&
        !make(launcher, toCrlf(launcherText(relativeInside(request.program, request.folder, request.programFolder))),
              ": a double-click starts the editor there"))
        return report;
    if (!make(configPath, toPlatformLineEnds(configText), " for the module " + quoted(module))) return report;
    if (!fileExists(request.font))
        addMessage(report, "The font " + quoted(request.font) + " is missing: name a TrueType font in " +
                               quoted(configPath));
    // The orig copies were there already, and the module holds another folder's
    // export: the first export from this folder's empty store would replace it.
    if (const long long letters = exportedParties(lists[0]); letters > 0)
        addMessage(report, "The module holds an export of " + countText(letters, "letter party", "letter parties") +
                               ": exporting from this folder replaces them");
    const std::string folder = request.folder.find(' ') == std::string::npos ? request.folder : quoted(request.folder);
    addMessage(report, request.program.empty() ? "Next: cd " + folder + " && veltrune"
                                               : "Next: double-click " + quoted(launcher));
    if (namesInModuleIni(module) == NamesInIni::NotLoaded)
        addMessage(report, "Add this line to " + quoted(module + "module.ini") + " so the game loads the names: " +
                               LOAD_NAMES_LINE);
    return report;
}
