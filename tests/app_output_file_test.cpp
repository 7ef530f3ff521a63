// Outputs appear under their names only when complete, and a failed or
// abandoned run removes nothing but its own temporary name.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "capture/output_file.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

std::string text(const fs::path& path)
{
    std::string t;
    std::ifstream(path) >> t;
    return t;
}

std::set<std::string> names(const fs::path& folder)
{
    std::set<std::string> n;
    for (const auto& e : fs::directory_iterator(folder))
        n.insert(e.path().filename().string());
    return n;
}

TEST(OutputFile, ReplacesTheTargetOnlyWhenCommittedAndTouchesNothingElse)
{
    const testsupport::ScratchDir dir;
    const std::string final = (dir / "out.png").string();
    std::ofstream(final) << "older";
    std::ofstream(final + ".part") << "users";  // a file of the user's that looks like ours
    {
        OutputFile a, b;
        std::string error;
        ASSERT_TRUE(a.open(final, error)) << error;
        ASSERT_TRUE(b.open(final, error)) << error;
        EXPECT_NE(a.path(), b.path());  // two runs to one file never share a temporary file
        std::ofstream(a.path()) << "newer";
        // b is abandoned, as after a failed write.
        ASSERT_TRUE(a.commit(error)) << error;
    }
    EXPECT_EQ(names(dir.path), (std::set<std::string>{"out.png", "out.png.part"}));
    EXPECT_EQ(text(final), "newer");
    EXPECT_EQ(text(final + ".part"), "users");

    // A name as long as a name may be still gets a temporary name beside it.
    const std::string longest = (dir / (std::string(251, 'n') + ".raw")).string();
    OutputFile file;
    std::string error;
    ASSERT_TRUE(file.open(longest, error)) << error;
    std::ofstream(file.path()) << "x";
    ASSERT_TRUE(file.commit(error)) << error;
    EXPECT_EQ(text(longest), "x");
    // Cut short at a character boundary, never inside a UTF-8 sequence.
    std::string accents;
    for (int i = 0; i < 123; ++i)
        accents += "\xC3\xA9";
    OutputFile utf8;
    ASSERT_TRUE(utf8.open((dir / accents).string(), error)) << error;
    EXPECT_EQ(fs::path(utf8.path()).filename().string().substr(0, 243), accents.substr(0, 242) + ".");
}

TEST(OutputFolder, TakesANewOrEmptyFolderOrReplacesEarlierFramesWhole)
{
    const testsupport::ScratchDir dir;
    const fs::path frames = dir / "frames";
    auto run = [&](int count, bool commit) {
        OutputFile out(OutputKind::folder);
        std::string error;
        if (!out.open(frames.string(), error))
            return error;
        for (int i = 0; i < count; ++i)
            std::ofstream(out.path() + "/frame-00000" + std::to_string(i) + ".png") << "new";
        std::ofstream(out.path() + "/audio.wav") << "new";
        return commit && !out.commit(error) ? error : std::string();
    };
    EXPECT_EQ(run(3, true), "");  // a new folder, its parent made too
    EXPECT_EQ(names(frames), (std::set<std::string>{"frame-000000.png", "frame-000001.png", "frame-000002.png", "audio.wav"}));
    EXPECT_EQ(run(1, true), "");  // the earlier run's frames go, all of them
    EXPECT_EQ(names(frames), (std::set<std::string>{"frame-000000.png", "audio.wav"}));
    EXPECT_EQ(run(2, false), "");  // abandoned: the earlier frames stay
    EXPECT_EQ(names(frames), (std::set<std::string>{"frame-000000.png", "audio.wav"}));
    EXPECT_EQ(names(dir.path), std::set<std::string>{"frames"});

    std::ofstream(frames / "notes.txt") << "mine";
    EXPECT_NE(run(1, true).find("holds notes.txt"), std::string::npos);
    fs::remove(frames / "notes.txt");
    fs::create_symlink("/etc/passwd", frames / "frame-000009.png");
    EXPECT_NE(run(1, true).find("holds frame-000009.png"), std::string::npos);
    EXPECT_EQ(unusableFramesTarget((frames / "audio.wav").string()), "is a file, not a folder");
}

}  // namespace
