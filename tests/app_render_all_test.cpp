// The whole programme rendered headless in one process, the way the frame
// loop plays it: the timeline is built once, music time rises by a fixed step
// from 0 to past the end and the frame counter advances every frame. Its main use
// is under the sanitizer build (scripts/sanitize.sh renders every 7th
// millisecond), where any out-of-bounds access or undefined arithmetic in an
// effect stops the run; here it also checks what every frame must satisfy.
//
// QUARNEL_RENDER_STEP sets the step in ms (default 7); QUARNEL_RENDER_END the
// last music time (default 125000).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "core/frame.h"
#include "core/quiet_output.h"
#include "app/programme.h"
#include "test_support.h"

// The frame the code under test draws into, as the frame loop would pass it.
static Frame frameUnderTest;

namespace {

int32_t envInt(const char* name, int32_t fallback) { return int32_t(testsupport::envLong(name, fallback)); }

bool allBlack()
{
    for (uint32_t p : frameUnderTest.framebuffer)
        if (p != 0)
            return false;
    return true;
}

}  // namespace

TEST(RenderAll, EveryFrameOfTheProgrammeKeepsItsInvariants)
{
    const int32_t step = envInt("QUARNEL_RENDER_STEP", 7);
    const int32_t last = envInt("QUARNEL_RENDER_END", 125000);
    ASSERT_GT(step, 0);

    std::unique_ptr<Programme> programme = openProgramme();
    frameUnderTest.frameCounter = 0;

    int frames = 0;
    int topByteFrames = 0;     // frames after the opening with a top byte set
    int blackOpening = 0;      // frames of the opening scene that came out black
    int litAfterEnd = 0;       // frames after the programme that are not black
    int32_t firstBad = -1;
    {
        // The opening scene prints a line per frame; thousands of them would
        // bury the test's own output.
        QuietOutput quiet(stdout);
        for (int32_t t = 0; t <= last; t += step) {
            std::memset(frameUnderTest.framebuffer, 0, sizeof frameUnderTest.framebuffer);
            programme->effects.renderFrame(frameUnderTest, t);
            ++frameUnderTest.frameCounter;
            ++frames;

            uint32_t any = 0;
            uint32_t top = 0;
            for (uint32_t p : frameUnderTest.framebuffer) {
                any |= p;
                top |= p & 0xFF000000u;
            }
            // The opening's white layers set every byte, the top one included;
            // from the video on, every layer is made of pictures, textures
            // and flat colours whose top byte is 0, and a top byte there
            // means a channel carried over.
            const bool carried = t > 21000 && top != 0;
            const bool bad = carried || (t > 0 && t < 21000 && any == 0) || (t >= 120000 && any != 0) ||
                             (t == 0 && !allBlack());
            if (carried)
                ++topByteFrames;
            if (t > 0 && t < 21000 && any == 0)
                ++blackOpening;
            if (t >= 120000 && any != 0)
                ++litAfterEnd;
            if (bad && firstBad < 0)
                firstBad = t;
        }
    }
    programme->closeVideo();
    // A second programme after the first is gone, as a restart makes one:
    // under the sanitizer this checks the teardown and that nothing of the
    // first is still used.
    programme = openProgramme();
    {
        QuietOutput quiet(stdout);
        for (int32_t t : {1000, 30000, 65000, 100000})
            programme->effects.renderFrame(frameUnderTest, t);
    }
    programme->closeVideo();

    EXPECT_EQ(topByteFrames, 0) << "first bad frame at " << firstBad << " ms";
    // The opening scene draws on white: no frame of it is black.
    EXPECT_EQ(blackOpening, 0) << "first bad frame at " << firstBad << " ms";
    // After the programme nothing is drawn.
    EXPECT_EQ(litAfterEnd, 0) << "first bad frame at " << firstBad << " ms";
    std::fprintf(stderr, "rendered %d frames, every %d ms from 0 to %d\n", frames, step, last);
}
