// Frames whose map comes from the picture kept from the last full frame against
// full frames of the same state and against the reference frame, pixel for pixel,
// after each kind of edit, in a real OpenGL window (run under Xvfb); and the same
// edits where no picture can be kept or the kept one is lost.
#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "../test_support.h"
#include "app/app_draw.h"
#include "app/input.h"
#include "app/view_draw.h"
#include "bench/reference.h"
#include "mapgen.h"

namespace {

const char* const FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// An editor on a generated 40 x 40 map with the terrain types of real modules,
// five party markers and labels with letters: two in the middle of the view, one
// across its edge, one outside it, one whose large letters alone reach into it
// from beyond its top edge, and one right of the square window that a wider
// window shows. The first label is selected.
void makeEditor(Editor& ed) {
    MapGenParams params;
    params.realTerrain = true;
    const std::string map = generateMapText(params);
    std::string error;
    ASSERT_TRUE(parseTerrainMesh(ed.terrain, map.data(), map.size(), error)) << error;
    ed.terrain.partyPositions = {{0, 0}, {-20, 10}, {15, -5}, {5, 25}, {-8, -18}};
    ASSERT_TRUE(buildGlyphAtlas(ed.atlas, "abcdefghijklmnopqrstuvxyzABCDEFGHIJKLMNOPQRSTUVXYZ- ", FONT, 512, 256, false));
    const struct {
        MapPoint start, end;
        float size;
    } labels[] = {{{-20, -5}, {15, 5}, 1}, {{-10, 15}, {10, 22}, 1},  {{30, -40}, {70, -30}, 1},
                  {{60, 60}, {90, 80}, 1}, {{-10, -53}, {10, -53}, 12}, {{-48, 0}, {-62, 4}, 1}};
    for (const auto& l : labels) {
        Label& label = ed.labels.emplace_back();
        initFromDrag(label, l.start, l.end);
        label.size = l.size;
        for (char c : std::string("Wold Marsh")) addLetter(label, static_cast<unsigned char>(c));
        layoutLetters(label, ed.atlas);
    }
    ed.app.selected = 0;
}

std::vector<unsigned char> readFrame(const ViewState& view) {
    std::vector<unsigned char> pixels(static_cast<size_t>(view.windowWidth) * view.windowHeight * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, view.windowWidth, view.windowHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

size_t differingPixels(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
    if (a.size() != b.size()) return a.size() + b.size();
    size_t n = 0;
    for (size_t i = 0; i < a.size(); i += 4) n += std::memcmp(&a[i], &b[i], 4) != 0;
    return n;
}

// Distinct colours in the frame's columns from x on: the map, not one flat colour.
size_t coloursFrom(const std::vector<unsigned char>& pixels, const ViewState& view, int x) {
    std::vector<unsigned> seen;
    for (int y = 0; y < view.windowHeight; ++y)
        for (int c = x; c < view.windowWidth; ++c) {
            const unsigned char* p = &pixels[(static_cast<size_t>(y) * view.windowWidth + c) * 4];
            const unsigned rgb = p[0] << 16 | p[1] << 8 | p[2];
            if (std::find(seen.begin(), seen.end(), rgb) == seen.end()) seen.push_back(rgb);
        }
    return seen.size();
}

struct Edit {
    const char* name;
    std::function<void(Editor&, SDL_Window*)> apply;
    bool viewStill;  // zoom, pan, window, colours, map and markers unchanged: the picture stays good
};

// Resizes the window and waits for the windowing system's word that it has (at
// most a second), then tells the editor, as the event loop does.
void resize(Editor& ed, SDL_Window* window, int w, int h) {
    SDL_SetWindowSize(window, w, h);
    for (int i = 0; i < 100; ++i) {
        SDL_Event event;
        bool changed = false;
        while (SDL_PollEvent(&event))
            changed = changed || (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED);
        if (changed) break;
        SDL_Delay(10);
    }
    handleResize(ed, w, h);
    setupGlState(ed.atlas);
}

// Presses on the selected label's end node and drags it 12 pixels right, 7 down.
void dragEndNode(Editor& ed) {
    const MapPoint p = projectToWindow(ed.view, ed.labels[ed.app.selected].curve[3]);
    const int x = static_cast<int>(p.x), y = static_cast<int>(p.y);
    handleButtonDown(ed, BUTTON_LEFT, x, y);
    EXPECT_EQ(ed.app.activeNode, 3) << "the press grabs the end node";
    handleMotion(ed, HELD_LEFT, x + 12, y + 7, 12, 7, 0);
    handleButtonUp(ed, BUTTON_LEFT);
}

const std::vector<Edit>& edits() {
    static const std::vector<Edit> table = {
        {"first frame", [](Editor&, SDL_Window*) {}, false},
        {"node drag", [](Editor& ed, SDL_Window*) { dragEndNode(ed); }, true},
        {"typing", [](Editor& ed, SDL_Window*) { handleTextInput(ed, "Vale"); }, true},
        {"zoom", [](Editor& ed, SDL_Window*) {
             handleButtonDown(ed, BUTTON_WHEEL_UP, 100, 100);
             handleButtonUp(ed, BUTTON_WHEEL_UP);
         }, false},
        {"node drag after the zoom", [](Editor& ed, SDL_Window*) { dragEndNode(ed); }, true},
        {"F8", [](Editor& ed, SDL_Window*) {
             test_support::writeBytes("mapcolors.txt", "2\n3 200 60 40\n11 250 250 90\n");
             handleKeyDown(ed, Key::F8, 0, 0);
         }, false},
        {"typing after F8", [](Editor& ed, SDL_Window*) { handleTextInput(ed, "n"); }, true},
        {"window resize", [](Editor& ed, SDL_Window* w) { resize(ed, w, 300, 180); }, false},
        {"node drag after the resize", [](Editor& ed, SDL_Window*) { dragEndNode(ed); }, true},
        {"pan", [](Editor& ed, SDL_Window*) { handleKeyDown(ed, Key::Left, 0, 0); }, false},
    };
    return table;
}

struct Window {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    Window() {
        if (SDL_Init(SDL_INIT_VIDEO) != 0) return;
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        window = SDL_CreateWindow("frames", 0, 0, 200, 200, SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE);
        context = window ? SDL_GL_CreateContext(window) : nullptr;
    }
    ~Window() {
        if (context) SDL_GL_DeleteContext(context);
        if (window) SDL_DestroyWindow(window);
        SDL_Quit();
    }
};

// Runs the edits on a fresh editor in a 200 x 200 window. After each edit the
// frame is drawn as the program draws it, then a full frame of the same state
// (the picture dropped first), then the reference frame (every label, the map in
// immediate mode); full[i] gets the full frame's pixels. sideLimit
// bounds the picture's texture; loseAt names an edit before whose frame the
// picture's texture is deleted behind the editor's back, as a lost context would.
void runEdits(Window& w, int sideLimit, const std::string& loseAt, std::vector<std::vector<unsigned char>>& full) {
    Editor ed;
    makeEditor(ed);
    ed.picture.sideLimit = sideLimit;
    resize(ed, w.window, 200, 200);
    full.resize(edits().size());
    for (size_t i = 0; i < edits().size(); ++i) {
        const Edit& e = edits()[i];
        e.apply(ed, w.window);
        const bool lost = e.name == loseAt;
        if (lost) {
            ASSERT_NE(ed.picture.texture, 0u);
            glDeleteTextures(1, &ed.picture.texture);
        }
        // Each frame is swapped after it is read, as the event loop swaps it (with
        // Mesa's software drivers only a swap lets the buffers follow a resize).
        const bool fromPicture = drawFrame(ed);
        const std::vector<unsigned char> frame = readFrame(ed.view);
        SDL_GL_SwapWindow(w.window);
        EXPECT_EQ(fromPicture, e.viewStill && sideLimit == 0 && !lost) << e.name;
        ed.picture.kept = false;
        EXPECT_FALSE(drawFrame(ed)) << e.name;
        full[i] = readFrame(ed.view);
        SDL_GL_SwapWindow(w.window);
        drawFrameReference(ed);
        const std::vector<unsigned char> reference = readFrame(ed.view);
        SDL_GL_SwapWindow(w.window);
        EXPECT_EQ(differingPixels(frame, full[i]), 0u) << e.name;
        EXPECT_EQ(differingPixels(full[i], reference), 0u) << e.name;
        // The whole window shows the map, also the part the resize added.
        EXPECT_GT(coloursFrom(full[i], ed.view, ed.view.windowWidth - 60), 10u) << e.name;
    }
    releaseMapPicture(ed.picture);
    releaseGlyphAtlas(ed.atlas);
}

TEST(FrameDraw, KeptPictureFramesEqualFullFrames) {
    test_support::WorkDir work;  // F8 reads "mapcolors.txt" here
    Window w;
    ASSERT_NE(w.context, nullptr) << SDL_GetError();

    std::vector<std::vector<unsigned char>> kept, lost, without;
    runEdits(w, 0, "", kept);
    // The texture gone before the node drag's frame: that frame draws the map and
    // keeps a new picture, which the typing's frame uses.
    runEdits(w, 0, "node drag", lost);
    // No texture as large as the window (256 x 256): every frame draws the map.
    runEdits(w, 128, "", without);
    for (size_t i = 0; i < kept.size(); ++i) {
        EXPECT_EQ(differingPixels(kept[i], lost[i]), 0u) << edits()[i].name;
        EXPECT_EQ(differingPixels(kept[i], without[i]), 0u) << edits()[i].name;
    }
}

}  // namespace
