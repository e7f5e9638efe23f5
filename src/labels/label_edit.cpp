// Editing operations on one label: text, size, width, visibility, italics,
// reading direction, letter case and attribute copies.
#include "labels/label.h"

void addLetter(Label& label, char c) {
    label.letters.push_back(makeLetter(c));
    layoutLetters(label);
}

bool removeLastLetter(Label& label) {
    if (label.letters.empty()) return false;
    label.letters.pop_back();
    // Shrinking by one makes one filler letter, which takes an id of its own:
    // every removal consumes an id.
    ++nextLetterId;
    layoutLetters(label);
    return true;
}

void scaleSize(Label& label, float f) {
    if (f < 0.5f) f = 0.5f;
    label.size *= f;
    applyAttributes(label);
}

void changeWidth(Label& label, int d) {
    label.widthDrag += d;
    int w;
    if (label.widthDrag < 85)
        w = label.widthDrag + 15;
    else if (label.widthDrag <= 115)
        w = 100;
    else
        w = label.widthDrag - 15;
    if (w < 40) w = 40;
    if (w > 250) w = 250;
    label.width = w;
    applyAttributes(label);
}

void changeVisibility(Label& label, int d) {
    int v = label.visibility + d;
    if (v < 10) v = 10;
    if (v > 100) v = 100;
    label.visibility = v;
    applyAttributes(label);
}

void toggleItalic(Label& label) {
    label.italic ^= 1;
    applyAttributes(label);
}

void flip(Label& label) {
    const MapPoint start = label.nodes[0];
    label.nodes[0] = label.nodes[3];
    label.nodes[3] = start;
    const MapPoint n1 = label.nodes[1];
    const MapPoint n2 = label.nodes[2];
    label.nodes[1] = MapPoint{1.0f - n2.x, -n2.y};
    label.nodes[2] = MapPoint{1.0f - n1.x, -n1.y};
    layoutLetters(label);
}

static bool isUpper(char c) { return c >= 'A' && c <= 'Z'; }
static bool isLower(char c) { return c >= 'a' && c <= 'z'; }
static char toUpper(char c) { return isLower(c) ? static_cast<char>(c - 'a' + 'A') : c; }
static char toLower(char c) { return isUpper(c) ? static_cast<char>(c - 'A' + 'a') : c; }

void cycleCase(Label& label) {
    bool upper = false, lower = false;
    for (const LabelLetter& l : label.letters) {
        upper = upper || isUpper(l.ch);
        lower = lower || isLower(l.ch);
    }
    if (upper && lower) {
        for (LabelLetter& l : label.letters) l.ch = toUpper(l.ch);
    } else if (upper) {
        for (LabelLetter& l : label.letters) l.ch = toLower(l.ch);
    } else if (lower) {
        // Title case: only a space starts a word.
        bool wordStart = true;
        for (LabelLetter& l : label.letters) {
            if (l.ch == ' ') {
                wordStart = true;
                continue;
            }
            l.ch = wordStart ? toUpper(l.ch) : toLower(l.ch);
            wordStart = false;
        }
    }
}

void copyAttributes(Label& to, const Label& from) {
    to.size = from.size;
    to.visibility = from.visibility;
    to.italic = from.italic;
    to.width = from.width;
    to.widthDrag = from.width;
    to.spare = from.spare;
}

int countLetters(const Label& label) {
    int n = 0;
    for (const LabelLetter& l : label.letters)
        if (l.ch != ' ') ++n;
    return n;
}
