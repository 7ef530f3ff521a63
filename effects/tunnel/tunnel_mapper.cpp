#include "effects/tunnel/tunnel_mapper.h"

#include <algorithm>
#include <cmath>

#include "effects/tunnel/tunnel_axis_trace.h"
#include "effects/tunnel/tunnel_fill.h"
#include "effects/tunnel/tunnel_trace.h"

namespace {

// Texels along the tunnel per unit of depth.
constexpr double kTexelsPerUnit = 15.0;

}  // namespace

TunnelMapper::TunnelMapper(int32_t width, int32_t height, const uint32_t* texture, int32_t blockSize)
    : width(width), height(height), blockSize(blockSize), texture(texture)
{
    gridColumns = width / blockSize;
    gridRows = height / blockSize;
    const int32_t count = (gridColumns + 1) * (gridRows + 1);
    directions = std::make_unique<Vec3[]>(count);
    nodes = std::make_unique<TunnelNode[]>(count);

    position = Vec3(0.0f, 0.0f, 0.0f);
    setRotation(0.0f, 0.0f, 0.0f);

    // Both screen coordinates are divided by the half-width, so pixels stay
    // square and the horizontal view spans -1..1: a 90 degree field of view.
    // Positive y points down the screen.
    const int32_t hw = width / 2;
    const int32_t hh = height / 2;
    for (int32_t r = 0; r <= gridRows; ++r) {
        for (int32_t c = 0; c <= gridColumns; ++c) {
            const Vec3 d(float(double(c * blockSize - hw) / hw), float(double(r * blockSize - hh) / hw), 1.0f);
            const double length = std::sqrt(double(d.x) * d.x + double(d.y) * d.y + double(d.z) * d.z);
            directions[(gridColumns + 1) * r + c] = Vec3(float(d.x / length), float(d.y / length), float(d.z / length));
        }
    }
}

void TunnelMapper::setPosition(float x, float y, float z) { position = Vec3(x, y, z); }

void TunnelMapper::setRotation(float ax, float ay, float az)
{
    rotation.setIdentity();
    rotation.setRotation(ax, ay, az);
}

void TunnelMapper::render(uint32_t* target, int32_t phase)
{
    traceNodes(phase);
    fillBlocks(target);
}

void TunnelMapper::traceNodes(int32_t phase)
{
    const double s = std::sin(0.001 * phase);
    const int32_t count = (gridColumns + 1) * (gridRows + 1);
    // Each node is one long chain of dependent square roots, divisions and
    // polynomial steps, longer than the processor looks ahead, so node after
    // node would run one at a time. Taking a batch of nodes through each
    // step in turn puts several independent chains side by side. Every node
    // still goes through exactly the same operations.
    constexpr int32_t kBatch = 32;
    Vec3 view[kBatch];
    if (onAxisTraceApplies(position, s)) {
        // The tunnel's own case: the eye on the axis (tunnel_axis_trace.h).
        traceOnAxis(directions.get(), rotation, count, s, position, nodes.get());
        return;
    }
    Vec3 sight[kBatch];
    Vec3 hit[kBatch];
    for (int32_t first = 0; first < count; first += kBatch) {
        const int32_t n = std::min(kBatch, count - first);
        for (int32_t k = 0; k < n; ++k)
            view[k] = rotation.transformPoint(directions[first + k]);
        // The fast steps vouch for their results or leave the node to the
        // reference steps (see tunnel_trace.h).
        for (int32_t k = 0; k < n; ++k)
            if (!wobbleSightLineFast(view[k], s, sight[k]))
                sight[k] = wobbleSightLineExact(view[k], s);
        for (int32_t k = 0; k < n; ++k)
            hit[k] = cylinderHit(position, sight[k]);
        for (int32_t k = 0; k < n; ++k) {
            TunnelNode& node = nodes[first + k];
            node.u = truncateToInt32(double(hit[k].z) * kTexelsPerUnit);
            if (!aroundTexelsFast(hit[k].x, hit[k].y, node.v))
                node.v = aroundTexelsExact(hit[k].x, hit[k].y);
        }
    }
}

void TunnelMapper::fillBlocks(uint32_t* target) const
{
    const int32_t columns = gridColumns + 1;
    for (int32_t i = 0; i < gridRows; ++i) {
        const TunnelNode* top = nodes.get() + columns * i;
        const TunnelNode* bottom = top + columns;
        if (blockSize == 8) {
            // The demo's block size, with its divisions turned into shifts.
            fillBlockRow8(target + ptrdiff_t(i * 8) * width, width, top, bottom, gridColumns, texture);
            continue;
        }
        for (int32_t j = 0; j < gridColumns; ++j)
            fillTextureBlock(target, width, j * blockSize, i * blockSize, blockSize, top[j].u, top[j].v,
                             top[j + 1].u, top[j + 1].v, bottom[j].u, bottom[j].v, bottom[j + 1].u, bottom[j + 1].v,
                             texture);
    }
}

double TunnelMapper::cylinderHitDistance(const Vec3& origin, const Vec3& direction)
{
    constexpr double kRadiusSquared = 1.0;
    const Vec3& p = origin;
    const Vec3& d = direction;
    const float a = float(double(d.x) * d.x + double(d.y) * d.y);
    // A direction along the axis never meets the wall. Going on would divide
    // 0 by 0 or a non-negative value by 0, and either result is rejected below
    // as not negative, so leaving early changes nothing.
    if (a == 0.0f)
        return kNoHit;
    const double b = 2.0 * (double(d.x) * p.x + double(d.y) * p.y);
    const double k = double(p.x) * p.x + double(p.y) * p.y - kRadiusSquared;
    const double disc = b * b - 4.0 * a * k;
    if (disc < 0.0)
        return kNoHit;
    const double root = std::sqrt(disc);
    const double l1 = (root - b) / (2.0 * a);
    const double l2 = (-b - root) / (2.0 * a);
    const double m = l2 < l1 ? l2 : l1;  // l1 when equal or unordered
    // The smaller root, taken only when negative: from inside the cylinder
    // this is the wall met by the sight line extended backwards through the eye.
    return (m < 0.0 && m < kNoHit) ? m : kNoHit;
}

Vec3 TunnelMapper::cylinderHit(const Vec3& origin, const Vec3& direction)
{
    const double lambda = cylinderHitDistance(origin, direction);
    return Vec3(float(origin.x + lambda * direction.x), float(origin.y + lambda * direction.y),
                float(origin.z + lambda * direction.z));
}

void TunnelMapper::fillTextureBlock(uint32_t* target, int32_t stride, int32_t x0, int32_t y0, int32_t n,
                                    int32_t uTL, int32_t vTL, int32_t uTR, int32_t vTR, int32_t uBL, int32_t vBL,
                                    int32_t uBR, int32_t vBR, const uint32_t* texture)
{
    if (n <= 0)
        return;
    // 24.8 fixed point. Shifts, sums and differences are done in uint32_t so
    // they wrap in 32 bits without signed overflow; each difference is read
    // back as signed before the truncating division. Bits 8..15 of a wrapped
    // value are the same whether it is seen as signed or unsigned, so the
    // masked texture index needs no signed shift.
    const auto fix = [](int32_t value) { return uint32_t(value) << 8; };
    const auto step = [n](uint32_t from, uint32_t to) { return uint32_t(int32_t(to - from) / n); };

    uint32_t uL = fix(uTL), vL = fix(vTL);
    uint32_t uR = fix(uTR), vR = fix(vTR);
    const uint32_t duL = step(fix(uTL), fix(uBL)), dvL = step(fix(vTL), fix(vBL));
    const uint32_t duR = step(fix(uTR), fix(uBR)), dvR = step(fix(vTR), fix(vBR));

    uint32_t* row = target + ptrdiff_t(y0) * stride + x0;
    for (int32_t k = 0; k < n; ++k, row += stride) {
        // Advance first: row k samples its edges (k + 1) / n of the way down,
        // so the last row lies exactly on the bottom corners.
        uL += duL;
        vL += dvL;
        uR += duR;
        vR += dvR;
        const uint32_t du = step(uL, uR), dv = step(vL, vR);
        uint32_t u = uL, v = vL;
        for (int32_t m = 0; m < n; ++m) {
            row[m] = texture[((v >> 8) & 255) * kTextureSize + ((u >> 8) & 255)];
            u += du;
            v += dv;
        }
    }
}
