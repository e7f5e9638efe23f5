// "veltrune -n MODULE FOLDER": a working folder for a module in one step.
//
// makeWorkingFolder checks everything first and writes nothing when it refuses:
// the module must hold a readable "map.txt", "parties.txt" and "map_icons.txt";
// a "parties.txt" or "map_icons.txt" about to be copied must be the module's own
// (an earlier export's records copied as the module's would stay in it for good);
// and FOLDER must not hold a "Veltrune.cfg" yet. Then it makes FOLDER (when it
// cannot, nothing is written anywhere) and, never replacing a file that is there:
//   - in the module: "parties.orig.txt" and "map_icons.orig.txt", byte-exact
//     copies of "parties.txt" and "map_icons.txt", the lists every export starts from;
//   - in FOLDER: "mapcolors.txt" with the palette's colour of every terrain type
//     the map uses, an empty label store, on Windows "Veltrune.bat" (a
//     double-click starts the editor there), and last "Veltrune.cfg", naming the
//     module (absolute) and the font.
// A FOLDER inside the program's folder names the font and the program relative
// to itself. The report lists what was made and what was kept, whether the
// module already holds an export's letter parties, the next step, and last the
// line to add to the module's "module.ini" when it does not load the names.
#pragma once

#include <string>

#include "platform/report.h"

struct NewFolderRequest {
    std::string module;   // the module's folder, as the user gave it
    std::string folder;   // the working folder to make
    std::string font;     // the font the configuration names
    std::string program;  // the program "Veltrune.bat" starts; empty: no "Veltrune.bat"
    std::string programFolder;  // the folder holding the program and its font; empty: none
};

Report makeWorkingFolder(const NewFolderRequest& request);

// "Veltrune.bat": goes to its own folder and starts the program there without
// keeping a console open. LF line ends.
std::string launcherText(const std::string& program);
