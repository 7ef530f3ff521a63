#pragma once
// Why the program cannot start or go on: thrown from wherever it is found and
// shown by main, which then ends the process with status 1. what() is the
// text as shown; detail, when set, follows it on standard error under a
// message box. where says how main shows it.
#include <stdexcept>
#include <string>
#include <utility>

enum class ErrorShown {
    standardOutput,  // one line on standard output (the effects' set-up failures)
    standardError,   // one line on standard error
    messageBox,      // a message box, its text also on standard error
};

struct StartupError : std::runtime_error {
    ErrorShown where;
    std::string detail;

    StartupError(ErrorShown where, const std::string& message, std::string detail = "")
        : std::runtime_error(message), where(where), detail(std::move(detail))
    {
    }
};
