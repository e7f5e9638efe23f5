// The editor that the input and history tests drive through the event handlers.
#pragma once

#include <cmath>
#include <string>

#include "../test_support.h"

#include "app/input.h"
#include "app/view.h"

// An editor on a flat square map 0..100 x 0..100 of two faces, with an atlas that
// holds the default characters in cells of 10 x 20 texels and the matrices of a
// first frame (zoom 3, 500 x 500).
struct TestEditor {
    Editor ed;
    TestEditor() {
        TerrainMesh& t = ed.terrain;
        t.vertices = {{0, 0, 0}, {100, 0, 0}, {100, 100, 0}, {0, 100, 0}};
        t.faces.resize(2);
        for (int k = 0; k < 3; ++k) t.faces[0].corners[k] = k, t.faces[1].corners[k] = k ? k + 1 : 0;
        computeBoundingBox(t);
        buildTerrainIndex(t);
        GlyphAtlas& a = ed.atlas;
        a.width = 256;
        a.height = 64;
        a.pixels.assign(static_cast<size_t>(a.width) * a.height * 4, 255);
        a.glyphHeight = 20;
        const std::string chars = "abcdefghijklmnopqrstuvxyzABCDEFGHIJKLMNOPQRSTUVXYZ- ";
        for (size_t i = 0; i < chars.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(chars[i]);
            a.cells[c] = GlyphCell{static_cast<int>(10 * i), 0, 10, 4, 12};
        }
        a.distinctCount = static_cast<int>(chars.size());
        computeViewMatrices(ed.view, ed.terrain);
    }
    // A straight label from s to e with the given text, appended to the list.
    Label& addLabel(MapPoint s, MapPoint e, const std::string& text = "") {
        Label& label = ed.labels.emplace_back();
        initFromDrag(label, s, e);
        layoutLetters(label);
        for (char32_t c : test_support::chars(text)) addLetter(label, c);
        return label;
    }
    void key(Key k, int mod = 0, int currentMod = 0) { handleKeyDown(ed, k, mod, currentMod); }
    // Typed characters arrive as text, apart from the key presses, as SDL2 sends them.
    void typeText(const std::string& text) { handleTextInput(ed, text); }
    // Mouse events at the window pixel of a map point in the current frame.
    void press(int button, MapPoint m) {
        const MapPoint p = projectToWindow(ed.view, m);
        handleButtonDown(ed, button, static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y)));
    }
    void dragTo(int held, MapPoint m, int xrel = 1, int yrel = 1) {
        const MapPoint p = projectToWindow(ed.view, m);
        handleMotion(ed, held, static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y)), xrel, yrel, 0);
    }
    std::string newestMessage() const {
        auto list = messagesNewestFirst(ed.log);
        return list.empty() ? std::string() : list.front();
    }
    int selected() const { return ed.app.selected; }
};
