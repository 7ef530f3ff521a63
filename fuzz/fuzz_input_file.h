#pragma once
// The loaders under test take file names, so each input is written to a
// file of its own first. One file per process, rewritten for every input;
// /dev/shm keeps it in memory when it exists.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

inline const std::string& fuzzInputPath(const char* suffix)
{
    static const std::string path = [suffix] {
        const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        return std::string(dir) + "/quarnel-fuzz-" + std::to_string(getpid()) + suffix;
    }();
    return path;
}

// Writes the bytes to the input file; false when that is impossible.
inline bool writeFuzzInput(const std::string& path, const uint8_t* data, size_t size)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool ok = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && ok;
}
