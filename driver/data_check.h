#pragma once
// Checks the whole data set up front, so that one message lists every file
// that is missing instead of the first effect stopping on the first one.
#include <string>
#include <vector>

// The five files the programme reads, in the order they are loaded.
const std::vector<std::string>& dataFileNames();

// The names of dataFileNames() that dataPath cannot open for reading.
std::vector<std::string> missingDataFiles();

// The message for missing files: each missing file with the path tried, the
// folder looked in (as given and as an absolute path, and whether it exists)
// and every file expected. Several lines, no trailing newline.
std::string missingDataMessage(const std::vector<std::string>& missing);
