#include "app/sdl_keys.h"

int legacyKeyCode(SDL_Keycode key) {
    // Printable keys and Backspace, Tab, Return, Esc and Delete keep their codes.
    if (key >= 0 && key < 128) return key;
    if (key >= SDLK_F1 && key <= SDLK_F12) return 282 + (key - SDLK_F1);
    if (key >= SDLK_F13 && key <= SDLK_F15) return 294 + (key - SDLK_F13);
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return 257 + (key - SDLK_KP_1);
    switch (key) {
        case SDLK_KP_0: return 256;
        case SDLK_KP_PERIOD: return 266;
        case SDLK_KP_DIVIDE: return 267;
        case SDLK_KP_MULTIPLY: return 268;
        case SDLK_KP_MINUS: return 269;
        case SDLK_KP_PLUS: return 270;
        case SDLK_KP_ENTER: return 271;
        case SDLK_KP_EQUALS: return 272;
        case SDLK_UP: return 273;
        case SDLK_DOWN: return 274;
        case SDLK_RIGHT: return 275;
        case SDLK_LEFT: return 276;
        case SDLK_INSERT: return 277;
        case SDLK_HOME: return 278;
        case SDLK_END: return 279;
        case SDLK_PAGEUP: return 280;
        case SDLK_PAGEDOWN: return 281;
        case SDLK_NUMLOCKCLEAR: return 300;
        case SDLK_CAPSLOCK: return 301;
        case SDLK_SCROLLLOCK: return 302;
        case SDLK_RSHIFT: return 303;
        case SDLK_LSHIFT: return 304;
        case SDLK_RCTRL: return 305;
        case SDLK_LCTRL: return 306;
        case SDLK_RALT: return 307;
        case SDLK_LALT: return 308;
        case SDLK_RGUI: return 309;
        case SDLK_LGUI: return 310;
        case SDLK_MODE: return 313;
        case SDLK_PRINTSCREEN: return 316;
        case SDLK_PAUSE: return 19;
        default: return 0;
    }
}

int legacyButton(Uint8 button) {
    if (button == SDL_BUTTON_X1) return 8;
    if (button == SDL_BUTTON_X2) return 9;
    return button;
}
