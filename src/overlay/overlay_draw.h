// Drawing of the overlay in window pixels with GLUT's bitmap font Helvetica 12.
//
// Each draw function sets the pixel space first (pixelOverlaySpace: a raster
// position (x, y) is then the window pixel (x, y) from the bottom-left corner),
// switches 2D texturing off, and draws the lines of overlay.h, each on its dark
// backdrop (drawn blended, the blend switched off again after). They replace the
// projection and modelview matrices, so they come after everything drawn in map
// coordinates. w and h are the window's width and height.
#pragma once

#include <string>
#include <vector>

#include "overlay/message_log.h"
#include "overlay/overlay.h"

void pixelOverlaySpace(int w, int h);
// Grey (g, g, g, 1), raster position (x, y), then one bitmap character per byte.
void drawText(int x, int y, float g, const std::string& text);

// The width of one byte in the overlay's font.
int overlayCharWidth(unsigned char c);
// Lines of overlay.h on their backdrops, in the pixel space of a w x h window.
void drawOverlayLines(const std::vector<OverlayText>& lines, int w, int h);

void drawHelpPanel(bool helpVisible, int labelCount, int selected, int w, int h);
// readoutX: where the cursor readout's leftmost line starts (-1: its usual column).
void drawMessages(const MessageLog& log, int w, int h, int readoutX = -1);
// party: the party under the pointer, shown above X and Y ("" for none).
void drawCursorReadout(float x, float y, int w, int h, const std::string& party = {});
// The italic flag is passed along but not shown.
void drawLabelStatus(float size, int visibility, int width, unsigned char italic, bool proportional, int w, int h);
void drawQuitPrompt(int w, int h);
