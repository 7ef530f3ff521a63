#include "core/data_path.h"

#include <filesystem>
#include <system_error>

namespace {

// The one setting of the data location; only --data changes it, before the
// timeline is built.
std::string& folderSetting()
{
    static std::string folder = "data";
    return folder;
}

bool sameIgnoringAsciiCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = x - 'A' + 'a';
        if (y >= 'A' && y <= 'Z')
            y = y - 'A' + 'a';
        if (x != y)
            return false;
    }
    return true;
}

}  // namespace

void setDataFolder(const std::string& folder)
{
    std::string f = folder;
    // "dir/" and "dir" name the same place; "/" stays the root.
    while (f.size() > 1 && f.back() == '/')
        f.pop_back();
    folderSetting() = f.empty() ? "." : f;
}

const std::string& dataFolder() { return folderSetting(); }

std::string dataPath(const char* fileName) { return dataPathIn(folderSetting(), fileName); }

std::string dataPathIn(const std::string& folder, const char* fileName)
{
    namespace fs = std::filesystem;
    const std::string exact = folder + "/" + fileName;
    std::error_code ec;
    if (fs::exists(exact, ec))
        return exact;
    // Several entries may differ from the name only in case; take the first
    // in name order so the choice does not depend on the directory's order.
    std::string best;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (sameIgnoringAsciiCase(name, fileName) && (best.empty() || name < best))
            best = name;
    }
    return best.empty() ? exact : folder + "/" + best;
}
