#include "platform/desktop/ErrorBox.h"

#include <SDL.h>

#include <cstdio>

namespace Platform {

void ShowErrorBox(const std::string& title, const std::string& text)
{
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title.c_str(), text.c_str(), nullptr);
}

} // namespace Platform
