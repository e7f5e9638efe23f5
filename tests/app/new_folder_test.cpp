#include "app/new_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>

#include "../test_support.h"
#include "app/startup.h"
#include "config/config.h"
#include "mapgen.h"
#include "platform/platform.h"

namespace fs = std::filesystem;
using test_support::readBytes;
using test_support::writeBytes;

namespace {

// A generated module: a map of the generator's five terrain types and the module's own lists (CR LF).
void writeModule(const std::string& dir) {
    MapGenParams params;
    params.gridX = params.gridY = 12;
    writeBytes(dir + "/map.txt", generateMapText(params));
    writeBytes(dir + "/parties.txt", toCrlf(generatePartiesOrig(3, 4, params.box)));
    writeBytes(dir + "/map_icons.txt", toCrlf(generateMapIconsOrig(7)));
}

// Every file under dir with its bytes.
std::map<std::string, std::string> snapshot(const std::string& dir) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        files[e.path().string()] = e.is_regular_file() ? readBytes(e.path().string()) : "<folder>";
    return files;
}

// The path with the system's own separators.
std::string native(std::string path) {
    std::replace(path.begin(), path.end(), '/', NATIVE_SEPARATOR);
    return path;
}

NewFolderRequest request(const std::string& root, const std::string& folder, const std::string& program = "") {
    return {root + "/Mod", root + "/" + folder, "/fonts/DejaVuSans.ttf", program, ""};
}

TEST(NewFolder, MakesAWorkingFolderAndKeepsWhatIsThere) {
    test_support::TempDir d;
    writeModule(d / "Mod");
    const Report made = makeWorkingFolder(request(d.path, "names/mod one", "C:\\Veltrune 100%\\veltrune.exe"));
    ASSERT_TRUE(made) << test_support::said(made);
    for (const char* list : {"parties", "map_icons"})
        EXPECT_EQ(readBytes(d / "Mod/" + list + ".orig.txt"), readBytes(d / "Mod/" + list + ".txt")) << list;
    const std::string folder = d / "names/mod one/";
    EXPECT_EQ(readBytes(folder + "mapcolors.txt"),
              toPlatformLineEnds("5\n0 46 98 170\n1 132 128 122\n3 104 160 72\n5 222 204 146\n11 38 102 50\n"));
    EXPECT_EQ(readBytes(folder + "savedData.txt"), toPlatformLineEnds("v1\n0\n"));
    EXPECT_EQ(readBytes(folder + "Veltrune.bat"),
              "@echo off\r\nrem Starts Veltrune in this folder, on the module that its Veltrune.cfg names.\r\n"
              "cd /d \"%~dp0\"\r\nstart \"\" \"C:\\Veltrune 100%%\\veltrune.exe\"\r\n");
    AppConfig config;
    ASSERT_TRUE(readConfig(config, folder + "Veltrune.cfg"));
    EXPECT_EQ(config.module_path, absolutePath(d / "Mod") + NATIVE_SEPARATOR);
    EXPECT_EQ(config.font, "/fonts/DejaVuSans.ttf");
    EXPECT_EQ(config.charset, "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ- ");
    EXPECT_EQ(config.mip_map, (std::vector<int>{100, 100, 90, 80, 70}));
    EXPECT_EQ(config.mesh_letters, 0);
    EXPECT_EQ(made.messages.back(), "Next: double-click \"" + d / "names/mod one" + NATIVE_SEPARATOR + "Veltrune.bat\"");

    // A second folder for the same module, whose parties.txt now holds an export:
    // the orig copies are there already and stay byte for byte, as do a store and
    // colours already in the folder; a relative module path is written absolute.
    writeBytes(d / "Mod/parties.orig.txt", "partiesfile version 1\r\n0 0\r\n");
    writeBytes(d / "Mod/parties.txt", "partiesfile version 1\r\n1 1\r\n 1 0 0 p_map_str_000 _ 0\r\n0.0\r\n");
    writeBytes(d / "again/savedData.txt", "v1\n1\n| 0 0 0.33 0 0.66 0 1 1 1.0 35 100 0 0\n");
    const char* const keep[] = {"Mod/parties.orig.txt", "Mod/map_icons.orig.txt", "again/savedData.txt"};
    std::map<std::string, std::string> before;
    for (const char* kept : keep) before[kept] = readBytes(d / kept);
    const fs::path old = fs::current_path();
    fs::current_path(d.path);
    const Report again = makeWorkingFolder({"Mod", "again", "/fonts/DejaVuSans.ttf", "", ""});
    fs::current_path(old);
    ASSERT_TRUE(again) << test_support::said(again);
    for (const char* kept : keep) EXPECT_EQ(readBytes(d / kept), before[kept]) << kept;
    EXPECT_EQ(test_support::said(again).find("Kept \"" + absolutePath(d / "Mod/parties.orig.txt") + "\" as it is"), 0u);
    EXPECT_FALSE(test_support::exists(d / "again/Veltrune.bat"));
    EXPECT_EQ(again.messages.back(), "Next: cd again && veltrune");
    // Its first export would replace the other folder's letters: said, not refused.
    EXPECT_EQ(again.messages[again.messages.size() - 2],
              "The module holds an export of 1 letter party: exporting from this folder replaces them");
    ASSERT_TRUE(readConfig(config, d / "again/Veltrune.cfg"));
    EXPECT_EQ(config.module_path, absolutePath(d / "Mod") + NATIVE_SEPARATOR);
}

// Each refusal is one line saying why, and nothing is written anywhere: neither
// into the module nor FOLDER, also when FOLDER cannot be made (its name is a
// file's, or its parent is a file).
TEST(NewFolder, RefusesAndWritesNothing) {
    const std::pair<const char*, std::string> cases[] = {
        {"folder is a file", "Cannot make the folder \""},
        {"parent is a file", "Cannot make the folder \""},
        {"no map", "map.txt\" cannot be read (is \""},
        {"damaged map", "Bad map \""},
        {"no parties", "parties.txt\" cannot be read"},
        {"no icons", "map_icons.txt\" cannot be read"},
        {"exported parties", "parties.txt\" holds records of an export (\"p_map_str_004\"): restore the module's own file first"},
        {"exported icons", "map_icons.txt\" holds records of an export (\"map_str_012\"): restore the module's own file first"},
        {"configured folder", std::string("names") + NATIVE_SEPARATOR + "Veltrune.cfg\" already exists"},
    };
    for (const auto& [what, why] : cases) {
        test_support::TempDir d;
        writeModule(d / "Mod");
        const std::string c = what;
        if (c == "no map") fs::remove(d / "Mod/map.txt");
        if (c == "damaged map") writeBytes(d / "Mod/map.txt", "3\n0 0 0\n");
        if (c == "no parties") fs::remove(d / "Mod/parties.txt");
        if (c == "no icons") fs::remove(d / "Mod/map_icons.txt");
        if (c == "exported parties")
            writeBytes(d / "Mod/parties.txt", readBytes(d / "Mod/parties.txt") + " 1 4 4 p_map_str_004 _ 0\r\n0.0\r\n");
        if (c == "exported icons")
            writeBytes(d / "Mod/map_icons.txt", readBytes(d / "Mod/map_icons.txt") + "map_str_012 1 map_str_012 1.0\r\n");
        if (c == "configured folder") writeBytes(d / "names/Veltrune.cfg", "font = x\n");
        if (c == "folder is a file" || c == "parent is a file") writeBytes(d / "names", "a file");
        const auto before = snapshot(d.path);
        const Report r =
            makeWorkingFolder(request(d.path, c == "parent is a file" ? "names/sub/folder" : "names", "C:\\veltrune.exe"));
        EXPECT_FALSE(r) << what;
        ASSERT_EQ(r.messages.size(), 1u) << what;
        const bool unmade = c == "folder is a file" || c == "parent is a file";
        EXPECT_EQ(r.messages[0].rfind(unmade ? "Cannot make the folder \"" : "Nothing was made: ", 0), 0u)
            << r.messages[0];
        EXPECT_NE(r.messages[0].find(why), std::string::npos) << r.messages[0];
        EXPECT_EQ(snapshot(d.path), before) << what;
    }
}

// A working folder inside the program's folder names the font and the program
// relative to itself, so the three move together; elsewhere both stay absolute.
// A module.ini that does not load the names gets the line to add, last.
TEST(NewFolder, ProgramFolderAndModuleIni) {
    for (const char* folder : {"program/MyMod", "program/names/MyMod", "names"}) {
        test_support::TempDir d;
        writeModule(d / "Mod");
        writeBytes(d / "Mod/module.ini", "load_mod_resource = other\r\n");
        const std::string program = d / "program/";
        const Report made = makeWorkingFolder(
            {d / "Mod", d / folder, program + "DejaVuSans.ttf", program + "veltrune.exe", program});
        ASSERT_TRUE(made) << test_support::said(made);
        const bool inside = std::string(folder).rfind("program/", 0) == 0;
        const std::string up = std::string(folder) == "program/names/MyMod" ? native("../../") : native("../");
        AppConfig config;
        ASSERT_TRUE(readConfig(config, d / folder + "/Veltrune.cfg"));
        EXPECT_EQ(config.font, inside ? up + "DejaVuSans.ttf" : program + "DejaVuSans.ttf") << folder;
        const std::string bat = readBytes(d / folder + "/Veltrune.bat");
        EXPECT_NE(bat.find("start \"\" \"" + (inside ? up : program) + "veltrune.exe\"\r\n"), std::string::npos) << bat;
        EXPECT_EQ(made.messages.back(), "Add this line to \"" + absolutePath(d / "Mod") + NATIVE_SEPARATOR +
                                            "module.ini\" so the game loads the names: load_mod_resource = map_names");
    }
}

// "veltrune MODULE" (made, then found: tests/gui/test_command_line.py) refuses a
// working folder made for another module of the same name, a module that is no
// folder, and a working folder that would be the module's own; nothing is written.
TEST(ModuleFolder, Refusals) {
    test_support::WorkDir work;
    writeModule(work / "game/MyMod");
    writeModule(work / "other/MyMod");
    const auto enter = [](Editor& ed, const std::string& module) {
        test_support::QuietStdout quiet;
        return enterModuleFolder(ed, module, "");
    };
    Editor made;
    ASSERT_TRUE(enter(made, "game/MyMod")) << made.startupOutput;
    const auto before = snapshot(work.path);
    for (auto [from, module, said] :
         {std::tuple<std::string, std::string, std::string>{
              "", "other/MyMod", std::string("\"MyMod") + NATIVE_SEPARATOR + "Veltrune.cfg\" is for the module \""},
          {"", "game/MyMod/map.txt", "\"game/MyMod/map.txt\" is not a module's folder"},
          {"", "/", "\"/\" is not a module's folder"},
          {"game", "MyMod", "The working folder \"MyMod\" would be the module's own folder"}}) {
        fs::current_path(work / from);
        Editor ed;
        EXPECT_FALSE(enter(ed, module)) << module;
        EXPECT_EQ(ed.startupOutput.rfind(said, 0), 0u) << ed.startupOutput;
    }
    EXPECT_EQ(snapshot(work.path), before);
}

}  // namespace
