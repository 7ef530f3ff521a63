// Small helpers shared by the unit tests: scratch folders, whole-file reads
// and writes, and bit-for-bit comparison of plain values.
#pragma once

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/startup_error.h"

namespace testsupport {

// The message of the StartupError that f throws, or "" when it throws none.
template <class F>
std::string startupFailure(F&& f)
{
    try {
        f();
    } catch (const StartupError& e) {
        return e.what();
    }
    return "";
}

// A fresh folder under the system's temporary folder, removed with all it
// holds when the object goes.
struct ScratchDir {
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    std::filesystem::path operator/(const std::filesystem::path& name) const { return path / name; }
    std::filesystem::path path;
};

// A scratch folder with an empty data/ inside, made the working folder for
// the object's lifetime, so that effects find (or miss) "data/..." there.
struct ScratchWorkDir : ScratchDir {
    ScratchWorkDir();
    ~ScratchWorkDir();
    std::filesystem::path previous;
};

std::vector<unsigned char> readBytes(const std::filesystem::path& path);
void writeBytes(const std::filesystem::path& path, const void* data, size_t size);
template <class Container>
void writeBytes(const std::filesystem::path& path, const Container& bytes)
{
    writeBytes(path, bytes.data(), bytes.size() * sizeof(bytes[0]));
}

// What a shell command writes on standard output.
std::string runCommand(const std::string& command);

// An integer from the environment, or `fallback` when unset or empty.
long envLong(const char* name, long fallback);

// Same bytes, so that NaNs compare equal to themselves and -0 differs from 0.
template <class T>
bool sameBits(const T& a, const T& b)
{
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

}  // namespace testsupport
