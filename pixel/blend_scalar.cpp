// Plain integer blends, a whole pixel per step with the four byte lanes kept
// apart inside one 32-bit word. All four bytes take part, the top byte
// included, exactly as the packed kernels treat them.
#include "pixel/blend_kernels.h"

namespace {

constexpr uint32_t kHighBits = 0x80808080;
constexpr uint32_t kEvenBytes = 0x00FF00FF;

// Byte-wise d - s saturated at 0, with no borrow crossing a lane.
inline uint32_t subtractLanes(uint32_t d, uint32_t s) {
    // Wrapping difference per lane: the low seven bits of every lane are
    // subtracted with the lane's top bit forced on so that no borrow leaves
    // it, then the top bits are fixed up by xor.
    const uint32_t diff = ((d | kHighBits) - (s & ~kHighBits)) ^ ((d ^ ~s) & kHighBits);
    // A lane borrowed (d < s) when the full subtractor's borrow out of its
    // top bit is set.
    const uint32_t borrow = ((~d & s) | (~(d ^ s) & diff)) & kHighBits;
    const uint32_t clear = (borrow >> 7) * 0xFF;
    return diff & ~clear;
}

}  // namespace

void subtractPixelsScalar(uint32_t* dst, const uint32_t* src, int count) {
    for (int i = 0; i < count; ++i) dst[i] = subtractLanes(dst[i], src[i]);
}

void crossFadePixelsScalar(uint32_t* dst, const uint32_t* src, int count, uint32_t factor) {
    // The weights add up to 255 but the sum is divided by 256, so no lane
    // ever reaches 255, and the sum (at most 255 * 255) fits in the 16 bits
    // each of the two lanes of a half word has.
    const uint32_t f = factor & 0xFF;
    const uint32_t g = 255 - f;
    for (int i = 0; i < count; ++i) {
        const uint32_t d = dst[i];
        const uint32_t s = src[i];
        // Blue and red (bytes 0 and 2), then green and the top byte (1 and 3).
        const uint32_t even = (((s & kEvenBytes) * f + (d & kEvenBytes) * g) >> 8) & kEvenBytes;
        const uint32_t odd = (((s >> 8) & kEvenBytes) * f + ((d >> 8) & kEvenBytes) * g) & ~kEvenBytes;
        dst[i] = even | odd;
    }
}
