#include "effects/video/swirl_warp.h"

#include <cmath>
#include <cstring>

#include "core/frame.h"

SwirlFrame swirlFrame(int32_t localMs)
{
    // The time factors are single-precision constants widened to double; the
    // products and everything after them are carried in double precision.
    const double t = localMs;
    SwirlFrame f;
    f.cx = static_cast<int32_t>(160.0 + 130.0 * std::sin(static_cast<double>(0.0008f) * t));
    f.cy = static_cast<int32_t>(120.0 + 100.0 * std::sin(static_cast<double>(0.0006f) * t) *
                                            std::sin(static_cast<double>(0.0001f) * t));
    f.k = static_cast<int32_t>(static_cast<double>(0.002f) * t);
    f.a = static_cast<float>(0.004 * t);  // the angle is kept as a float
    f.cosA = std::cos(f.a);
    f.sinA = std::sin(f.a);

    // Error bound, taking every library function (atan2, sin, cos) within 4
    // units in the last place. Reference: θ is off by at most 2^-49, the sum
    // θ + a rounds by 2^-53 (|a| + π), sin adds 2^-50: within
    // 2^-48 + 2^-53 (|a| + 4) of the true sin(θ + a). Fast: cos a and sin a
    // are off by 2^-50 each and six roundings follow, all relative to r:
    // within 2^-48. So the two sines differ by at most
    // 2^-47 + 2^-53 (|a| + 4); times k, plus two roundings of the pushed
    // coordinate (below 2^9, so 2^-44 each). The margin doubles that.
    const double absA = std::fabs(f.a);
    f.margin = f.k * (std::ldexp(1.0, -46) + std::ldexp(absA + 4.0, -52)) + std::ldexp(1.0, -42);
    f.fastUsable = f.k >= 1 && f.k <= kSwirlFastMaxPush && f.margin < 0.25;
    return f;
}

uint32_t swirlSourceIndexExact(const SwirlFrame& f, int32_t x, int32_t y)
{
    const double push = f.k;
    // The column offset is the first (sine-side) argument.
    const double theta = std::atan2(static_cast<double>(x - f.cx), static_cast<double>(y - f.cy));
    const int32_t sx = static_cast<int32_t>(x + push * std::sin(theta + f.a));
    const int32_t sy = static_cast<int32_t>(y + push * std::cos(theta - f.a));
    // Remainders of the unsigned readings: 2^32 leaves 256 modulo 320 and 16
    // modulo 240, so -1 lands on column 255 and row 15.
    const uint32_t column = static_cast<uint32_t>(sx) % kFrameWidth;
    const uint32_t row = static_cast<uint32_t>(sy) % kFrameHeight;
    return row * kFrameWidth + column;
}

void warpSwirlExact(const uint32_t* picture, uint32_t* target, int32_t localMs)
{
    const SwirlFrame f = swirlFrame(localMs);
    if (f.k == 0) {
        // No push: every pixel reads its own place.
        std::memcpy(target, picture, sizeof(uint32_t) * kFramePixels);
        return;
    }
    for (int32_t y = 0; y < kFrameHeight; ++y)
        for (int32_t x = 0; x < kFrameWidth; ++x)
            target[y * kFrameWidth + x] = picture[swirlSourceIndexExact(f, x, y)];
}

void swirlRowsScalar(const SwirlFrame& f, const uint32_t* picture, uint32_t* target, int32_t yFrom, int32_t yTo)
{
    const double push = f.k;
    const double m = f.margin;
    for (int32_t y = yFrom; y < yTo; ++y) {
        const double dy = y - f.cy;
        const double dySin = dy * f.sinA;
        const double dyCos = dy * f.cosA;
        uint32_t* row = target + y * kFrameWidth;
        for (int32_t x = 0; x < kFrameWidth; ++x) {
            const double dx = x - f.cx;
            const double r2 = dx * dx + dy * dy;
            if (r2 == 0.0) {
                // The centre itself has no direction: atan2(0, 0) decides.
                row[x] = picture[swirlSourceIndexExact(f, x, y)];
                continue;
            }
            const double inv = 1.0 / std::sqrt(r2);
            const double s = (dx * f.cosA + dySin) * inv;  // sin(θ + a)
            const double c = (dyCos + dx * f.sinA) * inv;  // cos(θ - a)
            const double vx = x + push * s;
            const double vy = y + push * c;
            const int32_t sx = static_cast<int32_t>(vx);
            const int32_t sy = static_cast<int32_t>(vy);
            if (static_cast<int32_t>(vx - m) != static_cast<int32_t>(vx + m) ||
                static_cast<int32_t>(vy - m) != static_cast<int32_t>(vy + m)) {
                row[x] = picture[swirlSourceIndexExact(f, x, y)];
                continue;
            }
            const uint32_t column = static_cast<uint32_t>(sx) % kFrameWidth;
            const uint32_t sourceRow = static_cast<uint32_t>(sy) % kFrameHeight;
            row[x] = picture[sourceRow * kFrameWidth + column];
        }
    }
}

void swirlRows(const SwirlFrame& frame, const uint32_t* picture, uint32_t* target, int32_t yFrom, int32_t yTo,
               SimdForm form)
{
    if (form != SimdForm::Plain)
        return swirlRowsSimd(frame, picture, target, yFrom, yTo);
    swirlRowsScalar(frame, picture, target, yFrom, yTo);
}
