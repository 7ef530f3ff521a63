// The display on SDL's dummy video driver: opening in every forced layout,
// frames arriving on screen where and as they should, input, inactivity and
// the close request.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <vector>

#include "platform/display.h"
#include "reference/display_window.h"
#include "platform/pixel_layouts.h"
#include "core/frame.h"
#include "core/startup_error.h"

// The frame the code under test draws into, as the frame loop would pass it.
static Frame frameUnderTest;
// The frame loop's stop request, which the display sets.
static QuitRequest quit;

namespace {

class DisplayTest : public testing::Test {
protected:
    static void SetUpTestSuite() { setenv("SDL_VIDEODRIVER", "dummy", 1); }

    void SetUp() override
    {
        for (int i = 0; i < kFramePixels; ++i)
            frameUnderTest.framebuffer[i] = pattern(i % kFrameWidth, i / kFrameWidth);
    }

    void TearDown() override
    {
        closeDisplay();
        setDisplayOptions(DisplayOptions{});
    }

    static uint32_t pattern(int x, int y)
    {
        return (static_cast<uint32_t>(x * 7 + y) & 0xFF) << 16 | (static_cast<uint32_t>(y * 5) & 0xFF) << 8 |
               (static_cast<uint32_t>(x + y * 3) & 0xFF) | 0x5A000000u;
    }

    static void openWindowed(const char* format)
    {
        DisplayOptions options;
        options.windowed = true;
        options.scale = 1;
        options.pixelFormat = format;
        setDisplayOptions(options);
        ASSERT_NO_THROW(openDisplay("Quarnel", kFrameWidth, kFrameHeight, quit)) << SDL_GetError();
        ASSERT_NE(displayWindow(), nullptr);
    }

    // What the window shows, as 0x00RRGGBB, with its size.
    static std::vector<uint32_t> screen(int& width, int& height)
    {
        SDL_Renderer* renderer = SDL_GetRenderer(displayWindow());
        SDL_GetRendererOutputSize(renderer, &width, &height);
        std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
        SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_RGB888, pixels.data(), width * 4);
        return pixels;
    }

    static void pushWindowEvent(SDL_WindowEventID id)
    {
        SDL_Event event{};
        event.type = SDL_WINDOWEVENT;
        event.window.windowID = SDL_GetWindowID(displayWindow());
        event.window.event = id;
        SDL_PushEvent(&event);
    }

    static void pushKey(Uint32 type, SDL_Keycode key, Uint8 repeat)
    {
        SDL_Event event{};
        event.type = type;
        event.key.windowID = SDL_GetWindowID(displayWindow());
        event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.key.repeat = repeat;
        event.key.keysym.sym = key;
        SDL_PushEvent(&event);
    }
};

// Every forced layout opens, and a presented frame reaches the window with each
// channel intact to the precision of the layout.
TEST_F(DisplayTest, Every_forced_layout_presents_the_framebuffer)
{
    for (const PixelLayout& layout : kPixelLayouts) {
        SCOPED_TRACE(layout.name);
        openWindowed(layout.name);
        EXPECT_EQ(presentFrame(frameUnderTest.framebuffer), 1);
        EXPECT_TRUE(displayActive());  // shown counts as active
        int width = 0, height = 0;
        const std::vector<uint32_t> shown = screen(width, height);
        ASSERT_EQ(width, kFrameWidth);
        ASSERT_EQ(height, kFrameHeight);
        // The bits each channel keeps: all 8, 5 in 5:5:5, 5:6:5 with 6 of green.
        const uint32_t keep =
            layout.bitCount > 16 ? 0xFFFFFF : layout.greenMask == 0x7E0 ? 0xF8FCF8 : 0xF8F8F8;
        for (int i = 0; i < kFramePixels; ++i)
            ASSERT_EQ(shown[i] & keep, frameUnderTest.framebuffer[i] & keep) << "pixel " << i;
        closeDisplay();
    }
}

// Desktop full screen (the dummy desktop is 1024 x 768): the picture is
// scaled by 3 and centred, with black around it.
TEST_F(DisplayTest, Full_screen_scales_by_whole_pixels_and_letterboxes)
{
    ASSERT_NO_THROW(openDisplay("Quarnel", kFrameWidth, kFrameHeight, quit)) << SDL_GetError();
    ASSERT_EQ(presentFrame(frameUnderTest.framebuffer), 1);
    int width = 0, height = 0;
    const std::vector<uint32_t> shown = screen(width, height);
    ASSERT_EQ(width, 1024);
    ASSERT_EQ(height, 768);
    const int left = (1024 - 960) / 2, top = (768 - 720) / 2;
    for (int y = 0; y < height; y += 5) {
        for (int x = 0; x < width; x += 3) {
            const bool inside = x >= left && x < left + 960 && y >= top && y < top + 720;
            const uint32_t expected = inside ? pattern((x - left) / 3, (y - top) / 3) & 0xFFFFFF : 0;
            ASSERT_EQ(shown[y * width + x] & 0xFFFFFF, expected) << x << ", " << y;
        }
    }
}

TEST_F(DisplayTest, Escape_key_down_requests_quit_repeats_and_other_keys_do_not)
{
    openWindowed(nullptr);
    quit.quitRequested = 0;
    pushKey(SDL_KEYDOWN, SDLK_ESCAPE, 1);  // an auto-repeat alone
    pushKey(SDL_KEYUP, SDLK_ESCAPE, 0);
    pushKey(SDL_KEYDOWN, SDLK_SPACE, 0);
    pushKey(SDL_KEYDOWN, SDLK_q, 0);
    presentFrame(frameUnderTest.framebuffer);
    EXPECT_EQ(quit.quitRequested, 0);
    pushKey(SDL_KEYDOWN, SDLK_ESCAPE, 0);
    presentFrame(frameUnderTest.framebuffer);
    EXPECT_EQ(quit.quitRequested, 1);
    // Opening again starts with the flag clear.
    closeDisplay();
    openWindowed(nullptr);
    EXPECT_EQ(quit.quitRequested, 0);
}

// While the focus is elsewhere nothing is drawn, but input is still read, so
// both the way back and Escape work.
TEST_F(DisplayTest, Inactive_presents_draw_nothing_but_still_read_input)
{
    openWindowed(nullptr);
    ASSERT_EQ(presentFrame(frameUnderTest.framebuffer), 1);
    pushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    const uint32_t before = frameUnderTest.framebuffer[0];
    frameUnderTest.framebuffer[0] = 0x00FFFFFF;
    EXPECT_EQ(presentFrame(frameUnderTest.framebuffer), 1);
    EXPECT_FALSE(displayActive());
    int width = 0, height = 0;
    EXPECT_EQ(screen(width, height)[0], before & 0xFFFFFF);

    pushKey(SDL_KEYDOWN, SDLK_ESCAPE, 0);
    presentFrame(frameUnderTest.framebuffer);
    EXPECT_EQ(quit.quitRequested, 1);

    pushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
    EXPECT_EQ(presentFrame(frameUnderTest.framebuffer), 1);
    EXPECT_TRUE(displayActive());
    EXPECT_EQ(screen(width, height)[0], 0x00FFFFFFu);
}

TEST_F(DisplayTest, Closing_is_safe_at_any_point)
{
    closeDisplay();  // never opened
    EXPECT_EQ(presentFrame(frameUnderTest.framebuffer), 0);
    openWindowed(nullptr);
    closeDisplay();
    closeDisplay();
    EXPECT_EQ(displayWindow(), nullptr);
    EXPECT_EQ(presentFrame(frameUnderTest.framebuffer), 0);

    // A forced layout that does not exist fails the open; closing after that
    // partial open, and opening again, still work.
    DisplayOptions options;
    options.windowed = true;
    options.pixelFormat = "rgb48";
    setDisplayOptions(options);
    EXPECT_THROW(openDisplay("Quarnel", kFrameWidth, kFrameHeight, quit), StartupError);
    closeDisplay();
    // So does a video system that cannot start.
    setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
    setDisplayOptions(DisplayOptions{});
    EXPECT_THROW(openDisplay("Quarnel", kFrameWidth, kFrameHeight, quit), StartupError);
    EXPECT_EQ(presentFrame(frameUnderTest.framebuffer), 0);
    closeDisplay();
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    openWindowed("bgr565");
    EXPECT_EQ(presentFrame(frameUnderTest.framebuffer), 1);
}

}  // namespace
