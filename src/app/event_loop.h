// The window and the one event loop (SDL2). Every event is handled to the end
// before the next is taken; commands only count redraw requests, which the loop
// turns into one queued redraw event (a user event of its own) after each
// handled event. A frame is drawn when that event comes up, and the requests
// queued meanwhile are dropped after it.
#pragma once

#include "app/editor.h"

constexpr const char* CAPTION = "Veltrune v" VELTRUNE_VERSION;

// SDL video, the resizable OpenGL window of the configured size (500 x 500 by
// default, never larger than the usable desktop) with its caption and a 16-bit
// depth buffer, text input and the GL state. False (with a line on standard output) when there is no window.
bool openWindow(Editor& ed);

// Runs until ed.done; then shuts SDL down.
void runEventLoop(Editor& ed);
