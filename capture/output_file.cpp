#include "capture/output_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

namespace {

// Removes the entries of a folder that `which` picks (none are folders),
// then the folder itself if that left it empty. False when it did not.
bool removeFolder(const char* folder, bool (*which)(const char* name))
{
    if (DIR* dir = ::opendir(folder)) {
        while (const dirent* entry = ::readdir(dir))
            if (which(entry->d_name))
                ::unlinkat(::dirfd(dir), entry->d_name, 0);
        ::closedir(dir);
    }
    return ::rmdir(folder) == 0;
}

// Everything in a folder of ours is ours.
bool anyEntry(const char* name) { return std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0; }

std::string describeType(mode_t mode)
{
    if (S_ISDIR(mode))
        return "is a folder";
    if (S_ISLNK(mode))
        return "is a symbolic link";
    if (S_ISFIFO(mode))
        return "is a FIFO";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "is a device";
    if (S_ISSOCK(mode))
        return "is a socket";
    return "is not a regular file";
}

// The folder part and the name part of a path ("a/b.png": "a", "b.png").
void splitPath(const std::string& path, std::string& folder, std::string& name)
{
    const size_t slash = path.rfind('/');
    folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    name = slash == std::string::npos ? path : path.substr(slash + 1);
}

// A name beside finalPath that nothing has yet: the final name, a random
// part and ".part". A name that is as long as a name may be keeps only its
// head, cut at a character boundary, so every valid final name works.
std::string temporaryName(const std::string& finalPath, std::mt19937& random)
{
    constexpr size_t kMaxName = 255;  // NAME_MAX of every common Linux file system
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    // npos + 1 is 0: a bare name has no folder part.
    const size_t slash = finalPath.rfind('/');
    std::string name = finalPath.substr(slash + 1);
    std::string tag = ".";
    for (int i = 0; i < 6; ++i)
        tag += kLetters[random() % (sizeof kLetters - 1)];
    tag += ".part";
    if (name.size() + tag.size() > kMaxName) {
        size_t keep = kMaxName - tag.size();
        while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80)
            --keep;  // not inside a UTF-8 sequence
        name.resize(keep);
    }
    return finalPath.substr(0, slash + 1) + name + tag;
}

// Makes a new, empty file (folder) under a temporary name beside finalPath.
// The writers open it by its name again. False with errno's reason.
bool makeTemporary(const std::string& finalPath, bool folder, std::string& made, std::string& error)
{
    std::mt19937 random(std::random_device{}());
    for (int attempt = 0; attempt < 100; ++attempt) {
        made = temporaryName(finalPath, random);
        // O_EXCL: never an existing file, never through a symbolic link.
        const int fd = folder ? -1 : ::open(made.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0)
            ::close(fd);
        if (folder ? ::mkdir(made.c_str(), 0777) == 0 : fd >= 0)
            return true;
        if (errno != EEXIST)
            break;
    }
    error = std::strerror(errno);
    made.clear();
    return false;
}

// Frames and sound of an earlier --frames run: frame-NNNNNN.png, audio.wav.
bool isEarlierFramesOutput(const char* name)
{
    if (std::strcmp(name, "audio.wav") == 0)
        return true;
    if (std::strncmp(name, "frame-", 6) != 0)
        return false;
    const char* p = name + 6;
    size_t digits = 0;
    while (p[digits] >= '0' && p[digits] <= '9')
        ++digits;
    return digits >= 6 && std::strcmp(p + digits, ".png") == 0;
}

bool syncPath(const char* path, int flags)
{
    const int fd = ::open(path, flags | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

}  // namespace

std::string unusableFileTarget(const std::string& finalPath)
{
    if (finalPath.empty() || finalPath.back() == '/')
        return "is a folder";
    struct stat st {};
    if (::lstat(finalPath.c_str(), &st) != 0)
        return errno == ENOENT ? "" : std::string("cannot be examined (") + std::strerror(errno) + ")";
    return S_ISREG(st.st_mode) ? "" : describeType(st.st_mode);
}

std::string unusableFramesTarget(const std::string& folder)
{
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0)
        return errno == ENOENT ? "" : std::string("cannot be examined (") + std::strerror(errno) + ")";
    if (!S_ISDIR(st.st_mode))
        return S_ISREG(st.st_mode) ? "is a file, not a folder" : describeType(st.st_mode);
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return std::string("cannot be read (") + std::strerror(errno) + ")";
    std::string problem;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        struct stat es {};
        const bool regular = ::fstatat(::dirfd(dir), name, &es, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(es.st_mode);
        if (!regular || !isEarlierFramesOutput(name)) {
            problem = std::string("is not empty: it holds ") + name +
                      ", which is not a frame of an earlier --frames run; name a new or empty folder";
            break;
        }
    }
    ::closedir(dir);
    return problem;
}

OutputFile::~OutputFile()
{
    if (!pending_)
        return;
    if (kind_ == OutputKind::file)
        ::unlink(temporary_.c_str());
    else
        removeFolder(temporary_.c_str(), anyEntry);
}

bool OutputFile::open(const std::string& finalPath, std::string& error)
{
    const bool folder = kind_ == OutputKind::folder;
    final_ = finalPath;
    while (folder && final_.size() > 1 && final_.back() == '/')
        final_.pop_back();
    error = folder ? unusableFramesTarget(final_) : unusableFileTarget(final_);
    if (!error.empty())
        return false;
    if (folder) {
        std::string parent, name;
        splitPath(final_, parent, name);
        std::error_code ec;
        std::filesystem::create_directories(parent, ec);
        if (ec) {
            error = ec.message();
            return false;
        }
    }
    if (!makeTemporary(final_, folder, temporary_, error))
        return false;
    pending_ = true;
    return true;
}

bool OutputFile::commit(std::string& error)
{
    if (kind_ == OutputKind::folder)
        return commitFolder(error);
    // Durable before visible: a crash after the rename must not leave a
    // complete-looking file whose tail never reached the disk.
    bool done = syncPath(temporary_.c_str(), O_RDONLY);
    // The target is checked again: it may have become a folder meanwhile.
    const std::string target = done ? unusableFileTarget(final_) : "";
    done = done && target.empty() && std::rename(temporary_.c_str(), final_.c_str()) == 0;
    if (!done) {
        error = target.empty() ? std::strerror(errno) : final_ + " " + target;
        return false;  // the destructor removes the temporary file
    }
    pending_ = false;
    std::string folder, name;
    splitPath(final_, folder, name);
    syncPath(folder.c_str(), O_RDONLY | O_DIRECTORY);  // the rename itself
    return true;
}

bool OutputFile::commitFolder(std::string& error)
{
    error = unusableFramesTarget(final_);
    if (!error.empty()) {
        error = final_ + " " + error;
        return false;
    }
    // rename puts the new folder in place of nothing or of an empty folder;
    // a folder of earlier frames is first moved aside under a name of ours,
    // and its frames are removed only once the new ones are in place.
    std::string earlier;
    if (std::rename(temporary_.c_str(), final_.c_str()) != 0) {
        if ((errno != ENOTEMPTY && errno != EEXIST) || !makeTemporary(final_, true, earlier, error) ||
            std::rename(final_.c_str(), earlier.c_str()) != 0 || std::rename(temporary_.c_str(), final_.c_str()) != 0) {
            error = std::strerror(errno);
            if (!earlier.empty() && std::rename(earlier.c_str(), final_.c_str()) != 0)
                ::rmdir(earlier.c_str());  // still empty: the move aside failed
            return false;
        }
    }
    pending_ = false;
    if (!earlier.empty() && !removeFolder(earlier.c_str(), isEarlierFramesOutput))
        std::fprintf(stderr, "quarnel: the earlier frames were moved to %s (it now holds other files)\n",
                     earlier.c_str());
    return true;
}
