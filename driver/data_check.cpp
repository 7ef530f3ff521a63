#include "driver/data_check.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "driver/data_path.h"

const std::vector<std::string>& dataFileNames()
{
    static const std::vector<std::string> names = {"code.mp3", "quarnel.avi", "tunnel.raw", "credits.raw",
                                                   "velina.raw"};
    return names;
}

std::vector<std::string> missingDataFiles()
{
    std::vector<std::string> missing;
    for (const std::string& name : dataFileNames()) {
        const std::string path = dataPath(name.c_str());
        std::error_code ec;
        bool readable = std::filesystem::is_regular_file(path, ec);
        if (readable) {
            // Opening is the only sure test of readability (permissions, dangling links).
            std::FILE* f = std::fopen(path.c_str(), "rb");
            readable = f != nullptr;
            if (f)
                std::fclose(f);
        }
        if (!readable)
            missing.push_back(name);
    }
    return missing;
}

std::string missingDataMessage(const std::vector<std::string>& missing)
{
    namespace fs = std::filesystem;
    const std::string& folder = dataFolder();
    std::error_code ec;
    const fs::path absolute = fs::absolute(folder, ec);
    const bool exists = fs::is_directory(folder, ec);

    std::string text = missing.size() == 1 ? "a data file is missing:" : "data files are missing:";
    for (const std::string& name : missing)
        text += "\n  " + dataPath(name.c_str());
    text += "\nlooked in: " + folder;
    if (!absolute.empty() && absolute.string() != folder)
        text += " (" + absolute.string() + ")";
    text += exists ? "" : ", which is not a folder";
    text += "; names match regardless of case\nexpected there: ";
    const auto& names = dataFileNames();
    for (size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    text += "\n(quarnel-data FOLDER writes a default set; --data FOLDER reads another folder)";
    return text;
}
