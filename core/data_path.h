#pragma once
// Where the data files are read from: "data/" under the working directory,
// or the folder given with --data. File names match regardless of case
// (data copied from other systems often arrives as CODE.MP3 or Tunnel.RAW).
#include <string>

// The path to open for a data file: the folder's entry whose name equals
// fileName ignoring ASCII case (an exact match first), or folder/fileName
// when there is none, so that a failure message names the expected path.
std::string dataPath(const char* fileName);

// The same lookup in another folder (the data generator's).
std::string dataPathIn(const std::string& folder, const char* fileName);

// Reads data from folder instead of "data". Set once, before anything is loaded.
void setDataFolder(const std::string& folder);

// The folder data is read from, as given ("data" by default).
const std::string& dataFolder();
