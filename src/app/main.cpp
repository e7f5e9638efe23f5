// Veltrune: writes place names onto a game module's world map and exports them
// into the module. Without arguments it opens the editor, whose exit status is 0
// on every path; "veltrune -b" exports the saved labels and ends with 0 when the
// export succeeded, 1 when anything on its way failed; "veltrune -p [FILE] [SIZE]"
// draws a picture of the export without a window (status 0 when it was written);
// "veltrune -n MODULE FOLDER" makes a working folder for a module (status 0 when made).
//
// The program has its own main on every platform (SDL's entry wrapper is not
// used): SDL is told so before it starts.
#define SDL_MAIN_HANDLED
#include <SDL.h>
#include <SDL_main.h>

#include <cstdio>
#include <string>

#include "app/event_loop.h"
#include "app/input.h"
#include "app/instances.h"
#include "app/reporting.h"
#include "app/startup.h"
#include "platform/console.h"

namespace {

// A start-up that ends the program: started without a console (a double-click on
// Windows), nobody would see why, so what start-up printed also appears in a
// message box, which waits for its OK.
void showStartupProblems(const Editor& ed, bool inBox) {
    std::string text = ed.startupOutput;
    while (!text.empty() && text.back() == '\n') text.pop_back();
    if (inBox && !text.empty()) SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Veltrune", text.c_str(), nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    const bool console = redirectOutputWithoutConsole();
    const bool inBox = startupProblemsInBox(console, isCommandLineRun(argc, argv));
    Editor& ed = editor;
    if (isPreviewSwitch(argc, argv)) return runPreview(ed, argc, argv);
    if (isNewFolderSwitch(argc, argv)) return runNewFolder(argc, argv);
    const bool batch = isBatchSwitch(argc, argv);
    if (!readStartupFiles(ed, batch)) {
        showStartupProblems(ed, inBox);
        return batch ? 1 : 0;
    }
    if (batch) {
        const bool exported = runBatchExport(ed);
        releaseGlyphAtlas(ed.atlas);
        return exported ? 0 : 1;
    }
    if (!prepareInteractive(ed) || !openWindow(ed)) {
        showStartupProblems(ed, inBox);
        releaseGlyphAtlas(ed.atlas);
        return 0;
    }
    showMessage(ed.log, BANNER);
    if (!ed.store.damage.empty()) showMessage(ed.log, storeDamageMessage(ed.store));
    runEventLoop(ed);
    releaseGlyphAtlas(ed.atlas);
    return 0;
}
