// The window and the one event loop (SDL 1.2). Every event is handled to the
// end before the next is taken; commands only count redraw requests, which the
// loop turns into SDL_VIDEOEXPOSE events after each handled event.
#pragma once

#include "app/editor.h"

constexpr const char* CAPTION = "Veltrune v0.6";

// SDL video, the caption, the 500 x 500 OpenGL window, Unicode keys, key repeat
// and the GL state. False (with a line on standard output) when there is no window.
bool openWindow(Editor& ed);

// Runs until ed.done; then shuts SDL down.
void runEventLoop(Editor& ed);
