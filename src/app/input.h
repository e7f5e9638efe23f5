// The editor's commands: what each key press, mouse motion, button press and
// button release does to the Editor. The event loop passes the event's fields as
// the editor's own keys (keys.h) and plain numbers (modifier masks and button
// numbers), translated from SDL2's (sdl_keys.h), so these handlers run without SDL
// and are tested directly. Typed text arrives apart from key presses, as UTF-8
// (handleTextInput), as SDL2's text-input events carry it.
//
// Redraws are only requested (pushRedraw); the loop turns requests into events.
// While the save prompt is up (app.quitAsked) Esc and typed text answer it, motion
// and releases are ignored, and button presses still act.
#pragma once

#include <string>

#include "app/editor.h"
#include "app/keys.h"

constexpr int MOD_SHIFT = 0x0003;  // left or right shift
constexpr int MOD_CTRL = 0x00C0;   // left or right ctrl

// Mouse button numbers and the held-button bits of a motion event.
constexpr int BUTTON_LEFT = 1;
constexpr int BUTTON_MIDDLE = 2;
constexpr int BUTTON_RIGHT = 3;
constexpr int BUTTON_WHEEL_UP = 4;
constexpr int BUTTON_WHEEL_DOWN = 5;
constexpr int HELD_LEFT = 1;
constexpr int HELD_MIDDLE = 2;
constexpr int HELD_RIGHT = 4;

constexpr const char* BANNER = "Veltrune v" VELTRUNE_VERSION ", a Karnwold map labeller!";

// A key press: mod the event's modifiers (ctrl is read here), currentMod the
// modifier state now (shift is read here). While the save prompt is up only Esc
// acts: it ends without saving.
void handleKeyDown(Editor& ed, Key key, int mod, int currentMod);
// Typed text (UTF-8): each character types into the selected label, or answers
// the save prompt while it is up. Malformed bytes are dropped.
void handleTextInput(Editor& ed, const std::string& utf8);
// A mouse motion with the held-button bits, the position and the relative motion.
void handleMotion(Editor& ed, int buttonState, int x, int y, int xrel, int yrel, int currentMod);
void handleButtonDown(Editor& ed, int button, int x, int y);
void handleButtonUp(Editor& ed, int button);
// The window was closed.
void handleQuitEvent(Editor& ed);
// The window got a new size (at least 1 x 1 is kept).
void handleResize(Editor& ed, int w, int h);
// Writes the recovery copy when it is due at time now (seconds): between events,
// never during a drag. A failure's message is shown once, and editing goes on.
void keepLabelsSafe(Editor& ed, double now);
// Seconds until keepLabelsSafe has work to do with no further edit; -1 for none.
double secondsUntilSafe(const Editor& ed, double now);
// True when the program may end now; with unsaved changes raises the prompt instead.
bool requestQuit(Editor& ed);
// A character typed while the save prompt is up: y saves and ends, n ends, c
// goes back to editing (either case); any other does nothing.
void answerPrompt(Editor& ed, char32_t answer);
