// Finding the data files in another folder, names in any case (the message
// for missing or unusable files: tests/whole/data_folder.sh and the bad-input
// matrix).
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "core/data_path.h"
#include "test_support.h"

namespace {

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

}  // namespace
