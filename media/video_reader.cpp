#include "media/video_reader.h"

#include <algorithm>
#include <limits>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

namespace {

// Decoding forward from the current position is preferred over a seek unless
// the key frame a seek would land on lies this many frames or more ahead:
// a seek costs a demuxer jump and a decoder flush, a skipped frame one decode.
constexpr int64_t kSeekSavesAtLeast = 8;
// Without a key-frame index a seek cannot be judged; jump only this far ahead.
constexpr int64_t kForwardLimitWithoutIndex = 64;

// The "J" pixel formats are the full-range twins of the plain YUV formats;
// the scaler wants the plain format with the range given separately.
AVPixelFormat plainFormat(AVPixelFormat format, int& fullRange)
{
    switch (format) {
    case AV_PIX_FMT_YUVJ420P: fullRange = 1; return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P: fullRange = 1; return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ444P: fullRange = 1; return AV_PIX_FMT_YUV444P;
    case AV_PIX_FMT_YUVJ440P: fullRange = 1; return AV_PIX_FMT_YUV440P;
    case AV_PIX_FMT_YUVJ411P: fullRange = 1; return AV_PIX_FMT_YUV411P;
    default: return format;
    }
}

// FFmpeg reports every oddity of a damaged or strange file on standard error
// ("misdetection possible", "Packet corrupt", ...). The demo logs nothing:
// a file it cannot use ends with one message of its own, and a damaged one
// plays what can be decoded. Only a program that has not set a level of its
// own is quietened; the video file writer does the same and never raises it.
void quietenLibraryLog()
{
    if (av_log_get_level() == AV_LOG_INFO)
        av_log_set_level(AV_LOG_QUIET);
}

bool validRational(AVRational q) { return q.num > 0 && q.den > 0; }

std::size_t frameBytes(const AVFrame* frame)
{
    std::size_t bytes = 0;
    for (const AVBufferRef* buffer : frame->buf)
        if (buffer)
            bytes += buffer->size;
    return bytes;
}

}  // namespace

struct VideoReader::State {
    AVFormatContext* format = nullptr;
    AVCodecContext* decoder = nullptr;
    SwsContext* scaler = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* pending = nullptr;  // decoded ahead of position, not yet shown
    AVFrame* best = nullptr;     // the latest decoded frame at or before the frame asked for
    AVStream* stream = nullptr;
    int streamIndex = -1;

    int width = 0;
    int height = 0;
    uint32_t count = 0;
    int outWidth = 0;
    int outHeight = 0;
    int rowBytes = 0;
    std::vector<uint8_t> picture;  // bottom-up BGR rows
    bool hasPicture = false;

    // Time stamps: frame index = (ts - startTs) in units of frameDuration.
    AVRational timeBase{1, 1};
    AVRational frameDuration{1, 1};
    int64_t startTs = 0;

    int64_t position = -1;  // the frame last asked for; -1 before the first
    bool hasPending = false;
    int64_t pendingIndex = 0;
    int64_t lastDecodedIndex = -1;
    bool demuxEnded = false;
    bool decoderEnded = false;
    bool needKeyFrame = false;  // after a seek, packets before a key frame are dropped

    uint64_t decoded = 0;
    uint64_t seekCount = 0;

    ~State()
    {
        sws_freeContext(scaler);
        av_frame_free(&pending);
        av_frame_free(&best);
        av_packet_free(&packet);
        avcodec_free_context(&decoder);
        avformat_close_input(&format);
    }

    int64_t indexOfTs(int64_t ts) const
    {
        return av_rescale_q_rnd(ts - startTs, timeBase, frameDuration, AV_ROUND_NEAR_INF);
    }
    int64_t tsOfIndex(int64_t index) const
    {
        return startTs + av_rescale_q_rnd(index, frameDuration, timeBase, AV_ROUND_NEAR_INF);
    }

    void resetDecoder()
    {
        avcodec_flush_buffers(decoder);
        av_frame_unref(pending);
        hasPending = false;
        demuxEnded = false;
        decoderEnded = false;
        needKeyFrame = true;
        lastDecodedIndex = -1;
    }

    bool seekToStart()
    {
        if (av_seek_frame(format, streamIndex, startTs, AVSEEK_FLAG_BACKWARD) < 0 &&
            avformat_seek_file(format, -1, std::numeric_limits<int64_t>::min(), 0, 0, 0) < 0 &&
            av_seek_frame(format, -1, 0, AVSEEK_FLAG_BYTE) < 0)
            return false;
        ++seekCount;
        resetDecoder();
        return true;
    }

    // Lands on the key frame at or before frame n (or on the start).
    bool seekBefore(int64_t n)
    {
        if (av_seek_frame(format, streamIndex, tsOfIndex(n), AVSEEK_FLAG_BACKWARD) < 0)
            return seekToStart();
        ++seekCount;
        resetDecoder();
        return true;
    }

    // True when a seek saves more decoding than it costs for reaching frame n
    // (n > position).
    bool farAhead(int64_t n) const
    {
        if (n - position <= 1)
            return false;
        const int entry = av_index_search_timestamp(stream, tsOfIndex(n), AVSEEK_FLAG_BACKWARD);
        if (entry >= 0) {
            const AVIndexEntry* key = avformat_index_get_entry(stream, entry);
            if (key)
                return indexOfTs(key->timestamp) - position >= kSeekSavesAtLeast;
        }
        return n - position > kForwardLimitWithoutIndex;
    }

    // Decodes the next picture of the stream into pending. False at the end
    // of the stream.
    bool decodeNext()
    {
        while (!decoderEnded) {
            const int received = avcodec_receive_frame(decoder, pending);
            if (received == 0) {
                ++decoded;
                const int64_t ts = pending->best_effort_timestamp;
                pendingIndex = ts == AV_NOPTS_VALUE ? lastDecodedIndex + 1 : indexOfTs(ts);
                lastDecodedIndex = pendingIndex;
                hasPending = true;
                return true;
            }
            if (received == AVERROR_EOF || (received != AVERROR(EAGAIN) && demuxEnded)) {
                decoderEnded = true;
                break;
            }
            if (demuxEnded)
                continue;  // draining: the decoder still holds frames
            if (av_read_frame(format, packet) < 0) {
                demuxEnded = true;
                avcodec_send_packet(decoder, nullptr);  // drain what the decoder holds
                continue;
            }
            // Empty packets are the null frames of AVI (no picture of their
            // own); an empty packet would also read as end of stream to the
            // decoder. Packets before the first key frame after a seek cannot
            // be decoded correctly.
            const bool usable = packet->stream_index == streamIndex && packet->size > 0 &&
                                (!needKeyFrame || (packet->flags & AV_PKT_FLAG_KEY));
            if (usable) {
                needKeyFrame = false;
                // A packet the decoder rejects leaves no picture: the frame
                // shows the one before it.
                avcodec_send_packet(decoder, packet);
            }
            av_packet_unref(packet);
        }
        return false;
    }

    // Decodes forward to frame n. True when a picture at or before n was
    // found (it is left in best); pending then holds any frame after n.
    bool decodeForwardTo(int64_t n, int64_t& bestIndex)
    {
        av_frame_unref(best);
        bool haveBest = false;
        for (;;) {
            if (haveBest && bestIndex == n)
                break;
            if (!hasPending && !decodeNext())
                break;
            if (pendingIndex > n)
                break;
            av_frame_unref(best);
            av_frame_move_ref(best, pending);
            hasPending = false;
            bestIndex = pendingIndex;
            haveBest = true;
        }
        return haveBest;
    }

    bool convert(const AVFrame* frame)
    {
        int fullRange = frame->color_range == AVCOL_RANGE_JPEG ? 1 : 0;
        const AVPixelFormat source = plainFormat(static_cast<AVPixelFormat>(frame->format), fullRange);
        // Bit-exact, accurately rounded conversion: the fast paths differ
        // between processors (x86 and WebAssembly give other bytes).
        scaler = sws_getCachedContext(scaler, frame->width, frame->height, source, outWidth, outHeight,
                                      AV_PIX_FMT_BGR24, SWS_BICUBIC | SWS_BITEXACT | SWS_ACCURATE_RND, nullptr,
                                      nullptr, nullptr);
        if (!scaler)
            return false;
        int* inverseTable = nullptr;
        int* table = nullptr;
        int sourceRange = 0, targetRange = 0, brightness = 0, contrast = 0, saturation = 0;
        if (sws_getColorspaceDetails(scaler, &inverseTable, &sourceRange, &table, &targetRange, &brightness,
                                     &contrast, &saturation) >= 0) {
            sws_setColorspaceDetails(scaler, sws_getCoefficients(frame->colorspace), fullRange, table,
                                     targetRange, brightness, contrast, saturation);
        }
        // A negative line size starting at the last row writes the rows bottom-up.
        uint8_t* target[4] = {picture.data() + static_cast<std::size_t>(outHeight - 1) * rowBytes, nullptr,
                              nullptr, nullptr};
        const int targetStride[4] = {-rowBytes, 0, 0, 0};
        return sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, target, targetStride) > 0;
    }

    // Finds frame n by time stamp.
    const uint8_t* frame(int64_t n)
    {
        if (n == position)
            return hasPicture ? picture.data() : nullptr;

        bool seeked = false;
        if (n < position || farAhead(n)) {
            if (!seekBefore(n))
                return nullptr;  // stays where it is; nothing can be shown for n
            seeked = true;
            hasPicture = false;  // the old picture is no frame before n any more
        }
        int64_t bestIndex = -1;
        bool found = decodeForwardTo(n, bestIndex);
        if (!found && seeked) {
            // The seek landed after n (a container whose seek is not exact):
            // read from the start instead.
            if (seekToStart())
                found = decodeForwardTo(n, bestIndex);
        }
        position = n;
        if (found) {
            hasPicture = convert(best);
            av_frame_unref(best);
        }
        return hasPicture ? picture.data() : nullptr;
    }

    // For files that do not state their frame count: the highest frame index
    // among the stream's packets, plus one.
    uint32_t countFrames()
    {
        int64_t frames = 0;
        int64_t sequential = 0;
        while (av_read_frame(format, packet) >= 0) {
            if (packet->stream_index == streamIndex && packet->size > 0) {
                const int64_t ts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
                sequential = ts != AV_NOPTS_VALUE ? indexOfTs(ts) + 1 : sequential + 1;
                frames = std::max(frames, sequential);
            }
            av_packet_unref(packet);
        }
        seekToStart();
        seekCount = 0;
        return static_cast<uint32_t>(std::min<int64_t>(frames, std::numeric_limits<uint32_t>::max()));
    }
};

VideoReader::VideoReader() = default;
VideoReader::~VideoReader() = default;

void VideoReader::close() { state.reset(); }

bool VideoReader::isOpen() const { return state != nullptr; }

VideoReader::OpenResult VideoReader::open(const std::string& path, int outputWidth, int outputHeight)
{
    close();
    quietenLibraryLog();
    auto s = std::make_unique<State>();
    if (avformat_open_input(&s->format, path.c_str(), nullptr, nullptr) < 0)
        return OpenResult::cannotOpen;
    avformat_find_stream_info(s->format, nullptr);  // what the header says is enough when this fails

    for (unsigned i = 0; i < s->format->nb_streams; ++i) {
        AVStream* st = s->format->streams[i];
        const bool video = st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
                           !(st->disposition & AV_DISPOSITION_ATTACHED_PIC);
        if (video && s->streamIndex < 0) {
            s->streamIndex = static_cast<int>(i);
            s->stream = st;
        } else {
            st->discard = AVDISCARD_ALL;
        }
    }
    if (!s->stream)
        return OpenResult::noVideoStream;

    const AVCodecParameters* parameters = s->stream->codecpar;
    const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
    if (!codec || parameters->width <= 0 || parameters->height <= 0)
        return OpenResult::noDecoder;
    s->decoder = avcodec_alloc_context3(codec);
    if (!s->decoder || avcodec_parameters_to_context(s->decoder, parameters) < 0)
        return OpenResult::noDecoder;
    // One thread: frame threading would hold frames back and break the rule of
    // one decode per new frame.
    s->decoder->thread_count = 1;
    if (avcodec_open2(s->decoder, codec, nullptr) < 0)
        return OpenResult::noDecoder;

    s->packet = av_packet_alloc();
    s->pending = av_frame_alloc();
    s->best = av_frame_alloc();
    if (!s->packet || !s->pending || !s->best)
        return OpenResult::noDecoder;

    s->width = parameters->width;
    s->height = parameters->height;
    s->timeBase = s->stream->time_base;
    // One frame lasts 1 / frame rate. The base rate survives gaps of null
    // frames, which the average rate may not.
    if (validRational(s->stream->r_frame_rate))
        s->frameDuration = av_inv_q(s->stream->r_frame_rate);
    else if (validRational(s->stream->avg_frame_rate))
        s->frameDuration = av_inv_q(s->stream->avg_frame_rate);
    else
        s->frameDuration = s->timeBase;
    s->startTs = s->stream->start_time != AV_NOPTS_VALUE ? s->stream->start_time : 0;

    if (s->stream->nb_frames > 0)
        s->count = static_cast<uint32_t>(std::min<int64_t>(s->stream->nb_frames, std::numeric_limits<uint32_t>::max()));
    else
        s->count = s->countFrames();
    if (s->count == 0)
        return OpenResult::noFrames;

    s->outWidth = outputWidth;
    s->outHeight = outputHeight;
    s->rowBytes = (outputWidth * 3 + 3) & ~3;
    s->picture.assign(static_cast<std::size_t>(s->rowBytes) * outputHeight, 0);
    state = std::move(s);
    return OpenResult::ok;
}

int VideoReader::width() const { return state ? state->width : 0; }
int VideoReader::height() const { return state ? state->height : 0; }
uint32_t VideoReader::frameCount() const { return state ? state->count : 0; }
int VideoReader::outputWidth() const { return state ? state->outWidth : 0; }
int VideoReader::outputHeight() const { return state ? state->outHeight : 0; }
int VideoReader::rowBytes() const { return state ? state->rowBytes : 0; }

const uint8_t* VideoReader::frame(uint32_t n) { return state ? state->frame(n) : nullptr; }

uint64_t VideoReader::framesDecoded() const { return state ? state->decoded : 0; }
uint64_t VideoReader::seeks() const { return state ? state->seekCount : 0; }

std::size_t VideoReader::memoryBytes() const
{
    if (!state)
        return 0;
    return state->picture.size() + frameBytes(state->pending) + frameBytes(state->best);
}
