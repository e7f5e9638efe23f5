#include "app/history.h"

#include <utility>

namespace {

bool validIndex(const LabelList& labels, int index) {
    return index >= 0 && static_cast<size_t>(index) < labels.size();
}

void dropOldest(History& h) {
    h.bytes -= stepBytes(h.steps.front());
    h.steps.pop_front();
    if (h.done > 0) --h.done;
}

void push(History& h, HistoryStep step) {
    while (h.steps.size() > h.done) {
        h.bytes -= stepBytes(h.steps.back());
        h.steps.pop_back();
    }
    h.bytes += stepBytes(step);
    ++h.revision;
    h.steps.push_back(std::move(step));
    h.done = h.steps.size();
    while (h.bytes > h.byteLimit && h.steps.size() > 1) dropOldest(h);
}

// Applies one step forwards (redo) or backwards (undo) and sets selected to the
// label's index, -1 when it left the list. False when the step does not fit the
// list, which only a change of the list outside the history could cause: the
// history is then of no use and is cleared.
bool apply(History& h, HistoryStep& step, LabelList& labels, bool undo, int& selected) {
    using Kind = HistoryStep::Kind;
    // Undoing a removal and redoing an addition put the label back into the list.
    const bool insert = step.kind != Kind::Changed && (step.kind == Kind::Removed) == undo;
    const bool fits = insert ? step.index >= 0 && static_cast<size_t>(step.index) <= labels.size()
                             : validIndex(labels, step.index);
    if (!fits) {
        h.steps.clear();
        h.done = 0;
        h.bytes = 0;
        return false;
    }
    const auto at = labels.begin() + step.index;
    ++h.revision;
    h.bytes -= stepBytes(step);
    if (step.kind == Kind::Changed) {
        std::swap(*at, step.label);
        selected = step.index;
    } else if (insert) {
        labels.insert(at, std::move(step.label));
        step.label = Label{};
        selected = step.index;
    } else {
        step.label = std::move(*at);
        labels.erase(at);
        selected = -1;
    }
    h.bytes += stepBytes(step);
    return true;
}

// Ends the open drag with its label in the state `after` (none: the label is gone);
// a step if the drag changed it.
void closeDrag(History& h, const Label* after) {
    const int index = h.dragIndex;
    h.dragIndex = -1;
    Label before = std::move(h.dragBefore);
    h.dragBefore = Label{};
    if (after && !sameLabel(*after, before)) push(h, HistoryStep{HistoryStep::Kind::Changed, index, std::move(before)});
}

}  // namespace

size_t stepBytes(const HistoryStep& step) {
    // The letters sit in one heap block of their own, with the allocator's header.
    const size_t letters = step.label.letters.capacity();
    return sizeof(HistoryStep) + (letters ? letters * sizeof(LabelLetter) + 16 : 0);
}

void recordChange(History& h, const LabelList& labels, int index, Label before) {
    if (!validIndex(labels, index) || sameLabel(labels[static_cast<size_t>(index)], before)) return;
    // A drag open on this label ended where the command began.
    if (h.dragIndex == index)
        closeDrag(h, &before);
    else
        endDrag(h, labels);
    push(h, HistoryStep{HistoryStep::Kind::Changed, index, std::move(before)});
}

void continueDrag(History& h, const LabelList& labels, int index) {
    if (h.dragIndex == index || !validIndex(labels, index)) return;
    endDrag(h, labels);
    h.dragIndex = index;
    h.dragBefore = labels[static_cast<size_t>(index)];
}

void endDrag(History& h, const LabelList& labels) {
    if (h.dragIndex < 0) return;
    closeDrag(h, validIndex(labels, h.dragIndex) ? &labels[static_cast<size_t>(h.dragIndex)] : nullptr);
}

bool dragOpen(const History& h) { return h.dragIndex >= 0; }

void addLabel(History& h, LabelList& labels, Label label) {
    endDrag(h, labels);
    labels.push_back(std::move(label));
    push(h, HistoryStep{HistoryStep::Kind::Added, static_cast<int>(labels.size()) - 1, Label{}});
}

void eraseLabel(History& h, LabelList& labels, int index) {
    if (!validIndex(labels, index)) return;
    endDrag(h, labels);
    const auto at = labels.begin() + index;
    Label gone = std::move(*at);
    labels.erase(at);
    push(h, HistoryStep{HistoryStep::Kind::Removed, index, std::move(gone)});
}

bool undoStep(History& h, LabelList& labels, int& selected) {
    endDrag(h, labels);
    if (h.done == 0) return false;
    if (!apply(h, h.steps[h.done - 1], labels, true, selected)) return false;
    --h.done;
    return true;
}

bool redoStep(History& h, LabelList& labels, int& selected) {
    endDrag(h, labels);
    if (h.done == h.steps.size()) return false;
    if (!apply(h, h.steps[h.done], labels, false, selected)) return false;
    ++h.done;
    return true;
}
