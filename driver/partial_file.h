#pragma once
// An output file that appears under its name only once it is complete: it is
// written as "NAME.part" beside its final place, made durable and renamed at
// the end. Whatever stops the run first (a write error, an interrupt, a
// fatal exit) leaves no file under NAME that looks complete but is not.
#include <string>

class PartialFile {
public:
    explicit PartialFile(const std::string& finalPath);
    ~PartialFile();  // removes the temporary file unless committed
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;

    // Where to write while the file is incomplete.
    const std::string& path() const { return temporary_; }
    const std::string& finalPath() const { return final_; }

    // Flushes the written file to disk and renames it to its final name
    // (replacing an older file of that name). False with the reason on failure,
    // and the temporary file is removed.
    bool commit(std::string& error);

private:
    std::string final_;
    std::string temporary_;
    bool committed_ = false;
};
