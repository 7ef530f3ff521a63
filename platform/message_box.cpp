#include "platform/message_box.h"

#include <SDL.h>
#include <csignal>
#include <cstdio>
#include <initializer_list>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Shows the box in this process; says why on standard error when it cannot.
void showBox(const char* text)
{
    SDL_ClearError();
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Error", text, nullptr) != 0) {
        std::fprintf(stderr, "quarnel: the message box could not be shown (%s)\n", SDL_GetError());
        std::fflush(stderr);
    }
}

void killOwnGroup(int) { kill(0, SIGKILL); }

}  // namespace

// SDL's X11 box forks a child of its own and waits for it in a loop that
// retries on EINTR, and SDL's handlers turn SIGINT and SIGTERM into quit
// events nobody reads while the box is up: in-process, the box would swallow
// every request to stop, and a SIGKILL would leave its child on the screen.
// So the box runs in a child of ours, in a process group of its own (SDL's
// child joins it), which kills that whole group when this process dies. This
// process waits for the child or for a terminating signal, whichever comes
// first. SDL's threads block these signals, so only this thread takes them.
void showErrorMessage(const char* text, const char* hint)
{
    std::fprintf(stderr, "%s\n", text);
    if (hint)
        std::fprintf(stderr, "%s\n", hint);
    std::fflush(stderr);

    sigset_t wanted, saved;
    sigemptyset(&wanted);
    sigaddset(&wanted, SIGCHLD);
    for (int sig : {SIGINT, SIGQUIT, SIGTERM, SIGHUP}) {
        struct sigaction current {};
        sigaction(sig, nullptr, &current);
        if (current.sa_handler != SIG_IGN)  // a signal ignored at start stays ignored
            sigaddset(&wanted, sig);
    }
    sigprocmask(SIG_BLOCK, &wanted, &saved);
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child == 0) {
        setpgid(0, 0);
        struct sigaction onDeath {};
        onDeath.sa_handler = killOwnGroup;
        sigaction(SIGTERM, &onDeath, nullptr);
        sigset_t term;
        sigemptyset(&term);
        sigaddset(&term, SIGTERM);
        sigprocmask(SIG_UNBLOCK, &term, nullptr);
        // Out of the terminal's foreground group, a word on standard error
        // must not stop this process where the terminal is set to "tostop".
        std::signal(SIGTTOU, SIG_IGN);
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)  // the parent died before the line above
            killOwnGroup(0);
        showBox(text);
        _exit(0);
    }
    if (child < 0) {
        sigprocmask(SIG_SETMASK, &saved, nullptr);
        showBox(text);
        return;
    }
    setpgid(child, child);  // also here, so the group exists before either runs on
    for (;;) {
        siginfo_t info;
        const int sig = sigwaitinfo(&wanted, &info);
        if (sig == SIGCHLD) {
            if (waitpid(child, nullptr, WNOHANG) == child)
                break;
        } else if (sig > 0) {
            // A request to stop: the box goes at once and the caller ends
            // the program as after any start-up failure.
            kill(-child, SIGKILL);
            waitpid(child, nullptr, 0);
            break;
        }
    }
    sigprocmask(SIG_SETMASK, &saved, nullptr);
}
