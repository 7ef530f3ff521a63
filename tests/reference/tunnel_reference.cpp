#include "reference/tunnel_reference.h"

#include <cmath>

#include "effects/tunnel/tunnel_trace.h"

void traceNodesReference(TunnelMapper& mapper, int32_t phase)
{
    constexpr double kTexelsPerUnit = 15.0;
    const double s = std::sin(0.001 * phase);
    const int32_t count = (mapper.gridColumns + 1) * (mapper.gridRows + 1);
    for (int32_t i = 0; i < count; ++i) {
        const Vec3 view = mapper.rotation.transformPoint(mapper.directions[i]);
        const Vec3 hit = TunnelMapper::cylinderHit(mapper.position, wobbleSightLineExact(view, s));
        mapper.nodes[i].u = truncateToInt32(double(hit.z) * kTexelsPerUnit);
        mapper.nodes[i].v = aroundTexelsExact(hit.x, hit.y);
    }
}
