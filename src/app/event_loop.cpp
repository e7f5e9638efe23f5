#include "app/event_loop.h"

#include <SDL/SDL.h>

#include <cstdio>

#include "app/app_draw.h"
#include "app/input.h"
#include "app/view_draw.h"

namespace {

constexpr Uint32 VIDEO_FLAGS = SDL_OPENGL | SDL_RESIZABLE;

void postRedraw() {
    SDL_Event event;
    event.type = SDL_VIDEOEXPOSE;
    SDL_PushEvent(&event);
}

// Drops the redraw requests that piled up while a frame was drawn (at most 20).
void flushRedraws() {
    SDL_Event pending[20];
    SDL_PeepEvents(pending, 20, SDL_GETEVENT, SDL_VIDEOEXPOSEMASK);
}

void resizeWindow(Editor& ed, int w, int h) {
    handleResize(ed, w, h);
    if (!SDL_SetVideoMode(ed.view.windowWidth, ed.view.windowHeight, 0, VIDEO_FLAGS)) {
        std::printf("Cannot resize the window to %dx%d: %s\n", ed.view.windowWidth,
                    ed.view.windowHeight, SDL_GetError());
        std::fflush(stdout);
        showMessage(ed.log, "Cannot resize the window?!");
        return;
    }
    setupGlState(ed.atlas);
    pushRedraw(ed);
}

void handleEvent(Editor& ed, const SDL_Event& event) {
    switch (event.type) {
        case SDL_KEYDOWN:
            handleKeyDown(ed, event.key.keysym.sym, event.key.keysym.mod, event.key.keysym.unicode,
                          SDL_GetModState());
            break;
        case SDL_MOUSEMOTION:
            handleMotion(ed, event.motion.state, event.motion.x, event.motion.y, event.motion.xrel,
                         event.motion.yrel, SDL_GetModState());
            break;
        case SDL_MOUSEBUTTONDOWN:
            handleButtonDown(ed, event.button.button, event.button.x, event.button.y);
            break;
        case SDL_MOUSEBUTTONUP: handleButtonUp(ed, event.button.button); break;
        case SDL_QUIT: handleQuitEvent(ed); break;
        case SDL_VIDEORESIZE: resizeWindow(ed, event.resize.w, event.resize.h); break;
        case SDL_VIDEOEXPOSE:
            drawFrame(ed);
            flushRedraws();
            break;
        default: break;
    }
}

}  // namespace

bool openWindow(Editor& ed) {
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        std::printf("Cannot start SDL video: %s\n", SDL_GetError());
        std::fflush(stdout);
        return false;
    }
    SDL_WM_SetCaption(CAPTION, CAPTION);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    if (!SDL_SetVideoMode(ed.view.windowWidth, ed.view.windowHeight, 0, VIDEO_FLAGS)) {
        std::printf("Cannot open the OpenGL window: %s\n", SDL_GetError());
        std::fflush(stdout);
        SDL_Quit();
        return false;
    }
    SDL_EnableUNICODE(1);
    SDL_EnableKeyRepeat(500, 30);
    initGlutOnce();
    setupGlState(ed.atlas);
    return true;
}

void runEventLoop(Editor& ed) {
    // The first frame does not wait for the windowing system's own exposure event.
    postRedraw();
    ed.redrawRequests = 0;
    while (!ed.done) {
        SDL_Event event;
        if (!SDL_WaitEvent(&event)) continue;
        handleEvent(ed, event);
        // Commands only count their requests; one posted event redraws them all,
        // as the frame drops every request queued before it is drawn.
        if (ed.redrawRequests > 0) {
            ed.redrawRequests = 0;
            postRedraw();
        }
    }
    shutdownGlut();
    SDL_Quit();
}
