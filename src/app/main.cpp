// Veltrune: writes place names onto a game module's world map and exports them
// into the module. Without arguments it opens the editor; "veltrune -b" exports
// the saved labels and ends. The exit status is 0 on every path.
//
// The program has its own main on every platform (SDL's entry wrapper is not
// used): SDL is told so before it starts.
#define SDL_MAIN_HANDLED
#include <SDL_main.h>

#include <cstdio>

#include "app/event_loop.h"
#include "app/input.h"
#include "app/instances.h"
#include "app/startup.h"
#include "platform/console.h"

int main(int argc, char** argv) {
    redirectOutputWithoutConsole();
    Editor& ed = editor;
    if (!readStartupFiles(ed)) return 0;
    if (isBatchSwitch(argc, argv)) {
        runBatchExport(ed);
        releaseGlyphAtlas(ed.atlas);
        return 0;
    }
    if (!prepareInteractive(ed) || !openWindow(ed)) {
        releaseGlyphAtlas(ed.atlas);
        return 0;
    }
    showMessage(ed.log, BANNER);
    runEventLoop(ed);
    releaseGlyphAtlas(ed.atlas);
    return 0;
}
