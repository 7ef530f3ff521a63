#include "driver/data_path.h"

std::string dataPath(const char* fileName) { return std::string("data/") + fileName; }
