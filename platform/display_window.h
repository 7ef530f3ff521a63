#pragma once
// The SDL window behind the display, for code that needs to look at what is
// on screen (tests reading presented frames back). Null while closed.
#include <SDL.h>

SDL_Window* displayWindow();
