#include "formats/module_ini.h"

#include <gtest/gtest.h>

#include <string>

#include "../test_support.h"

namespace {

// A line loads the names whatever the blanks around "=", the letter case and the
// line ends; load_module_resource counts too. Comments, other resources, other
// keys and bytes of any kind do not.
TEST(ModuleIni, LineThatLoadsTheNames) {
    const std::pair<std::string, bool> cases[] = {
        {"load_mod_resource = map_names\n", true},
        {"load_mod_resource=map_names", true},
        {"  load_mod_resource\t=   map_names   \r\n", true},
        {"LOAD_MOD_RESOURCE = Map_Names\r\n", true},
        {"load_module_resource = map_names\n", true},
        {"map_icons_count = 3\nload_mod_resource = map_names # the place names\nscan_module_textures = 1\n", true},
        {"", false},
        {"load_mod_resource = map_names_old\n", false},
        {"load_mod_resource = map\n", false},
        {"load_resource = map_names\n", false},
        {"#load_mod_resource = map_names\n", false},
        {"load_mod_resource # = map_names\n", false},
        {"load_mod_resource map_names\n", false},
        {"x_load_mod_resource = map_names\n", false},
        {std::string("load_mod_resource = map_names\0\n", 31), false},
        {"\xff\xfe\x00=\n=\n\n", false},
    };
    for (const auto& [text, loads] : cases) EXPECT_EQ(iniLoadsNames(text), loads) << text;
}

TEST(ModuleIni, TheModulesFile) {
    test_support::TempDir d;
    const std::string module = d.path + "/";
    EXPECT_EQ(namesInModuleIni(module), NamesInIni::NoFile);
    test_support::writeBytes(d / "module.ini", "load_mod_resource = other\r\n");
    EXPECT_EQ(namesInModuleIni(module), NamesInIni::NotLoaded);
    test_support::writeBytes(d / "module.ini", "load_mod_resource = other\r\nload_module_resource = map_names\r\n");
    EXPECT_EQ(namesInModuleIni(module), NamesInIni::Loaded);
}

}  // namespace
