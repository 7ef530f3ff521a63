// Whole-file MP3 decoding with libmpg123, checked so that only a real MPEG
// audio stream is accepted, and resampled to 44100 Hz when it was made at
// another rate.
#include "sound/pcm_track.h"

#include <SDL.h>
#include <mpg123.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <system_error>

namespace {

// libmpg123 searches the input for a frame sync and will "decode" a few
// false frames out of a WAV file or random bytes: such a search never finds
// more than a handful of frames in a row. A real stream is a run of frames
// that fills the file, so a file is accepted only when it yields at least
// this many frames ...
constexpr long kMinMpegFrames = 8;
// ... and those frames cover at least half of the bytes from the first one
// to the end of the file (the rest may be trailing tags or damage).
constexpr int kMinCoverageDivisor = 2;
// No MPEG audio frame is shorter than 16 bytes (Layer I at 8 kbit/s) or
// holds more than 1152 samples a channel, so a file decodes to at most 72
// sample frames per byte.
constexpr unsigned long long kMaxFramesPerByte = 1152 / 16;

struct Mpg123Handle {
    mpg123_handle* handle = nullptr;
    ~Mpg123Handle() {
        if (handle)
            mpg123_delete(handle);  // also closes the input
    }
};

struct SdlAudioStream {
    SDL_AudioStream* stream = nullptr;
    ~SdlAudioStream() {
        if (stream)
            SDL_FreeAudioStream(stream);
    }
};

// SDL's converter holds back the last few hundred input frames of its filter
// even when flushed, so the input gets this much silence appended and the
// output is cut to the exact resampled length. It adds no delay.
constexpr int64_t kResamplerTailFrames = 4096;

// Resamples interleaved stereo 16-bit PCM from rate to kPcmRate.
bool resampleTo44100(std::vector<int16_t>& pcm, long rate) {
    const int64_t inFrames = static_cast<int64_t>(pcm.size()) / kPcmChannels;
    const int64_t outFrames = (inFrames * kPcmRate + rate / 2) / rate;
    SdlAudioStream converter;
    converter.stream = SDL_NewAudioStream(AUDIO_S16SYS, kPcmChannels, static_cast<int>(rate),
                                          AUDIO_S16SYS, kPcmChannels, kPcmRate);
    if (!converter.stream)
        return false;
    pcm.resize(pcm.size() + kResamplerTailFrames * kPcmChannels, 0);
    // SDL counts bytes in an int, on the way in and out; a track that long
    // (hours) is no soundtrack.
    const unsigned long long inBytes = pcm.size() * sizeof(int16_t);
    const unsigned long long outBytes = inBytes / static_cast<unsigned long long>(rate) * kPcmRate + inBytes;
    if (std::max(inBytes, outBytes) > static_cast<unsigned long long>(std::numeric_limits<int>::max() / 2))
        return false;
    if (SDL_AudioStreamPut(converter.stream, pcm.data(), static_cast<int>(pcm.size() * sizeof(int16_t))) != 0 ||
        SDL_AudioStreamFlush(converter.stream) != 0)
        return false;
    const int bytes = SDL_AudioStreamAvailable(converter.stream);
    if (bytes < 0)
        return false;
    std::vector<int16_t> resampled(static_cast<size_t>(bytes) / sizeof(int16_t));
    const int got = SDL_AudioStreamGet(converter.stream, resampled.data(), bytes);
    if (got < 0)
        return false;
    resampled.resize(static_cast<size_t>(got) / sizeof(int16_t));
    resampled.resize(static_cast<size_t>(outFrames) * kPcmChannels, 0);
    pcm.swap(resampled);
    return true;
}

// The file's bytes, handed to libmpg123 through its reader hooks. Reading
// from memory matters: while it searches for a frame sync libmpg123 reads
// a byte at a time, and on a large file that is no MP3 at all, reading
// each byte from the file would take seconds.
struct MemoryInput {
    std::vector<unsigned char> bytes;
    size_t position = 0;
};

mpg123_ssize_t readInput(void* handle, void* buffer, size_t count) {
    auto& input = *static_cast<MemoryInput*>(handle);
    const size_t n = std::min(count, input.bytes.size() - input.position);
    std::memcpy(buffer, input.bytes.data() + input.position, n);
    input.position += n;
    return static_cast<mpg123_ssize_t>(n);
}

off_t seekInput(void* handle, off_t offset, int whence) {
    auto& input = *static_cast<MemoryInput*>(handle);
    off_t base = 0;
    if (whence == SEEK_CUR)
        base = static_cast<off_t>(input.position);
    else if (whence == SEEK_END)
        base = static_cast<off_t>(input.bytes.size());
    else if (whence != SEEK_SET)
        return -1;
    const off_t target = base + offset;
    if (target < 0 || target > static_cast<off_t>(input.bytes.size()))
        return -1;
    input.position = static_cast<size_t>(target);
    return target;
}

bool readFile(const char* path, std::vector<unsigned char>& bytes) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error || size == 0)
        return false;
    FILE* file = std::fopen(path, "rb");
    if (!file)
        return false;
    bytes.resize(static_cast<size_t>(size));
    const size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    bytes.resize(got);
    return got > 0;
}

bool decodeInto(const char* path, std::vector<int16_t>& pcm) {
    MemoryInput input;
    if (!readFile(path, input.bytes))
        return false;
    const unsigned long long fileSize = input.bytes.size();

    mpg123_init();  // required by old libmpg123 versions, harmless on new ones
    Mpg123Handle mh;
    mh.handle = mpg123_new(nullptr, nullptr);
    if (!mh.handle)
        return false;
    // Gapless (the default where supported): the encoder tag's delay and
    // padding are trimmed, so the stream has its exact length. No joining
    // of unrelated streams glued together.
    mpg123_param(mh.handle, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS | MPG123_NO_FRANKENSTEIN, 0);
    // Stereo 16-bit output at the stream's own rate, whatever that is; mono
    // streams are doubled to both channels.
    mpg123_format_none(mh.handle);
    const long* rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (size_t i = 0; i < rateCount; ++i)
        mpg123_format(mh.handle, rates[i], MPG123_STEREO, MPG123_ENC_SIGNED_16);
    if (mpg123_replace_reader_handle(mh.handle, readInput, seekInput, nullptr) != MPG123_OK ||
        mpg123_open_handle(mh.handle, &input) != MPG123_OK)
        return false;
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(mh.handle, &rate, &channels, &encoding) != MPG123_OK || channels != 2 ||
        encoding != MPG123_ENC_SIGNED_16 || rate <= 0)
        return false;

    // The length comes from the encoder's tag when there is one, and a tag
    // can claim anything: reserve only what the file's bytes could hold.
    const off_t expected = mpg123_length(mh.handle);
    if (expected > 0 && static_cast<unsigned long long>(expected) <= fileSize * kMaxFramesPerByte)
        pcm.reserve(static_cast<size_t>(expected) * kPcmChannels);

    long frames = 0;
    unsigned long long frameBytes = 0;
    off_t firstFrameOffset = -1;
    for (;;) {
        off_t frameNumber = 0;
        unsigned char* audio = nullptr;
        size_t bytes = 0;
        const int result = mpg123_decode_frame(mh.handle, &frameNumber, &audio, &bytes);
        if (result == MPG123_NEW_FORMAT) {
            long newRate = 0;
            mpg123_getformat(mh.handle, &newRate, &channels, &encoding);
            if (newRate != rate)
                return false;  // not one consistent stream
            continue;
        }
        if (result != MPG123_OK)
            break;  // MPG123_DONE, or a damaged tail: keep what was decoded
        mpg123_frameinfo2 info;
        if (mpg123_info2(mh.handle, &info) == MPG123_OK && info.framesize > 0)
            frameBytes += static_cast<unsigned>(info.framesize);
        if (firstFrameOffset < 0)
            firstFrameOffset = mpg123_framepos(mh.handle);
        ++frames;
        const auto* samples = reinterpret_cast<const int16_t*>(audio);
        pcm.insert(pcm.end(), samples, samples + bytes / sizeof(int16_t));
    }

    if (frames < kMinMpegFrames || firstFrameOffset < 0 ||
        static_cast<unsigned long long>(firstFrameOffset) >= fileSize)
        return false;
    const unsigned long long span = fileSize - static_cast<unsigned long long>(firstFrameOffset);
    if (frameBytes * kMinCoverageDivisor < span)
        return false;
    if (pcm.empty())
        return false;
    if (rate != kPcmRate)
        return resampleTo44100(pcm, rate);
    return true;
}

}  // namespace

bool decodeMp3File(const char* path, PcmTrack& out) {
    out.samples.clear();
    if (!path)
        return false;
    std::vector<int16_t> pcm;
    if (!decodeInto(path, pcm)) {
        out.samples.shrink_to_fit();
        return false;
    }
    out.samples.swap(pcm);
    return true;
}
