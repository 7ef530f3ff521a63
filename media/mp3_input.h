#pragma once
// The soundtrack file as libmpg123 reads it: opened without blocking on
// anything that is not a regular file, and read through a buffer with a
// limit on how far past the last real audio frame the decoder may go.
#include <mpg123.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// How far the decoder may read past the end of the last frame that gave
// audio (or past a leading ID3v2 tag, before the first one) without finding
// more: leading junk, a damaged stretch, trailing junk. libmpg123 searches
// junk for a frame sync at some 30 to 40 MB a second, so a file with no
// audio in it is refused within a quarter of a second however large it is,
// while an ID3v2 tag of any size, the usual leading "junk", is skipped.
constexpr int64_t kMaxJunkBytes = int64_t{8} << 20;

struct Mp3Input {
    int fd = -1;
    int64_t size = 0;
    int64_t position = 0;  // of the next byte handed to the decoder
    // Reads stop here (the decoder sees the end of the file); the tail's
    // last 128 bytes, where an ID3v1 tag sits, stay readable.
    int64_t readLimit = 0;
    int readError = 0;  // errno of a failed read, 0 if none
    std::vector<unsigned char> buffer;
    int64_t bufferStart = 0;  // file offset of buffer[0]
    size_t bufferBytes = 0;

    Mp3Input() = default;
    Mp3Input(const Mp3Input&) = delete;
    Mp3Input& operator=(const Mp3Input&) = delete;
    ~Mp3Input();
};

// Opens a regular, non-empty file. False with a short reason otherwise:
// "missing", "not a regular file", "empty", "unreadable: <system error>".
bool openMp3Input(const char* path, Mp3Input& input, std::string& reason);

// libmpg123's reader hooks over an Mp3Input.
mpg123_ssize_t readMp3Input(void* handle, void* out, size_t count);
off_t seekMp3Input(void* handle, off_t offset, int whence);
