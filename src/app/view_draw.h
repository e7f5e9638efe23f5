// Drawing of one frame: grey background, the map, the labels, then the overlay,
// and the capture of the view matrices that picking un-projects the mouse with.
#pragma once

#include "app/editor.h"
#include "app/view.h"

// Draws the whole frame for the editor's state and waits for GL to finish; the
// event loop then swaps the window's buffers. While the save prompt is up only the
// prompt is drawn and the captured matrices stay as they were.
void drawFrame(Editor& ed);
// Loads the view's projection and the modelview up to the map normalisation
// (zoom and pan), the matrices computeViewMatrices starts from.
void loadViewTransform(const ViewState& view);
// Reads the projection, modelview and viewport of the current GL state into view.
void captureViewMatrices(ViewState& view);
