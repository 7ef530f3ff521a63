// Finding the data files: another folder, names in any case, and one message
// that lists everything missing.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/data_check.h"
#include "core/data_path.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

class DataFolder : public ::testing::Test {
protected:
    void TearDown() override { setDataFolder("data"); }
    void touch(const std::string& name, const char* text = "x")
    {
        std::ofstream(root_ / name) << text;
    }
    std::string folder() const { return root_.path.string(); }
    testsupport::ScratchDir root_;
};

TEST_F(DataFolder, NamesMatchRegardlessOfCaseAnExactNameFirst)
{
    touch("CODE.MP3");
    touch("Tunnel.Raw");
    touch("credits.raw", "exact");
    touch("CREDITS.RAW", "upper");
    setDataFolder(folder() + "/");  // a trailing slash names the same folder
    EXPECT_EQ(dataPath("code.mp3"), folder() + "/CODE.MP3");
    EXPECT_EQ(dataPath("tunnel.raw"), folder() + "/Tunnel.Raw");
    EXPECT_EQ(dataPath("credits.raw"), folder() + "/credits.raw");
    // Not found: the expected path, so that a failure names it.
    EXPECT_EQ(dataPath("velina.raw"), folder() + "/velina.raw");
    // A name that only begins the same is another name.
    touch("tunnel.raw~");
    EXPECT_EQ(dataPath("tunnel.ra"), folder() + "/tunnel.ra");
}

TEST_F(DataFolder, TheMessageListsEveryMissingFileAndWhereItLooked)
{
    touch("Code.mp3");
    touch("TUNNEL.RAW");
    touch("credits.raw");
    setDataFolder(folder());
    const auto missing = dataFileProblems();
    ASSERT_EQ(missing.size(), 2u);
    EXPECT_EQ(missing[0].name, "quarnel.avi");
    EXPECT_EQ(missing[1].name, "velina.raw");
    const std::string text = dataProblemMessage(missing);
    EXPECT_NE(text.find(folder() + "/quarnel.avi"), std::string::npos) << text;
    EXPECT_NE(text.find(folder() + "/velina.raw"), std::string::npos) << text;
    EXPECT_NE(text.find("looked in: " + folder()), std::string::npos) << text;
    for (const std::string& name : dataFileNames())
        EXPECT_NE(text.find(name), std::string::npos) << name;
    EXPECT_EQ(text.find("not a folder"), std::string::npos) << text;

    // A folder that is not there: everything is missing, and it says why.
    setDataFolder(folder() + "/nowhere");
    const auto all = dataFileProblems();
    EXPECT_EQ(all.size(), dataFileNames().size());
    EXPECT_NE(dataProblemMessage(all).find("which is not a folder"), std::string::npos);

    // A relative folder is shown as given and as an absolute path.
    setDataFolder("relative-quarnel-folder");
    const std::string relative = dataProblemMessage(dataFileProblems());
    EXPECT_NE(relative.find("looked in: relative-quarnel-folder (" + (fs::current_path() / "relative-quarnel-folder").string() + ")"),
              std::string::npos)
        << relative;
}

TEST_F(DataFolder, FilesThatCannotBeReadAreNamedWithTheirProblem)
{
    for (const std::string& name : dataFileNames())
        touch(name);
    fs::remove(root_ / "velina.raw");
    fs::create_directory(root_ / "VELINA.RAW");
    fs::remove(root_ / "tunnel.raw");
    ASSERT_EQ(::mkfifo((root_ / "tunnel.raw").c_str(), 0600), 0);  // opening it would block
    setDataFolder(folder());
    const auto problems = dataFileProblems();
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[0].problem, "not a regular file: a FIFO");
    EXPECT_EQ(problems[1].problem, "not a regular file: a folder");
    const std::string text = dataProblemMessage(problems);
    EXPECT_NE(text.find("data files cannot be used:\n  " + folder() + "/tunnel.raw (not a regular file: a FIFO)"),
              std::string::npos) << text;
}

}  // namespace
