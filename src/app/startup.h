// Start-up before the window: the configuration, the saved labels, the batch
// export, and the files the interactive editor needs. Each step reports its own
// problems on standard output (also kept in ed.startupOutput); a false result
// ends the program (status 0 for the editor, 1 for the batch export).
//
// Order: readStartupFiles, then either runBatchExport (switch "-b") or
// prepareInteractive followed by the window and the event loop. The switches "-p"
// and "-n" run runPreview or runNewFolder alone, without a window.
#pragma once

#include "app/editor.h"

constexpr const char* CONFIG_FILE = "Veltrune.cfg";

// True when the first argument is exactly "-b".
bool isBatchSwitch(int argc, const char* const* argv);

// True when the first argument is exactly "-p".
bool isPreviewSwitch(int argc, const char* const* argv);

// True when the first argument is exactly "-n".
bool isNewFolderSwitch(int argc, const char* const* argv);

// "veltrune -n MODULE FOLDER": makes FOLDER a working folder for the module and
// ends (no window). Prints what it made and kept and the next step; the exit
// status is 0 when the folder was made, 1 when it refused or failed.
int runNewFolder(int argc, const char* const* argv);

// True when the first argument is "-b", "-n" or "-p": a command-line run that
// opens no window and reports on standard output only.
bool isCommandLineRun(int argc, const char* const* argv);

// "veltrune -p [FILE] [SIZE]": a picture of the module's export, drawn in
// software from "map.txt", "mapcolors.txt" (default greys when missing; nothing is
// written) and the exported files, written as PNG to FILE ("preview.png") with
// SIZE (2048, 64..16384) pixels on the map's longer side. Reports on standard
// output; the exit status is 0 when the picture was written, 1 otherwise.
int runPreview(Editor& ed, int argc, const char* const* argv);

// Reads "Veltrune.cfg" (false ends start-up; in batch mode its message is also
// written to "log.txt") and the label store (a missing store only means no
// labels); leaves the labels unchanged-flagged.
bool readStartupFiles(Editor& ed, bool batch = false);

// The export without a window: reads the module's map and builds the glyph atlas
// from the charset first, so the letters come out as those of an F12 export;
// exports, then writes every message of the export to "log.txt". A damaged label
// store or a map that cannot be read stops it before any module file is written
// (the letters would otherwise lie at height 0), with the reason in "log.txt".
// True only when the atlas was built, every export step succeeded and "log.txt"
// was written: a build script can tell a failed export from a good one.
bool runBatchExport(Editor& ed);

// The glyph atlas, the terrain colours, the module's map and its party
// positions. False ends start-up.
bool prepareInteractive(Editor& ed);
