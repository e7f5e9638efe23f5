// The editor's commands: what each key press, mouse motion, button press and
// button release does to the Editor. The event loop passes the event's fields as
// plain numbers (SDL 1.2's key codes, modifier masks and button numbers, which it
// translates from SDL2's), so these handlers run without SDL and are tested directly.
// Typed text arrives apart from key presses, as UTF-8 (handleTextInput).
//
// Redraws are only requested (pushRedraw); the loop turns requests into events.
// While the save prompt is up (app.quitAsked) keys answer the prompt, motion and
// releases are ignored, and button presses still act.
#pragma once

#include <string>

#include "app/editor.h"

// SDL 1.2 key codes the commands use.
namespace keys {
constexpr int BACKSPACE = 8;
constexpr int TAB = 9;
constexpr int RETURN = 13;
constexpr int ESCAPE = 27;
constexpr int C = 99;
constexpr int D = 100;
constexpr int F = 102;
constexpr int I = 105;
constexpr int K = 107;
constexpr int P = 112;
constexpr int V = 118;
constexpr int Y = 121;
constexpr int Z = 122;
constexpr int DELETE = 127;
constexpr int UP = 273;
constexpr int DOWN = 274;
constexpr int RIGHT = 275;
constexpr int LEFT = 276;
constexpr int PAGE_UP = 280;
constexpr int PAGE_DOWN = 281;
constexpr int F1 = 282;
constexpr int F2 = 283;
constexpr int F8 = 289;
constexpr int F12 = 293;
constexpr int RSHIFT = 303;  // 303..306: right/left shift, right/left ctrl
constexpr int LCTRL = 306;
}  // namespace keys

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

// A key press: sym the key code, mod the event's modifiers (ctrl is read here),
// unicode the typed character, currentMod the modifier state now (shift is read here).
void handleKeyDown(Editor& ed, int sym, int mod, unsigned unicode, int currentMod);
// Typed text (UTF-8, as SDL2's text-input events carry it): each character goes to
// the same typing and prompt-answer logic as a key press's typed character.
// Malformed bytes are dropped.
void handleTextInput(Editor& ed, const std::string& utf8);
// A mouse motion with the held-button bits, the position and the relative motion.
void handleMotion(Editor& ed, int buttonState, int x, int y, int xrel, int yrel, int currentMod);
void handleButtonDown(Editor& ed, int button, int x, int y);
void handleButtonUp(Editor& ed, int button);
// The window was closed.
void handleQuitEvent(Editor& ed);
// The window got a new size (at least 1 x 1 is kept).
void handleResize(Editor& ed, int w, int h);
// True when the program may end now; with unsaved changes raises the prompt instead.
bool requestQuit(Editor& ed);
// A key pressed while the save prompt is up.
void answerPrompt(Editor& ed, int sym, unsigned unicode);
