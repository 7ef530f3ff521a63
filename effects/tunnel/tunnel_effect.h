#pragma once
// The textured tunnel: the eye travels along the axis of a wobbling cylinder
// and slowly turns. Fills the whole Framebuffer.
#include <cstdint>
#include <memory>

#include "core/effect.h"
#include "effects/tunnel/tunnel_mapper.h"

class TunnelEffect : public Effect {
public:
    std::unique_ptr<TunnelMapper> mapper;
    std::unique_ptr<uint32_t[]> texture;  // 256 x 256 pixels from "data/tunnel.raw"

    // Loads the texture; a missing file throws StartupError.
    TunnelEffect(int32_t start, int32_t end, int32_t layer);

    void render(Frame& frame, int32_t localMs) override;
};
