// Editing operations on one label: text, size, width, visibility, italics,
// reading direction, letter case and attribute copies.
#include "labels/label.h"

#include <algorithm>
#include <iterator>

void addLetter(Label& label, char32_t c) {
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

namespace {

// One letter of the case table: capital or small, and its simple mapping to the
// other case. Only letters that have such a mapping are listed: the others (the
// sharp s) count as neither, so a text holding one still cycles.
struct CaseRow {
    char32_t code;
    bool capital;
    char32_t other;
};

constexpr CaseRow CASE_ROWS[] = {
#include "labels/case_table.inc"
};

const CaseRow* caseRow(char32_t c) {
    const CaseRow* end = std::end(CASE_ROWS);
    const CaseRow* row = std::lower_bound(std::begin(CASE_ROWS), end, c,
                                          [](const CaseRow& r, char32_t code) { return r.code < code; });
    return row != end && row->code == c ? row : nullptr;
}

bool isUpper(char32_t c) {
    const CaseRow* row = caseRow(c);
    return row && row->capital;
}
bool isLower(char32_t c) {
    const CaseRow* row = caseRow(c);
    return row && !row->capital;
}
char32_t toUpper(char32_t c) {
    const CaseRow* row = caseRow(c);
    return row && !row->capital ? row->other : c;
}
char32_t toLower(char32_t c) {
    const CaseRow* row = caseRow(c);
    return row && row->capital ? row->other : c;
}

}  // namespace

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
