// src/config: the configuration file and its reader. Depends on src/platform only.
//
// The configuration file "Veltrune.cfg": one small text file read once at start-up.
//
// readConfig fills an AppConfig from the file and says what went wrong in its
// report; on failure the program ends before any window opens. parseConfig does the
// same on text already in memory (CR LF already turned into LF).
//
// Keys: module_path, texture_size (W x H), font, charset, test_mode, mip_map ([a, b, ...]),
// mesh_letters (auto or 1..1000), window_size (W x H or auto), recovery_seconds (1..3600).
// Reading succeeds when module_path, texture_size (both numbers), font, charset
// and mip_map are each given exactly once; test_mode, mesh_letters, window_size
// and recovery_seconds are optional.
// Anything else, a mistyped mip_map list or mesh_letters value included, is
// reported as "Error reading <path>...", followed by a line that names the first
// fault, its key and its line. A missing file is "Wrong or missing config file",
// followed by how to make one. A word followed by "=" that names no key is
// skipped; the report then holds one more message for it, naming the nearest
// key, whether the reading succeeded or not.
#pragma once

#include <string>
#include <vector>

#include "platform/report.h"

constexpr size_t CONFIG_TEXT_MAX = 1023;  // longest text value or token
constexpr size_t MIP_MAP_MAX = 50;        // most mip_map entries
constexpr int MESH_LETTERS_MAX = 1000;    // most letters one exported mesh may carry
constexpr int WINDOW_SIDE_MAX = 32768;    // largest window side window_size may name
constexpr int RECOVERY_SECONDS_MAX = 3600;  // longest interval recovery_seconds may name

struct AppConfig {
    std::string module_path = "C:\\Games\\Karnwold800\\Modules\\Brask\\";
    int texture_width = 1024;
    int texture_height = 512;
    std::string font = "usedFont.TTF";
    std::string charset = "abcdefghijklmnopqrstuvxyzABCDEFGHIJKLMNOPQRSTUVXYZ- ";
    bool test_mode = false;
    std::vector<int> mip_map;  // per-level opacity in percent, level 0 first
    int mesh_letters = 0;      // letters per exported mesh at most; 0: auto (as few as the module's icons allow)
    // The editor window's size at start; window_auto: 80 % of the usable desktop.
    int window_width = 500;
    int window_height = 500;
    bool window_auto = false;
    // Seconds between two writes of the recovery copy of unsaved labels, at the most.
    int recovery_seconds = 60;
};

// The second line of the message for a missing configuration file.
constexpr const char* MAKE_CONFIG_HINT = "Make one for your module with: veltrune -n MODULE FOLDER";

// Sets every field to its default; the mip_map list is left as it is.
void setConfigDefaults(AppConfig& config);

Report readConfig(AppConfig& config, const std::string& path);
Report parseConfig(AppConfig& config, const std::string& text, const std::string& path);

// The text of a new "Veltrune.cfg" for a module (the module folder with its
// trailing separator) and a font; the other settings are the example's, each
// with its comment line. LF line ends.
std::string newConfigText(const std::string& modulePath, const std::string& font);

// A module file: the module folder joined to a file name by plain concatenation.
std::string modulePath(const AppConfig& config, const std::string& name);
