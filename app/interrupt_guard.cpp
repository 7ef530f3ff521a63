#include "app/interrupt_guard.h"

namespace {

// Written only by the signal handler (and reset when a guard begins).
volatile std::sig_atomic_t arrived = 0;

void noteSignal(int signal) { arrived = signal; }

// The signals whose default action ends the process, less the ones a fault
// raises (SIGSEGV, SIGBUS, ...), which must keep ending it at once.
std::vector<int> terminatingSignals()
{
    std::vector<int> signals = {SIGHUP,  SIGINT,    SIGQUIT, SIGPIPE, SIGALRM, SIGTERM, SIGUSR1,
                                SIGUSR2, SIGVTALRM, SIGPROF, SIGXCPU, SIGIO,   SIGPWR,  SIGSTKFLT};
    for (int s = SIGRTMIN; s <= SIGRTMAX; ++s)
        signals.push_back(s);
    return signals;
}

}  // namespace

InterruptGuard::InterruptGuard()
{
    arrived = 0;
    struct sigaction note {};
    note.sa_handler = noteSignal;
    note.sa_flags = SA_RESTART;  // a write under way completes; the loop looks at the flag between frames
    sigemptyset(&note.sa_mask);
    for (int signal : terminatingSignals()) {
        Saved s{signal, {}};
        if (sigaction(signal, nullptr, &s.action) != 0)
            continue;
        // A signal ignored when the program started (nohup, a background job
        // of a script) stays ignored, as the shell intended.
        if (s.action.sa_handler != SIG_IGN && sigaction(signal, &note, nullptr) == 0)
            saved_.push_back(s);
    }
    Saved xfsz{SIGXFSZ, {}};
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    if (sigaction(SIGXFSZ, &ignore, &xfsz.action) == 0)
        saved_.push_back(xfsz);
}

InterruptGuard::~InterruptGuard()
{
    for (const Saved& s : saved_)
        sigaction(s.signal, &s.action, nullptr);
}

int InterruptGuard::interruption() { return arrived; }
