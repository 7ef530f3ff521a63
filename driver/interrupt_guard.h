#pragma once
// While an offline run writes its output, Ctrl+C (SIGINT) and SIGTERM only
// raise a flag, so the frame loop can stop between frames and remove what it
// was writing; SIGXFSZ is ignored, so a file-size limit fails the write with
// EFBIG instead of killing the process mid-file. A signal that was ignored
// at start stays ignored. The previous handlers come back when the guard ends.
#include <csignal>

class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    // The signal that arrived since the guard began, or 0.
    static int interruption();

private:
    struct sigaction savedInt_ {};
    struct sigaction savedTerm_ {};
    struct sigaction savedXfsz_ {};
};
