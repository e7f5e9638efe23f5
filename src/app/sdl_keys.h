// SDL2's key codes, mouse buttons and wheel steps as the input handlers take
// them (input.h). Modifier masks and the held-button bits of a motion event have
// the values the handlers use and pass through unchanged.
#pragma once

#include <SDL_keycode.h>
#include <SDL_mouse.h>

#include "app/keys.h"

// The editor's key for an SDL2 key code; Key::Other for a key without a command.
Key keyFromSdl(SDL_Keycode key);
// The handlers' number for an SDL2 mouse button: 1 to 3 unchanged, the side
// buttons X1 and X2 8 and 9, so they never read as the wheel's 4 and 5.
int buttonFromSdl(Uint8 button);

// A wheel event as presses and releases of button 4 (up) or 5 (down), one per step.
struct WheelSteps {
    int button = 0;
    int count = 0;
};
WheelSteps wheelSteps(Sint32 y, Uint32 direction);
