#include "app/event_loop.h"

#include <SDL.h>

#include <cmath>
#include <string>

#include "app/app_draw.h"
#include "app/input.h"
#include "app/reporting.h"
#include "app/sdl_keys.h"
#include "app/view_draw.h"

namespace {

SDL_Window* window = nullptr;
SDL_GLContext context = nullptr;
Uint32 redrawEvent = 0;     // the user event type registered for redraw requests
bool redrawPending = false;  // a redraw request is in the queue

void postRedraw() {
    if (redrawPending) return;
    SDL_Event event{};
    event.type = redrawEvent;
    if (SDL_PushEvent(&event) > 0) redrawPending = true;
}

// Drops the redraw requests that piled up while a frame was drawn (at most 20).
void flushRedraws() {
    SDL_Event pending[20];
    SDL_PeepEvents(pending, 20, SDL_GETEVENT, redrawEvent, redrawEvent);
}

void resizeWindow(Editor& ed, int w, int h) {
    handleResize(ed, w, h);
    setupGlState(ed.atlas);
    pushRedraw(ed);
}

void handleWindowEvent(Editor& ed, const SDL_WindowEvent& event) {
    switch (event.event) {
        case SDL_WINDOWEVENT_SIZE_CHANGED: resizeWindow(ed, event.data1, event.data2); break;
        case SDL_WINDOWEVENT_EXPOSED: pushRedraw(ed); break;
        default: break;
    }
}

void handleEvent(Editor& ed, const SDL_Event& event) {
    switch (event.type) {
        case SDL_KEYDOWN:
            handleKeyDown(ed, keyFromSdl(event.key.keysym.sym), event.key.keysym.mod, SDL_GetModState());
            break;
        case SDL_TEXTINPUT: handleTextInput(ed, event.text.text); break;
        case SDL_MOUSEMOTION:
            handleMotion(ed, static_cast<int>(event.motion.state), event.motion.x, event.motion.y, event.motion.xrel,
                         event.motion.yrel, SDL_GetModState());
            break;
        case SDL_MOUSEBUTTONDOWN:
            handleButtonDown(ed, buttonFromSdl(event.button.button), event.button.x, event.button.y);
            break;
        case SDL_MOUSEBUTTONUP: handleButtonUp(ed, buttonFromSdl(event.button.button)); break;
        case SDL_MOUSEWHEEL: {
            const WheelSteps wheel = wheelSteps(event.wheel.y, event.wheel.direction);
            int x = 0, y = 0;
            SDL_GetMouseState(&x, &y);
            for (int i = 0; i < wheel.count; ++i) {
                handleButtonDown(ed, wheel.button, x, y);
                handleButtonUp(ed, wheel.button);
            }
            break;
        }
        case SDL_QUIT: handleQuitEvent(ed); break;
        case SDL_WINDOWEVENT: handleWindowEvent(ed, event.window); break;
        default:
            if (event.type == redrawEvent) {
                redrawPending = false;
                drawFrame(ed);
                SDL_GL_SwapWindow(window);
                flushRedraws();
            }
            break;
    }
}

}  // namespace

bool openWindow(Editor& ed) {
    SDL_SetMainReady();
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        printAtStartup(ed.startupOutput, std::string("Cannot start SDL video: ") + SDL_GetError());
        return false;
    }
    redrawEvent = SDL_RegisterEvents(1);
    SDL_Rect desktop{};
    if (SDL_GetDisplayUsableBounds(0, &desktop) != 0) desktop = SDL_Rect{};
    const auto [w, h] = startWindowSize(ed.config, desktop.w, desktop.h);
    ed.view.windowWidth = w;
    ed.view.windowHeight = h;
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    window = SDL_CreateWindow(CAPTION, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, ed.view.windowWidth,
                              ed.view.windowHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE);
    context = window ? SDL_GL_CreateContext(window) : nullptr;
    if (redrawEvent == static_cast<Uint32>(-1) || !context) {
        printAtStartup(ed.startupOutput, std::string("Cannot open the OpenGL window: ") + SDL_GetError());
        if (window) SDL_DestroyWindow(window);
        window = nullptr;
        SDL_Quit();
        return false;
    }
    // Typed characters arrive as text-input events; key repeat is the system's own.
    SDL_StartTextInput();
    initGlutOnce();
    setupGlState(ed.atlas);
    return true;
}

void runEventLoop(Editor& ed) {
    // The first frame does not wait for the windowing system's own exposure event.
    postRedraw();
    ed.redrawRequests = 0;
    const auto now = [] { return static_cast<double>(SDL_GetTicks64()) / 1000.0; };
    while (!ed.done) {
        // Idle, the loop sleeps until the next event, or until the recovery copy is due.
        SDL_Event event;
        const double wait = secondsUntilSafe(ed, now());
        const int got = wait < 0.0 ? SDL_WaitEvent(&event)
                                   : SDL_WaitEventTimeout(&event, static_cast<int>(std::ceil(wait * 1000.0)));
        if (got) handleEvent(ed, event);
        // Between events, never inside one: the unsaved labels kept safe.
        keepLabelsSafe(ed, now());
        // Commands only count their requests; one queued event redraws them all.
        if (ed.redrawRequests > 0) {
            ed.redrawRequests = 0;
            postRedraw();
        }
    }
    // Every way out of the loop saved the labels or chose to leave them: the copy goes.
    dropRecoveryCopy(ed.recovery, ed.history.revision);
    shutdownGlut();
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    context = nullptr;
    window = nullptr;
    SDL_Quit();
}
