// Veltrune: writes place names onto a game module's world map and exports them
// into the module. Without arguments it opens the editor, whose exit status is 0
// on every path; "veltrune -b" exports the saved labels and ends with 0 when the
// export succeeded, 1 when anything on its way failed; "veltrune -p [FILE] [SIZE]"
// draws a picture of the export without a window (status 0 when it was written);
// "veltrune -n MODULE FOLDER" makes a working folder for a module (status 0 when
// made); "veltrune MODULE" makes or finds the module's own working folder and
// opens the editor there (status 1 when the folder cannot be had). "-h", "--help"
// and "--version" print and end with 0; a command line it does not understand is
// refused with status 1 (app/command_line.h).
//
// The program has its own main on every platform (SDL's entry wrapper is not
// used): SDL is told so before it starts.
#define SDL_MAIN_HANDLED
#include <SDL.h>
#include <SDL_main.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/event_loop.h"
#include "app/input.h"
#include "app/instances.h"
#include "app/reporting.h"
#include "app/startup.h"
#include "platform/console.h"
#include "platform/platform.h"

namespace {

// Started without a console (a double-click, or a folder dropped onto the program
// on Windows), nobody would see what start-up printed: it also appears in a
// message box, which waits for its OK. A problem that ends the program shows as
// an error, what "veltrune MODULE" made as information.
void showStartupOutput(const Editor& ed, bool inBox, bool problem) {
    std::string text = ed.startupOutput;
    while (!text.empty() && text.back() == '\n') text.pop_back();
    if (inBox && !text.empty())
        SDL_ShowSimpleMessageBox(problem ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION, "Veltrune",
                                 text.c_str(), nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    const bool console = redirectOutputWithoutConsole();
    const CommandLine line = parseCommandLine(std::vector<std::string>(argv + std::min(argc, 1), argv + argc), ON_WINDOWS);
    const bool inBox = startupProblemsInBox(console, line.typed);
    Editor& ed = editor;
    if (line.form == Form::ModuleFolder) {
        const bool entered = enterModuleFolder(ed, line.operands[0], moduleFolderHome());
        showStartupOutput(ed, inBox, !entered);
        if (!entered) return 1;
        ed.startupOutput.clear();
    } else if (line.form != Form::Editor) {
        const int status = runWithoutWindow(ed, line);
        if (line.form == Form::Refused) showStartupOutput(ed, inBox, true);
        return status;
    }
    if (!readStartupFiles(ed)) {
        showStartupOutput(ed, inBox, true);
        return 0;
    }
    if (!prepareInteractive(ed) || !openWindow(ed)) {
        showStartupOutput(ed, inBox, true);
        releaseGlyphAtlas(ed.atlas);
        return 0;
    }
    showMessage(ed.log, BANNER);
    if (!ed.store.damage.empty()) showMessage(ed.log, storeDamageMessage(ed.store));
    showReport(ed.log, ed.afterBanner);
    runEventLoop(ed);
    releaseGlyphAtlas(ed.atlas);
    return 0;
}
