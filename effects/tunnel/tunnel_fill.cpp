#include "effects/tunnel/tunnel_fill.h"

void fillBlockRow8Plain(uint32_t* target, int32_t stride, const TunnelNode* top, const TunnelNode* bottom,
                        int32_t blocks, const uint32_t* texture)
{
    for (int32_t j = 0; j < blocks; ++j)
        fillTextureBlockFixed<8>(target + 8 * j, stride, top[j].u, top[j].v, top[j + 1].u, top[j + 1].v,
                                 bottom[j].u, bottom[j].v, bottom[j + 1].u, bottom[j + 1].v, texture);
}
