// Memory over a long session of restarts: the whole programme played
// headless several times in one process, each pass with a programme of its
// own (opened, played to past the end, closed). Resident memory and the heap
// in use are printed after every pass; after the first pass (which fills the
// caches of the font, video and sound libraries once) neither may grow, and
// the program ends with status 1 if one does.
//
//   build/bench/quarnel_soak [PASSES [FPS]]     (default 3 passes at 10 fps)
//
// Run it from the build folder, which holds data/.
#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/frame_clock.h"
#include "app/programme.h"
#include "core/quiet_output.h"

namespace {

// glibc keeps freed blocks in per-thread caches and fast bins and counts
// them as in use, so its heap figure wanders by some KiB from pass to pass.
// With both caches off it is exact; they can only be switched off before the
// process starts, so the test starts itself again once with them off.
constexpr const char* kExactHeap = "glibc.malloc.tcache_count=0:glibc.malloc.mxfast=0";

bool heapFiguresExact()
{
    const char* tunables = std::getenv("GLIBC_TUNABLES");
    return tunables && std::strstr(tunables, kExactHeap);
}

// Runs this program again, with the same arguments, under kExactHeap.
[[noreturn]] void restartWithExactHeap(char** argv)
{
    const char* old = std::getenv("GLIBC_TUNABLES");
    setenv("GLIBC_TUNABLES", ((old && *old ? std::string(old) + ":" : std::string()) + kExactHeap).c_str(), 1);
    execv("/proc/self/exe", argv);
    std::abort();
}


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
        // The programme's own loop on the capture clock, to past the end.
        const FrameClock clock{0, 125000, fps};
        int64_t i = 0;
        {
            QuietOutput quiet(stdout);
            programme->run(
                [&](int32_t& t) {
                    if (i >= clock.frameCount())
                        return false;
                    t = clock.musicMs(i++);
                    return true;
                },
                [] { return true; });
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

int main(int argc, char** argv)
{
    if (!heapFiguresExact())
        restartWithExactHeap(argv);
    const int passes = argc > 1 ? std::atoi(argv[1]) : 3;
    const int fps = argc > 2 ? std::atoi(argv[2]) : 10;
    if (passes < 2 || fps <= 0) {
        std::fprintf(stderr, "usage: quarnel_soak [PASSES (2 or more) [FPS (1 or more)]]\n");
        return 2;
    }

    std::vector<PassMemory> memory;
    std::printf("pass  playing RSS KiB  heap KiB   after RSS KiB  heap KiB\n");
    for (int pass = 1; pass <= passes; ++pass) {
        memory.push_back(playOnce(fps));
        const PassMemory& m = memory.back();
        std::printf("%4d  %15ld  %8ld   %13ld  %8ld\n", pass, m.playingRss, m.playingHeap, m.afterRss, m.afterHeap);
        std::fflush(stdout);
    }
    // With the allocator's caches off the heap returns to the same size every
    // pass; a little slack covers a library that sizes a table by what it has
    // seen, and still catches a leak of one video frame (300 KiB) a pass.
    // Resident memory may settle a little above the first pass as the
    // allocator's arenas find their shape; it must not climb with passes.
    const PassMemory& first = memory.front();
    int grew = 0;
    for (size_t i = 1; i < memory.size(); ++i) {
        const PassMemory& m = memory[i];
        if (m.playingHeap > first.playingHeap + 16 || m.afterHeap > first.afterHeap + 16 ||
            m.playingRss > first.playingRss + 4 * 1024) {
            std::printf("pass %zu: memory grew\n", i + 1);
            ++grew;
        }
    }
    return grew ? 1 : 0;
}
