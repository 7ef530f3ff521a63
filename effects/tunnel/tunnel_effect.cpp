#include "effects/tunnel/tunnel_effect.h"

#include <string>

#include "core/data_path.h"
#include "core/frame.h"
#include "core/startup_error.h"
#include "pixel/raw_image.h"

TunnelEffect::TunnelEffect(int32_t start, int32_t end, int32_t layer) : Effect(start, end, layer)
{
    const std::string path = dataPath("tunnel.raw");
    texture = loadRawRgb(path.c_str(), TunnelMapper::kTextureSize, TunnelMapper::kTextureSize);
    if (!texture)
        throw StartupError(ErrorShown::standardOutput, "could not open " + path);
    mapper = std::make_unique<TunnelMapper>(kFrameWidth, kFrameHeight, texture.get(), 8);
}

void TunnelEffect::render(Frame& frame, int32_t localMs)
{
    // Each factor is a single-precision constant; the products are formed in
    // double precision and rounded once, when stored as float.
    const double t = localMs;
    mapper->setPosition(0.0f, 0.0f, float(double(0.08f) * t));
    mapper->setRotation(float(double(0.00012f) * t), float(double(0.0007f) * t), float(double(0.00083f) * t));
    // 4 * localMs, wrapping in 32 bits rather than overflowing.
    mapper->render(frame.framebuffer, int32_t(uint32_t(localMs) * 4u));
}
