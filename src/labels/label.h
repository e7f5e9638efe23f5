// src/labels: labels, their letters' layout, editing, the label store and the
// letters' geometry on the map; drawing only in label_draw.cpp. Depends on
// terrain, atlas and platform; never on the export, the overlay or the app.
//
// Labels: text laid letter by letter along a cubic Bezier curve.
//
// A Label keeps its four control nodes as stored (start point, two inner nodes as
// chord coefficients (along, across), end point) and the curve derived from them
// (updateCurve). Its letters fill the curve's arc length in one of two ways, chosen
// by bit 0 of spare: equal slots, one per character, spaces included
// (layoutLetters(label)); or proportional spacing, each letter by the font's own
// advance and kerning with one equal extra gap between neighbours
// (layoutLetters(label, atlas), which needs the atlas's metrics). The letters carry
// copies of the label's attributes (applyAttributes).
//
// Invariants kept by every caller: after a change of nodes or of the number of
// letters, layoutLetters has run; after a change of size, visibility, italic or
// width, applyAttributes has run. The editing operations lay out in equal slots:
// a proportional label is laid out again with the atlas after each of them (its
// letters also depend on the characters, the size and the width). All arithmetic
// is single precision.
//
// Letter ids come from the program-wide counter nextLetterId, which only grows
// (resetLetterIds sets it back to 0 when the store is loaded).
#pragma once

#include <string>
#include <vector>

#include "atlas/atlas.h"
#include "terrain/terrain.h"

// A letter of a label in a LabelList: label index and letter index; -1 for none.
struct LetterRef {
    int label = -1;
    int letter = -1;
    bool valid() const { return label >= 0; }
};

// sameLabel compares every field of LabelLetter and Label: a new field joins the comparison.
struct LabelLetter {
    MapPoint position;   // centre on the curve
    MapPoint direction;  // unit vector back along the curve, toward the start of the text
    char32_t ch = 0;  // the character, a Unicode code point
    float size = 0;
    unsigned char italic = 0;
    int width = 0;
    int alpha = 0;
    float angle = 0;
    LetterRef duplicate;  // a later letter whose exported mesh this one shares
    int id = 0;
    int icon = 0;
    float cornerZ[4] = {0, 0, 0, 0};
    MapPoint corners[4];
    MapPoint anchor;
};

struct Label {
    MapPoint nodes[4];
    MapPoint curve[4];
    std::vector<LabelLetter> letters;
    float size = 1.0f;
    int visibility = 35;
    unsigned char italic = 0;
    int width = 100;
    int spare = 0;
    int widthDrag = 100;
};

using LabelList = std::vector<Label>;

extern int nextLetterId;
void resetLetterIds();
// A letter with the character c and the next id.
LabelLetter makeLetter(char32_t c);

// Every field of both labels and of all their letters equal, floats bit for bit.
bool sameLabel(const Label& a, const Label& b);

void updateCurve(Label& label);
MapPoint pointAt(const Label& label, float t);
MapPoint directionAt(const Label& label, float t);
void layoutLetters(Label& label);
void applyAttributes(Label& label);

// Bit 0 of a label's spare: its letters are set by the font's advances and kerning.
constexpr int SPARE_PROPORTIONAL = 1;
bool proportionalSpacing(const Label& label);
// Switches between equal slots and proportional spacing, then lays the letters out.
void toggleSpacing(Label& label, const GlyphAtlas& atlas);
// Lays the letters out by the label's own mode: equal slots as layoutLetters(label),
// or proportionally with the atlas's metrics. Without metrics (an atlas never built)
// a proportional label falls back to equal slots.
void layoutLetters(Label& label, const GlyphAtlas& atlas);

// One letter's horizontal metrics in font pixels, for proportional spacing.
struct LetterAdvance {
    float advance = 0;  // how far the letter moves the pen
    float kern = 0;     // kerning with the next letter (negative pulls it closer)
    float shift = 0;    // centre of the letter's quad (the glyph surface) less the centre of its advance
};
// Arc lengths of the letters' quad centres on a curve of the given length, with k
// map units per font pixel: the pen starts at 0 and moves by each advance plus the
// kerning with the next letter; the length left over is spread as one equal gap
// between neighbours (negative when the text is longer than the curve), so the
// first and last advances touch the curve's ends. A single letter sits at the middle.
std::vector<float> proportionalArcLengths(const std::vector<LetterAdvance>& letters, float k, float length);
void initFromDrag(Label& label, MapPoint p, MapPoint q);
void moveNode(Label& label, MapPoint p, int k);
MapPoint centre(const Label& label);
float extent(const Label& label);
// The points the curve is drawn through and picked at: pointAt(t) for t = 0, 0.02,
// 0.04, ..., accumulated in single precision while t < 1 (51 points, the last just
// short of t = 1).
template <class Visit>
void forEachCurveSample(const Label& label, Visit visit) {
    for (float t = 0.0f; t < 1.0f; t += 0.02f) visit(pointAt(label, t));
}
float distanceToCurve(const Label& label, MapPoint p);
float distanceToNode(const Label& label, MapPoint p, int k);

// The whole text of the label in UTF-8.
std::string labelText(const Label& label);

// Editing operations on one label.
void addLetter(Label& label, char32_t c);
bool removeLastLetter(Label& label);  // false when the label had no letter left
void scaleSize(Label& label, float f);
void changeWidth(Label& label, int d);
void changeVisibility(Label& label, int d);
void toggleItalic(Label& label);
void flip(Label& label);
void cycleCase(Label& label);
void copyAttributes(Label& to, const Label& from);
int countLetters(const Label& label);
