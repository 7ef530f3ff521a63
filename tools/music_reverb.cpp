#include "tools/music_reverb.h"

#include "tools/music_dsp.h"

namespace music {

namespace {

// Mutually prime delay lengths (samples at 44.1 kHz) so the combs' echoes
// never line up into an audible flutter.
constexpr size_t kCombLengths[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr size_t kAllpassLengths[4] = {556, 441, 341, 225};
constexpr size_t kStereoSpread = 23;
constexpr float kFeedback = 0.86f;    // decay of roughly 2.5 s
constexpr float kDamping = 0.3f;      // high frequencies die faster, like a room
constexpr float kInputGain = 0.015f;  // eight combs in parallel sum loudly
constexpr size_t kPreDelay = 882;     // 20 ms keeps the attacks dry and clear

}  // namespace

Reverb::Reverb() : preDelay_(kPreDelay, 0.0f)
{
    for (int side = 0; side < 2; ++side) {
        const size_t spread = side ? kStereoSpread : 0;
        for (int i = 0; i < 8; ++i)
            combs_[side][i].line.assign(kCombLengths[i] + spread, 0.0f);
        for (int i = 0; i < 4; ++i)
            allpasses_[side][i].line.assign(kAllpassLengths[i] + spread, 0.0f);
    }
}

void Reverb::process(StereoBuffer& io)
{
    for (size_t n = 0; n < io.frames(); ++n) {
        const float dry = (io.left[n] + io.right[n]) * kInputGain;
        const float input = preDelay_[preDelayPos_];
        preDelay_[preDelayPos_] = dry;
        preDelayPos_ = preDelayPos_ + 1 == preDelay_.size() ? 0 : preDelayPos_ + 1;
        float out[2];
        for (int side = 0; side < 2; ++side) {
            float sum = 0.0f;
            for (Comb& c : combs_[side]) {
                const float y = c.line[c.pos];
                c.store = y * (1.0f - kDamping) + c.store * kDamping;
                c.line[c.pos] = input + c.store * kFeedback;
                c.pos = c.pos + 1 == c.line.size() ? 0 : c.pos + 1;
                sum += y;
            }
            for (Allpass& a : allpasses_[side]) {
                const float buffered = a.line[a.pos];
                a.line[a.pos] = sum + buffered * 0.5f;
                a.pos = a.pos + 1 == a.line.size() ? 0 : a.pos + 1;
                sum = buffered - sum;
            }
            out[side] = sum;
        }
        io.left[n] = out[0];
        io.right[n] = out[1];
    }
}

}  // namespace music
