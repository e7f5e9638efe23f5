// Start-up before the window. main parses the command line first
// (app/command_line.h): the usage, the version, a refusal, "-b", "-p" and "-n"
// run alone without a window (runWithoutWindow); "veltrune MODULE" enters the
// module's working folder (enterModuleFolder) and then starts as the editor does:
// readStartupFiles, prepareInteractive, the window and the event loop.
// Before the window, problems go to standard output and are kept in
// ed.startupOutput; a false result ends the program.
#pragma once

#include <string>

#include "app/command_line.h"
#include "app/editor.h"

constexpr const char* CONFIG_FILE = "Veltrune.cfg";

// Every form that opens no window; returns the exit status:
//   - the usage or the version: 0;
//   - a refusal: its reason (and the usage), also kept in ed.startupOutput; 1;
//   - "-b": runBatch, 0 when it succeeded, else 1;
//   - "-p [FILE] [SIZE]": a picture of the module's export, drawn in software
//     from "map.txt", "mapcolors.txt" (the palette where it is missing; nothing
//     is written) and the exported files, written as PNG; 0 when it was written;
//   - "-n MODULE FOLDER": makeWorkingFolder, printing what it made and kept and
//     the next step; 0 when the folder was made, 1 when it refused or failed.
int runWithoutWindow(Editor& ed, const CommandLine& line);

// "-b": the export without a window. Reads the configuration, the label store and
// the module's map and builds the glyph atlas from the charset first, so the
// letters come out as those of an F12 export; exports. A faulty configuration, a
// damaged label store or a map that cannot be read stops it before any module
// file is written (the letters would otherwise lie at height 0). At the end it
// prints the letters' height trace and a line break, then every message of the
// run in the order they arose, one a line, and writes the same messages to
// "log.txt", newest first. True only when the atlas was built, every export step
// succeeded and "log.txt" was written: a build script can tell a failed export
// from a good one.
bool runBatch(Editor& ed);

// "veltrune MODULE": the working folder of the module in the folder MODULE is
// <home><the module folder's name>, home (empty, or ending in its separator)
// being moduleFolderHome in the program. When it holds no "Veltrune.cfg" it is
// made as "-n" makes it, printing the same lines; then it becomes the working
// directory. False (with the reason printed) when MODULE is
// no folder, when the working folder would be the module's own, when it cannot
// be made, or when its "Veltrune.cfg" names another module.
bool enterModuleFolder(Editor& ed, const std::string& module, const std::string& home);
// Where "veltrune MODULE" puts the working folder: beside the program on Windows
// (a folder dropped onto veltrune.exe), in the working directory elsewhere.
std::string moduleFolderHome();

// Reads "Veltrune.cfg" (false ends start-up) and the label store (a missing
// store only means no labels); leaves the labels unchanged-flagged. What the
// reader says of a good file (its unknown keys) also goes into the message
// list, as the editor's first messages.
bool readStartupFiles(Editor& ed);

// The glyph atlas, the terrain colours, the module's map and its party
// positions. False ends start-up.
bool prepareInteractive(Editor& ed);
