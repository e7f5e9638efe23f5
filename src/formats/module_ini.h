// "module.ini": the game loads a module's own resources only as its "module.ini"
// lists them. A line "load_mod_resource = map_names" (or "load_module_resource"),
// in any letter case and with any blanks around "=", loads the exported
// "Resource\map_names.brf"; "#" starts a comment. The file is only ever read.
#pragma once

#include <string>

// The line that loads the names, as the user should add it.
constexpr const char* LOAD_NAMES_LINE = "load_mod_resource = map_names";

// Whether a line of the text loads the names resource.
bool iniLoadsNames(const std::string& text);

enum class NamesInIni { NoFile, Loaded, NotLoaded };
// What the module's "module.ini" says about the names; the module folder ends in
// its separator. NoFile when the file cannot be read.
NamesInIni namesInModuleIni(const std::string& moduleFolder);
