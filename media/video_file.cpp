#include "media/video_file.h"

#include "core/startup_error.h"
#include "media/video_reader.h"

std::unique_ptr<VideoFrameSource> openVideoFile(const std::string& path, int width, int height)
{
    auto reader = std::make_unique<VideoReader>();
    auto refuse = [](const std::string& message) { return StartupError(ErrorShown::standardOutput, message); };
    switch (reader->open(path, width, height)) {
    case VideoReader::OpenResult::ok:
        break;
    case VideoReader::OpenResult::cannotOpen:
        throw refuse("could not open sourcefile");
    case VideoReader::OpenResult::noVideoStream:
        throw refuse("could not get stream");
    case VideoReader::OpenResult::noDecoder:
        throw refuse("could not decode " + path + ": no decoder for its video stream");
    case VideoReader::OpenResult::noFrames:
        throw refuse("could not decode " + path + ": no frames");
    }
    return reader;
}
