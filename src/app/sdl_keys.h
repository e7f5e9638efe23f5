// The key codes and button numbers the input handlers work with (SDL 1.2's,
// as in input.h), from SDL2's. Modifier masks and the held-button bits of a
// motion event have the same values in both and pass through unchanged.
#pragma once

#include <SDL.h>

// SDL2 key code to the handlers' key code; 0 for a key that has none (it still
// redraws, as any key other than shift and ctrl does).
int legacyKeyCode(SDL_Keycode key);
// SDL2 button number to the handlers' button number: 1 to 3 unchanged, the side
// buttons X1 and X2 to 8 and 9, so they never read as the wheel's 4 and 5.
int legacyButton(Uint8 button);
