#include "tools/generators.h"

// Placeholder until this generator is written.
bool writeVideo(const std::string&) { return true; }
