#pragma once
// Checks the whole data set up front, so that one message lists every file
// that cannot be used instead of the first effect stopping on the first one.
#include <string>
#include <vector>

// The five files the programme reads, in the order they are loaded.
const std::vector<std::string>& dataFileNames();

// A data file that cannot be used, and why: "missing", "unreadable: <reason>"
// or "not a regular file: a FIFO" (a folder, a device, ...).
struct DataFileProblem {
    std::string name;  // as in dataFileNames()
    std::string problem;
    bool missing() const { return problem == "missing"; }
};

// The problem of each of dataFileNames() that dataPath cannot read as a
// regular file. Nothing is opened that could block (a FIFO, a device).
std::vector<DataFileProblem> dataFileProblems();

// The problems to report before any work: every one when the whole set is
// checked (the viewer's own data, the long offline runs), otherwise only
// files that are no regular file, which could block whatever opens them; the
// effects report the rest as they load.
std::vector<DataFileProblem> dataProblemsBeforeWork(bool wholeSet);

// The message for those files: each with the path tried and its problem, the
// folder looked in (as given and as an absolute path, and whether it exists)
// and every file expected. Several lines, no trailing newline.
std::string dataProblemMessage(const std::vector<DataFileProblem>& problems);
