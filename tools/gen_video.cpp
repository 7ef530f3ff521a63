// The default video "quarnel.avi": 240 frames of 320 x 240 at one frame per
// 45 ms, drawn in code and stored as Motion JPEG in an AVI file.
//
// Every moving part of the animation advances by a whole period over the 240
// frames, so frame 239 leads into frame 0 as smoothly as any frame into the
// next and the loop has no jump. The picture is bold on purpose: rings and
// spokes of strong colour, a white cross and solid discs with dark outlines keep their shape
// readable when the demo swirls them.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "tools/generators.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr int kFrames = 240;
// One frame per 45 ms: 200 frames in 9 seconds.
constexpr AVRational kFrameTime{9, 200};
// JPEG quantiser scale 3: clean edges, about 28 kB a frame (6.7 MB in all).
constexpr int kQuality = 3;
constexpr double kPi = 3.14159265358979323846;

struct Rgb {
    double r, g, b;
};

Rgb mix(Rgb a, Rgb b, double t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }

// Hue in turns (any real number), saturation and value 0..1.
Rgb hsv(double hue, double saturation, double value)
{
    const double h = (hue - std::floor(hue)) * 6.0;
    const int sector = std::min(static_cast<int>(h), 5);
    const double f = h - sector;
    const double p = value * (1.0 - saturation);
    const double q = value * (1.0 - saturation * f);
    const double t = value * (1.0 - saturation * (1.0 - f));
    switch (sector) {
    case 0: return {value, t, p};
    case 1: return {q, value, p};
    case 2: return {p, value, t};
    case 3: return {p, q, value};
    case 4: return {t, p, value};
    default: return {value, p, q};
    }
}

double clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

// Soft coverage of a shape from the signed distance to its edge (negative
// inside), about one pixel wide.
double coverage(double signedDistance) { return clamp01(0.5 - signedDistance); }

// Where each pixel lies around the centre of the picture; the same for every frame.
struct PolarPixel {
    double radius;
    double angle;
    double cos4, sin4;  // of four times the angle, for the four-armed cross
};

std::vector<PolarPixel> polarGrid()
{
    std::vector<PolarPixel> grid(static_cast<std::size_t>(kWidth) * kHeight);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const double dx = x + 0.5 - 160.0;
            const double dy = y + 0.5 - 120.0;
            const double angle = std::atan2(dy, dx);
            grid[static_cast<std::size_t>(y) * kWidth + x] = {std::sqrt(dx * dx + dy * dy), angle,
                                                              std::cos(4.0 * angle), std::sin(4.0 * angle)};
        }
    }
    return grid;
}

// Draws frame `index` as colours, top row first.
void drawFrame(int index, const std::vector<PolarPixel>& grid, std::vector<Rgb>& picture)
{
    const double phase = static_cast<double>(index) / kFrames;  // 0..1 over the loop
    const double turn = 2.0 * kPi * phase;
    const double crossCos = std::cos(2.0 * turn);
    const double crossSin = std::sin(2.0 * turn);

    for (std::size_t i = 0; i < grid.size(); ++i) {
        const double r = grid[i].radius;
        // Background: a polar chequer of rings 24 px wide that move out by
        // four rings a loop, and 12 spiralling spokes that turn by two.
        const double u = (r - 96.0 * phase) / 24.0;
        const double v = grid[i].angle * 12.0 / (2.0 * kPi) + r / 90.0 + 2.0 * phase;
        const double fu = u - std::floor(u);
        const double fv = v - std::floor(v);
        const double ringEdge = std::min(fu, 1.0 - fu) * 24.0;
        const double spokeEdge = std::min(fv, 1.0 - fv) * (2.0 * kPi * std::max(r, 1.0) / 12.0);
        const bool odd = ((static_cast<long>(std::floor(u)) + static_cast<long>(std::floor(v))) & 1) != 0;
        const double edge = clamp01(std::min(ringEdge, spokeEdge));
        const double weight = 0.5 + (odd ? 0.5 : -0.5) * edge;
        const double hue = phase + r / 600.0;
        Rgb colour = mix(hsv(hue + 0.5, 0.9, 0.3), hsv(hue, 0.85, 1.0), weight);

        // A white four-armed cross in the middle, turning half a turn a loop:
        // radius 30 + 14 cos(4 (angle - turn / 2)).
        const double crossDistance = r - (30.0 + 14.0 * (grid[i].cos4 * crossCos + grid[i].sin4 * crossSin));
        colour = mix(colour, {0.05, 0.05, 0.1}, coverage(crossDistance - 3.0));
        picture[i] = mix(colour, {1.0, 1.0, 0.95}, coverage(crossDistance));
    }

    // Five discs circling the cross once a loop, breathing in and out twice.
    static const Rgb kDiscColours[5] = {
        {1.0, 0.85, 0.1}, {0.1, 0.9, 1.0}, {1.0, 0.2, 0.75}, {0.4, 1.0, 0.3}, {1.0, 0.45, 0.05}};
    constexpr double kDiscRadius = 22.0;
    constexpr double kOutline = 3.0;
    for (int d = 0; d < 5; ++d) {
        const double discAngle = turn + d * (2.0 * kPi / 5.0);
        const double orbit = 82.0 + 16.0 * std::sin(2.0 * turn + d);
        const double centreX = 160.0 + orbit * std::cos(discAngle);
        const double centreY = 120.0 + orbit * std::sin(discAngle);
        const double reach = kDiscRadius + kOutline + 2.0;
        const int x0 = std::max(0, static_cast<int>(centreX - reach));
        const int x1 = std::min(kWidth - 1, static_cast<int>(centreX + reach));
        const int y0 = std::max(0, static_cast<int>(centreY - reach));
        const int y1 = std::min(kHeight - 1, static_cast<int>(centreY + reach));
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                const double dx = x + 0.5 - centreX;
                const double dy = y + 0.5 - centreY;
                const double distance = std::sqrt(dx * dx + dy * dy) - kDiscRadius;
                Rgb& colour = picture[static_cast<std::size_t>(y) * kWidth + x];
                colour = mix(colour, {0.0, 0.0, 0.0}, coverage(distance - kOutline));
                colour = mix(colour, kDiscColours[d], coverage(distance));
            }
        }
    }
}

uint8_t toByte(double channel) { return static_cast<uint8_t>(std::lround(clamp01(channel) * 255.0)); }

// RGB to full-range (JPEG) YCbCr 4:2:0 in 16-bit fixed point; each chroma
// sample is the rounded mean of its 2 x 2 block.
void toYuv420(const std::vector<Rgb>& picture, std::vector<uint8_t>& rgb, AVFrame* frame)
{
    for (std::size_t i = 0; i < picture.size(); ++i) {
        rgb[3 * i] = toByte(picture[i].r);
        rgb[3 * i + 1] = toByte(picture[i].g);
        rgb[3 * i + 2] = toByte(picture[i].b);
    }
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const uint8_t* p = &rgb[(static_cast<std::size_t>(y) * kWidth + x) * 3];
            frame->data[0][y * frame->linesize[0] + x] =
                static_cast<uint8_t>((19595 * p[0] + 38470 * p[1] + 7471 * p[2] + 32768) >> 16);
        }
    }
    for (int y = 0; y < kHeight / 2; ++y) {
        for (int x = 0; x < kWidth / 2; ++x) {
            int32_t cb = 0, cr = 0;
            for (int sy = 0; sy < 2; ++sy) {
                for (int sx = 0; sx < 2; ++sx) {
                    const uint8_t* p = &rgb[(static_cast<std::size_t>(2 * y + sy) * kWidth + 2 * x + sx) * 3];
                    cb += -11059 * p[0] - 21709 * p[1] + 32768 * p[2];
                    cr += 32768 * p[0] - 27439 * p[1] - 5329 * p[2];
                }
            }
            // Four samples of 16.16 values: add 4 x 128 and a half, shift by 18.
            const int32_t offset = 4 * (128 << 16) + (1 << 17);
            // Pure blue (red) rounds up to 256: clamp.
            frame->data[1][y * frame->linesize[1] + x] = static_cast<uint8_t>(std::min((cb + offset) >> 18, 255));
            frame->data[2][y * frame->linesize[2] + x] = static_cast<uint8_t>(std::min((cr + offset) >> 18, 255));
        }
    }
}

// Owns the encoder and the muxer of one output file.
struct AviWriter {
    AVFormatContext* format = nullptr;
    AVCodecContext* encoder = nullptr;
    AVStream* stream = nullptr;
    AVPacket* packet = nullptr;

    ~AviWriter()
    {
        av_packet_free(&packet);
        avcodec_free_context(&encoder);
        if (format) {
            avio_closep(&format->pb);
            avformat_free_context(format);
        }
    }

    bool open(const std::string& path)
    {
        // The format is named: the file is written under a temporary name.
        if (avformat_alloc_output_context2(&format, nullptr, "avi", path.c_str()) < 0)
            return false;
        // Same bytes on every run: no version strings, no dates.
        format->flags |= AVFMT_FLAG_BITEXACT;
        const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
        if (!codec)
            return false;
        encoder = avcodec_alloc_context3(codec);
        stream = avformat_new_stream(format, nullptr);
        packet = av_packet_alloc();
        if (!encoder || !stream || !packet)
            return false;
        encoder->width = kWidth;
        encoder->height = kHeight;
        encoder->pix_fmt = AV_PIX_FMT_YUVJ420P;
        encoder->color_range = AVCOL_RANGE_JPEG;
        encoder->time_base = kFrameTime;
        encoder->framerate = av_inv_q(kFrameTime);
        encoder->flags |= AV_CODEC_FLAG_BITEXACT | AV_CODEC_FLAG_QSCALE;
        encoder->global_quality = FF_QP2LAMBDA * kQuality;
        encoder->thread_count = 1;
        if (avcodec_open2(encoder, codec, nullptr) < 0)
            return false;
        if (avcodec_parameters_from_context(stream->codecpar, encoder) < 0)
            return false;
        stream->time_base = kFrameTime;
        if (avio_open(&format->pb, path.c_str(), AVIO_FLAG_WRITE) < 0)
            return false;
        return avformat_write_header(format, nullptr) >= 0;
    }

    // Sends one frame (or null to drain) and writes every packet that comes out.
    bool encode(const AVFrame* frame)
    {
        if (avcodec_send_frame(encoder, frame) < 0)
            return false;
        for (;;) {
            const int result = avcodec_receive_packet(encoder, packet);
            if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
                return true;
            if (result < 0)
                return false;
            av_packet_rescale_ts(packet, encoder->time_base, stream->time_base);
            packet->stream_index = stream->index;
            if (av_interleaved_write_frame(format, packet) < 0)
                return false;
        }
    }

    bool finish() { return encode(nullptr) && av_write_trailer(format) >= 0; }
};

}  // namespace

bool writeVideo(const std::string& path)
{
    AviWriter writer;
    AVFrame* frame = av_frame_alloc();
    bool ok = frame && writer.open(path);
    if (ok) {
        frame->format = AV_PIX_FMT_YUVJ420P;
        frame->width = kWidth;
        frame->height = kHeight;
        frame->color_range = AVCOL_RANGE_JPEG;
        ok = av_frame_get_buffer(frame, 0) >= 0;
    }
    const std::vector<PolarPixel> grid = polarGrid();
    std::vector<Rgb> picture(grid.size());
    std::vector<uint8_t> rgb(grid.size() * 3);
    for (int i = 0; ok && i < kFrames; ++i) {
        drawFrame(i, grid, picture);
        ok = av_frame_make_writable(frame) >= 0;
        if (ok) {
            toYuv420(picture, rgb, frame);
            frame->pts = i;
            ok = writer.encode(frame);
        }
    }
    ok = ok && writer.finish();
    av_frame_free(&frame);
    if (!ok)
        std::fprintf(stderr, "writeVideo: could not encode %s\n", path.c_str());
    return ok;
}
