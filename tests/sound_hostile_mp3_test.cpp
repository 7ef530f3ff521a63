// The soundtrack decoder on every kind of file a user may put in its place:
// each is either played, as much of it as is real MPEG audio, or refused
// with a short reason, without hanging, crashing or taking memory the file
// does not justify.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "lame_mp3.h"
#include "media/mp3_input.h"
#include "media/mp3_decode.h"
#include "platform/soundtrack.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;
using testsupport::readBytes;

// 0.3 s at 44100 Hz, 13230 frames, with an encoder tag.
const Bytes kShortMp3 = readBytes(std::string(QUARNEL_SOURCE_DIR) + "/fuzz/corpus/soundtrack/stereo_44k.mp3");

// Random bytes, or (quiet) headerless 16-bit noise, in which libmpg123
// finds the odd false frame.
Bytes noise(size_t size, unsigned seed, bool quiet = false) {
    std::mt19937 random(seed);
    Bytes bytes(size);
    for (size_t i = 0; i + 1 < size; i += 2) {
        const int v = quiet ? static_cast<int>(random() % 4096) - 2048 : static_cast<int>(random());
        bytes[i] = static_cast<unsigned char>(v), bytes[i + 1] = static_cast<unsigned char>(v >> 8);
    }
    return bytes;
}

Bytes join(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The frame count in the file's Xing/Info tag (big-endian, after the tag
// name and its 4 flag bytes) set to a claim of some 10 TB of samples.
Bytes forgedLength(Bytes bytes) {
    const std::string data(bytes.begin(), bytes.end());
    const size_t at = data.find("Info");
    for (int i = 0; i < 4 && at != std::string::npos; ++i)
        bytes[at + 8 + i] = i < 3 ? 0xFF : 0xF0;
    return bytes;
}

// An ID3v2.3 tag of `size` bytes (sync-safe length), as large cover art makes.
Bytes id3v2(uint32_t size) {
    Bytes tag(size, 0);
    const uint32_t body = size - 10;
    const unsigned char header[10] = {'I', 'D', '3', 3, 0, 0, static_cast<unsigned char>(body >> 21 & 127),
                                      static_cast<unsigned char>(body >> 14 & 127),
                                      static_cast<unsigned char>(body >> 7 & 127), static_cast<unsigned char>(body & 127)};
    std::copy(header, header + 10, tag.begin());
    return tag;
}

struct Case {
    const char* name;
    std::function<void(const fs::path&)> make;
    int64_t frames;     // expected length at 44100 Hz, when it plays
    int64_t tolerance;  // frames either side
    std::string refusal;  // "" when it plays
};

std::function<void(const fs::path&)> bytes(const Bytes& content) {
    return [content](const fs::path& path) { testsupport::writeBytes(path, content); };
}

}  // namespace

TEST(HostileMp3, EachFileIsPlayedAsFarAsItIsAudioOrRefusedWithItsReason) {
    const int64_t junk = kMaxJunkBytes;
    const Case cases[] = {
        {"a tenth of a second", [](const fs::path& p) { writeMp3(p, 44100, 0.1, 440, 440); }, 4410, 0, ""},
        {"100 KB of junk first", bytes(join(noise(100000, 1), kShortMp3)), 13230, 0, ""},
        {"the first half", bytes(Bytes(kShortMp3.begin(), kShortMp3.begin() + kShortMp3.size() / 2)), 4655, 1152, ""},
        {"5 MB of junk after", bytes(join(kShortMp3, noise(5000000, 2))), 13230, 0, ""},
        {"junk up to the limit first", bytes(join(Bytes(junk - 65536), kShortMp3)), 13230, 0, ""},
        {"junk past the limit first", bytes(join(Bytes(junk + 65536), kShortMp3)), 0, 0, "not an MP3 file?"},
        {"an ID3v2 tag larger than the limit", bytes(join(id3v2(junk + 65536), kShortMp3)), 13230, 0, ""},
        {"damaged in the middle",
         [](const fs::path& p) {
             writeMp3(p, 44100, 1.0, 440, 440);
             Bytes mp3 = join(readBytes(p), {});
             const Bytes damage = noise(3000, 3);
             std::copy(damage.begin(), damage.end(), mp3.begin() + 8000);
             testsupport::writeBytes(p, mp3);
         },
         44100, 9000, ""},
        // Reserving the claimed length threw bad_alloc once; only the
        // trimming of the encoder padding may differ with a false count.
        {"a tag claiming 4 billion frames", bytes(forgedLength(kShortMp3)), 13230, 2 * 1152, ""},
        {"a fuzzer's forged tag", bytes(readBytes(std::string(QUARNEL_SOURCE_DIR) + "/fuzz/corpus/soundtrack/forged_length_tag.mp3")), 6959, 0, ""},
        {"missing", [](const fs::path&) {}, 0, 0, "missing"},
        {"empty", bytes({}), 0, 0, "empty"},
        {"a folder", [](const fs::path& p) { fs::create_directory(p); }, 0, 0, "not a regular file"},
        {"a FIFO", [](const fs::path& p) { mkfifo(p.c_str(), 0600); }, 0, 0, "not a regular file"},
        {"unreadable",
         [](const fs::path& p) {
             testsupport::writeBytes(p, kShortMp3);
             fs::permissions(p, fs::perms::none);
         },
         0, 0, geteuid() == 0 ? "" : "unreadable: Permission denied"},
        // A WAV of quiet noise: many 0xFF bytes that look like frame syncs.
        {"a WAV", bytes(join({'R', 'I', 'F', 'F', 0x34, 0xB1, 2, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0,
                              2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0, 4, 0, 16, 0, 'd', 'a', 't', 'a', 0x10, 0xB1, 2, 0},
                             noise(44100 * 4, 7, true))),
         0, 0, "not an MP3 file?"},
        {"random bytes", bytes(noise(65536, 4)), 0, 0, "not an MP3 file?"},
        {"quiet noise", bytes(noise(65536, 5, true)), 0, 0, "not an MP3 file?"},
        {"quiet noise 2", bytes(noise(65536, 6, true)), 0, 0, "not an MP3 file?"},
        {"text", bytes(Bytes(readBytes(std::string(QUARNEL_SOURCE_DIR) + "/media/mp3_decode.cpp"))), 0, 0,
         "not an MP3 file?"},
    };
    testsupport::ScratchDir dir;
    for (const Case& c : cases) {
        const fs::path path = dir / (std::string(c.name) + ".mp3");
        c.make(path);
        PcmTrack track;
        Mp3Notes notes;
        const bool decoded = decodeMp3File(path.c_str(), track, &notes);
        EXPECT_EQ(notes.refusal, c.refusal) << c.name;
        EXPECT_EQ(decoded, c.refusal.empty()) << c.name;
        EXPECT_FALSE(notes.cut) << c.name;
        EXPECT_EQ(track.samples.size() % kPcmChannels, 0u) << c.name;
        if (decoded && c.frames > 0) {
            EXPECT_NEAR(static_cast<double>(track.frameCount()), static_cast<double>(c.frames), c.tolerance) << c.name;
        } else if (!decoded) {
            EXPECT_TRUE(track.samples.empty()) << c.name;
        }
    }
}
