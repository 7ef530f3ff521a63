#include "core/quiet_output.h"

#include <fcntl.h>
#include <unistd.h>

QuietOutput::QuietOutput(std::FILE* stream) : stream_(stream)
{
    std::fflush(stream_);
    const int fd = ::fileno(stream_);
    saved_ = ::dup(fd);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null >= 0) {
        ::dup2(null, fd);
        ::close(null);
    }
}

QuietOutput::~QuietOutput()
{
    std::fflush(stream_);
    if (saved_ >= 0) {
        ::dup2(saved_, ::fileno(stream_));
        ::close(saved_);
    }
}
