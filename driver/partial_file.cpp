#include "driver/partial_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The file being written, for removal when the process ends through exit()
// (an effect's fatal) while it is open: automatic objects are not destroyed
// then, but exit handlers run. A plain array, so no destructor of its own can
// run before the handler does.
char pendingPath[4096];

void removePendingAtExit()
{
    if (pendingPath[0])
        std::remove(pendingPath);
}

}  // namespace

PartialFile::PartialFile(const std::string& finalPath) : final_(finalPath), temporary_(finalPath + ".part")
{
    static const bool registered = std::atexit(removePendingAtExit) == 0;
    (void)registered;
    if (temporary_.size() < sizeof pendingPath)
        std::memcpy(pendingPath, temporary_.c_str(), temporary_.size() + 1);
}

PartialFile::~PartialFile()
{
    if (!committed_)
        std::remove(temporary_.c_str());
    pendingPath[0] = '\0';
}

bool PartialFile::commit(std::string& error)
{
    // Durable before visible: a crash after the rename must not leave a
    // complete-looking file whose tail never reached the disk.
    const int fd = ::open(temporary_.c_str(), O_RDONLY);
    if (fd < 0 || ::fsync(fd) != 0) {
        error = std::strerror(errno);
        if (fd >= 0)
            ::close(fd);
        std::remove(temporary_.c_str());
        return false;
    }
    ::close(fd);
    if (std::rename(temporary_.c_str(), final_.c_str()) != 0) {
        error = std::strerror(errno);
        std::remove(temporary_.c_str());
        return false;
    }
    committed_ = true;
    pendingPath[0] = '\0';
    return true;
}
