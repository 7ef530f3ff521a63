#pragma once
// A run that cannot go on: the message, formatted as printf does, travels to
// main as a StartupError, which shows it on standard error; the exit status
// is 1. Whatever the run holds is released on the way.
[[noreturn]] void failRun(const char* format, ...) __attribute__((format(printf, 1, 2)));
