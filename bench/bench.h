// The benchmark's shared pieces: the result rows, and the one-frame drawing
// measurement that lives in bench_draw.cpp (it needs an OpenGL window).
#pragma once

#include <string>

#include "atlas/atlas.h"
#include "labels/label.h"
#include "terrain/terrain.h"
#include "terrain/terrain_colors.h"

// One measured pair: the fast path against its reference. A negative
// referenceS means "no reference time" (written as null in JSON).
struct BenchRow {
    std::string name;
    double fastS = 0;
    double referenceS = -1;
    bool identical = false;
};

struct FrameBench {
    bool ran = false;
    std::string note;         // why the measurement was skipped
    double firstCompiledS = 0;  // the first compiled frame, which also compiles the map
    double compiledS = 0;     // best of the later compiled frames
    double immediateS = 0;    // best of the immediate-mode frames
    int compiledFrames = 0;
    int immediateFrames = 0;
    bool identical = false;   // the read-back pixels of both kinds of frame agree
};

// Opens a 500 x 500 OpenGL window when DISPLAY is set and times frames of the
// terrain with its labels at the given zoom (3 is the editor's start view, 1
// shows the whole map), compiled against immediate mode.
FrameBench benchFrames(const TerrainMesh& terrain, const TerrainColorTable& colors, LabelList& labels,
                       const GlyphAtlas& atlas, float zoom, int compiledFrames, int immediateFrames);
