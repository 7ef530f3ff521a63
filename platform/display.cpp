#include "platform/display.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

#include "platform/frame_pacer.h"
#include "platform/letterbox.h"
#include "platform/pixel_layouts.h"
#include "platform/texture_format.h"
#include "core/startup_error.h"

namespace {

// The one display of the process.
struct DisplayState {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;  // width x height, streaming: rewritten every frame
    RowConverter converter = nullptr;
    int32_t width = 0, height = 0;
    int32_t windowedWidth = 0, windowedHeight = 0;  // the window's size out of full screen
    bool videoStarted = false;
    bool cursorHidden = false;
    int32_t appActive = 0;  // 1 while the window has focus; frames are only drawn then
    std::optional<FramePacer> pacer;
    QuitRequest* quit = nullptr;  // the frame loop's, while open
};

DisplayState state;

DisplayOptions options;
std::string forcedFormat;  // copy of options.pixelFormat, which may not outlive the call

constexpr int32_t kFallbackRefreshHz = 60;

int64_t steadyNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The largest whole scale whose window fits in nine tenths of the usable
// desktop (room for the window frame), at least 1.
int32_t fittingScale(int32_t width, int32_t height)
{
    SDL_Rect usable;
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0)
        return 1;
    const int32_t scale = std::min(usable.w * 9 / 10 / width, usable.h * 9 / 10 / height);
    return std::clamp(scale, 1, kMaxScale);
}

// A pacer for the refresh rate of the window's display (guessed when the
// display does not say, as under Xvfb).
FramePacer pacerFor(SDL_Window* window)
{
    SDL_DisplayMode mode;
    const int index = SDL_GetWindowDisplayIndex(window);
    if (index >= 0 && SDL_GetCurrentDisplayMode(index, &mode) == 0 && mode.refresh_rate > 0)
        return FramePacer(1000000000ll / mode.refresh_rate, true);
    return FramePacer(1000000000ll / kFallbackRefreshHz, false);
}

// The window was asked to close: the frame loop stops, and the program shuts
// down as on Escape and ends with status 0.
void requestClose()
{
    state.quit->quitRequested = 1;
    state.quit->windowClosed = true;
}

// Full screen is a borderless window over the whole display, asked to be
// desktop full screen as well. A window manager makes that real full screen;
// without one (a bare X server) nobody acts on the request, and the window
// covers the screen because it was already given the display's bounds.
void coverDisplay(SDL_Window* window)
{
    SDL_Rect bounds;
    const int index = SDL_GetWindowDisplayIndex(window);
    if (SDL_GetDisplayBounds(index >= 0 ? index : 0, &bounds) == 0) {
        SDL_SetWindowBordered(window, SDL_FALSE);
        SDL_SetWindowPosition(window, bounds.x, bounds.y);
        SDL_SetWindowSize(window, bounds.w, bounds.h);
    }
    SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
}

void leaveFullScreen(SDL_Window* window)
{
    SDL_SetWindowFullscreen(window, 0);
    SDL_SetWindowBordered(window, SDL_TRUE);
    SDL_SetWindowSize(window, state.windowedWidth, state.windowedHeight);
    const int index = std::max(SDL_GetWindowDisplayIndex(window), 0);
    SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED_DISPLAY(index), SDL_WINDOWPOS_CENTERED_DISPLAY(index));
}

void toggleFullScreen()
{
    if ((SDL_GetWindowFlags(state.window) & SDL_WINDOW_FULLSCREEN) != 0)
        leaveFullScreen(state.window);
    else
        coverDisplay(state.window);
    state.pacer->interrupt();
}

void handleWindowEvent(const SDL_WindowEvent& event)
{
    switch (event.event) {
    case SDL_WINDOWEVENT_CLOSE:
        requestClose();
        break;
    // Shown counts as activation: without a window manager no focus event
    // may ever arrive, and the frames must still be presented.
    case SDL_WINDOWEVENT_SHOWN:
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        state.appActive = 1;
        break;
    case SDL_WINDOWEVENT_HIDDEN:
    case SDL_WINDOWEVENT_MINIMIZED:
    case SDL_WINDOWEVENT_FOCUS_LOST:
        state.appActive = 0;
        break;
    default:
        break;
    }
}

void handleKey(const SDL_KeyboardEvent& key)
{
    // Only the first key-down counts; auto-repeats and key-ups do nothing.
    if (key.repeat != 0)
        return;
    if (key.keysym.sym == SDLK_ESCAPE)
        state.quit->quitRequested = 1;
    else if ((key.keysym.sym == SDLK_RETURN || key.keysym.sym == SDLK_KP_ENTER) && (key.keysym.mod & KMOD_ALT) != 0)
        toggleFullScreen();
}

void pumpEvents()
{
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
        case SDL_QUIT:
            requestClose();
            break;
        case SDL_WINDOWEVENT:
            handleWindowEvent(event.window);
            break;
        case SDL_KEYDOWN:
            handleKey(event.key);
            break;
        default:
            break;
        }
    }
}

// Fills the texture from the pixels, row by row at the lock's pitch.
bool uploadFrame(const uint32_t* pixels)
{
    void* locked = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(state.texture, nullptr, &locked, &pitch) != 0)
        return false;
    uint8_t* row = static_cast<uint8_t*>(locked);
    for (int32_t y = 0; y < state.height; ++y) {
        state.converter(pixels, row, state.width);
        pixels += state.width;
        row += pitch;
    }
    SDL_UnlockTexture(state.texture);
    return true;
}

void drawFrame()
{
    int outWidth = 0, outHeight = 0;
    if (SDL_GetRendererOutputSize(state.renderer, &outWidth, &outHeight) != 0)
        SDL_GetWindowSize(state.window, &outWidth, &outHeight);
    const PictureRect fit = fitPicture(outWidth, outHeight, state.width, state.height);
    const SDL_Rect target{fit.x, fit.y, fit.width, fit.height};
    SDL_SetRenderDrawColor(state.renderer, 0, 0, 0, 255);
    SDL_RenderClear(state.renderer);
    SDL_RenderCopy(state.renderer, state.texture, nullptr, &target);
    SDL_RenderPresent(state.renderer);
}

void waitForPacer()
{
    const int64_t now = steadyNanoseconds();
    const int64_t until = state.pacer->afterPresent(now);
    if (until > now)
        std::this_thread::sleep_for(std::chrono::nanoseconds(until - now));
}

}  // namespace

void setDisplayOptions(const DisplayOptions& newOptions)
{
    options = newOptions;
    forcedFormat = newOptions.pixelFormat != nullptr ? newOptions.pixelFormat : "";
    options.pixelFormat = nullptr;
}

// True unless SDL picked a driver that shows nothing without being asked to
// through SDL_VIDEODRIVER.
static bool shownOnScreen(const char* driver)
{
    if (!driver)
        return false;
    const bool invisible = SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0;
    const char* asked = SDL_getenv("SDL_VIDEODRIVER");
    return !invisible || (asked && SDL_strcasecmp(asked, driver) == 0);
}

namespace {

bool openWindow(const char* title, int width, int height)
{
    if (width <= 0 || height <= 0)
        return false;

    const PixelLayout* forced = nullptr;
    if (!forcedFormat.empty()) {
        forced = findPixelLayout(forcedFormat.c_str());
        if (forced == nullptr)
            return false;
    }

    // Hard pixels when scaled up, and no minimising when the focus goes
    // elsewhere: the demo only pauses. The title is also the window class;
    // SDL takes that from the environment when the video subsystem starts,
    // and a class the user set there is kept.
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    SDL_SetHint(SDL_HINT_APP_NAME, title);
    SDL_setenv("SDL_VIDEO_X11_WMCLASS", title, 0);
    SDL_setenv("SDL_VIDEO_WAYLAND_WMCLASS", title, 0);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        return false;
    state.videoStarted = true;
    // With no display server SDL falls back to drivers that show nothing.
    // Playing unseen helps nobody: only a user who asks for one gets it.
    if (!shownOnScreen(SDL_GetCurrentVideoDriver()))
        return false;

    const int32_t scale = options.scale > 0 ? std::min(options.scale, kMaxScale) : fittingScale(width, height);
    state.windowedWidth = width * scale;
    state.windowedHeight = height * scale;
    const Uint32 flags = SDL_WINDOW_SHOWN | SDL_WINDOW_ALLOW_HIGHDPI | SDL_WINDOW_RESIZABLE;
    SDL_Rect bounds;
    if (!options.windowed && SDL_GetDisplayBounds(0, &bounds) == 0) {
        state.window = SDL_CreateWindow(title, bounds.x, bounds.y, bounds.w, bounds.h,
                                        flags | SDL_WINDOW_BORDERLESS | SDL_WINDOW_FULLSCREEN_DESKTOP);
    } else {
        state.window = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, state.windowedWidth,
                                        state.windowedHeight, flags);
        if (state.window != nullptr && !options.windowed)
            coverDisplay(state.window);
    }
    if (state.window == nullptr)
        return false;

    state.renderer = SDL_CreateRenderer(state.window, -1, SDL_RENDERER_PRESENTVSYNC);
    if (state.renderer == nullptr)
        state.renderer = SDL_CreateRenderer(state.window, -1, 0);
    if (state.renderer == nullptr)
        return false;

    uint32_t format = SDL_PIXELFORMAT_UNKNOWN;
    if (forced != nullptr) {
        format = sdlFormatForLayout(*forced);
    } else {
        SDL_RendererInfo info;
        if (SDL_GetRendererInfo(state.renderer, &info) == 0)
            format = chooseTextureFormat(info);
    }
    const PixelLayout* layout = layoutForSdlFormat(format);
    if (layout == nullptr)
        return false;
    state.converter = layout->converter;

    state.texture = SDL_CreateTexture(state.renderer, format, SDL_TEXTUREACCESS_STREAMING, width, height);
    if (state.texture == nullptr)
        return false;
    // The source's top byte is no alpha: an ARGB texture must not blend.
    SDL_SetTextureBlendMode(state.texture, SDL_BLENDMODE_NONE);
    SDL_SetTextureScaleMode(state.texture, SDL_ScaleModeNearest);

    SDL_ShowCursor(SDL_DISABLE);
    state.cursorHidden = true;
    SDL_DisableScreenSaver();
    state.pacer.emplace(pacerFor(state.window));
    return true;
}

}  // namespace

void openDisplay(const char* title, int width, int height, QuitRequest& quit)
{
    closeDisplay();  // one display per process: a second open starts afresh
    state.width = width;
    state.height = height;
    state.quit = &quit;
    quit.quitRequested = 0;
    state.appActive = 0;
    if (!openWindow(title, width, height))
        throw StartupError(ErrorShown::messageBox, "Error: Could not open display");
}

bool displayActive() { return state.appActive != 0; }

bool presentFrame(const uint32_t* pixels)
{
    // Only a display that opened completely has its pacer.
    if (!state.pacer)
        return false;
    pumpEvents();
    if (state.quit->windowClosed)
        return true;
    if (state.appActive == 0) {
        state.pacer->interrupt();
        SDL_Delay(1);
        return true;
    }
    if (!uploadFrame(pixels))
        return false;
    drawFrame();
    waitForPacer();
    return true;
}

void closeDisplay()
{
    if (state.texture != nullptr)
        SDL_DestroyTexture(state.texture);
    if (state.renderer != nullptr)
        SDL_DestroyRenderer(state.renderer);
    // Destroying a full-screen window gives the desktop back.
    if (state.window != nullptr)
        SDL_DestroyWindow(state.window);
    if (state.cursorHidden)
        SDL_ShowCursor(SDL_ENABLE);
    if (state.videoStarted) {
        SDL_EnableScreenSaver();
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    state = DisplayState{};
}
