// The benchmark's shared pieces: the result rows, and the frame measurements
// that live in bench_draw.cpp (they need an OpenGL window).
#pragma once

#include <string>

#include "app/editor.h"
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

// One kind of frame timed both ways: the compiled terrain against immediate mode.
struct FrameTiming {
    double compiledS = 0;   // best of the compiled frames
    double immediateS = 0;  // best of the immediate-mode frames
    bool identical = false; // the read-back pixels of both agree
};

// The parts of a frame, each timed alone; the labels are drawn alike both ways.
constexpr int FRAME_PARTS = 4;
extern const char* const FRAME_PART_NAMES[FRAME_PARTS];  // "fills", "outlines", "markers", "labels"

struct FrameBench {
    bool ran = false;
    std::string note;           // why the measurement was skipped
    double firstCompiledS = 0;  // the first compiled frame, which also compiles the map in view
    int compiledFrames = 0;
    int immediateFrames = 0;
    FrameTiming whole;                // the terrain with its markers and the labels
    FrameTiming parts[FRAME_PARTS];   // each part alone
};

// Opens a 500 x 500 OpenGL window when DISPLAY is set and times frames of the
// terrain with its labels at the given zoom (3 is the editor's start view, 1
// shows the whole map), compiled against immediate mode, whole and part by part.
FrameBench benchFrames(const TerrainMesh& terrain, const TerrainColorTable& colors, LabelList& labels,
                       const GlyphAtlas& atlas, float zoom, int compiledFrames, int immediateFrames);

// Frames as the editor draws them (drawFrame, overlay included) at its start view.
struct EditFrameBench {
    bool ran = false;
    std::string note;
    double firstFrameS = 0;  // the first frame after start-up: compiles the map in view, keeps its picture
    int frames = 0;
    double editS = 0;        // best frame after a node drag: the map from its kept picture
    double fullS = 0;        // best full frame of the same state: the map drawn, as without a picture
    bool identical = false;  // every edit frame's pixels equal its full frame's, and came from the picture
};

// Opens a 500 x 500 OpenGL window when DISPLAY is set, draws the editor's first
// frame, then drags an end node of a label in view back and forth (an even number
// of steps), drawing each state from the map's picture, and then again in full.
EditFrameBench benchEditFrames(Editor& ed, int frames);
