// Labels: text laid letter by letter along a cubic Bezier curve.
//
// A Label keeps its four control nodes as stored (start point, two inner nodes as
// chord coefficients (along, across), end point) and the curve derived from them
// (updateCurve). Its letters are spread evenly over the curve's arc length, one
// equal slot per character, spaces included (layoutLetters), and carry copies of
// the label's attributes (applyAttributes).
//
// Invariants kept by every caller: after a change of nodes or of the number of
// letters, layoutLetters has run; after a change of size, visibility, italic or
// width, applyAttributes has run. All arithmetic is single precision.
//
// Letter ids come from the program-wide counter nextLetterId, which only grows
// (resetLetterIds sets it back to 0 when the store is loaded).
#pragma once

#include <string>
#include <vector>

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
void initFromDrag(Label& label, MapPoint p, MapPoint q);
void moveNode(Label& label, MapPoint p, int k);
MapPoint centre(const Label& label);
float extent(const Label& label);
float distanceToCurve(const Label& label, MapPoint p);
float distanceToNode(const Label& label, MapPoint p, int k);

// The whole text of the label in UTF-8.
std::string labelText(const Label& label);
// The UTF-8 text cut to fit a buffer of cap bytes (at most cap-1 bytes of whole
// characters and a NUL); returns the length written.
size_t labelTextInto(const Label& label, char* buffer, size_t cap);

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
