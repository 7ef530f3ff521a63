#pragma once
// While a run writes its output, every signal whose default is to end the
// process (Ctrl+C, SIGTERM, a closed terminal's SIGHUP, SIGQUIT, SIGPIPE,
// SIGUSR1, ...) only raises a flag, so the run can stop between frames and
// remove what it was writing; SIGXFSZ is ignored, so a file-size limit fails
// the write with EFBIG instead of killing the process mid-file. A signal
// that was ignored at start stays ignored. The previous handlers come back
// when the guard ends.
#include <csignal>
#include <vector>

class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    // The signal that arrived since the guard began, or 0.
    static int interruption();

private:
    struct Saved {
        int signal;
        struct sigaction action;
    };
    std::vector<Saved> saved_;
};
