#include "driver/interrupt_guard.h"

#include <utility>

namespace {

// Written only by the signal handler (and reset when a guard begins).
volatile std::sig_atomic_t arrived = 0;

void noteSignal(int signal) { arrived = signal; }

}  // namespace

InterruptGuard::InterruptGuard()
{
    arrived = 0;
    struct sigaction note {};
    note.sa_handler = noteSignal;
    note.sa_flags = SA_RESTART;  // a write under way completes; the loop looks at the flag between frames
    sigemptyset(&note.sa_mask);
    // A signal ignored when the program started (nohup, a background job of
    // a script) stays ignored, as the shell intended.
    for (auto [signal, saved] : {std::pair{SIGINT, &savedInt_}, std::pair{SIGTERM, &savedTerm_}}) {
        sigaction(signal, nullptr, saved);
        if (saved->sa_handler != SIG_IGN)
            sigaction(signal, &note, nullptr);
    }
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGXFSZ, &ignore, &savedXfsz_);
}

InterruptGuard::~InterruptGuard()
{
    sigaction(SIGINT, &savedInt_, nullptr);
    sigaction(SIGTERM, &savedTerm_, nullptr);
    sigaction(SIGXFSZ, &savedXfsz_, nullptr);
}

int InterruptGuard::interruption() { return arrived; }
