// The soundtrack decoder on files that lie: an encoder tag may claim any
// length, and the decoder must neither trust it with memory nor crash.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "sound/pcm_track.h"
#include "sound/soundtrack.h"
#include "test_support.h"

namespace {

const std::string kCorpus = std::string(QUARNEL_SOURCE_DIR) + "/fuzz/corpus/soundtrack/";

using testsupport::readBytes;

std::string writeTemp(const std::vector<unsigned char>& bytes, const char* name)
{
    const std::string path = std::string(QUARNEL_BINARY_DIR) + "/" + name;
    testsupport::writeBytes(path, bytes);
    return path;
}

// Sets the frame count of the file's Xing/Info tag (big-endian, right after
// the tag name and its 4 flag bytes).
bool forgeFrameCount(std::vector<unsigned char>& bytes, uint32_t frames)
{
    const std::string data(bytes.begin(), bytes.end());
    size_t at = data.find("Info");
    if (at == std::string::npos)
        at = data.find("Xing");
    if (at == std::string::npos || at + 12 > bytes.size() || !(bytes[at + 7] & 1))
        return false;
    for (int i = 0; i < 4; ++i)
        bytes[at + 8 + i] = static_cast<char>(frames >> (24 - 8 * i));
    return true;
}

}  // namespace

TEST(HostileMp3, ATagClaimingBillionsOfFramesDecodesWhatIsThere)
{
    std::vector<unsigned char> bytes = readBytes(kCorpus + "stereo_44k.mp3");
    ASSERT_FALSE(bytes.empty());
    PcmTrack honest;
    ASSERT_TRUE(decodeMp3File((kCorpus + "stereo_44k.mp3").c_str(), honest));

    ASSERT_TRUE(forgeFrameCount(bytes, 0xFFFFFFF0u));
    const std::string path = writeTemp(bytes, "hostile_length.mp3");
    PcmTrack forged;
    // Reserving the claimed length (some 10 TB of samples) threw bad_alloc.
    ASSERT_NO_THROW(decodeMp3File(path.c_str(), forged));
    // The frames are all there, so the file still plays; only the trimming
    // of the encoder padding at the end may differ with a false count.
    EXPECT_NEAR(static_cast<double>(forged.frameCount()), static_cast<double>(honest.frameCount()), 2 * 1152.0);
    std::remove(path.c_str());
}

TEST(HostileMp3, FuzzFindingsAreRefusedOrDecodedWithoutCrashing)
{
    // Inputs the fuzzer found to break the decoder once (fuzz/corpus keeps them).
    for (const char* name : {"forged_length_tag.mp3"}) {
        PcmTrack track;
        ASSERT_NO_THROW(decodeMp3File((kCorpus + name).c_str(), track)) << name;
        EXPECT_EQ(track.samples.size() % kPcmChannels, 0u) << name;
        EXPECT_EQ(soundOpenStream((kCorpus + name).c_str()) != nullptr, !track.samples.empty()) << name;
        soundClose();
    }
}
