// Undo and redo: the editing steps taken on the LabelList, oldest first.
//
// A step is one command's change to one label, in one of three forms, each with
// the label's index in the list: the label changed in place, a label added, a
// label removed. A step keeps only its own label, in the state that is not in the
// list: a changed label's state before the step while the step is done and after
// it while it is undone (undo and redo swap the two), an added label while the
// step is undone, a removed label while it is done.
//
// Calls, in the order the commands use them:
//   recordChange   after a one-event command, with a copy of the label from before it;
//                  a step is kept only if the label differs from the copy
//   continueDrag   before each motion that may change a label; the first one of a
//                  drag copies the label, so the whole drag becomes one step ...
//   endDrag        ... at the button release
//   addLabel, eraseLabel   change the list and record the step together
//   undoStep, redoStep
// Every step recorded, undone or redone first closes an open drag's step (endDrag),
// so the steps follow each other in time. A new step drops the steps that could
// have been redone. The steps' memory stays within byteLimit: beyond it the oldest
// steps go, but the newest step is always kept.
#pragma once

#include <cstddef>
#include <deque>

#include "labels/label.h"

constexpr size_t HISTORY_BYTE_LIMIT = size_t{64} << 20;

struct HistoryStep {
    enum class Kind { Changed, Added, Removed };
    Kind kind = Kind::Changed;
    int index = 0;  // the label's place in the list
    Label label;    // the label's state that is not in the list (see above)
};

struct History {
    std::deque<HistoryStep> steps;  // oldest first
    size_t done = 0;                // steps[0, done) can be undone, the rest redone
    size_t bytes = 0;               // memory of the steps, as stepBytes counts it
    size_t byteLimit = HISTORY_BYTE_LIMIT;
    int dragIndex = -1;  // the label an open drag changes, -1 for none
    Label dragBefore;    // that label before the drag's first change
    // Grows with every step recorded, undone or redone: the list differs from the
    // one of an earlier revision only if this number does.
    unsigned long revision = 0;
};

// Memory one step takes: the record itself and its letters.
size_t stepBytes(const HistoryStep& step);

// The command changed labels[index], which was `before`: a step if anything differs.
void recordChange(History& h, const LabelList& labels, int index, Label before);
// A drag is about to change labels[index]; a drag that moves on to another label
// closes the step of the first.
void continueDrag(History& h, const LabelList& labels, int index);
void endDrag(History& h, const LabelList& labels);
bool dragOpen(const History& h);

// Appends the label as a step; its index is the list's old size.
void addLabel(History& h, LabelList& labels, Label label);
// Erases labels[index] as a step.
void eraseLabel(History& h, LabelList& labels, int index);

// Undo or redo the next step. False when there is none; otherwise selected is the
// index of the label the step changed, -1 when it is no longer in the list.
bool undoStep(History& h, LabelList& labels, int& selected);
bool redoStep(History& h, LabelList& labels, int& selected);
