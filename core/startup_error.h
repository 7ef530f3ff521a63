#pragma once
// Why the program cannot start or go on: thrown from wherever it is found and
// shown by main, which ends the process with `status`. `message` is the text
// as shown; `detail`, when set, is shown after it on standard error. `where`
// says how main shows it.
#include <stdexcept>
#include <string>

enum class ErrorShown {
    standardOutput,  // one line on standard output (the effects' set-up failures)
    standardError,   // one line on standard error
    messageBox,      // a message box, its text also on standard error
};

struct StartupError : std::runtime_error {
    ErrorShown where;
    std::string detail;
    int status;

    StartupError(ErrorShown where, const std::string& message, std::string detail = "", int status = 1)
        : std::runtime_error(message), where(where), detail(std::move(detail)), status(status)
    {
    }
};
