#pragma once
// The effects' own console lines (one per frame of the opening scene) would
// bury the report of an offline run, so standard output is sent to /dev/null
// while frames run and restored afterwards.
class QuietStdout {
public:
    QuietStdout();
    ~QuietStdout();
    QuietStdout(const QuietStdout&) = delete;
    QuietStdout& operator=(const QuietStdout&) = delete;

private:
    int saved_ = -1;
};
