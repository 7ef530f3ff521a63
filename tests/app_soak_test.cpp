// Soak: the whole programme played headless several times in one process,
// each pass with a timeline of its own (built, played to past the end,
// destroyed), as a long session of restarts would. Resident memory and the
// heap in use are taken after every pass; after the first pass (which fills
// the caches of the font, video and sound libraries once) neither may grow.
//
// QUARNEL_SOAK_PASSES (default 3) and QUARNEL_SOAK_FPS (frames per second of
// music time, default 10) size the run; the ten-pass soak at 30 fps is
//   QUARNEL_SOAK_PASSES=10 QUARNEL_SOAK_FPS=30 tests/app_soak_test
// from the build folder.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/frame.h"
#include "core/quiet_output.h"
#include "app/programme.h"
#include "test_support.h"

// The frame the code under test draws into, as the frame loop would pass it.
static Frame frameUnderTest;

#if defined(__SANITIZE_ADDRESS__)
#define QUARNEL_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUARNEL_ASAN 1
#endif
#endif

namespace {

// glibc keeps freed blocks in per-thread caches and fast bins and counts
// them as in use, so its heap figure wanders by some KiB from pass to pass.
// With both caches off it is exact; they can only be switched off before the
// process starts, so the test starts itself again once with them off.
constexpr const char* kExactHeap = "glibc.malloc.tcache_count=0:glibc.malloc.mxfast=0";

[[maybe_unused]] bool heapFiguresExact()
{
    const char* tunables = std::getenv("GLIBC_TUNABLES");
    return tunables && std::strstr(tunables, kExactHeap);
}

#ifndef QUARNEL_ASAN
// Runs this test binary again, with the same arguments, under kExactHeap.
[[noreturn]] void restartWithExactHeap()
{
    const char* old = std::getenv("GLIBC_TUNABLES");
    setenv("GLIBC_TUNABLES", ((old && *old ? std::string(old) + ":" : std::string()) + kExactHeap).c_str(), 1);
    std::vector<std::string> words = testing::internal::GetArgvs();
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    execv("/proc/self/exe", argv.data());
    std::abort();
}
#endif

[[maybe_unused]] int envInt(const char* name, int fallback) { return int(testsupport::envLong(name, fallback)); }

// Resident set size in KiB.
long residentKiB()
{
    long pages = 0, resident = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (!statm)
        return -1;
    const int got = std::fscanf(statm, "%ld %ld", &pages, &resident);
    std::fclose(statm);
    return got == 2 ? resident * (sysconf(_SC_PAGESIZE) / 1024) : -1;
}

// Bytes the allocator has handed out and not had back.
long heapInUseKiB()
{
    const struct mallinfo2 info = mallinfo2();
    return static_cast<long>((info.uordblks + info.hblkhd) / 1024);
}


struct PassMemory {
    long playingRss;  // at the end of the pass, timeline alive
    long playingHeap;
    long afterRss;    // after the timeline is destroyed
    long afterHeap;
};

PassMemory playOnce(int fps)
{
    PassMemory m{};
    {
        std::unique_ptr<Programme> programme = openProgramme();
        frameUnderTest.frameCounter = 0;
        {
            QuietOutput quiet(stdout);
            // The capture clock: whole milliseconds from the frame index.
            for (int64_t i = 0;; ++i) {
                const int32_t t = static_cast<int32_t>(i * 1000 / fps);
                if (t > 125000)
                    break;
                std::memset(frameUnderTest.framebuffer, 0, sizeof frameUnderTest.framebuffer);
                programme->effects.renderFrame(frameUnderTest, t);
                ++frameUnderTest.frameCounter;
            }
        }
        m.playingRss = residentKiB();
        m.playingHeap = heapInUseKiB();
        programme->closeVideo();
    }
    m.afterRss = residentKiB();
    m.afterHeap = heapInUseKiB();
    return m;
}

}  // namespace

TEST(Soak, MemoryDoesNotGrowAfterTheFirstPass)
{
#ifdef QUARNEL_ASAN
    // The sanitizer's allocator keeps freed memory in quarantine, so sizes
    // mean nothing there; two short passes still check teardown and leaks.
    const int passes = 2;
    const int fps = 2;
#else
    if (!heapFiguresExact())
        restartWithExactHeap();
    const int passes = envInt("QUARNEL_SOAK_PASSES", 3);
    const int fps = envInt("QUARNEL_SOAK_FPS", 10);
#endif
    ASSERT_GE(passes, 2);
    ASSERT_GT(fps, 0);

    std::vector<PassMemory> memory;
    std::fprintf(stderr, "pass  playing RSS KiB  heap KiB   after RSS KiB  heap KiB\n");
    for (int pass = 1; pass <= passes; ++pass) {
        memory.push_back(playOnce(fps));
        const PassMemory& m = memory.back();
        std::fprintf(stderr, "%4d  %15ld  %8ld   %13ld  %8ld\n", pass, m.playingRss, m.playingHeap, m.afterRss,
                     m.afterHeap);
    }
#ifndef QUARNEL_ASAN
    const PassMemory& first = memory.front();
    // With exact figures the heap returns to the same size every pass; a
    // little slack covers a library that sizes a table by what it has seen.
    // Either way a leak of one video frame (300 KiB) a pass is caught.
    const long kSlackKiB = heapFiguresExact() ? 16 : 256;
    std::fprintf(stderr, "heap figures %s\n", heapFiguresExact() ? "exact (allocator caches off)" : "approximate");
    for (size_t i = 1; i < memory.size(); ++i) {
        EXPECT_LE(memory[i].playingHeap, first.playingHeap + kSlackKiB) << "pass " << i + 1;
        EXPECT_LE(memory[i].afterHeap, first.afterHeap + kSlackKiB) << "pass " << i + 1;
        // Resident memory may settle a little above the first pass as the
        // allocator's arenas find their shape; it must not climb with passes.
        EXPECT_LE(memory[i].playingRss, first.playingRss + 4 * 1024) << "pass " << i + 1;
    }
#endif
}
