// quarnel-data [DIR]: writes every default data file that DIR (default
// "data") lacks; --help says so. Files already there are left alone, so a
// user's own data always wins over the generated set.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "capture/output_file.h"
#include "core/data_path.h"
#include "tools/generators.h"

namespace {

struct DataFile {
    const char* name;
    bool (*write)(const std::string& path);
};

const DataFile kFiles[] = {
    {"code.mp3", writeSoundtrack},      {"tunnel.raw", writeTunnelTexture},
    {"credits.raw", writeCreditsPicture}, {"velina.raw", writeVelinaPicture},
    {"quarnel.avi", writeVideo},
};

}  // namespace

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    // An option is never taken for a folder name ("./-x" names such a folder).
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help") {
            std::puts("usage: quarnel-data [DIR]\n"
                      "Writes the default data files (code.mp3, tunnel.raw, credits.raw, velina.raw, quarnel.avi)\n"
                      "that the folder DIR (default: data, in the current folder) lacks, creating it if needed.\n"
                      "A file already there is never overwritten.");
            return 0;
        }
        if (arg[0] == '-') {
            std::fprintf(stderr, "quarnel-data: unknown option %s (see --help)\n", arg.c_str());
            return 1;
        }
    }
    const fs::path dir = argc > 1 ? argv[1] : "data";
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) {
        std::fprintf(stderr, "quarnel-data: cannot create %s: %s\n", dir.c_str(), ec.message().c_str());
        return 1;
    }
    for (const DataFile& file : kFiles) {
        const fs::path path = dir / file.name;
        // The program finds its files regardless of case, so a user's
        // CODE.MP3 is that file already: a generated code.mp3 beside it
        // would be taken instead, as the exact name.
        if (fs::exists(fs::symlink_status(dataPathIn(dir.string(), file.name))))
            continue;
        // Written under a temporary name of its own and renamed, so an
        // interrupted run never leaves a partial file that later runs would
        // take for finished, nor touches a file of the user's.
        OutputFile out;
        std::string error;
        std::fprintf(stderr, "quarnel-data: writing %s\n", path.c_str());
        if (!out.open(path.string(), error) || !file.write(out.path()) || !out.commit(error)) {
            std::fprintf(stderr, "quarnel-data: could not write %s%s%s\n", path.c_str(), error.empty() ? "" : ": ",
                         error.c_str());
            return 1;
        }
    }
    return 0;
}
