// The drawing measurement: frames of the map with its labels in a real OpenGL
// window, the compiled terrain against the immediate-mode one.
#include <GL/gl.h>
#include <SDL.h>

#include <chrono>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/app_draw.h"
#include "app/view.h"
#include "app/view_draw.h"
#include "bench/bench.h"
#include "bench/reference.h"
#include "labels/label_draw.h"
#include "terrain/terrain_draw.h"

namespace {

constexpr int WINDOW = 500;

double now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// One frame as the editor draws it at the given zoom, without the overlay text.
void drawOneFrame(const TerrainMesh& terrain, const TerrainColorTable& colors, LabelList& labels,
                  const GlyphAtlas& atlas, float zoom, bool compiled) {
    ViewState view;
    view.zoom = zoom;
    view.windowWidth = view.windowHeight = WINDOW;
    glViewport(0, 0, WINDOW, WINDOW);
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    loadViewTransform(view);
    if (compiled)
        drawTerrain(terrain, colors);
    else
        drawTerrainImmediate(terrain, colors);
    glTranslatef(0.0f, 0.0f, 10.0f);
    for (Label& label : labels) drawLabel(label, false, -1, atlas);
    glFinish();
}

// The shortest of n frames: on a shared machine the other runs only add noise.
template <class Draw>
double bestFrame(int n, const Draw& draw) {
    double best = 1e300;
    for (int i = 0; i < n; ++i) {
        const double t0 = now();
        draw();
        best = std::min(best, now() - t0);
    }
    return best;
}

std::vector<unsigned char> readPixels() {
    std::vector<unsigned char> pixels(static_cast<size_t>(WINDOW) * WINDOW * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, WINDOW, WINDOW, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

}  // namespace

FrameBench benchFrames(const TerrainMesh& terrain, const TerrainColorTable& colors, LabelList& labels,
                       const GlyphAtlas& atlas, float zoom, int compiledFrames, int immediateFrames) {
    FrameBench fb;
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        fb.note = "no DISPLAY";
        return fb;
    }
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        fb.note = std::string("SDL_Init failed: ") + SDL_GetError();
        return fb;
    }
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_Window* window = SDL_CreateWindow("veltrune-bench", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, WINDOW,
                                          WINDOW, SDL_WINDOW_OPENGL);
    SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
    if (!context) {
        fb.note = std::string("no OpenGL window: ") + SDL_GetError();
        if (window) SDL_DestroyWindow(window);
        SDL_Quit();
        return fb;
    }
    setupGlState(atlas);

    double t0 = now();
    drawOneFrame(terrain, colors, labels, atlas, zoom, true);
    fb.firstCompiledS = now() - t0;

    fb.compiledFrames = std::max(1, compiledFrames);
    fb.compiledS = bestFrame(fb.compiledFrames, [&] { drawOneFrame(terrain, colors, labels, atlas, zoom, true); });
    const std::vector<unsigned char> compiledPixels = readPixels();

    fb.immediateFrames = std::max(1, immediateFrames);
    fb.immediateS = bestFrame(fb.immediateFrames, [&] { drawOneFrame(terrain, colors, labels, atlas, zoom, false); });
    const std::vector<unsigned char> immediatePixels = readPixels();

    // A frame of one flat colour would make the comparison say nothing.
    bool varied = false;
    for (size_t i = 4; i < compiledPixels.size() && !varied; i += 4)
        varied = std::memcmp(&compiledPixels[i], &compiledPixels[0], 3) != 0;
    if (!varied) fb.note = "the frame is one flat colour";
    fb.identical = varied && compiledPixels == immediatePixels;
    fb.ran = true;
    releaseTerrainDrawCache();
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return fb;
}
