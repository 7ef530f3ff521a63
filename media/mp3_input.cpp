#include "media/mp3_input.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

constexpr size_t kBufferBytes = size_t{64} << 10;
constexpr int64_t kId3v1Bytes = 128;

std::string unreadable(int error) { return std::string("unreadable: ") + std::strerror(error); }

// The bytes a leading ID3v2 tag takes (header, body, footer), 0 when the
// file does not start with one. Its sync-safe size allows up to 256 MB,
// which cover art can fill: the junk limit starts after it.
int64_t id3v2Bytes(int fd) {
    unsigned char header[10];
    if (pread(fd, header, sizeof header, 0) != static_cast<ssize_t>(sizeof header) ||
        std::memcmp(header, "ID3", 3) != 0 || ((header[6] | header[7] | header[8] | header[9]) & 0x80))
        return 0;
    const int64_t body = int64_t{header[6]} << 21 | int64_t{header[7]} << 14 | int64_t{header[8]} << 7 | header[9];
    const bool footer = header[5] & 0x10;
    return 10 + body + (footer ? 10 : 0);
}

}  // namespace

Mp3Input::~Mp3Input() {
    if (fd >= 0)
        close(fd);
}

bool openMp3Input(const char* path, Mp3Input& input, std::string& reason) {
    // Opening a FIFO for reading waits for a writer, so anything but a
    // regular file is refused before it is opened; O_NONBLOCK and the
    // second look through the descriptor cover a file swapped in between.
    struct stat info;
    if (stat(path, &info) != 0) {
        reason = errno == ENOENT || errno == ENOTDIR ? "missing" : unreadable(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        reason = "not a regular file";
        return false;
    }
    input.fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (input.fd < 0) {
        reason = errno == ENOENT ? "missing" : unreadable(errno);
        return false;
    }
    if (fstat(input.fd, &info) != 0) {
        reason = unreadable(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        reason = "not a regular file";
        return false;
    }
    if (info.st_size == 0) {
        reason = "empty";
        return false;
    }
    input.size = info.st_size;
    input.readLimit = id3v2Bytes(input.fd) + kMaxJunkBytes;
    input.buffer.resize(kBufferBytes);
    return true;
}

mpg123_ssize_t readMp3Input(void* handle, void* out, size_t count) {
    auto& input = *static_cast<Mp3Input*>(handle);
    const int64_t end = input.position >= input.size - kId3v1Bytes ? input.size : input.readLimit;
    count = static_cast<size_t>(std::clamp<int64_t>(end - input.position, 0, static_cast<int64_t>(count)));
    size_t done = 0;
    while (done < count) {
        const int64_t inBuffer = input.position - input.bufferStart;
        if (inBuffer >= 0 && inBuffer < static_cast<int64_t>(input.bufferBytes)) {
            const size_t n = std::min(count - done, input.bufferBytes - static_cast<size_t>(inBuffer));
            std::memcpy(static_cast<unsigned char*>(out) + done, input.buffer.data() + inBuffer, n);
            done += n;
            input.position += static_cast<int64_t>(n);
            continue;
        }
        ssize_t got;
        do
            got = pread(input.fd, input.buffer.data(), input.buffer.size(), input.position);
        while (got < 0 && errno == EINTR);
        if (got < 0) {
            input.readError = errno;
            return done > 0 ? static_cast<mpg123_ssize_t>(done) : -1;
        }
        if (got == 0)
            break;
        input.bufferStart = input.position;
        input.bufferBytes = static_cast<size_t>(got);
    }
    return static_cast<mpg123_ssize_t>(done);
}

off_t seekMp3Input(void* handle, off_t offset, int whence) {
    auto& input = *static_cast<Mp3Input*>(handle);
    int64_t base = 0;
    if (whence == SEEK_CUR)
        base = input.position;
    else if (whence == SEEK_END)
        base = input.size;
    else if (whence != SEEK_SET)
        return -1;
    const int64_t target = base + offset;
    if (target < 0 || target > input.size)
        return -1;
    input.position = target;
    return static_cast<off_t>(target);
}
