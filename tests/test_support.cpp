#include "test_support.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>

#include <fstream>
#include <iterator>
#include <string>

namespace testsupport {

namespace fs = std::filesystem;

ScratchDir::ScratchDir()
{
    std::string name = (fs::temp_directory_path() / "quarnel-test-XXXXXX").string();
    path = mkdtemp(name.data());
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    fs::remove_all(path, ignored);
}

ScratchWorkDir::ScratchWorkDir() : previous(fs::current_path())
{
    fs::create_directories(path / "data");
    fs::current_path(path);
}

ScratchWorkDir::~ScratchWorkDir() { fs::current_path(previous); }

std::vector<unsigned char> readBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const fs::path& path, const void* data, size_t size)
{
    std::ofstream(path, std::ios::binary).write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}

std::string runCommand(const std::string& command)
{
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[65536];
        for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            output.append(buffer, got);
        pclose(pipe);
    }
    return output;
}

long envLong(const char* name, long fallback)
{
    const char* text = std::getenv(name);
    return text && *text ? std::atol(text) : fallback;
}

}  // namespace testsupport
