// MP3 decoding with libmpg123, read a buffer at a time from the file and
// kept only where the input is a real MPEG audio stream, resampled to
// 44100 Hz as it goes when the stream was made at another rate.
#include <SDL.h>
#include <mpg123.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <string>
#include <vector>

#include "core/quiet_output.h"
#include "media/mp3_input.h"
#include "media/mp3_decode.h"

namespace {

// libmpg123 searches its input for a frame sync and "decodes" the odd false
// frame out of junk (a WAV, random bytes, text). A real stream is a run of
// frames each starting where the one before ended, at one sample rate;
// false frames in junk next to each other are practically unheard of. So
// audio counts only from runs of this many frames, which a stream of a
// tenth of a second still makes.
constexpr int kMinRunFrames = 3;

constexpr int64_t kMaxTrackFrames = int64_t{kMaxTrackMinutes} * 60 * kPcmRate;
constexpr size_t kMaxTrackSamples = static_cast<size_t>(kMaxTrackFrames) * kPcmChannels;

// SDL's converter holds back the last few hundred input frames of its filter
// even when flushed, so the input gets this much silence appended and the
// output is cut to the exact resampled length. It adds no delay.
constexpr int kResamplerTailFrames = 4096;

struct Mpg123Handle {
    mpg123_handle* handle = nullptr;
    ~Mpg123Handle() {
        if (handle)
            mpg123_delete(handle);
    }
};

// The track as it is built: samples at the stream's rate go in, 44100 Hz
// stereo comes out, no more than kMaxTrackFrames of it.
struct TrackBuilder {
    std::vector<int16_t>& pcm;
    long rate = 0;         // the stream's, fixed by its first run; 0 before
    int64_t inFrames = 0;  // taken at that rate
    int64_t inLimit = 0;   // frames at that rate that make kMaxTrackFrames
    bool cut = false;      // frames past inLimit were left out
    bool failed = false;   // the resampler failed
    SDL_AudioStream* resampler = nullptr;
    size_t chunkSamples = 0;       // what the resampler is handed at a time
    size_t firstChunkSamples = 0;  // and the first time
    bool started = false;          // the first has been handed over
    std::vector<int16_t> waiting;  // input short of a chunk

    explicit TrackBuilder(std::vector<int16_t>& out) : pcm(out) {}
    ~TrackBuilder() {
        if (resampler)
            SDL_FreeAudioStream(resampler);
    }
};

bool beginTrack(TrackBuilder& track, long rate, off_t expectedFrames, int64_t bytesLeft) {
    track.rate = rate;
    track.inLimit = (kMaxTrackFrames * rate + kPcmRate - 1) / kPcmRate;
    if (rate != kPcmRate) {
        track.resampler = SDL_NewAudioStream(AUDIO_S16SYS, kPcmChannels, static_cast<int>(rate), AUDIO_S16SYS,
                                             kPcmChannels, kPcmRate);
        if (!track.resampler)
            return false;
        // SDL resamples each piece it is given from the piece's own start
        // and drops the fraction of an output frame at its end, so pieces
        // hold whole periods of the two rates (160 frames make 147 at 48
        // kHz), and the output neither drifts nor jitters. Of the first
        // piece SDL 2 keeps back its filter's reach (512 output frames' worth
        // of input, rounded up) for the next: the first piece is that much
        // longer, so the pieces resampled line up with a single piece.
        const int64_t period = rate / std::gcd(rate, long{kPcmRate});
        const int64_t reach = rate > kPcmRate ? (512 * int64_t{rate} + kPcmRate - 1) / kPcmRate : 512;
        track.chunkSamples = static_cast<size_t>((8192 + period - 1) / period * period) * kPcmChannels;
        track.firstChunkSamples = track.chunkSamples + static_cast<size_t>(reach) * kPcmChannels;
    }
    // expectedFrames (at the stream's rate) is the encoder tag's claim or
    // libmpg123's guess from the file's size. A tag may claim anything, but
    // no MPEG audio frame is shorter than 16 bytes or holds more than 1152
    // samples a channel, so the bytes left bound it. A long or unknown
    // track reserves the longest track at once: address space only, whose
    // pages are used as samples arrive. A short one reserves about what it
    // expects and, should it run longer, moves once to that reservation
    // (makeRoom). So the samples are never held twice but for that one copy
    // of at most a quarter of the longest track, nor the input in full.
    const int64_t mostFrames = std::min(bytesLeft / 16, kMaxTrackFrames) * 1152 * kPcmRate / rate;
    int64_t expected = std::min(kMaxTrackFrames, mostFrames);
    if (expectedFrames > 0)
        expected = std::min<int64_t>(expected, expectedFrames * kPcmRate / rate);
    expected += expected / 8 + 4096;
    track.pcm.reserve(expected > kMaxTrackFrames / 4 ? kMaxTrackSamples : static_cast<size_t>(expected) * kPcmChannels);
    return true;
}

// Room for count more samples, which never take the track past its longest.
void makeRoom(std::vector<int16_t>& pcm, size_t count) {
    if (pcm.size() + count > pcm.capacity())
        pcm.reserve(kMaxTrackSamples);
}

// Moves what the resampler has ready into the track, keeping no more than
// `most` samples (the longest track, or at the end the exact length).
bool drainResampler(TrackBuilder& track, size_t most = kMaxTrackSamples) {
    int16_t chunk[4096 * kPcmChannels];
    for (;;) {
        const int got = SDL_AudioStreamGet(track.resampler, chunk, sizeof chunk);
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        const size_t n = std::min(most - std::min(most, track.pcm.size()), static_cast<size_t>(got) / sizeof(int16_t));
        makeRoom(track.pcm, n);
        track.pcm.insert(track.pcm.end(), chunk, chunk + n);
    }
}

bool resample(TrackBuilder& track, const int16_t* samples, size_t count) {
    return SDL_AudioStreamPut(track.resampler, samples, static_cast<int>(count * sizeof(int16_t))) == 0 &&
           drainResampler(track);
}

// Adds interleaved stereo samples at the stream's rate. False when the
// track is full or the resampler failed.
bool addSamples(TrackBuilder& track, const int16_t* samples, size_t count) {
    int64_t frames = static_cast<int64_t>(count) / kPcmChannels;
    if (frames > track.inLimit - track.inFrames) {
        frames = track.inLimit - track.inFrames;
        track.cut = true;
    }
    track.inFrames += frames;
    const size_t n = static_cast<size_t>(frames) * kPcmChannels;
    if (!track.resampler) {
        makeRoom(track.pcm, n);
        track.pcm.insert(track.pcm.end(), samples, samples + n);
    } else {
        track.waiting.insert(track.waiting.end(), samples, samples + n);
        const size_t piece = track.started ? track.chunkSamples : track.firstChunkSamples;
        if (track.waiting.size() >= piece) {
            track.failed |= !resample(track, track.waiting.data(), piece);
            track.waiting.erase(track.waiting.begin(), track.waiting.begin() + static_cast<ptrdiff_t>(piece));
            track.started = true;
        }
    }
    return !track.cut && !track.failed;
}

void finishTrack(TrackBuilder& track) {
    if (!track.resampler)
        return;
    const int64_t outFrames = std::min(kMaxTrackFrames, (track.inFrames * kPcmRate + track.rate / 2) / track.rate);
    const size_t samples = static_cast<size_t>(outFrames) * kPcmChannels;
    track.waiting.resize(track.waiting.size() + size_t{kResamplerTailFrames} * kPcmChannels, 0);
    const int bytes = static_cast<int>(track.waiting.size() * sizeof(int16_t));
    if (SDL_AudioStreamPut(track.resampler, track.waiting.data(), bytes) != 0 ||
        SDL_AudioStreamFlush(track.resampler) != 0 || !drainResampler(track, samples))
        track.failed = true;
    if (samples > track.pcm.size())
        makeRoom(track.pcm, samples - track.pcm.size());
    track.pcm.resize(samples, 0);
}

// Frames decoded but not yet known to belong to a run long enough to count.
struct Run {
    off_t next = -1;  // where a frame continuing the run starts
    long rate = 0;
    int frames = 0;
    std::vector<int16_t> held;
};

bool openDecoder(Mpg123Handle& mh, Mp3Input& input) {
    mpg123_init();  // required by old libmpg123 versions, harmless on new ones
    mh.handle = mpg123_new(nullptr, nullptr);
    if (!mh.handle)
        return false;
    // Gapless (the default where supported): the encoder tag's delay and
    // padding are trimmed, so the stream has its exact length. ID3v2 tags
    // are skipped unread (they may be large), and a lost sync is searched
    // for as far as the input lets it, which kMaxJunkBytes bounds. Decoding
    // goes on past a false frame that looks like the start of another
    // stream (libmpg123 would end there with MPG123_NO_FRANKENSTEIN): a
    // damaged stretch in the middle of a file is full of them.
    mpg123_param(mh.handle, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS | MPG123_SKIP_ID3V2, 0);
    mpg123_param(mh.handle, MPG123_RESYNC_LIMIT, -1, 0);
    // Stereo 16-bit output at the stream's own rate, whatever that is; mono
    // streams are doubled to both channels.
    mpg123_format_none(mh.handle);
    const long* rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (size_t i = 0; i < rateCount; ++i)
        mpg123_format(mh.handle, rates[i], MPG123_STEREO, MPG123_ENC_SIGNED_16);
    return mpg123_replace_reader_handle(mh.handle, readMp3Input, seekMp3Input, nullptr) == MPG123_OK &&
           mpg123_open_handle(mh.handle, &input) == MPG123_OK;
}

// Decodes the runs of real frames into track; "" or why nothing came of it.
std::string decodeRuns(mpg123_handle* mh, Mp3Input& input, TrackBuilder& track) {
    Run run;
    for (;;) {
        unsigned char* audio = nullptr;
        size_t bytes = 0;
        off_t frameNumber = 0;
        const int result = mpg123_decode_frame(mh, &frameNumber, &audio, &bytes);
        if (result == MPG123_NEW_FORMAT)
            continue;  // each frame's own rate is checked below
        if (result != MPG123_OK)
            break;  // MPG123_DONE, or an error in the input: keep what was decoded
        mpg123_frameinfo2 info;
        if (mpg123_info2(mh, &info) != MPG123_OK || info.framesize <= 0)
            continue;
        const off_t start = mpg123_framepos(mh);
        if (run.frames == 0 || start != run.next || info.rate != run.rate) {
            run.frames = 0;
            run.rate = info.rate;
            run.held.clear();
        }
        run.next = start + info.framesize;
        ++run.frames;
        const auto* samples = reinterpret_cast<const int16_t*>(audio);
        const size_t count = bytes / sizeof(int16_t);
        if (run.frames < kMinRunFrames) {
            run.held.insert(run.held.end(), samples, samples + count);
            continue;
        }
        if (track.rate == 0 && !beginTrack(track, run.rate, mpg123_length(mh), input.size - start))
            return "could not resample";
        if (run.rate != track.rate)
            continue;  // frames of another stream, or junk
        if (count > 0)
            input.readLimit = std::max(input.readLimit, static_cast<int64_t>(run.next) + kMaxJunkBytes);
        if (!run.held.empty()) {
            const bool more = addSamples(track, run.held.data(), run.held.size());
            run.held.clear();
            if (!more)
                break;
        }
        if (!addSamples(track, samples, count))
            break;
    }
    if (track.rate == 0)
        return input.readError ? std::string("unreadable: ") + std::strerror(input.readError) : "not an MP3 file?";
    finishTrack(track);
    if (track.failed)
        return "could not resample";
    return track.pcm.empty() ? "not an MP3 file?" : "";
}

}  // namespace

bool decodeMp3File(const char* path, PcmTrack& out, Mp3Notes* notes) {
    Mp3Notes scratch;
    Mp3Notes& said = notes ? *notes : scratch;
    said = Mp3Notes{};
    out.samples.clear();
    out.samples.shrink_to_fit();
    Mp3Input input;
    if (!path) {
        said.refusal = "missing";
        return false;
    }
    if (!openMp3Input(path, input, said.refusal))
        return false;
    Mpg123Handle mh;
    if (!openDecoder(mh, input)) {
        said.refusal = "not an MP3 file?";
        return false;
    }
    std::vector<int16_t> pcm;
    TrackBuilder track(pcm);
    {
        // libmpg123's Layer I/II decoder prints a line of its own for some
        // false frames in junk, whatever its quiet flag says.
        QuietOutput quiet(stderr);
        said.refusal = decodeRuns(mh.handle, input, track);
    }
    if (!said.refusal.empty())
        return false;
    said.cut = track.cut;
    out.samples.swap(pcm);
    return true;
}
