#include "app/sdl_keys.h"

#include "app/input.h"

namespace {

struct KeyRow {
    SDL_Keycode sdl;
    Key key;
};

// The keys with a command, and the modifier keys (pressed alone they draw nothing new).
constexpr KeyRow KEYS[] = {
    {SDLK_F1, Key::F1}, {SDLK_F2, Key::F2}, {SDLK_F3, Key::F3}, {SDLK_F8, Key::F8}, {SDLK_F12, Key::F12},
    {SDLK_TAB, Key::Tab}, {SDLK_RETURN, Key::Return}, {SDLK_ESCAPE, Key::Escape},
    {SDLK_BACKSPACE, Key::Backspace}, {SDLK_DELETE, Key::Delete},
    {SDLK_UP, Key::Up}, {SDLK_DOWN, Key::Down}, {SDLK_RIGHT, Key::Right}, {SDLK_LEFT, Key::Left},
    {SDLK_PAGEUP, Key::PageUp}, {SDLK_PAGEDOWN, Key::PageDown}, {SDLK_HOME, Key::Home},
    {SDLK_c, Key::C}, {SDLK_d, Key::D}, {SDLK_f, Key::F}, {SDLK_i, Key::I}, {SDLK_k, Key::K},
    {SDLK_p, Key::P}, {SDLK_v, Key::V}, {SDLK_y, Key::Y}, {SDLK_z, Key::Z},
    {SDLK_LSHIFT, Key::Shift}, {SDLK_RSHIFT, Key::Shift}, {SDLK_LCTRL, Key::Ctrl}, {SDLK_RCTRL, Key::Ctrl},
};

}  // namespace

Key keyFromSdl(SDL_Keycode key) {
    for (const KeyRow& row : KEYS)
        if (row.sdl == key) return row.key;
    return Key::Other;
}

int buttonFromSdl(Uint8 button) {
    if (button == SDL_BUTTON_X1) return 8;
    if (button == SDL_BUTTON_X2) return 9;
    return button;
}

WheelSteps wheelSteps(Sint32 y, Uint32 direction) {
    if (direction == SDL_MOUSEWHEEL_FLIPPED) y = -y;
    return {y > 0 ? BUTTON_WHEEL_UP : BUTTON_WHEEL_DOWN, y < 0 ? -y : y};
}
