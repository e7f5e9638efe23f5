// The drawing measurements in a real OpenGL window: frames of the map with its
// labels, the compiled terrain against the immediate-mode one (whole and part by
// part), and the editor's frames after an edit against its full frames.
#include <GL/gl.h>
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "app/app_draw.h"
#include "app/input.h"
#include "app/view.h"
#include "app/view_draw.h"
#include "bench/bench.h"
#include "bench/reference.h"
#include "labels/label_draw.h"
#include "terrain/terrain_draw.h"

const char* const FRAME_PART_NAMES[FRAME_PARTS] = {"fills", "outlines", "markers", "labels"};

namespace {

constexpr int WINDOW = 500;

double now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// A WINDOW x WINDOW double-buffered OpenGL window with the editor's GL state,
// for the life of the record; note says why there is none.
struct BenchWindow {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    std::string note;
    explicit BenchWindow(const GlyphAtlas& atlas) {
        const char* display = std::getenv("DISPLAY");
        if (!display || !*display) {
            note = "no DISPLAY";
            return;
        }
        if (SDL_Init(SDL_INIT_VIDEO) != 0) {
            note = std::string("SDL_Init failed: ") + SDL_GetError();
            return;
        }
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        window = SDL_CreateWindow("veltrune-bench", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, WINDOW, WINDOW,
                                  SDL_WINDOW_OPENGL);
        context = window ? SDL_GL_CreateContext(window) : nullptr;
        if (!context) {
            note = std::string("no OpenGL window: ") + SDL_GetError();
            return;
        }
        // As the program opens its window: the overlay's font ready before the first frame.
        initGlutOnce();
        setupGlState(atlas);
    }
    ~BenchWindow() {
        if (context) {
            releaseTerrainDrawCache();
            SDL_GL_DeleteContext(context);
        }
        if (window) SDL_DestroyWindow(window);
        SDL_Quit();
    }
    BenchWindow(const BenchWindow&) = delete;
    BenchWindow& operator=(const BenchWindow&) = delete;
};

// One frame as the editor draws it at the given zoom, without the overlay text:
// the given parts of the terrain, and the labels when asked for.
void drawOneFrame(const TerrainMesh& terrain, const TerrainColorTable& colors, LabelList& labels,
                  const GlyphAtlas& atlas, float zoom, bool compiled, unsigned parts, bool withLabels) {
    ViewState view;
    view.zoom = zoom;
    view.windowWidth = view.windowHeight = WINDOW;
    glViewport(0, 0, WINDOW, WINDOW);
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    loadViewTransform(view);
    if (compiled)
        drawTerrain(terrain, colors, parts);
    else
        drawTerrainImmediate(terrain, colors, parts);
    glTranslatef(0.0f, 0.0f, 10.0f);
    if (withLabels)
        for (Label& label : labels) drawLabel(label, false, -1, atlas);
    glFinish();
}

// The shortest of n runs: on a shared machine the other runs only add noise.
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

// A frame of one flat colour would make a comparison say nothing.
bool varied(const std::vector<unsigned char>& pixels) {
    for (size_t i = 4; i < pixels.size(); i += 4)
        if (std::memcmp(&pixels[i], &pixels[0], 3) != 0) return true;
    return false;
}

}  // namespace

FrameBench benchFrames(const TerrainMesh& terrain, const TerrainColorTable& colors, LabelList& labels,
                       const GlyphAtlas& atlas, float zoom, int compiledFrames, int immediateFrames) {
    FrameBench fb;
    BenchWindow w(atlas);
    fb.note = w.note;
    if (!w.context) return fb;

    const auto time = [&](unsigned parts, bool withLabels) {
        FrameTiming t;
        t.compiledS = bestFrame(fb.compiledFrames, [&] {
            drawOneFrame(terrain, colors, labels, atlas, zoom, true, parts, withLabels);
        });
        const std::vector<unsigned char> compiledPixels = readPixels();
        t.immediateS = bestFrame(fb.immediateFrames, [&] {
            drawOneFrame(terrain, colors, labels, atlas, zoom, false, parts, withLabels);
        });
        const std::vector<unsigned char> immediatePixels = readPixels();
        if (!varied(compiledPixels)) fb.note = "a frame is one flat colour";
        t.identical = varied(compiledPixels) && compiledPixels == immediatePixels;
        return t;
    };

    double t0 = now();
    drawOneFrame(terrain, colors, labels, atlas, zoom, true, TERRAIN_ALL, true);
    fb.firstCompiledS = now() - t0;
    fb.compiledFrames = std::max(1, compiledFrames);
    fb.immediateFrames = std::max(1, immediateFrames);
    fb.whole = time(TERRAIN_ALL, true);
    const unsigned partsAlone[FRAME_PARTS] = {TERRAIN_FILLS, TERRAIN_OUTLINES, TERRAIN_MARKERS, 0};
    for (int p = 0; p < FRAME_PARTS; ++p) fb.parts[p] = time(partsAlone[p], partsAlone[p] == 0);
    fb.ran = true;
    return fb;
}

EditFrameBench benchEditFrames(Editor& ed, int frames) {
    EditFrameBench eb;
    BenchWindow w(ed.atlas);
    eb.note = w.note;
    if (!w.context) return eb;
    ed.view.windowWidth = ed.view.windowHeight = WINDOW;
    // Every frame is swapped as the event loop swaps it; the swap is not timed.
    double t0 = now();
    drawFrame(ed);
    eb.firstFrameS = now() - t0;
    SDL_GL_SwapWindow(w.window);

    // The label to edit: the first whose end node is in the window, selected.
    int x = -1, y = -1;
    for (size_t i = 0; i < ed.labels.size() && x < 0; ++i) {
        const MapPoint p = projectToWindow(ed.view, ed.labels[i].curve[3]);
        if (p.x >= 20 && p.x < WINDOW - 20 && p.y >= 20 && p.y < WINDOW - 20) {
            ed.app.selected = static_cast<int>(i);
            x = static_cast<int>(p.x);
            y = static_cast<int>(p.y);
        }
    }
    if (x < 0) {
        eb.note = "no label end in view";
        releaseMapPicture(ed.picture);
        return eb;
    }

    // The node first goes to the pixel it is in, so that a press there grabs it.
    // Drag step i then moves it 4 pixels right and down when i is even, and back
    // when it is odd, so that the state after step i is the same in every round.
    ed.app.activeNode = 3;
    handleMotion(ed, HELD_LEFT, x, y, 0, 0, 0);
    handleButtonUp(ed, BUTTON_LEFT);
    const auto drag = [&](int i) {
        const int from = i % 2 == 0 ? 0 : 4, to = 4 - from;
        handleButtonDown(ed, BUTTON_LEFT, x + from, y + from);
        const bool grabbed = ed.app.activeNode == 3;
        handleMotion(ed, HELD_LEFT, x + to, y + to, to - from, to - from, 0);
        handleButtonUp(ed, BUTTON_LEFT);
        if (!grabbed) eb.note = "the press did not grab the node";
        return grabbed;
    };
    // The frames of a drag one after the other, as the editor draws them; the same
    // drag again with full frames, the map drawn as without a picture (one that
    // cannot be kept); then once more with both kinds of frame for each state, read
    // back and compared, apart from the timed rounds.
    eb.frames = std::max(2, frames + frames % 2);
    eb.editS = eb.fullS = 1e300;
    eb.identical = true;
    MapPicture none;
    none.sideLimit = 1;
    const auto frame = [&](bool fromPicture) {
        if (!fromPicture) std::swap(ed.picture, none);
        const bool fromKept = drawFrame(ed);
        if (!fromPicture) std::swap(ed.picture, none);
        return fromKept == fromPicture;
    };
    for (int round = 0; round < 2; ++round)
        for (int i = 0; i < eb.frames; ++i) {
            eb.identical = drag(i) && eb.identical;
            t0 = now();
            eb.identical = frame(round == 0) && eb.identical;
            double& best = round == 0 ? eb.editS : eb.fullS;
            best = std::min(best, now() - t0);
            SDL_GL_SwapWindow(w.window);
        }
    for (int i = 0; i < eb.frames; ++i) {
        eb.identical = drag(i) && frame(true) && eb.identical;
        const std::vector<unsigned char> edit = readPixels();
        SDL_GL_SwapWindow(w.window);
        eb.identical = frame(false) && eb.identical;
        const std::vector<unsigned char> full = readPixels();
        SDL_GL_SwapWindow(w.window);
        eb.identical = eb.identical && varied(full) && full == edit;
    }
    releaseMapPicture(ed.picture);
    eb.ran = true;
    return eb;
}
