#pragma once
// The video effect's frames from a file on disk.
#include <memory>
#include <string>

#include "core/video_source.h"

// Opens the first video stream of the file, its pictures delivered at
// width x height. Throws StartupError, shown on standard output, when the
// file cannot be played.
std::unique_ptr<VideoFrameSource> openVideoFile(const std::string& path, int width, int height);
