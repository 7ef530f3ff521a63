#pragma once
// Outputs that appear under their names only once they are complete.
//
// Each is written under a temporary name of our own beside its final place,
// made with O_EXCL from a random part ("NAME.a1B2c3.part"), so it can never
// be a file of the user's, nor another run's temporary file. At the end it is
// made durable and renamed over the final name. Whatever stops the run first
// (a write error, a signal, an error on its way to main) removes that temporary name and
// what we wrote into it, and nothing else: an older file under the final name
// stays as it was.
#include <string>

// Why finalPath cannot take a file: empty when it names nothing yet or a
// regular file; otherwise "is a folder", "is a FIFO", "is a device", ...
// Symbolic links are refused too: writing never follows one.
std::string unusableFileTarget(const std::string& finalPath);

// Why folder cannot take the frames of --frames: empty when it names nothing
// yet, an empty folder, or a folder holding only an earlier run's frames
// (frame-NNNNNN.png) and audio.wav, which the new run replaces whole.
std::string unusableFramesTarget(const std::string& folder);

// A file, or the folder of --frames: a temporary folder of ours is filled
// and then put in the final folder's place; an earlier run's frames there
// are removed only after that succeeded.
enum class OutputKind { file, folder };

class OutputFile {
public:
    explicit OutputFile(OutputKind kind = OutputKind::file) : kind_(kind) {}
    ~OutputFile();  // removes the temporary file (folder and its files) unless committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Checks the final place and creates the temporary file. False with the reason.
    bool open(const std::string& finalPath, std::string& error);

    // Where to write while the output is incomplete.
    const std::string& path() const { return temporary_; }
    const std::string& finalPath() const { return final_; }

    // Flushes the output to disk and renames it over its final name. False
    // with the reason on failure, and the temporary output is removed.
    bool commit(std::string& error);

private:
    bool commitFolder(std::string& error);

    OutputKind kind_;
    std::string final_;
    std::string temporary_;
    bool pending_ = false;
};
