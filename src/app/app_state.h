// The editor state owned by the event loop: selection, grabbed node, unsaved
// changes, the save prompt, the label being dragged out, the cursor readout, the
// help panel and the attribute clipboard.
#pragma once

#include "labels/label.h"

struct AppState {
    int selected = -1;    // index into the LabelList, -1 for none
    int activeNode = -1;  // grabbed control node 0..3 of the selected label, -1 for none
    bool changed = false;
    bool quitAsked = false;
    bool creating = false;
    bool dragEnded = false;  // undo or redo ended the drag: held buttons edit nothing until the next press or release
    Label newLabel;
    MapPoint pressPos;
    MapPoint cursorPos;
    bool cursorShown = false;
    bool helpVisible = false;
    bool namesShown = true;  // the parties' names beside their markers (F3)
    // A left press on a label (not on a node) lets a drag move the whole label:
    // which label, and its end nodes at the press (the drag adds the pointer's way).
    int movingLabel = -1;
    MapPoint moveEnds[2];
    Label attributeClipboard;
    bool clipboardValid = false;
    // The text attributes of the label selected most recently, which a new label takes.
    Label lastStyle;
    bool lastStyleKnown = false;
    char32_t refusedChar = 0;  // the last typed character the charset refused: said once until another is refused
    bool partialExportAllowed = false;  // after a damaged start: F12 was warned once, or the labels were saved
};
