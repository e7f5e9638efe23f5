// src/app: start-up, the SDL2 event loop, the editor's commands, the view and
// the frame. The one folder that uses all the others; nothing uses it.
//
// The process-wide instances of the editor, in one record. The program defines
// exactly one Editor (src/app/instances.cpp); the input handlers, the frame drawing
// and the export take it (or its parts) by reference, so tests build their own.
#pragma once

#include <string>

#include "app/app_state.h"
#include "app/history.h"
#include "app/recovery.h"
#include "app/view.h"
#include "atlas/atlas.h"
#include "config/config.h"
#include "labels/label.h"
#include "labels/label_store.h"
#include "overlay/message_log.h"
#include "terrain/terrain.h"
#include "terrain/terrain_colors.h"

struct Editor {
    AppConfig config;
    AppState app;
    ViewState view;
    LabelList labels;
    History history;  // undo and redo of the edits to labels
    LabelStore store;
    RecoveryState recovery;  // the copy of unsaved labels kept on disk
    TerrainMesh terrain;
    TerrainColorTable colors;
    GlyphAtlas atlas;
    MessageLog log;
    std::string startupOutput;  // what start-up printed before the window, shown again when start-up ends
    Report afterBanner;         // what start-up has to say in the message list, after the banner
    MapPicture picture;         // the map's picture kept between frames (drawFrame)
    int redrawRequests = 0;  // redraw requests posted by commands (pushRedraw), turned into SDL events by the loop
    bool done = false;       // the event loop ends
};

// Queues one redraw request.
inline void pushRedraw(Editor& ed) { ++ed.redrawRequests; }
