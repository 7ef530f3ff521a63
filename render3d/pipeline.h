#pragma once
// The per-face steps of drawing a mesh: facing test, perspective projection
// and flat lighting. The view is fixed: world coordinates are view
// coordinates, viewer at the origin looking along -z, +x right, +y down.
#include <cstdint>

#include "render3d/rasterizer.h"
#include "render3d/vector_math.h"

// True when the face with unit normal n and first vertex p0 is to be drawn for
// a viewer at c (all in object space): the cosine between n and c - p0 must
// exceed -0.2 in single precision, so faces turned up to about 101.5 degrees
// away still pass. A NaN quotient (degenerate face, viewer on p0) fails.
bool facesViewer(const Vec3& n, const Vec3& p0, const Vec3& c);

// Focal length for a 90-degree horizontal field of view on a target `width`
// pixels wide, rounded to float (160 for 320 pixels).
float focalLength(int32_t width);

// Projects a view-space point. Returns false, leaving `out` unspecified, for a
// point at or behind the viewer (z >= 0) or one whose screen values do not fit
// in 32 bits.
bool projectPoint(const Vec3& w, int32_t width, int32_t height, float f, ScreenVertex& out);

// Renormalises the light (the direction it travels, in world coordinates) in
// place and returns the shade 0 ... 254 of a face with world normal m: the
// angle between m and the light, 255/pi per radian. A cosine pushed past +-1
// by rounding is clamped.
uint8_t shadeFace(Vec3& light, const Vec3& m);

// 255 / pi per radian of shading angle, with pi rounded to single precision
// first, so that an angle of pi gives 254 rather than 255.
constexpr double kShadePerRadian = 255.0 / double(3.1415927f);

// The cosine between a world normal m and the (already normalised) light l,
// with ll = l . l: (m . l) / sqrt(|m|^2 ll), in double.
double shadeCosine(const Vec3& m, const Vec3& l, double ll);

// The shade of a face whose normal makes the cosine q with the light:
// trunc(acos(q) * kShadePerRadian). A q pushed past +-1 by rounding is
// clamped; a q that is not a number counts as -1.
uint8_t shadeFromCosine(double q);

// The face colour (red, green, blue bytes) scaled by shade/256, as 0x00RRGGBB.
// Inline: it runs once for every face drawn.
inline uint32_t litColor(const uint8_t color[3], uint8_t shade)
{
    const uint32_t r = (color[0] * uint32_t(shade)) >> 8;
    const uint32_t g = (color[1] * uint32_t(shade)) >> 8;
    const uint32_t b = (color[2] * uint32_t(shade)) >> 8;
    return r << 16 | g << 8 | b;
}
