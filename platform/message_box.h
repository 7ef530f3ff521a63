#pragma once
// Start-up failures: a message box (when a display can show one) and the same
// text on standard error.
// hint, when given, follows the message on standard error only: advice for
// the user at a terminal that the box itself does not carry.
// SIGINT, SIGQUIT, SIGTERM or SIGHUP while the box shows closes it and
// returns at once; the caller then ends the program with status 1.
void showErrorMessage(const char* text, const char* hint = nullptr);
