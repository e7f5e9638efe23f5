// The keys the editor's commands use. The event loop translates the windowing
// library's key codes into these (sdl_keys.h), so the handlers run without SDL.
#pragma once

enum class Key {
    Other,  // any key without a command of its own: it only redraws
    Shift,  // left or right shift
    Ctrl,   // left or right ctrl
    Backspace,
    Tab,
    Return,
    Escape,
    Delete,
    C,
    D,
    F,
    I,
    K,
    P,
    V,
    Y,
    Z,
    Up,
    Down,
    Right,
    Left,
    PageUp,
    PageDown,
    Home,
    F1,
    F2,
    F3,
    F8,
    F12,
};
