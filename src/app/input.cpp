#include "app/input.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "app/reporting.h"
#include "app/startup.h"
#include "app/view.h"
#include "export/export.h"
#include "export/letter_groups.h"
#include "platform/text_format.h"
#include "platform/utf8.h"

namespace {

bool hasSelection(const Editor& ed) {
    return ed.app.selected >= 0 && static_cast<size_t>(ed.app.selected) < ed.labels.size();
}

Label& selectedLabel(Editor& ed) { return ed.labels[static_cast<size_t>(ed.app.selected)]; }

// The editing operations lay letters out in equal slots; a proportional label's
// letters also follow its characters, size and width through the font's metrics,
// which only the atlas holds. Sets the selected label again after an edit.
void relayoutSelected(Editor& ed) {
    if (hasSelection(ed) && proportionalSpacing(selectedLabel(ed))) layoutLetters(selectedLabel(ed), ed.atlas);
}

// Tab walks the labels forwards, shift-Tab backwards; both wrap around and work
// on unsigned values, so from "none selected" Tab gives 0 and shift-Tab n - 2.
void selectNextLabel(Editor& ed, bool backwards) {
    if (ed.labels.empty()) return;
    const uint32_t n = static_cast<uint32_t>(ed.labels.size());
    const uint32_t current = static_cast<uint32_t>(ed.app.selected);
    const uint32_t next = backwards ? (n + current - 1) % n : (current + 1) % n;
    ed.app.selected = static_cast<int>(next);
    ed.app.activeNode = -1;  // a node grabbed on the old selection is not one of the new label's
    const Label& label = ed.labels[next];
    centreViewOn(ed.view, ed.terrain, centre(label), extent(label));
}

// One arrow press scrolls the picture by 40 pixels at any zoom.
float arrowStep(const ViewState& view) {
    return 80.0f / (static_cast<float>(view.windowHeight) * view.zoom);
}

// Saves the labels and shows what the store said.
bool saveAndShow(Editor& ed) {
    const Report saved = saveLabels(ed.labels, ed.store);
    showReport(ed.log, saved);
    return saved.ok;
}

// ctrl-d: how many letters could share a mesh, and how many meshes the export
// needs against the room the module's icons leave. Works on the export's own
// records, so the labels stay as they are.
void countDuplicateLetters(Editor& ed) {
    const ExportLetters letters = buildExportLetters(ed.labels, ed.terrain, ed.atlas);
    printTrace(letters.trace, true);
    const GroupPlan single = groupLetters(letters, 1);
    showMessage(ed.log, formatText("In current config, %d letters out of %d can use duplicates", single.duplicates,
                                   letters.letters));
    long long icons = 0;
    if (!readOrigIconCount(ed.config, icons)) {
        showMessage(ed.log, countText(single.meshes, "letter mesh", "letter meshes"));
        return;
    }
    std::string message =
        countText(single.meshes, "letter mesh", "letter meshes") +
        formatText(", room for %lld in this module", letterIconRoom(icons));
    if (!meshesFit(icons, single.meshes)) {
        const GroupChoice choice = chooseGroups(letters, 0, true, icons);
        int labels = 0;
        for (const std::vector<LabelLetter>& row : letters.labels) labels += row.empty() ? 0 : 1;
        message += choice.fits ? formatText("; %d letters to a mesh fit (%d meshes)", choice.plan.size,
                                            choice.plan.meshes)
                               : "; even one mesh per label does not fit (" + countText(labels, "label", "labels") + ")";
    }
    showMessage(ed.log, message);
}

// F12. After a start whose label store did not load completely, the module
// still holds the names of every stored label: the first F12 only warns, so an
// export of fewer labels is never made unasked; a second F12, or any F12 after
// the labels were saved with F2, exports.
void exportLabels(Editor& ed) {
    const LabelStore& store = ed.store;
    if (!store.damage.empty() && !ed.app.partialExportAllowed) {
        ed.app.partialExportAllowed = true;
        const long long loaded = static_cast<long long>(store.loaded);
        const std::string counts = store.stored >= 0 ? formatText("%lld of %d labels", loaded, store.stored)
                                                     : countText(loaded, "label", "labels");
        showMessage(ed.log, "The label store was damaged at start-up (" + counts +
                                " loaded): F12 again exports just these labels");
        return;
    }
    std::string trace;
    const Report exported = exportModule(ed.labels, ed.terrain, ed.atlas, ed.config, trace);
    printTrace(trace, false);
    showReport(ed.log, exported);
}

// Typing: a character the atlas holds becomes the selected label's new last letter, as one step.
void typeCharacter(Editor& ed, char32_t code) {
    const bool printable = code >= 0x20 && code != 0x7F && !(code >= 0x80 && code < 0xA0);
    if (printable && hasSelection(ed) && !atlasHasChar(ed.atlas, code) && code != ed.app.refusedChar) {
        // Said once: held or typed again, the same character adds no message.
        ed.app.refusedChar = code;
        std::string typed;
        appendUtf8(typed, code);
        showMessage(ed.log, formatText("\"%s\" is not in the charset (%s)", typed.c_str(), CONFIG_FILE));
        pushRedraw(ed);
    }
    if (hasSelection(ed) && atlasHasChar(ed.atlas, code)) {
        Label before = selectedLabel(ed);
        addLetter(selectedLabel(ed), code);
        relayoutSelected(ed);
        recordChange(ed.history, ed.labels, ed.app.selected, std::move(before));
        ed.app.changed = true;
    }
}

// Keeps the selected label's text attributes for the next new label. Called as
// each event begins, so a selection that the event ends still counts.
void noteSelectedStyle(Editor& ed) {
    if (!hasSelection(ed)) return;
    copyAttributes(ed.app.lastStyle, selectedLabel(ed));
    ed.app.lastStyleKnown = true;
}

// A new label's text attributes: those of the label selected most recently, as
// ctrl-v pastes them; before any selection the defaults, with letters sized to
// the curve (its length / 20) and never below the map's share (1.0 for every 200
// units of its longer side, at least 1.0).
void styleNewLabel(Editor& ed, Label& label) {
    Label style;
    if (ed.app.lastStyleKnown) {
        style = ed.app.lastStyle;
    } else {
        // Letters about a tenth of the curve tall (a new label is straight: its
        // length is its chord), and at least 1.0 for every 200 units of the map.
        const TerrainMesh& t = ed.terrain;
        const float longer = std::max(t.boxMax.x - t.boxMin.x, t.boxMax.y - t.boxMin.y);
        const float length = std::hypot(label.nodes[3].x - label.nodes[0].x, label.nodes[3].y - label.nodes[0].y);
        style.size = std::max({1.0f, longer / 200.0f, length / 20.0f});
    }
    copyAttributes(label, style);
    applyAttributes(label);
}

// What a button release does: a label being dragged out joins the list, a
// grabbed node is let go, and the drag's changes become one step.
void endDrags(Editor& ed) {
    AppState& app = ed.app;
    endDrag(ed.history, ed.labels);
    if (app.creating) {
        app.selected = static_cast<int>(ed.labels.size());
        styleNewLabel(ed, app.newLabel);
        addLabel(ed.history, ed.labels, app.newLabel);
        app.changed = true;
    }
    app.creating = false;
    app.activeNode = -1;
    app.movingLabel = -1;
}

// ctrl-z, and ctrl-y or ctrl-shift-z. A drag in progress ends first as a release
// would end it, so that ctrl-z in the middle of a drag takes back the drag itself;
// the buttons still held then edit nothing until the next press or release.
void undoOrRedo(Editor& ed, bool redo) {
    AppState& app = ed.app;
    app.movingLabel = -1;  // the label a press armed may be another one after the step
    if (app.creating || app.activeNode != -1 || dragOpen(ed.history)) {
        endDrags(ed);
        app.dragEnded = true;
    }
    int selected = -1;
    if (!(redo ? redoStep : undoStep)(ed.history, ed.labels, selected)) return;
    app.selected = selected;
    app.activeNode = -1;
    app.changed = true;
    pushRedraw(ed);
}

void keyCommands(Editor& ed, Key key, int mod, int currentMod) {
    AppState& app = ed.app;
    ViewState& view = ed.view;
    const bool ctrl = (mod & MOD_CTRL) != 0;
    const bool shift = (currentMod & MOD_SHIFT) != 0;

    switch (key) {
        case Key::F1: app.helpVisible = !app.helpVisible; break;
        case Key::F12: exportLabels(ed); break;
        case Key::F2:
            if (saveAndShow(ed)) {
                app.changed = false;
                app.partialExportAllowed = true;
                dropRecoveryCopy(ed.recovery, ed.history.revision);
            }
            break;
        case Key::Tab: selectNextLabel(ed, shift); break;
        case Key::Return:
            app.selected = -1;
            app.activeNode = -1;
            break;
        case Key::F3: app.namesShown = !app.namesShown; break;
        case Key::Home: homeView(view); break;
        case Key::F8: showReport(ed.log, rereadTerrainColors(ed.colors)); break;
        case Key::Up: view.panY += arrowStep(view); break;
        case Key::Down: view.panY -= arrowStep(view); break;
        case Key::Left: view.panX -= arrowStep(view); break;
        case Key::Right: view.panX += arrowStep(view); break;
        case Key::Escape:
            if (requestQuit(ed)) ed.done = true;
            break;
        case Key::Z:
            // Shift, like ctrl, from the event itself: by the time the event is handled
            // the modifier keys may have been let go already.
            if (ctrl) undoOrRedo(ed, (mod & MOD_SHIFT) != 0);
            break;
        case Key::Y:
            if (ctrl) undoOrRedo(ed, true);
            break;
        default: break;
    }

    // The selected label as it was before the command, to record what it changes as one step.
    const int edited = app.selected;
    std::optional<Label> before;
    if (hasSelection(ed)) before = selectedLabel(ed);

    if (hasSelection(ed)) {
        Label& label = selectedLabel(ed);
        switch (key) {
            case Key::PageDown:
                changeVisibility(label, 5);
                app.changed = true;
                break;
            case Key::PageUp:
                changeVisibility(label, -5);
                app.changed = true;
                break;
            case Key::Backspace:
            case Key::Delete:
                // shift-Delete removes the whole label; otherwise the last letter,
                // and an empty label itself.
                if ((key == Key::Delete && (mod & MOD_SHIFT)) || !removeLastLetter(label)) {
                    eraseLabel(ed.history, ed.labels, app.selected);
                    app.selected = -1;
                    app.activeNode = -1;
                }
                app.changed = true;
                break;
            case Key::I:
                if (ctrl) {
                    toggleItalic(label);
                    app.changed = true;
                }
                break;
            case Key::F:
                if (ctrl) {
                    flip(label);
                    app.activeNode = -1;
                    app.changed = true;
                }
                break;
            case Key::P:
                if (ctrl) {
                    cycleCase(label);
                    app.activeNode = -1;
                    app.changed = true;
                }
                break;
            case Key::K:
                if (ctrl) {
                    toggleSpacing(label, ed.atlas);
                    app.changed = true;
                }
                break;
            case Key::C:
                if (ctrl) {
                    copyAttributes(app.attributeClipboard, label);
                    app.clipboardValid = true;
                }
                break;
            case Key::V:
                if (ctrl) {
                    const bool wasProportional = proportionalSpacing(label);
                    if (app.clipboardValid) copyAttributes(label, app.attributeClipboard);
                    applyAttributes(label);
                    // A pasted mode takes effect at once (a proportional one below).
                    if (wasProportional && !proportionalSpacing(label)) layoutLetters(label);
                    app.changed = true;
                }
                break;
            default: break;
        }
    }

    if (before && app.selected == edited) {
        relayoutSelected(ed);
        recordChange(ed.history, ed.labels, edited, std::move(*before));
    }

    if (key == Key::D && ctrl) countDuplicateLetters(ed);
}

}  // namespace

namespace {

// A drag under way changes a label with every motion: the copy waits for its end.
bool dragging(const Editor& ed) {
    return ed.app.creating || ed.app.activeNode != -1 || dragOpen(ed.history);
}

}  // namespace

void keepLabelsSafe(Editor& ed, double now) {
    if (!recoveryDue(ed.recovery, ed.app.changed, ed.history.revision, dragging(ed), now)) return;
    const Report written = writeRecoveryCopy(ed.recovery, ed.labels, ed.history.revision, now);
    if (!written.messages.empty()) {
        showReport(ed.log, written);
        pushRedraw(ed);
    }
}

double secondsUntilSafe(const Editor& ed, double now) {
    return recoveryWait(ed.recovery, ed.app.changed, ed.history.revision, dragging(ed), now);
}

bool requestQuit(Editor& ed) {
    if (!ed.app.changed) return true;
    ed.app.quitAsked = true;
    return false;
}

void answerPrompt(Editor& ed, char32_t answer) {
    AppState& app = ed.app;
    if (answer == 'y' || answer == 'Y') {
        if (saveAndShow(ed)) {
            app.changed = false;
            ed.done = true;
        } else {
            // Ending now would lose the labels: back to editing, with the save's
            // failure message on screen, so the cause can be fixed and saved again.
            app.quitAsked = false;
        }
    } else if (answer == 'n' || answer == 'N') {
        ed.done = true;
    } else if (answer == 'c' || answer == 'C') {
        app.quitAsked = false;
        showMessage(ed.log, "(quit canceled)");
    }
}

void handleKeyDown(Editor& ed, Key key, int mod, int currentMod) {
    noteSelectedStyle(ed);
    if (key != Key::Shift && key != Key::Ctrl) pushRedraw(ed);
    if (!ed.app.quitAsked)
        keyCommands(ed, key, mod, currentMod);
    else if (key == Key::Escape)
        ed.done = true;  // a second Esc ends without saving
}

void handleTextInput(Editor& ed, const std::string& utf8) {
    noteSelectedStyle(ed);
    pushRedraw(ed);
    for (size_t pos = 0; pos < utf8.size() && !ed.done;) {
        char32_t code;
        if (!nextUtf8(utf8, pos, code)) {
            ++pos;
            continue;
        }
        if (ed.app.quitAsked)
            answerPrompt(ed, code);
        else
            typeCharacter(ed, code);
    }
}

void handleMotion(Editor& ed, int buttonState, int x, int y, int xrel, int yrel, int currentMod) {
    noteSelectedStyle(ed);
    AppState& app = ed.app;
    ViewState& view = ed.view;
    if (app.quitAsked) return;
    // The cursor readout follows the pointer.
    app.cursorPos = unprojectMouse(view, x, y);
    app.cursorShown = true;
    pushRedraw(ed);

    if (buttonState & HELD_RIGHT) {
        const float scale = static_cast<float>(view.windowHeight) * view.zoom;
        view.panX -= 2.0f * static_cast<float>(xrel) * 1.6f / scale;
        view.panY += 2.0f * static_cast<float>(yrel) * 1.6f / scale;
        pushRedraw(ed);
    }
    if (app.dragEnded) return;
    if ((buttonState & HELD_MIDDLE) && hasSelection(ed) && yrel != 0) {
        continueDrag(ed.history, ed.labels, app.selected);
        Label& label = selectedLabel(ed);
        if (currentMod & MOD_SHIFT)
            changeWidth(label, -yrel);
        else
            scaleSize(label, 1.0f - 0.01f * static_cast<float>(yrel));
        relayoutSelected(ed);
        app.changed = true;
        pushRedraw(ed);
    }
    if (buttonState & HELD_LEFT) {
        if (app.selected == -1) {
            const MapPoint m = unprojectMouse(view, x, y);
            app.cursorPos = m;
            initFromDrag(app.newLabel, app.pressPos, m);
            // The curve follows the nodes at once, so the label is pickable as soon as it is added.
            layoutLetters(app.newLabel);
            app.creating = true;
            pushRedraw(ed);
        } else if (app.activeNode >= 0 && app.activeNode <= 3 && hasSelection(ed)) {
            const MapPoint m = unprojectMouse(view, x, y);
            app.cursorPos = m;
            continueDrag(ed.history, ed.labels, app.selected);
            Label& label = selectedLabel(ed);
            moveNode(label, m, app.activeNode);
            layoutLetters(label, ed.atlas);
            app.changed = true;
            pushRedraw(ed);
        } else if (app.activeNode == -1 && app.movingLabel == app.selected && hasSelection(ed)) {
            // The whole label follows the pointer from where the press took it, once
            // the pointer has left the press by a few pixels: a click never nudges it.
            const MapPoint m = unprojectMouse(view, x, y);
            const MapPoint d{m.x - app.pressPos.x, m.y - app.pressPos.y};
            const float unit = mapUnitsPerPixel(view, ed.terrain);
            if (!dragOpen(ed.history) && std::hypot(d.x, d.y) < MOVE_START_PIXELS * unit) return;
            continueDrag(ed.history, ed.labels, app.selected);
            Label& label = selectedLabel(ed);
            moveNode(label, MapPoint{app.moveEnds[0].x + d.x, app.moveEnds[0].y + d.y}, 0);
            moveNode(label, MapPoint{app.moveEnds[1].x + d.x, app.moveEnds[1].y + d.y}, 3);
            layoutLetters(label, ed.atlas);
            app.changed = true;
        }
    }
}

void handleButtonDown(Editor& ed, int button, int x, int y) {
    noteSelectedStyle(ed);
    AppState& app = ed.app;
    app.dragEnded = false;
    switch (button) {
        case BUTTON_LEFT: {
            const MapPoint m = unprojectMouse(ed.view, x, y);
            app.pressPos = m;
            pickAtPixel(app, ed.labels, ed.atlas, ed.view, ed.terrain, x, y);
            app.cursorShown = true;
            app.cursorPos = m;
            app.movingLabel = -1;
            if (hasSelection(ed) && app.activeNode == -1) {
                app.movingLabel = app.selected;
                app.moveEnds[0] = selectedLabel(ed).nodes[0];
                app.moveEnds[1] = selectedLabel(ed).nodes[3];
            }
            break;
        }
        case BUTTON_WHEEL_UP: zoomAbout(ed.view, x, y, WHEEL_FACTOR); break;
        case BUTTON_WHEEL_DOWN: zoomAbout(ed.view, x, y, 1.0f / WHEEL_FACTOR); break;
        default: break;
    }
    pushRedraw(ed);
}

void handleButtonUp(Editor& ed, int /*button*/) {
    noteSelectedStyle(ed);
    AppState& app = ed.app;
    if (app.quitAsked) return;
    endDrags(ed);
    app.dragEnded = false;
    pushRedraw(ed);
}

void handleQuitEvent(Editor& ed) {
    if (ed.app.quitAsked || requestQuit(ed))
        ed.done = true;
    else
        pushRedraw(ed);
}

void handleResize(Editor& ed, int w, int h) {
    ed.view.windowWidth = w < 1 ? 1 : w;
    ed.view.windowHeight = h < 1 ? 1 : h;
}
