#include "capture/video_file_writer.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <vector>

namespace {

std::string avError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

struct CodecContextDeleter {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameDeleter {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;

// The H.264 encoders to try, best first: libx264 (in Debian's FFmpeg), then
// openh264, then any other H.264 encoder the build has (hardware encoders
// simply fail to open where there is no hardware).
std::vector<const AVCodec*> h264Encoders()
{
    std::vector<const AVCodec*> list;
    for (const char* name : {"libx264", "libopenh264"})
        if (const AVCodec* c = avcodec_find_encoder_by_name(name))
            list.push_back(c);
    void* it = nullptr;
    while (const AVCodec* c = av_codec_iterate(&it))
        if (av_codec_is_encoder(c) && c->id == AV_CODEC_ID_H264 && std::find(list.begin(), list.end(), c) == list.end())
            list.push_back(c);
    return list;
}

}  // namespace

struct VideoFileWriter::State {
    VideoFileSettings settings;
    AVFormatContext* format = nullptr;

    CodecContextPtr video;
    AVStream* videoStream = nullptr;
    SwsContext* toYuv = nullptr;
    FramePtr picture;
    int64_t picturesSent = 0;

    CodecContextPtr audio;
    AVStream* audioStream = nullptr;
    FramePtr sound;
    std::vector<float> pending[2];  // sound waiting for a whole encoder frame, per channel
    int64_t soundSent = 0;          // frames handed to the encoder

    PacketPtr packet;

    ~State()
    {
        sws_freeContext(toYuv);
        if (format) {
            if (format->pb)
                avio_closep(&format->pb);
            avformat_free_context(format);
        }
    }

    // Sends one frame (or the end, when frame is null) and writes every packet that comes out.
    bool encode(AVCodecContext* codec, AVStream* stream, AVFrame* frame, std::string& error)
    {
        int ret = avcodec_send_frame(codec, frame);
        if (ret < 0) {
            error = std::string("the ") + codec->codec->name + " encoder failed: " + avError(ret);
            return false;
        }
        for (;;) {
            ret = avcodec_receive_packet(codec, packet.get());
            if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF)
                return true;
            if (ret < 0) {
                error = std::string("the ") + codec->codec->name + " encoder failed: " + avError(ret);
                return false;
            }
            av_packet_rescale_ts(packet.get(), codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            ret = av_interleaved_write_frame(format, packet.get());
            if (ret < 0) {
                error = avError(ret);
                return false;
            }
        }
    }

    // Encodes the pending sound in whole encoder frames; with last, the rest
    // too, as a shorter final frame (or padded with silence where the
    // encoder takes only whole frames).
    bool encodePendingSound(bool last, std::string& error)
    {
        const int frameSize = audio->frame_size > 0 ? audio->frame_size : 1024;
        const bool smallLast = audio->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME;
        size_t used = 0;
        while (pending[0].size() - used >= size_t(frameSize) || (last && pending[0].size() > used)) {
            const size_t available = pending[0].size() - used;
            const int count = int(std::min<size_t>(available, size_t(frameSize)));
            int ret = av_frame_make_writable(sound.get());
            if (ret < 0) {
                error = avError(ret);
                return false;
            }
            sound->nb_samples = smallLast ? count : frameSize;
            for (int ch = 0; ch < 2; ++ch) {
                float* out = reinterpret_cast<float*>(sound->data[ch]);
                std::copy_n(pending[ch].data() + used, count, out);
                std::fill(out + count, out + sound->nb_samples, 0.0f);
            }
            sound->pts = soundSent;
            soundSent += sound->nb_samples;
            used += size_t(count);
            if (!encode(audio.get(), audioStream, sound.get(), error))
                return false;
        }
        for (auto& channel : pending)
            channel.erase(channel.begin(), channel.begin() + std::ptrdiff_t(used));
        return true;
    }
};

VideoFileWriter::VideoFileWriter() = default;
VideoFileWriter::~VideoFileWriter() = default;

std::string VideoFileWriter::videoEncoderName() const
{
    return state_ && state_->video ? state_->video->codec->name : "";
}

bool VideoFileWriter::open(const std::string& path, const std::string& containerName,
                           const VideoFileSettings& settings, std::string& error)
{
    state_ = std::make_unique<State>();
    State& s = *state_;
    s.settings = settings;
    // The encoders' statistics would break the progress line, and the video
    // reader's decoder would report every flaw of a damaged file: every
    // failure comes back here and is told once, in our words. Only the
    // library's own default is lowered, as the video reader does; a level a
    // program chose stays.
    if (av_log_get_level() == AV_LOG_INFO)
        av_log_set_level(AV_LOG_QUIET);

    // The container comes from the final name; the muxer's own file name is
    // the one written (MP4's fast start reads the file back by that name).
    const AVOutputFormat* container = av_guess_format(nullptr, containerName.c_str(), nullptr);
    int ret = container ? avformat_alloc_output_context2(&s.format, container, nullptr, path.c_str()) : -1;
    if (ret < 0 || !s.format) {
        error = "no container format for " + containerName;
        return false;
    }
    const bool globalHeader = s.format->oformat->flags & AVFMT_GLOBALHEADER;

    // Pictures: H.264 in yuv420p at the exact frame rate.
    for (const AVCodec* codec : h264Encoders()) {
        CodecContextPtr c(avcodec_alloc_context3(codec));
        c->width = settings.width;
        c->height = settings.height;
        c->time_base = AVRational{1, settings.fps};
        c->framerate = AVRational{settings.fps, 1};
        c->pix_fmt = AV_PIX_FMT_YUV420P;
        // BT.709 in limited range, stated in the stream so players convert back with the same matrix.
        c->color_range = AVCOL_RANGE_MPEG;
        c->colorspace = AVCOL_SPC_BT709;
        c->color_primaries = AVCOL_PRI_BT709;
        c->color_trc = AVCOL_TRC_BT709;
        if (globalHeader)
            c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if (std::string(codec->name) == "libx264") {
            // Hard-edged pixel art needs a low quantiser to stay sharp. At
            // CRF 21 the pictures lose about 0.6 dB against CRF 18 (most of
            // the loss is the halved chroma of yuv420p either way) for files
            // a quarter smaller. "veryfast" encodes about 2.5 times faster
            // than "fast" here at nearly the same size.
            av_opt_set(c->priv_data, "preset", "veryfast", 0);
            av_opt_set(c->priv_data, "crf", "21", 0);
        } else {
            c->bit_rate = int64_t(settings.width) * settings.height * settings.fps / 4;
        }
        if (avcodec_open2(c.get(), codec, nullptr) >= 0) {
            s.video = std::move(c);
            break;
        }
    }
    if (!s.video) {
        error = "this FFmpeg has no usable H.264 encoder (libavcodec needs libx264 or libopenh264)";
        return false;
    }
    s.videoStream = avformat_new_stream(s.format, nullptr);
    if (!s.videoStream || avcodec_parameters_from_context(s.videoStream->codecpar, s.video.get()) < 0) {
        error = "could not add the video stream";
        return false;
    }
    s.videoStream->time_base = s.video->time_base;
    s.videoStream->avg_frame_rate = s.video->framerate;

    s.toYuv = sws_getContext(settings.width, settings.height, AV_PIX_FMT_0RGB32, settings.width, settings.height,
                             AV_PIX_FMT_YUV420P, SWS_POINT, nullptr, nullptr, nullptr);
    if (!s.toYuv) {
        error = "could not set up the colour conversion";
        return false;
    }
    sws_setColorspaceDetails(s.toYuv, sws_getCoefficients(SWS_CS_ITU709), 1, sws_getCoefficients(SWS_CS_ITU709), 0,
                             0, 1 << 16, 1 << 16);
    s.picture.reset(av_frame_alloc());
    s.picture->format = AV_PIX_FMT_YUV420P;
    s.picture->width = settings.width;
    s.picture->height = settings.height;
    if (av_frame_get_buffer(s.picture.get(), 0) < 0) {
        error = "out of memory";
        return false;
    }

    // Sound: AAC, stereo, at the soundtrack's own rate.
    const AVCodec* aac = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (!aac) {
        error = "this FFmpeg has no AAC encoder";
        return false;
    }
    s.audio.reset(avcodec_alloc_context3(aac));
    s.audio->sample_fmt = AV_SAMPLE_FMT_FLTP;
    s.audio->sample_rate = settings.sampleRate;
    av_channel_layout_default(&s.audio->ch_layout, 2);
    s.audio->bit_rate = 192000;
    s.audio->time_base = AVRational{1, settings.sampleRate};
    if (globalHeader)
        s.audio->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    ret = avcodec_open2(s.audio.get(), aac, nullptr);
    if (ret < 0) {
        error = "could not open the AAC encoder: " + avError(ret);
        return false;
    }
    s.audioStream = avformat_new_stream(s.format, nullptr);
    if (!s.audioStream || avcodec_parameters_from_context(s.audioStream->codecpar, s.audio.get()) < 0) {
        error = "could not add the audio stream";
        return false;
    }
    s.audioStream->time_base = s.audio->time_base;
    s.sound.reset(av_frame_alloc());
    s.sound->format = AV_SAMPLE_FMT_FLTP;
    s.sound->sample_rate = settings.sampleRate;
    av_channel_layout_copy(&s.sound->ch_layout, &s.audio->ch_layout);
    s.sound->nb_samples = s.audio->frame_size > 0 ? s.audio->frame_size : 1024;
    if (av_frame_get_buffer(s.sound.get(), 0) < 0) {
        error = "out of memory";
        return false;
    }
    s.packet.reset(av_packet_alloc());

    ret = avio_open(&s.format->pb, path.c_str(), AVIO_FLAG_WRITE);
    if (ret < 0) {
        error = avError(ret);
        return false;
    }
    AVDictionary* muxerOptions = nullptr;
    // MP4: the index goes to the front at the end, so the file plays while it downloads.
    av_dict_set(&muxerOptions, "movflags", "+faststart", 0);
    ret = avformat_write_header(s.format, &muxerOptions);
    av_dict_free(&muxerOptions);
    if (ret < 0) {
        error = avError(ret);
        return false;
    }
    return true;
}

bool VideoFileWriter::writeVideo(const uint32_t* pixels, std::string& error)
{
    State& s = *state_;
    int ret = av_frame_make_writable(s.picture.get());
    if (ret < 0) {
        error = avError(ret);
        return false;
    }
    const uint8_t* planes[1] = {reinterpret_cast<const uint8_t*>(pixels)};
    const int strides[1] = {s.settings.width * 4};
    sws_scale(s.toYuv, planes, strides, 0, s.settings.height, s.picture->data, s.picture->linesize);
    s.picture->pts = s.picturesSent++;
    return s.encode(s.video.get(), s.videoStream, s.picture.get(), error);
}

bool VideoFileWriter::writeAudio(const int16_t* samples, int64_t frameCount, std::string& error)
{
    State& s = *state_;
    for (int64_t i = 0; i < frameCount; ++i) {
        s.pending[0].push_back(float(samples[2 * i]) / 32768.0f);
        s.pending[1].push_back(float(samples[2 * i + 1]) / 32768.0f);
    }
    return s.encodePendingSound(false, error);
}

bool VideoFileWriter::finish(std::string& error)
{
    State& s = *state_;
    if (!s.encodePendingSound(true, error) || !s.encode(s.audio.get(), s.audioStream, nullptr, error) ||
        !s.encode(s.video.get(), s.videoStream, nullptr, error))
        return false;
    int ret = av_write_trailer(s.format);
    if (ret >= 0 && s.format->pb->error < 0)
        ret = s.format->pb->error;
    // Closing flushes the last buffered bytes: a full disk may show only here.
    const int closed = avio_closep(&s.format->pb);
    if (ret >= 0)
        ret = closed;
    if (ret < 0) {
        error = avError(ret);
        return false;
    }
    return true;
}
