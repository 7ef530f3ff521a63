#pragma once
// Where the data files are read from: "data/" under the working directory.
#include <string>

std::string dataPath(const char* fileName);
