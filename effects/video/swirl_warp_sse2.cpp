// The swirl warp four pixels at a time: the sines in two pairs of doubles,
// the truncations, the checks and the unsigned remainders in four 32-bit
// lanes. Packed double operations round exactly like scalar ones, so the
// values equal those of swirlRowsScalar; pixels near a truncation boundary
// (and the centre) go the reference way, one by one.
#include "effects/video/swirl_warp.h"

#if defined(QUARNEL_X86_SIMD)
#include <emmintrin.h>

#include "core/frame.h"

namespace {

// The truncations of two pairs as four 32-bit lanes.
inline __m128i truncate4(__m128d lo, __m128d hi)
{
    return _mm_unpacklo_epi64(_mm_cvttpd_epi32(lo), _mm_cvttpd_epi32(hi));
}

// sx modulo 320 and sy modulo 240 of the unsigned readings, for
// -256 <= sx < 640 and -256 <= sy < 480: 2^32 leaves 256 modulo 320 and 16
// modulo 240.
inline __m128i sourceIndex(__m128i sx, __m128i sy)
{
    const __m128i zero = _mm_setzero_si128();
    __m128i column = _mm_add_epi32(sx, _mm_and_si128(_mm_cmplt_epi32(sx, zero), _mm_set1_epi32(256)));
    column = _mm_sub_epi32(column,
                           _mm_and_si128(_mm_cmpgt_epi32(column, _mm_set1_epi32(kFrameWidth - 1)),
                                         _mm_set1_epi32(kFrameWidth)));
    __m128i row = _mm_add_epi32(sy, _mm_and_si128(_mm_cmplt_epi32(sy, zero), _mm_set1_epi32(16)));
    row = _mm_add_epi32(row, _mm_and_si128(_mm_cmplt_epi32(row, zero), _mm_set1_epi32(kFrameHeight)));
    row = _mm_sub_epi32(row, _mm_and_si128(_mm_cmpgt_epi32(row, _mm_set1_epi32(kFrameHeight - 1)),
                                           _mm_set1_epi32(kFrameHeight)));
    // row * 320 = row * 256 + row * 64
    return _mm_add_epi32(_mm_add_epi32(_mm_slli_epi32(row, 8), _mm_slli_epi32(row, 6)), column);
}

struct PushedPair {
    __m128d vx, vy;
};

inline PushedPair pushPair(__m128d x, __m128d dx, __m128d y, __m128d dy2, __m128d dyCos, __m128d dySin,
                           __m128d cosA, __m128d sinA, __m128d push)
{
    const __m128d r2 = _mm_add_pd(_mm_mul_pd(dx, dx), dy2);
    const __m128d inv = _mm_div_pd(_mm_set1_pd(1.0), _mm_sqrt_pd(r2));
    const __m128d s = _mm_mul_pd(_mm_add_pd(_mm_mul_pd(dx, cosA), dySin), inv);
    const __m128d c = _mm_mul_pd(_mm_add_pd(dyCos, _mm_mul_pd(dx, sinA)), inv);
    return {_mm_add_pd(x, _mm_mul_pd(push, s)), _mm_add_pd(y, _mm_mul_pd(push, c))};
}

}  // namespace

void swirlRowsSse2(const SwirlFrame& f, const uint32_t* picture, uint32_t* target, int32_t yFrom, int32_t yTo)
{
    const __m128d push = _mm_set1_pd(f.k);
    const __m128d m = _mm_set1_pd(f.margin);
    const __m128d cosA = _mm_set1_pd(f.cosA);
    const __m128d sinA = _mm_set1_pd(f.sinA);
    const __m128d four = _mm_set1_pd(4.0);
    const __m128i notANumber = _mm_set1_epi32(INT32_MIN);
    alignas(16) int32_t index[4];

    for (int32_t y = yFrom; y < yTo; ++y) {
        const double dyScalar = y - f.cy;
        const __m128d yv = _mm_set1_pd(y);
        const __m128d dy2 = _mm_set1_pd(dyScalar * dyScalar);
        const __m128d dyCos = _mm_set1_pd(dyScalar * f.cosA);
        const __m128d dySin = _mm_set1_pd(dyScalar * f.sinA);
        uint32_t* row = target + y * kFrameWidth;

        __m128d xLo = _mm_set_pd(1.0, 0.0), xHi = _mm_set_pd(3.0, 2.0);
        __m128d dxLo = _mm_set_pd(1.0 - f.cx, 0.0 - f.cx), dxHi = _mm_set_pd(3.0 - f.cx, 2.0 - f.cx);
        for (int32_t x = 0; x < kFrameWidth; x += 4) {
            const PushedPair lo = pushPair(xLo, dxLo, yv, dy2, dyCos, dySin, cosA, sinA, push);
            const PushedPair hi = pushPair(xHi, dxHi, yv, dy2, dyCos, dySin, cosA, sinA, push);
            const __m128i sx = truncate4(lo.vx, hi.vx);
            const __m128i sy = truncate4(lo.vy, hi.vy);
            // Sure only where v - m and v + m truncate alike, on both axes.
            const __m128i sure = _mm_and_si128(
                _mm_and_si128(_mm_cmpeq_epi32(truncate4(_mm_sub_pd(lo.vx, m), _mm_sub_pd(hi.vx, m)),
                                              truncate4(_mm_add_pd(lo.vx, m), _mm_add_pd(hi.vx, m))),
                              _mm_cmpeq_epi32(truncate4(_mm_sub_pd(lo.vy, m), _mm_sub_pd(hi.vy, m)),
                                              truncate4(_mm_add_pd(lo.vy, m), _mm_add_pd(hi.vy, m)))),
                // The centre has no direction (its sines are 0 / 0, which
                // truncates to INT32_MIN): the reference decides there.
                _mm_and_si128(_mm_cmpgt_epi32(sx, notANumber), _mm_cmpgt_epi32(sy, notANumber)));
            _mm_store_si128(reinterpret_cast<__m128i*>(index), sourceIndex(sx, sy));
            const int sureMask = _mm_movemask_ps(_mm_castsi128_ps(sure));
            if (sureMask != 0xF)
                for (int lane = 0; lane < 4; ++lane)
                    if (!(sureMask >> lane & 1))
                        index[lane] = static_cast<int32_t>(swirlSourceIndexExact(f, x + lane, y));
            row[x] = picture[index[0]];
            row[x + 1] = picture[index[1]];
            row[x + 2] = picture[index[2]];
            row[x + 3] = picture[index[3]];
            xLo = _mm_add_pd(xLo, four);
            xHi = _mm_add_pd(xHi, four);
            dxLo = _mm_add_pd(dxLo, four);
            dxHi = _mm_add_pd(dxHi, four);
        }
    }
}

#endif  // QUARNEL_X86_SIMD
