#pragma once
// Sends standard output or standard error to /dev/null for the life of the
// object and puts it back afterwards. For libraries that print lines of
// their own whatever they are told (libasound when there is no sound card,
// libmpg123 on junk), and for the effects' console lines, which would bury
// the report of an offline run. Only around calls on this thread: another
// thread writing meanwhile would be silenced too.
#include <cstdio>

class QuietOutput {
public:
    explicit QuietOutput(std::FILE* stream);
    ~QuietOutput();
    QuietOutput(const QuietOutput&) = delete;
    QuietOutput& operator=(const QuietOutput&) = delete;

private:
    std::FILE* stream_;
    int saved_ = -1;
};
