#pragma once
// Writers of the default data set. Each writes one file from scratch,
// deterministically (the same bytes on every run), and returns false with a
// message on standard error when it cannot.
#include <string>

bool writeSoundtrack(const std::string& path);      // code.mp3
bool writeTunnelTexture(const std::string& path);   // tunnel.raw, 256 x 256
bool writeCreditsPicture(const std::string& path);  // credits.raw, 320 x 240
bool writeVelinaPicture(const std::string& path);   // velina.raw, 320 x 240
bool writeVideo(const std::string& path);           // quarnel.avi, 320 x 240
