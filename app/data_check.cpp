#include "app/data_check.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "core/data_path.h"

const std::vector<std::string>& dataFileNames()
{
    static const std::vector<std::string> names = {"code.mp3", "quarnel.avi", "tunnel.raw", "credits.raw",
                                                   "velina.raw"};
    return names;
}

std::vector<DataFileProblem> dataFileProblems()
{
    std::vector<DataFileProblem> problems;
    for (const std::string& name : dataFileNames()) {
        const std::string path = dataPath(name.c_str());
        struct stat st {};
        std::string problem;
        if (::stat(path.c_str(), &st) != 0) {
            problem = errno == ENOENT ? "missing" : std::string("unreadable: ") + std::strerror(errno);
        } else if (!S_ISREG(st.st_mode)) {
            problem = S_ISDIR(st.st_mode)                      ? "not a regular file: a folder"
                      : S_ISFIFO(st.st_mode)                   ? "not a regular file: a FIFO"
                      : S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) ? "not a regular file: a device"
                                                               : "not a regular file";
        } else if (::access(path.c_str(), R_OK) != 0) {
            // access asks with the real user's rights, as open will.
            problem = std::string("unreadable: ") + std::strerror(errno);
        }
        if (!problem.empty())
            problems.push_back({name, problem});
    }
    return problems;
}

std::vector<DataFileProblem> dataProblemsBeforeWork(bool wholeSet)
{
    std::vector<DataFileProblem> problems = dataFileProblems();
    if (!wholeSet)
        std::erase_if(problems, [](const DataFileProblem& p) { return p.problem.rfind("not a regular file", 0) != 0; });
    return problems;
}

std::string dataProblemMessage(const std::vector<DataFileProblem>& problems)
{
    namespace fs = std::filesystem;
    const std::string& folder = dataFolder();
    std::error_code ec;
    const fs::path absolute = fs::absolute(folder, ec);
    const bool exists = fs::is_directory(folder, ec);

    bool allMissing = true;
    for (const DataFileProblem& p : problems)
        allMissing = allMissing && p.missing();
    const bool one = problems.size() == 1;
    std::string text = allMissing ? (one ? "a data file is missing:" : "data files are missing:")
                                  : (one ? "a data file cannot be used:" : "data files cannot be used:");
    for (const DataFileProblem& p : problems)
        text += "\n  " + dataPath(p.name.c_str()) + (allMissing ? "" : " (" + p.problem + ")");
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
