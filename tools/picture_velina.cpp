// The eclipse picture. Every pixel is a pure function of its position, built
// from a few layers: night sky with a horizon glow, the corona with rays
// around the dark moon, and the black mountain ridge.
#include <algorithm>
#include <cmath>

#include "tools/picture_drawing.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kSunX = 160.0;
constexpr double kSunY = 96.0;
constexpr double kMoonRadius = 40.0;

struct Rgb {
    double r, g, b;
};

// Height of the mountain ridge (rows from the top) at column x: a few sines of
// unrelated periods make an irregular skyline.
double ridgeTop(double x)
{
    return 196.0 + 14.0 * std::sin(x * 0.021 + 0.7) + 7.0 * std::sin(x * 0.067 + 2.1) +
           3.0 * std::sin(x * 0.19 + 0.3) - 10.0 * std::exp(-((x - 250.0) * (x - 250.0)) / 900.0);
}

// Brightness of the corona at distance r from the sun's centre and angle a:
// a fast fall-off from the rim, stretched into rays of uneven length.
double corona(double r, double a)
{
    const double rays = 0.55 + 0.25 * std::cos(14.0 * a) + 0.12 * std::cos(23.0 * a + 1.3) + 0.08 * std::cos(5.0 * a);
    const double reach = 10.0 + 40.0 * rays * rays;
    const double d = std::max(0.0, r - kMoonRadius);
    return 1.6 * std::exp(-d / 6.0) + 1.1 * std::exp(-d / reach);
}

uint32_t toPixel(Rgb c)
{
    auto byte = [](double v) { return static_cast<uint32_t>(std::clamp(v, 0.0, 255.0)); };
    return (byte(c.r) << 16) | (byte(c.g) << 8) | byte(c.b);
}

Rgb skyPixel(double x, double y)
{
    // Deep night at the top, a warm band of light low over the ridge.
    const double horizon = std::exp(-std::max(0.0, 200.0 - y) / 26.0);
    Rgb c{6.0 + 250.0 * horizon, 8.0 + 120.0 * horizon, 24.0 + 30.0 * horizon};

    // The moon's disc is the darkest thing in the sky; its rim is smoothed
    // over one pixel.
    const double dx = x - kSunX, dy = y - kSunY;
    const double r = std::sqrt(dx * dx + dy * dy);
    const double outside = std::clamp(r - kMoonRadius + 0.5, 0.0, 1.0);
    const double glow = corona(r, std::atan2(dy, dx));
    c.r = outside * (c.r + 255.0 * glow);
    c.g = outside * (c.g + 245.0 * glow);
    c.b = outside * (c.b + 215.0 * glow);
    return c;
}

}  // namespace

void drawVelinaPicture(uint32_t* pixels)
{
    for (int y = 0; y < kPictureHeight; ++y)
        for (int x = 0; x < kPictureWidth; ++x) {
            const double cx = x + 0.5, cy = y + 0.5;
            uint32_t value = 0;  // the ridge is a black silhouette
            if (cy < ridgeTop(cx))
                value = toPixel(skyPixel(cx, cy));
            pixels[y * kPictureWidth + x] = value;
        }
}
