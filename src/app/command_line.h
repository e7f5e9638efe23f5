// The command line: which form of the program a command line asks for, or why it
// is refused. Decided from the arguments alone, before any file is read.
//
//   veltrune                    the editor, in the working folder
//   veltrune -b                 the batch export
//   veltrune -p [FILE] [SIZE]   a picture of the export
//   veltrune -n MODULE FOLDER   a working folder for a module
//   veltrune MODULE             the module's own working folder, made when
//                               missing, then the editor there (a module's
//                               folder dropped onto the program gives this)
//   veltrune -h | --help        the usage;  veltrune --version  the version
//
// Anything else is refused with one line saying why: an unknown option, two of
// -b, -p, -n at once, a switch after other arguments, arguments a form does not
// take, and on Windows an argument holding a double quote (a path typed as
// "C:\My Mod\" comes in joined with the next argument).
#pragma once

#include <string>
#include <vector>

enum class Form { Editor, Batch, Preview, NewFolder, ModuleFolder, Help, Version, Refused };

struct CommandLine {
    Form form = Form::Editor;
    std::vector<std::string> operands;  // the arguments after the switch; MODULE for ModuleFolder
    int previewSize = 0;                // Preview: the picture's size in pixels
    std::string refusal;                // Refused: why
    bool usageAfter = false;            // Refused: the usage follows the reason
    bool typed = false;                 // an argument is an option: a typed or scripted command line
};

// The arguments after the program's name. `windows`: the system's own argument
// splitting, where a backslash before a closing quote escapes it.
CommandLine parseCommandLine(const std::vector<std::string>& args, bool windows);

// One line per form with what it does, each ending in a line break.
std::string usageText(bool windows);
std::string versionText();
