#include "effects/picture_flash_effect.h"

#include <string>

#include "core/data_path.h"
#include "core/startup_error.h"
#include "pixel/blend.h"
#include "pixel/raw_image.h"

namespace {

// Bit 5 gives one flash every 32 frames once the counter has been reset.
// Bit 7 only matters for the count found when the effect first goes live
// (frames since the start, or since scene B last reset the counter): any value
// with either bit set flashes at once.
constexpr int32_t kFlashBits = 0xA0;

}  // namespace

PictureFlashEffect::PictureFlashEffect(int32_t start, int32_t end, int32_t layer) : Effect(start, end, layer)
{
    const std::string path = dataPath("velina.raw");
    picture = loadRawRgb(path.c_str(), kFrameWidth, kFrameHeight);
    // Without its picture the effect has nothing to show; stop at set-up like
    // every other missing data file rather than run without the flashes.
    if (!picture)
        throw StartupError(ErrorShown::standardOutput, "could not open " + path);
}

void PictureFlashEffect::render(Frame& frame, int32_t)
{
    if ((frame.frameCounter & kFlashBits) == 0)
        return;
    subtractPixels(frame.framebuffer, picture.get(), kFramePixels);
    // Scene B, drawn just before on a lower layer, resets the same counter
    // every 16 frames once its own flashes start, so from then on the count
    // never reaches 32 and this effect stays dark.
    frame.frameCounter = 0;
}
