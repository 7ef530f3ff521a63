// Where the fast wobble applies, the margin it rests on, and the modifier's
// tables as the mesh changes (every form against the literal evaluation:
// kernel_forms_test.cpp).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "effects/spheres/sphere_mesh.h"
#include "effects/spheres/wobble_kernels.h"
#include "effects/spheres/wobble_modifier.h"

namespace {

// Positions that stress the angles and the roundings: the axes and the
// diagonals (arc tangents of exactly 0, +-pi/2, +-pi, +-pi/4), signed
// zeros, tiny and huge coordinates, and random points of sphere size.
std::vector<Vec3> adversarialPositions(std::mt19937& rng)
{
    std::vector<Vec3> p;
    const float values[] = {0.0f, -0.0f, 1.0f, -1.0f, 7.0f, -5.0f, 1e-30f, -1e-30f, 1e-7f, 3e30f};
    for (float x : values)
        for (float y : values)
            for (float z : values)
                p.emplace_back(x, y, z);
    std::uniform_real_distribution<float> coord(-12.0f, 12.0f);
    while (p.size() % 64 != 37)  // an odd count, so every kernel has a tail
        p.emplace_back(coord(rng), coord(rng), coord(rng));
    return p;
}

struct Basis {
    std::vector<double> s[6];
    WobbleBasis view() const { return {s[0].data(), s[1].data(), s[2].data(), s[3].data(), s[4].data(), s[5].data()}; }
};

Basis basisOf(const std::vector<Vec3>& positions, int32_t frequency)
{
    Basis b;
    const double f = frequency;
    for (const Vec3& p : positions) {
        const double x = p.x, y = p.y, z = p.z;
        const double t[3] = {f * std::atan2(z, y), f * std::atan2(x, z), f * std::atan2(x, y)};
        for (int k = 0; k < 3; ++k) {
            b.s[2 * k].push_back(std::sin(t[k]));
            b.s[2 * k + 1].push_back(std::cos(t[k]));
        }
    }
    return b;
}

// Frames of both scenes (frequency 3, 5, 300 with their phases and
// amplitudes over the whole span) and edge frames: amplitude 0, the largest
// the fast path takes, and beyond it; the phases where sin P and cos P
// vanish.
struct FrameCase {
    float phase, amplitude;
    int32_t frequency;
};

std::vector<FrameCase> frameCases(std::mt19937& rng)
{
    std::vector<FrameCase> cases;
    for (int32_t t = 0; t <= 53000; t += 997) {
        const double td = float(t);
        cases.push_back({float(0.007 * td), float((std::sin(0.001 * td) + 2.0) * 0.06), 3});
        cases.push_back({float(0.005 * td + 4), float((std::sin(0.001 * td) + 2.0) * 0.06), 5});
        cases.push_back({float(0.007 * td), float((std::sin(0.001 * td) + 2.0) * 0.1), 300});
    }
    for (float a : {0.0f, -0.3f, 0.5f, 0.50001f, 2.0f})
        for (float p : {0.0f, float(M_PI / 2), float(M_PI), 1e6f})
            cases.push_back({p, a, int32_t(rng() % 400) - 50});
    return cases;
}

TEST(FastWobble, FastPathIsRefusedWhereTheBoundWouldNotHold)
{
    EXPECT_TRUE(wobbleFrame(371.0f, 0.3f, 300).fastUsable);  // scene B at its end
    EXPECT_FALSE(wobbleFrame(1.0f, 0.51f, 3).fastUsable);     // a factor could near 0
    EXPECT_FALSE(wobbleFrame(NAN, 0.1f, 3).fastUsable);
    EXPECT_FALSE(wobbleFrame(1e10f, 0.1f, 3).fastUsable);
}

// The relative margin must cover the real difference between the fast and
// the reference double coordinates, measured before rounding to float.
TEST(FastWobble, MarginCoversTheMeasuredDifference)
{
    std::mt19937 rng(5);
    const std::vector<Vec3> positions = adversarialPositions(rng);
    double worstRatio = 0.0;
    for (const FrameCase& c : frameCases(rng)) {
        const WobbleFrame w = wobbleFrame(c.phase, c.amplitude, c.frequency);
        if (!w.fastUsable)
            continue;
        const Basis b = basisOf(positions, c.frequency);
        for (size_t i = 0; i < positions.size(); ++i) {
            const double x = positions[i].x;
            if (x == 0.0 || !(std::fabs(x) > 1e-20 && std::fabs(x) < 1e20))
                continue;
            const double y = positions[i].y, z = positions[i].z;
            const double d = 1.0 + w.amplitude * std::sin(w.phase - w.frequency * std::atan2(x, z));
            const double h = 1.0 + w.amplitude * std::sin(w.frequency * std::atan2(x, y) - w.phase);
            const double fd = 1.0 + w.amplitude * (w.sinP * b.s[3][i] - w.cosP * b.s[2][i]);
            const double fh = 1.0 + w.amplitude * (b.s[4][i] * w.cosP - b.s[5][i] * w.sinP);
            const double exact = x * h * d, fast = x * fh * fd;
            worstRatio = std::max(worstRatio, std::fabs(fast - exact) / std::fabs(exact) / w.margin);
        }
    }
    EXPECT_LT(worstRatio, 0.25);
    RecordProperty("worst_difference_over_margin", std::to_string(worstRatio));
}

// The modifier's per-vertex tables follow what they were made from: after a
// base vertex moves and after the frequency changes, apply() still gives the
// literal evaluation's bytes. (The programme never does either; the tables'
// use on the scenes themselves is pinned by the golden frames.)
TEST(FastWobble, TablesFollowTheVerticesAndTheFrequency)
{
    auto node = makeSphereNode(7, 16);
    Mesh& mesh = *node->mesh;
    WobbleModifier fast(3), literal(3);
    mesh.addModifier(&fast);
    literal.bind(&mesh);
    fast.phase = literal.phase = 1.5f;
    fast.amplitude = literal.amplitude = 0.18f;
    const auto same = [&] {
        literal.frequency = fast.frequency;
        mesh.vertices = mesh.baseVertices.get();
        literal.applyReference();
        const std::vector<Vertex> expected(mesh.vertices, mesh.vertices + mesh.vertexCount);
        mesh.vertices = mesh.baseVertices.get();
        fast.apply();
        return std::memcmp(mesh.vertices, expected.data(), sizeof(Vertex) * expected.size()) == 0;
    };
    EXPECT_TRUE(same()) << "as built";
    mesh.baseVertices[5].position.x += 0.25f;
    EXPECT_TRUE(same()) << "a vertex moved";
    fast.frequency = 300;
    EXPECT_TRUE(same()) << "the frequency changed";
}

}  // namespace
