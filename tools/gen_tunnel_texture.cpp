// The default tunnel texture: 256 x 256 texels of bevelled metal panels with
// rivets, vents and glowing emblems, separated by glowing grooves. Columns run
// along the tunnel and rows around it, and the tunnel repeats the texture every
// 256 texels both ways, so every feature is a function of the texel position
// that is periodic in 256: panels of 64 texels, and noise on lattices whose
// cells divide 256 and whose corners wrap. The panel grid is offset by half a
// panel so the wrap lines run through the calm middle of a panel.
// Only integer hashing, arithmetic and sqrt are used, so the bytes are the
// same on every run and every machine.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/generators.h"

namespace {

constexpr int kSize = 256;
constexpr int kPanel = 64;        // panel side in texels
constexpr int kPanelOffset = 32;  // panel grid shift, so texel 0 is mid-panel
constexpr int kBevel = 4;         // bevel width inside the groove

struct Rgb {
    double r, g, b;
};

Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
Rgb operator*(Rgb a, double k) { return {a.r * k, a.g * k, a.b * k}; }

uint32_t hash(uint32_t x, uint32_t y, uint32_t seed)
{
    uint32_t h = x * 0x8DA6B343u ^ y * 0xD8163841u ^ seed * 0xCB1AB31Fu;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

double unitHash(uint32_t x, uint32_t y, uint32_t seed) { return double(hash(x, y, seed) & 0xFFFFu) / 65535.0; }

double smooth(double t) { return t * t * (3.0 - 2.0 * t); }

// Value noise, 0..1, on a lattice of cellX x cellY texels; both cell sizes
// divide 256 and the lattice indices wrap, so the noise tiles seamlessly.
double valueNoise(int x, int y, int cellX, int cellY, uint32_t seed)
{
    const int nx = kSize / cellX, ny = kSize / cellY;
    const int ix = x / cellX, iy = y / cellY;
    const double fx = smooth(double(x % cellX) / cellX), fy = smooth(double(y % cellY) / cellY);
    const auto at = [&](int i, int j) { return unitHash(uint32_t(i % nx), uint32_t(j % ny), seed); };
    const double top = at(ix, iy) + (at(ix + 1, iy) - at(ix, iy)) * fx;
    const double bottom = at(ix, iy + 1) + (at(ix + 1, iy + 1) - at(ix, iy + 1)) * fx;
    return top + (bottom - top) * fy;
}

// Fine grain plus a brushed streak running along the tunnel.
double metalGrain(int x, int y)
{
    const double grain = 0.5 * valueNoise(x, y, 32, 32, 1) + 0.3 * valueNoise(x, y, 8, 8, 2) +
                         0.2 * valueNoise(x, y, 2, 2, 3);
    const double brushed = valueNoise(x, y, 64, 1, 4);
    return 0.78 + 0.14 * grain + 0.08 * brushed;
}

// How strongly a groove line glows at distance d (texels) from its centre.
double glow(double d) { return 1.0 / (1.0 + d * d * 0.8); }

const Rgb kMetals[4] = {{0.40, 0.46, 0.56}, {0.56, 0.43, 0.30}, {0.33, 0.46, 0.41}, {0.44, 0.38, 0.54}};
const Rgb kRingGlow = {0.25, 0.90, 1.00};  // grooves across the tunnel: rings rushing past
const Rgb kRailGlow = {1.00, 0.55, 0.15};  // grooves along the tunnel: rails to the vanishing point
const Rgb kEmblems[2] = {{0.65, 1.00, 0.30}, {1.00, 0.28, 0.22}};

enum class PanelKind { Plain, Vents, Emblem };

Rgb rivet(Rgb under, double dx, double dy)
{
    constexpr double kRadius = 3.0;
    const double d2 = dx * dx + dy * dy;
    if (d2 >= (kRadius + 1.0) * (kRadius + 1.0))
        return under;
    if (d2 >= kRadius * kRadius)
        return under * 0.55;  // the ring of shadow around the head
    // A domed head lit from the top left, with a small highlight.
    const double nx = dx / kRadius, ny = dy / kRadius;
    const double nz = std::sqrt(std::max(0.0, 1.0 - nx * nx - ny * ny));
    const double lit = std::max(0.0, (-nx - ny) * 0.5 + nz * 0.7071);
    const double spec = lit > 0.9 ? (lit - 0.9) * 6.0 : 0.0;
    return Rgb{0.62, 0.64, 0.68} * (0.25 + 0.75 * lit) + Rgb{1, 1, 1} * spec;
}

Rgb texel(int x, int y)
{
    // Panel index and position inside the panel (0..63 both ways).
    const int gx = (x + kSize - kPanelOffset) % kSize, gy = (y + kSize - kPanelOffset) % kSize;
    const int px = gx / kPanel, py = gy / kPanel;
    const int lx = gx % kPanel, ly = gy % kPanel;
    const uint32_t panelHash = hash(uint32_t(px), uint32_t(py), 7);
    const PanelKind kind = PanelKind(panelHash % 3);
    const Rgb metal = kMetals[(panelHash >> 4) % 4];

    Rgb c = metal * metalGrain(x, y);

    switch (kind) {
    case PanelKind::Plain:
        // Two engraved lines along the tunnel.
        if (ly == 27 || ly == 36)
            c = c * 0.6;
        else if (ly == 28 || ly == 37)
            c = c * 1.2;
        break;
    case PanelKind::Vents: {
        const int slots[4] = {14, 22, 38, 46};
        if (lx >= 14 && lx < 50) {
            for (int top : slots) {
                if (ly >= top && ly < top + 4)
                    c = Rgb{0.05, 0.05, 0.07} + kRingGlow * (0.12 * (ly - top));
                else if (ly == top + 4)
                    c = c * 1.35;  // lit lower lip
            }
        }
        break;
    }
    case PanelKind::Emblem: {
        const double d = std::abs(lx - 31.5) + std::abs(ly - 31.5);
        const Rgb emblem = kEmblems[hash(uint32_t(px), uint32_t(py), 11) % 2];
        if (d < 13.0)
            c = emblem * (0.45 + 0.55 * (1.0 - d / 13.0));
        else if (d < 15.0)
            c = c * 0.25;
        else if (d < 19.0)
            c = c + emblem * (0.18 * (19.0 - d) / 4.0);
        break;
    }
    }

    // Rivets near the four corners, symmetric about the panel's centre lines.
    for (const int rx : {8, 55})
        for (const int ry : {8, 55})
            c = rivet(c, lx - rx, ly - ry);

    // Bevel: the edge facing the top left catches the light, the other falls
    // into shade; corners split along the diagonal.
    const int toLeft = lx, toRight = kPanel - 1 - lx, toTop = ly, toBottom = kPanel - 1 - ly;
    const int nearest = std::min({toLeft, toRight, toTop, toBottom});
    if (nearest == 0) {
        c = c * 0.12;  // the groove itself
    } else if (nearest <= kBevel) {
        const bool lit = (nearest == toLeft || nearest == toTop) && !(nearest == toRight || nearest == toBottom);
        c = c * (lit ? 1.35 : 0.62);
    }

    // Glowing lines in the grooves. A groove centre lies between local texels
    // 63 and 0 of two panels; the glow falls off over the bevel.
    const double ringDistance = std::min(lx + 0.5, kPanel - 0.5 - lx);
    const double railDistance = std::min(ly + 0.5, kPanel - 0.5 - ly);
    c = c + kRingGlow * (0.9 * glow(ringDistance)) + kRailGlow * (0.8 * glow(railDistance));
    return c;
}

uint8_t toByte(double v) { return uint8_t(std::clamp(v, 0.0, 1.0) * 255.0 + 0.5); }

}  // namespace

bool writeTunnelTexture(const std::string& path)
{
    std::vector<uint8_t> bytes(size_t(kSize) * kSize * 3);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const Rgb c = texel(x, y);
            uint8_t* out = &bytes[(size_t(y) * kSize + x) * 3];
            out[0] = toByte(c.r);
            out[1] = toByte(c.g);
            out[2] = toByte(c.b);
        }
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "tunnel texture: cannot create %s\n", path.c_str());
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::fprintf(stderr, "tunnel texture: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}
