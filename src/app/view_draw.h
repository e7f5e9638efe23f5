// Drawing of one frame: grey background, the map, the labels, then the overlay,
// and the capture of the view matrices that picking un-projects the mouse with.
#pragma once

#include "app/editor.h"
#include "app/view.h"

// Draws the whole frame for the editor's state and waits for GL to finish; the
// event loop then swaps the window's buffers. While the save prompt is up only the
// prompt is drawn and the captured matrices stay as they were. True when the map
// came from its kept picture.
bool drawFrame(Editor& ed);
// The overlay over the frame, in window pixels: the help panel, the messages, the
// cursor readout and the selected label's status.
void drawFrameOverlay(const Editor& ed);
// The background (the clear colour), the terrain and the party markers of a frame,
// leaving the map transform on the modelview matrix as drawTerrain does. While the
// picture's key holds, one textured quad of the picture covers the window with them
// (returns true; the depth buffer, which no drawing uses, is left as it was);
// otherwise the window is cleared, the map drawn and the picture taken anew, or,
// where GL cannot keep one (no texture that large, finer colours than RGBA8), the
// map drawn alone.
// With names, the parties' names stand beside their markers, part of the picture.
bool drawMap(MapPicture& picture, const ViewState& view, const TerrainMesh& terrain, const TerrainColorTable& colors,
             bool names = false);
// The parties' names that fit without overlapping (partyNameLines), on their
// backdrops in window pixels; the matrices are restored after.
void drawPartyNames(const ViewState& view, const TerrainMesh& terrain);
// Deletes the picture's texture (while its GL context is current).
void releaseMapPicture(MapPicture& picture);
// Loads the view's projection and the modelview up to the map normalisation
// (zoom and pan), the matrices computeViewMatrices starts from.
void loadViewTransform(const ViewState& view);
// Reads the projection, modelview and viewport of the current GL state into view.
void captureViewMatrices(ViewState& view);
