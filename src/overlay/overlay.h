// src/overlay: the message list, "log.txt" and the overlay's texts; drawing only
// in overlay_draw.cpp. Depends on src/platform only.
//
// The overlay's texts as data: what each piece writes, where, and in which grey.
//
// Positions are window pixels with the origin at the bottom-left corner (x is the
// start of the text, y its baseline); w and h are the window's width and height.
// The drawing functions of overlay_draw.h draw these lists with GLUT's bitmap
// font Helvetica 12, each text in the grey level (g, g, g, 1). That font draws
// one byte per character, in Latin-1, while messages are UTF-8: the message
// lines come converted (latin1ForDrawing), the other texts are ASCII.
//
//   helpPanelLines      top left: the header, and the whole panel when it is shown
//   messageLines        bottom left: the message list, newest at the bottom
//   cursorReadoutLines  bottom right: map position of the last left press or drag
//   labelStatusLines    top right: size, visibility, width and spacing of the selected label
//   quitPromptLine      centre: the save prompt
//   partyNameLines      on the map: the parties' names beside their markers
//
// Every text stands on a dark backdrop (textBackdrop) a few pixels larger than
// the text, so that it reads over snow and water alike. Lines 15 pixels apart
// have backdrops that meet without overlapping.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "overlay/message_log.h"

struct OverlayText {
    int x = 0;
    int y = 0;
    float grey = 0;
    std::string text;
};

constexpr float GREY_HEADING = 0.99f;  // help header and headings
constexpr float GREY_ITEM = 0.8f;      // help items and messages
constexpr float GREY_STATUS = 0.9f;    // cursor readout and label status
constexpr float GREY_PROMPT = 1.0f;    // save prompt
constexpr float GREY_NAME = 1.0f;      // party names

// A text's backdrop: black at BACKDROP_ALPHA over [x0, x1) x [y0, y1) in window
// pixels, origin bottom-left.
constexpr float BACKDROP_ALPHA = 0.6f;
struct PixelRect {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool operator==(const PixelRect&) const = default;
};

// The help panel: only the header when hidden; when shown, the blocks for label
// picking (labelCount > 0) and for the selected label (also selected >= 0) are
// present only when they apply, and absent lines take no room.
std::vector<OverlayText> helpPanelLines(bool helpVisible, int labelCount, int selected, int w, int h);
// The width in pixels of one byte of text in the overlay's font.
using TextWidth = std::function<int(unsigned char)>;
int textWidth(const std::string& text, const TextWidth& width);
// 3 pixels beside the text, 4 below its baseline (below the descenders) and 11
// above it (above capitals and accents).
PixelRect textBackdrop(const OverlayText& text, const TextWidth& width);
// UTF-8 text as the bitmap font's bytes: a character up to U+00FF is its own byte,
// any other character "?", and every byte of a broken sequence "?".
std::string latin1ForDrawing(const std::string& utf8);
// The column where the cursor readout starts, 70 pixels left of the window's right edge.
int readoutColumn(int w);
// A text broken at spaces into lines of at most maxWidth pixels (a word wider than
// that is broken where it must be); a text that fits is one line, unchanged.
std::vector<std::string> wrapText(const std::string& text, int maxWidth, const TextWidth& width);
// Newest at the bottom, converted for the font. With a window width w and the
// font's widths, a message that would reach the cursor readout's column wraps
// onto more lines of its own (its first line on top), so the two never overlap.
// readoutX is where the cursor readout's leftmost line starts (-1: readoutColumn(w)).
std::vector<OverlayText> messageLines(const MessageLog& log, int w = 0, const TextWidth& width = nullptr,
                                      int readoutX = -1);
// X and Y of the map point, and above them the party under the pointer when there
// is one ("Eastvale (p_town_6)"), moved left as far as its width needs.
std::vector<OverlayText> cursorReadoutLines(float x, float y, int w, const std::string& party = {},
                                            const TextWidth& width = nullptr);
// A party's name and where its marker is, in window pixels (origin bottom-left).
struct NamedPoint {
    float x = 0, y = 0;
    std::string name;  // UTF-8
};
// The names beside their markers, in the list's order: a name whose backdrop would
// overlap one already placed, or lies wholly outside the w x h window, is left out.
std::vector<OverlayText> partyNameLines(const std::vector<NamedPoint>& points, int w, int h,
                                        const TextWidth& width);
// A width other than 100 and proportional spacing each add a line.
std::vector<OverlayText> labelStatusLines(float size, int visibility, int width, int w, int h,
                                          bool proportional = false);
OverlayText quitPromptLine(int w, int h);
