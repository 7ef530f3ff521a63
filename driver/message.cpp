#include "driver/message.h"

#include <SDL.h>
#include <cstdio>

void showErrorMessage(const char* text, const char* hint)
{
    std::fprintf(stderr, "%s\n", text);
    if (hint)
        std::fprintf(stderr, "%s\n", hint);
    std::fflush(stderr);
    // The box is modal: the caller exits once it has been dismissed. With no
    // display to show it on, standard error alone carries the message.
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Error", text, nullptr);
}
