#pragma once
// The display's SDL window, for tests that read presented frames back: the
// one window SDL has open, or null while the display is closed.
#include <SDL.h>

SDL_Window* displayWindow();
