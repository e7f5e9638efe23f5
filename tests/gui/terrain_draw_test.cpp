// The compiled terrain drawing (display lists per chunk of faces, chunks outside
// the view skipped) against the full immediate-mode drawing, pixel for pixel, in
// a real OpenGL window (run under Xvfb).
#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <vector>

#include "app/app_draw.h"
#include "app/view_draw.h"
#include "bench/reference.h"
#include "terrain/terrain_draw.h"

namespace {

constexpr int WINDOW = 200;

std::vector<unsigned char> frame(const TerrainMesh& mesh, const TerrainColorTable& colors, const ViewState& view,
                                 bool compiled) {
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    loadViewTransform(view);
    compiled ? drawTerrain(mesh, colors) : drawTerrainImmediate(mesh, colors);
    glFinish();
    std::vector<unsigned char> pixels(WINDOW * WINDOW * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, WINDOW, WINDOW, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

TEST(TerrainDraw, CompiledAndCulledEqualsFullDrawing) {
    // A 48 x 48 grid of tilted squares, two faces each: 4608 faces in rows, so the
    // eighteen chunks are bands across the map; varied heights and types.
    TerrainMesh mesh;
    const int n = 48;
    for (int y = 0; y <= n; ++y)
        for (int x = 0; x <= n; ++x)
            mesh.vertices.push_back({float(x), float(y), float((x * 7 + y * 3) % 5)});
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const int a = y * (n + 1) + x;
            mesh.faces.push_back({{a, a + 1, a + n + 2}, (x + y) % 4});
            mesh.faces.push_back({{a, a + n + 2, a + n + 1}, (x * y) % 4});
        }
    computeBoundingBox(mesh);
    for (MapFace& f : mesh.faces) computeFaceLight(mesh, f);
    mesh.partyPositions = {{10, 10}, {30, 40}};
    TerrainColorTable colors;
    const unsigned char rows[4][3] = {{200, 60, 40}, {40, 200, 60}, {60, 40, 200}, {220, 220, 90}};
    for (int t = 0; t < 4; ++t)
        for (int k = 0; k < 3; ++k) colors.rgb[t][k] = rows[t][k];

    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    SDL_Window* window = SDL_CreateWindow("terrain", 0, 0, WINDOW, WINDOW, SDL_WINDOW_OPENGL);
    SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
    ASSERT_NE(context, nullptr) << SDL_GetError();
    setupGlState(GlyphAtlas{});
    glViewport(0, 0, WINDOW, WINDOW);

    // A corner at zoom 4, where the far bands are culled and left uncompiled; the
    // whole map, compiling those while the corner's lists replay; the corner again
    // after a recolouring forced a rebuild. Each view's first compiled frame (which
    // compiles what it shows) and its second (which replays it) are compared.
    struct Case {
        float zoom, panX, panY;
        bool recolour;
    };
    for (const Case& c : {Case{4, 0.6f, 0.6f, false}, Case{1, 0, 0, false}, Case{4, 0.6f, 0.6f, true}}) {
        ViewState view;
        view.zoom = c.zoom;
        view.panX = c.panX;
        view.panY = c.panY;
        view.windowWidth = view.windowHeight = WINDOW;
        if (c.recolour) {
            colors.rgb[2][0] = 90;
            ++colors.version;
        }
        const std::vector<unsigned char> full = frame(mesh, colors, view, false);
        const std::vector<unsigned char> compiling = frame(mesh, colors, view, true);
        const std::vector<unsigned char> compiled = frame(mesh, colors, view, true);
        size_t differing = 0, unlike = 0;
        for (size_t i = 0; i < full.size(); i += 4) {
            for (const auto* other : {&compiling, &compiled})
                differing += full[i] != (*other)[i] || full[i + 1] != (*other)[i + 1] || full[i + 2] != (*other)[i + 2];
            unlike += full[i] != full[0] || full[i + 1] != full[1] || full[i + 2] != full[2];
        }
        EXPECT_EQ(differing, 0u) << "zoom " << c.zoom;
        EXPECT_GT(unlike, full.size() / 8) << "the frame shows too little of the map";
    }

    releaseTerrainDrawCache();
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
}

}  // namespace
