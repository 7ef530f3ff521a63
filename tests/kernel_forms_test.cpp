// Every SIMD form of every kernel against its plain form, byte for byte, on
// random input, at every count up to a family's limit (so every tail length),
// with random bytes in guard zones before and after the output that must come
// back untouched (no write before the start or past the end). A new form or
// kernel is a row of the table below.
#include <gtest/gtest.h>
#include <hwy/targets.h>

#include <array>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "core/simd.h"
#include "effects/spheres/wobble_kernels.h"
#include "effects/streaks/light_streaks.h"
#include "effects/tunnel/tunnel_axis_trace.h"
#include "effects/tunnel/tunnel_fill.h"
#include "effects/video/swirl_warp.h"
#include "pixel/blend.h"
#include "platform/row_converters.h"
#include "platform/row_converters_kernels.h"
#include "reference/raster_reference.h"
#include "render3d/face_kernels.h"
#include "render3d/pipeline.h"

#include "test_meshes.h"

namespace {

using Rng = std::mt19937;
using testsupport::TestMesh;

// Runs one kernel on input drawn from rng, writing to `out` (whose bytes
// hold random values on entry, the in-place kernels' input). A null form
// asks for the plain reference.
using Run = void (*)(Rng& rng, int count, const SimdForm* form, uint8_t* out);

struct Row {
    const char* kernel;
    SimdForm form;
    int maxCount;                  // counts 0 ... maxCount are run
    size_t (*bytes)(int count);    // the output's size
    Run run;
    int repeats = 4;
    size_t alignment = 4;  // the output starts at every multiple of this within 16 bytes
};

SimdForm formOr(const SimdForm* form) { return form ? *form : SimdForm::Plain; }

template <class T>
T* as(uint8_t* p) { return reinterpret_cast<T*>(p); }

// Values that catch wrap-around and sign faults: near the ends of the
// 32-bit range and of the 24.8 fixed point, as well as anything at all.
int32_t wild(Rng& rng)
{
    static const int32_t edges[] = {0, 1, -1, 255, 256, 65535, 0x7FFFFF, -0x800000, INT32_MAX, INT32_MIN, 0x1000000};
    return rng() % 3 == 0 ? edges[rng() % std::size(edges)] : int32_t(rng());
}

float unit(Rng& rng) { return std::uniform_real_distribution<float>(-1.0f, 1.0f)(rng); }

// --- pixel blends -----------------------------------------------------------
size_t pixels4(int count) { return 4 * size_t(count); }

void runSubtract(Rng& rng, int count, const SimdForm* form, uint8_t* out)
{
    std::vector<uint32_t> src(size_t(count) + 1);
    for (auto& p : src) p = rng();
    subtractPixels(as<uint32_t>(out), src.data() + 1, count, formOr(form));
}

void runCrossFade(Rng& rng, int count, const SimdForm* form, uint8_t* out)
{
    std::vector<uint32_t> src(size_t(count) + 1);
    for (auto& p : src) p = rng();
    static const uint32_t factors[] = {0, 1, 128, 255, 0x1234};
    const uint32_t factor = rng() % 2 ? factors[rng() % 5] : uint32_t(rng());
    crossFadePixels(as<uint32_t>(out), src.data() + 1, count, factor, formOr(form));
}

// --- row converters ------------------------------------------------------------
template <RowConverter fast, RowConverter plain>
void runConverter(Rng& rng, int count, const SimdForm* form, uint8_t* out)
{
    std::vector<uint32_t> src(static_cast<size_t>(count));
    for (auto& p : src) p = rng();  // the top byte too: it must not show
    (form ? fast : plain)(src.data(), out, count);
}

template <int bytesPerPixel>
size_t converted(int count) { return bytesPerPixel * size_t(count); }

// --- light streaks -----------------------------------------------------------
// The recursive pass carries any difference onward, so equal bytes over
// whole frames show that a form reads and writes in an order equivalent to
// the plain one. The count walks the cases: the edges of every range (with
// out-of-range arguments); centres on and next to every border, where pairs
// of neighbours shift at the last row and column and the quadrants' runs
// are short; every step, where the split between far rows (rewritten whole)
// and near ones lies; and the scenes' own centres and strengths on frames of
// flat areas with a few bright details.
struct StreakCase {
    int32_t cx, cy, strength;
    int frame;  // 0 random, 1 flat areas, 2 a flat background with bright details
};

const std::vector<StreakCase>& streakCases()
{
    static const std::vector<StreakCase> cases = [] {
        std::vector<StreakCase> all;
        Rng rng(12345);
        const int centres[][2] = {{0, 0}, {319, 239}, {319, 0}, {0, 239}, {160, 120}, {1, 238}, {318, 1}};
        for (const auto& c : centres)
            for (int strength : {0, 31, 32, 1024, 8159, 8160, 8191, -1, 8192, 100000})
                all.push_back({c[0], c[1], strength, int(rng() % 2)});
        for (int i = 0; i < 30; ++i)
            all.push_back({int(rng() % 360) - 20, int(rng() % 280) - 20, int(rng() % 9000) - 200, int(rng() % 2)});
        for (int cy : {0, 1, 2, 31, 32, 33, 63, 64, 65, 110, 111, 120, 128, 129, 130, 174, 175, 206, 207, 208, 237, 238,
                       239})
            for (int cx : {0, 1, 2, 31, 32, 33, 160, 286, 287, 288, 317, 318, 319})
                all.push_back({cx, cy, std::array<int, 5>{0, 1, 700, 1024, 8191}[rng() % 5], 0});
        for (int k = 0; k < 256; ++k)
            all.push_back({(k * 37) % 320, (k * 53) % 240, 32 * k + (k % 2 ? 31 : 0), 0});
        for (int cy : {0, 1, 2, 3, 119, 236, 237, 238, 239})
            for (int cx : {0, 1, 2, 3, 4, 159, 160, 315, 316, 317, 318, 319})
                all.push_back({cx, cy, std::array<int, 7>{0, 31, 200, 700, 1024, 4000, 8191}[rng() % 7], 0});
        for (int i = 0; i < 48; ++i) {
            const double phase = 6.283185307179586 * i / 48;
            const bool sceneA = i % 2 == 0;
            all.push_back({int((sceneA ? 235.0 : 160.0) + 30.0 * std::sin(phase * 3)),
                           int((sceneA ? 65.0 : 120.0) + 30.0 * std::sin(phase * 3)),
                           int((std::sin(phase) + 1.0) * (sceneA ? 256.0 : 512.0)), 2});
        }
        return all;
    }();
    return cases;
}

size_t wholeFrame(int) { return 4 * 320 * 240; }

void runStreaks(Rng& rng, int count, const SimdForm* form, uint8_t* out)
{
    const StreakCase& c = streakCases()[size_t(count)];
    uint32_t* frame = as<uint32_t>(out);
    const uint32_t background = rng() & 0x00FFFFFF;
    for (int32_t i = 0; c.frame != 0 && i < 320 * 240; ++i) {
        const uint32_t p = rng();
        frame[i] = c.frame == 1 ? ((p & 0x8000) ? 0x00FFFFFF : (p & 0x00F0F0F0))
                                : (p % 64 == 0 ? 0x00FFFFFF : background);
    }
    applyLightStreaks(frame, c.cx, c.cy, c.strength, formOr(form));
}

// --- tunnel: block-row fill and the on-axis trace ----------------------------
constexpr int32_t kFillGap = 3;  // pixels between a row of blocks and the next row, never written

size_t fillRows(int blocks) { return 4 * size_t(7 * (8 * blocks + kFillGap) + 8 * blocks); }

const std::vector<uint32_t>& texture()
{
    static const std::vector<uint32_t> t = [] {
        std::vector<uint32_t> v(256 * 256);
        Rng rng(99);
        for (auto& p : v) p = rng();
        return v;
    }();
    return t;
}

void runFill(Rng& rng, int blocks, const SimdForm* form, uint8_t* out)
{
    if (blocks == 0)
        return;
    std::vector<TunnelNode> top(size_t(blocks) + 1), bottom(size_t(blocks) + 1);
    const bool nearby = rng() % 2;  // coordinates of a real frame, or anything (wrapping) at all
    for (auto* row : {&top, &bottom})
        for (auto& n : *row)
            n = nearby ? TunnelNode{int32_t(rng() % 4000) - 2000, int32_t(rng() % 257)}
                       : TunnelNode{wild(rng), wild(rng)};
    const int32_t stride = 8 * blocks + kFillGap;
    if (form) {
        fillBlockRow8(as<uint32_t>(out), stride, top.data(), bottom.data(), blocks, texture().data(), *form);
        return;
    }
    for (int32_t j = 0; j < blocks; ++j)  // the general block fill, block by block
        TunnelMapper::fillTextureBlock(as<uint32_t>(out), stride, 8 * j, 0, 8, top[j].u, top[j].v, top[j + 1].u,
                                       top[j + 1].v, bottom[j].u, bottom[j].v, bottom[j + 1].u, bottom[j + 1].v,
                                       texture().data());
}

size_t nodes(int count) { return sizeof(TunnelNode) * size_t(count); }

// Directions at every angle that matters, among random ones: the axes with
// both zeros, lobe extremes and zeros of cos 5θ (multiples of pi/10), whole
// texels (multiples of pi/256), each nudged a unit in the last place; and
// sight lines the fast steps cannot vouch for (along the axis, or with tiny
// sideways parts), which must land in their own lanes.
Vec3 adversarialDirection(Rng& rng)
{
    switch (rng() % 4) {
    case 0: {
        static const double steps[] = {M_PI / 256, M_PI / 10, M_PI / 4, M_PI / 2};
        const double angle = int32_t(rng() % 513 - 256) * steps[rng() % 4];
        float x = float(std::sin(angle)), y = float(std::cos(angle));
        x = std::nextafter(x, x + float(int(rng() % 3) - 1));
        return Vec3(x, y, rng() % 3 ? 0.37f : 1.0f);
    }
    case 1: {
        static const Vec3 doubtful[] = {Vec3(0.0f, 0.0f, 1.0f), Vec3(-0.0f, 0.0f, -1.0f), Vec3(1e-35f, -1e-35f, 1.0f),
                                        Vec3(0.0f, 1e-30f, 1.0f)};
        return doubtful[rng() % 4];
    }
    default:
        return Vec3(unit(rng), unit(rng), unit(rng));
    }
}

// Against the reference steps node by node.
void runTrace(Rng& rng, int count, const SimdForm* form, uint8_t* out)
{
    std::vector<Vec3> directions(static_cast<size_t>(count));
    for (auto& d : directions)
        d = adversarialDirection(rng);
    Matrix4 rotation;
    rotation.setIdentity();
    rotation.setRotation(3.0f * unit(rng), 3.0f * unit(rng), 3.0f * unit(rng));
    static const double edges[] = {0.0, 1.0, -1.0, -0.0, 0x1p-30};
    const double s = rng() % 3 ? double(unit(rng)) : edges[rng() % 5];
    const Vec3 eye(rng() % 2 ? 0.0f : -0.0f, rng() % 2 ? 0.0f : -0.0f, 40.0f * unit(rng));
    if (rng() % 4 == 0)
        rotation.setIdentity();
    ASSERT_TRUE(onAxisTraceApplies(eye, s));
    if (form)
        return traceOnAxis(directions.data(), rotation, count, s, eye, as<TunnelNode>(out), *form);
    for (int i = 0; i < count; ++i)
        as<TunnelNode>(out)[i] = traceNodeExact(rotation.transformPoint(directions[size_t(i)]), s, eye);
}

// --- wobble and swirl ---------------------------------------------------------
size_t vertices(int count) { return sizeof(Vertex) * size_t(count); }

void runWobble(Rng& rng, int count, const SimdForm* form, uint8_t* out)
{
    // The scenes' frequencies and any other; phases where sin P or cos P
    // vanish; amplitudes up to the largest the fast path takes.
    static const int32_t frequencies[] = {3, 5, 300};
    static const float phases[] = {0.0f, float(M_PI / 2), float(M_PI), 1e6f};
    WobbleFrame frame;
    do
        frame = wobbleFrame(rng() % 3 ? 400.0f * unit(rng) : phases[rng() % 4], rng() % 5 ? 0.5f * unit(rng) : 0.5f,
                            rng() % 2 ? frequencies[rng() % 3] : int32_t(rng() % 400) - 50);
    while (!frame.fastUsable);
    std::vector<Vertex> in(static_cast<size_t>(count));
    std::vector<double> tables[6];
    for (auto& t : tables)
        t.resize(static_cast<size_t>(count));
    const double f = frame.frequency;
    for (int i = 0; i < count; ++i) {
        // Axes and diagonals (arc tangents of 0, +-pi/2, +-pi, +-pi/4), signed
        // zeros, tiny and huge coordinates, and points of sphere size.
        static const float values[] = {0.0f, -0.0f, 1.0f, -1.0f, 7.0f, -5.0f, 1e-30f, -1e-30f, 1e-7f, 3e30f};
        const auto coordinate = [&] { return rng() % 3 ? 12.0f * unit(rng) : values[rng() % 10]; };
        const Vec3 p(coordinate(), coordinate(), coordinate());
        in[size_t(i)].position = p;
        const double angles[3] = {f * std::atan2(double(p.z), double(p.y)), f * std::atan2(double(p.x), double(p.z)),
                                  f * std::atan2(double(p.x), double(p.y))};
        for (int k = 0; k < 3; ++k) {
            tables[2 * k][size_t(i)] = std::sin(angles[k]);
            tables[2 * k + 1][size_t(i)] = std::cos(angles[k]);
        }
    }
    const WobbleBasis basis{tables[0].data(), tables[1].data(), tables[2].data(),
                            tables[3].data(), tables[4].data(), tables[5].data()};
    if (form)
        return wobbleVertices(frame, basis, in.data(), as<Vertex>(out), count, *form);
    for (int i = 0; i < count; ++i)
        as<Vertex>(out)[i].position = wobbleVertexExact(in[size_t(i)].position, frame);
}

// Times where the swirl is hardest: the push switching on (k = 1), whole
// turns of the angle a (where pushes along the axes through the centre land
// on whole numbers), the largest push the fast kernels take; then random
// ones; each against the literal per-pixel warp, on a picture whose pixels
// hold their own index (so a wrong read shows as a wrong value).
const std::vector<int32_t>& swirlTimes()
{
    static const std::vector<int32_t> times = [] {
        std::vector<int32_t> all = {500, 501, 1000, 39099, 39098, 80000};
        for (int turns = 1; turns <= 24; ++turns)
            for (int quarter = 0; quarter < 4; ++quarter) {
                const int32_t t = int32_t(std::lround((turns * 2 + quarter * 0.5) * M_PI / 0.004));
                if (t < 39100)
                    for (int32_t d : {-1, 0, 1})
                        all.push_back(t + d);
            }
        Rng rng(7);
        for (int i = 0; i < 40; ++i)
            all.push_back(int32_t(rng() % 39099) + 1);
        return all;
    }();
    return times;
}

void runSwirl(Rng& rng, int count, const SimdForm* form, uint8_t* out)
{
    static const std::vector<uint32_t> picture = [] {
        std::vector<uint32_t> p(320 * 240);
        for (size_t i = 0; i < p.size(); ++i) p[i] = uint32_t(i);
        return p;
    }();
    const int32_t t = swirlTimes()[size_t(count)];
    const SwirlFrame frame = swirlFrame(t);
    uint32_t* target = as<uint32_t>(out);
    if (!form || !frame.fastUsable)
        return warpSwirlExact(picture.data(), target, t);
    // In three bands, so that a band may start and end on any row.
    const int32_t a = int32_t(rng() % 241), b = a + int32_t(rng() % uint32_t(241 - a));
    swirlRows(frame, picture.data(), target, 0, a, *form);
    swirlRows(frame, picture.data(), target, a, b, *form);
    swirlRows(frame, picture.data(), target, b, 240, *form);
}

// --- face kernels on windows of a hostile mesh (test_meshes.h) ---------------
// `count` faces (or vertices) from a window of the mesh, the faces near the
// facing threshold, the collinear ones and the one behind the viewer often
// among them, seen from the viewer those faces were built for or from a
// random place.
struct FaceInput {
    TestMesh t;
    Matrix4 world;
    Vec3 viewer;
    int32_t first;

    FaceInput(Rng& rng, int count, int32_t total) : t(rng)
    {
        const int32_t n = total < 0 ? t.mesh->faceCount : t.mesh->vertexCount;
        first = rng() % 2 ? std::max(0, n - count - int32_t(rng() % 64)) : int32_t(rng() % uint32_t(n - count + 1));
        world = testsupport::randomWorld(rng);
        viewer = rng() % 2 ? Vec3(0.0f, 0.0f, 60.0f)
                           : world.inverseRotateVector(Vec3(-world.m[3][0], -world.m[3][1], -world.m[3][2]));
    }
    const Vertex* vertices() const { return t.mesh->vertices; }
    Face* faces() const { return t.mesh->faces.get() + first; }
};

size_t facesOut(int count) { return (sizeof(Face) + 8) * size_t(count) + 64; }

// The faces to draw: by a form of selectFaces, by listFacingFaces from the
// facing flags, or (the reference) face by face with facesViewer.
void selectOrList(Rng& rng, int count, const SimdForm* form, uint8_t* out, bool fromFlags)
{
    FaceInput in(rng, count, -1);
    std::vector<uint8_t> valid(size_t(in.t.mesh->vertexCount));
    for (auto& v : valid) v = rng() % 8 != 0;
    const uint8_t* projected = rng() % 2 ? valid.data() : nullptr;
    std::vector<int32_t> list(size_t(count) + 1, -7);
    std::vector<uint8_t> facing(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        facing[size_t(i)] = facesViewer(in.faces()[i].normal, in.vertices()[in.faces()[i].indices[0]].position, in.viewer);
    int32_t n = 0;
    if (form && fromFlags) {
        n = listFacingFaces(facing.data(), in.faces(), count, projected, list.data());
    } else if (form) {
        n = selectFaces(in.vertices(), in.faces(), count, in.viewer, projected, list.data(), *form);
    } else {
        for (int i = 0; i < count; ++i) {
            const int32_t* k = in.faces()[i].indices;
            if (facing[size_t(i)] && (!projected || (projected[k[0]] && projected[k[1]] && projected[k[2]])))
                list[size_t(n++)] = i;
        }
    }
    ASSERT_EQ(list[size_t(count)], -7) << "wrote past the end";
    std::memcpy(out, &n, 4);
    std::memcpy(out + 4, list.data(), 4 * size_t(n));  // what lies past n is scratch
}

void runSelect(Rng& rng, int count, const SimdForm* form, uint8_t* out) { selectOrList(rng, count, form, out, false); }
void runFacingList(Rng& rng, int count, const SimdForm* form, uint8_t* out) { selectOrList(rng, count, form, out, true); }

void runShade(Rng& rng, int count, const SimdForm* form, uint8_t* out)
{
    FaceInput in(rng, count, -1);
    std::vector<int32_t> list(static_cast<size_t>(count));
    for (auto& k : list) k = int32_t(rng() % uint32_t(count));
    const Vec3 light = rng() % 2 ? Vec3(0.0f, 0.0f, -1.0f) : Vec3(0.6f, 0.0f, -0.8f);
    const double ll = double(light.x) * light.x + double(light.y) * light.y + double(light.z) * light.z;
    shadeFaces(in.faces(), list.data(), count, in.world, light, ll, out, out + count, formOr(form));
    // A shade the form is sure of is the one the library's arc cosine gives.
    for (int k = 0; form && k < count; ++k) {
        const Face& face = in.faces()[list[size_t(k)]];
        if (out[count + k]) {
            ASSERT_EQ(out[k], shadeFromCosine(shadeCosine(in.world.rotateVector(face.normal), light, ll))) << k;
        }
    }
}

void runNormals(Rng& rng, int count, const SimdForm* form, uint8_t* out)
{
    FaceInput in(rng, count, -1);
    std::vector<uint8_t> facing(static_cast<size_t>(count), 2);
    for (int i = 0; i < count; ++i)
        in.faces()[i].normal = Vec3(-7.0f, -7.0f, -7.0f);
    const bool withFacing = computeNormalsBatch(in.vertices(), in.faces(), count, &in.viewer, facing.data(),
                                                formOr(form));
    // Field by field: a Face's padding byte holds whatever its memory held.
    for (int i = 0; i < count; ++i, out += 27) {
        const Face& face = in.faces()[i];
        std::memcpy(out, face.indices, 12);
        std::memcpy(out + 12, face.color, 3);
        std::memcpy(out + 15, &face.normal, 12);
    }
    // Where a form works out the facing flags too, they are the facing test's.
    for (int i = 0; withFacing && i < count; ++i) {
        const Face& face = in.faces()[i];
        ASSERT_EQ(facing[size_t(i)], facesViewer(face.normal, in.vertices()[face.indices[0]].position, in.viewer))
            << "facing of face " << i;
    }
}

size_t projected(int count) { return (sizeof(ScreenVertex) + 1) * size_t(count) + 4; }

void runProject(Rng& rng, int count, const SimdForm* form, uint8_t* out)
{
    FaceInput in(rng, count, 0);
    std::vector<ScreenVertex> screen(static_cast<size_t>(count));
    if (rng() % 4 == 0)  // some vertices behind the viewer
        in.world.setTranslation(0.0f, 0.0f, -4.0f);
    int32_t n = 0;
    if (form) {
        n = projectVertices(in.world, in.vertices() + in.first, count, 320, 240, 160.0f, screen.data(), out + 4, *form);
    } else {  // the reference: projectPoint vertex by vertex
        for (int i = 0; i < count; ++i) {
            out[4 + i] = projectPoint(in.world.transformPoint(in.vertices()[in.first + i].position), 320, 240, 160.0f,
                                      screen[size_t(i)]);
            n += out[4 + i];
        }
    }
    std::memcpy(out, &n, 4);
    // Screen positions of refused vertices are not part of the result.
    for (int i = 0; i < count; ++i) {
        if (out[4 + i])
            std::memcpy(out + 4 + count + sizeof(ScreenVertex) * size_t(i), &screen[size_t(i)], sizeof(ScreenVertex));
    }
}

// --- rasterizer: spans at every start and length, and whole triangles --------
// The count walks every (width, first pixel, length) of a row of each width.
struct SpanCase {
    int32_t width, xl, n;
};

const std::vector<SpanCase>& spanCases()
{
    static const std::vector<SpanCase> cases = [] {
        std::vector<SpanCase> all;
        for (int32_t width : {1, 7, 8, 9, 15, 16, 17, 33, 48})
            for (int32_t xl = 0; xl < width; ++xl)
                for (int32_t n = 1; xl + n <= width; ++n)
                    all.push_back({width, xl, n});
        return all;
    }();
    return cases;
}

size_t spanRow(int count) { return 8 * size_t(spanCases()[size_t(count)].width); }

// Keys stored along the row around the span's own keys (so the depth test
// goes both ways, with exact ties), the cleared value and extremes; depths
// across the signed range, some just below the top of a signed 32-bit value
// so that the keys wrap from largest positive to negative.
void runSpan(Rng& rng, int count, const SimdForm* form, uint8_t* out)
{
    const auto [width, xl, n] = spanCases()[size_t(count)];
    uint32_t z = rng();
    if (rng() % 3 == 0)
        z = 0x7FFFFF00u - uint32_t(rng() % 4096);
    const uint32_t dz = rng() % 4 == 0 ? rng() : uint32_t(int32_t(rng() % 200001) - 100000);
    uint32_t* pixels = as<uint32_t>(out);
    uint32_t* keys = pixels + width;
    for (int32_t x = 0; x < width; ++x) {
        const uint32_t own = uint32_t(int32_t(z + uint32_t(x - xl) * dz) >> 8);
        static const uint32_t fixed[] = {0xFFFFFFFFu, 0u, 0x80000000u};
        const uint32_t pick = rng() % 6;
        keys[x] = pick < 3 ? own + pick - 1 : pick == 3 ? fixed[rng() % 3] : keys[x];
    }
    fillSpanWith(formOr(form), pixels, keys, width, xl, n, z, dz, rng());
}

constexpr int32_t kTargetW = 120, kTargetH = 90;

size_t targetAndDepth(int) { return 8 * size_t(kTargetW * kTargetH) + sizeof(ScreenVertex) * 3; }

// Triangles of every kind the fill must agree on (the count picks the kind),
// on a depth buffer already drawn into: keys in the range the triangles use,
// some cleared. The plain reference walks every row; the records come back
// sorted alike, and every row whose keys changed is in the touched range.
void runTriangle(Rng& rng, int kind, const SimdForm* form, uint8_t* out)
{
    uint32_t* pixels = as<uint32_t>(out);
    uint32_t* depth = pixels + kTargetW * kTargetH;
    for (int32_t i = 0; i < kTargetW * kTargetH; ++i)
        depth[i] = rng() % 3 == 0 ? 0xFFFFFFFFu : 0xFFC00000u + (rng() & 0x3FFFFF);
    ScreenVertex v[3];
    std::uniform_int_distribution<int32_t> key(-4000000, -100000);
    const auto around = [&](int32_t cx, int32_t cy, int32_t spread) {
        for (auto& p : v)
            p = ScreenVertex{cx + int32_t(rng() % uint32_t(2 * spread + 1)) - spread,
                             cy + int32_t(rng() % uint32_t(2 * spread + 1)) - spread, key(rng)};
    };
    const int32_t cx = int32_t(rng() % kTargetW), cy = int32_t(rng() % kTargetH);
    switch (kind) {
    case 0:  // small, like a mesh's faces
        around(cx, cy, 12);
        break;
    case 1:  // reaching over the edges of the target on every side
        around(int32_t(rng() % (kTargetW + 200)) - 100, int32_t(rng() % (kTargetH + 200)) - 100, 150);
        break;
    case 2:  // thin slivers, whose truncated edges can cross
        around(cx, cy, 40);
        v[1].x = v[0].x + int32_t(rng() % 3) - 1;
        v[2].x = v[0].x + int32_t(rng() % 5) - 2;
        break;
    case 3:  // shared rows: flat tops and bottoms
        around(cx, cy, 30);
        v[rng() % 3].y = v[rng() % 3].y;
        break;
    case 4:  // wide, near the fixed-point limit (some beyond it); now and then tall too
        around(0, kTargetH / 2, 4200000);
        for (auto& p : v) {
            if (rng() % 50 != 0)
                p.y = p.y / 10000;
            p.depth = -100000 - int32_t(rng() % 200000);
        }
        break;
    default:  // far outside the target, or with depth keys of either sign
        around(int32_t(rng() % 4000) - 2000, int32_t(rng() % 4000) - 2000, 60);
        if (rng() % 2)
            for (auto& p : v) p.depth = -p.depth;
        break;
    }
    const uint32_t color = rng();
    RowRange touched{kTargetH, 0};
    const std::vector<uint32_t> keysBefore(depth, depth + kTargetW * kTargetH);
    if (form)
        drawTriangle(pixels, kTargetW, kTargetH, v, color, depth, &touched, *form);
    else
        drawTriangleReference(pixels, kTargetW, kTargetH, v, color, depth);
    std::memcpy(depth + kTargetW * kTargetH, v, sizeof(v));
    for (int32_t y = 0; form && y < kTargetH; ++y) {
        if (y < touched.first || y >= touched.end) {
            ASSERT_EQ(std::memcmp(depth + y * kTargetW, &keysBefore[size_t(y * kTargetW)], 4 * kTargetW), 0) << y;
        }
    }
}

std::vector<Row> rows()
{
    using F = SimdForm;
    std::vector<Row> table = {
        {"subtract", F::Simd, 67, pixels4, runSubtract, 6},
        {"crossFade", F::Simd, 67, pixels4, runCrossFade, 6},
        {"rgb32", F::Simd, 40, converted<4>, runConverter<convertRgb32Simd, convertRgb32Scalar>, 16, 1},
        {"rgb24", F::Simd, 40, converted<3>, runConverter<convertRgb24Simd, convertRgb24Scalar>, 16, 1},
        {"rgb565", F::Simd, 40, converted<2>, runConverter<convertRgb565Simd, convertRgb565Scalar>, 16, 1},
        {"bgr565", F::Simd, 40, converted<2>, runConverter<convertBgr565Simd, convertBgr565Scalar>, 16, 1},
        {"rgb555", F::Simd, 40, converted<2>, runConverter<convertRgb555Simd, convertRgb555Scalar>, 16, 1},
        {"bgr555", F::Simd, 40, converted<2>, runConverter<convertBgr555Simd, convertBgr555Scalar>, 16, 1},
        {"streaks", F::Simd, int(streakCases().size()) - 1, wholeFrame, runStreaks, 1},
        {"tunnel fill", F::Plain, 90, fillRows, runFill},
        {"tunnel fill", F::Simd, 90, fillRows, runFill},
        {"tunnel trace", F::Plain, 50, nodes, runTrace, 12},
        {"tunnel trace", F::Simd, 50, nodes, runTrace, 12},
        {"wobble", F::Simd, 23, vertices, runWobble},
        {"swirl", F::Simd, int(swirlTimes().size()) - 1, wholeFrame, runSwirl, 1},
        {"select faces", F::Plain, 21, facesOut, runSelect, 8},
        {"select faces", F::Simd, 21, facesOut, runSelect, 8},
        {"facing list", F::Plain, 21, facesOut, runFacingList, 8},
        {"shade faces", F::Plain, 21, facesOut, runShade},
        {"shade faces", F::Simd, 21, facesOut, runShade},
        {"normals", F::Simd, 21, facesOut, runNormals},
        {"project", F::Plain, 21, projected, runProject},
        {"project", F::Simd, 21, projected, runProject},
        {"span", F::Simd, int(spanCases().size()) - 1, spanRow, runSpan, 1},
        {"triangle", F::Plain, 5, targetAndDepth, runTriangle, 400},
        {"triangle", F::Simd, 5, targetAndDepth, runTriangle, 200},
    };
    return table;
}

TEST(KernelForms, EveryFormGivesThePlainBytesAndWritesNothingOutside)
{
    constexpr size_t kGuard = 64;
    int checked = 0;
    for (const Row& row : rows()) {
        ++checked;
        // A SIMD form runs at every Highway target compiled in that this
        // processor has, the scalar emulation included.
        std::vector<int64_t> targets = {0};
        if (row.form != SimdForm::Plain)
            targets = hwy::SupportedAndGeneratedTargets();
        for (int64_t target : targets) {
            hwy::SetSupportedTargetsForTest(target);
            for (int count = 0; count <= row.maxCount; ++count)
                for (int repeat = 0; repeat < row.repeats; ++repeat) {
                    const uint32_t seed = uint32_t(count * 7919 + repeat);
                    const size_t size = row.bytes(count);
                    const size_t before = kGuard + (row.alignment * size_t(repeat)) % 16;
                    Rng fill(seed);
                    std::vector<uint8_t> original(before + size + kGuard);
                    for (size_t i = 0; i < original.size(); i += 4) {
                        const uint32_t word = fill();
                        std::memcpy(&original[i], &word, std::min<size_t>(4, original.size() - i));
                    }
                    std::vector<uint8_t> plain = original, fast = original;
                    Rng rngPlain(seed), rngFast(seed);
                    row.run(rngPlain, count, nullptr, plain.data() + before);
                    row.run(rngFast, count, &row.form, fast.data() + before);
                    const std::string what = std::string(row.kernel) + (row.form == SimdForm::Plain ? " plain" : " simd") + " at " +
                                             (target ? hwy::TargetName(target) : "plain") + ", count " +
                                             std::to_string(count) + ", repeat " + std::to_string(repeat);
                    ASSERT_EQ(std::memcmp(fast.data(), original.data(), before), 0)
                        << what << ": wrote before the start";
                    ASSERT_EQ(std::memcmp(fast.data() + before + size, original.data() + before + size, kGuard), 0)
                        << what << ": wrote past the end";
                    ASSERT_EQ(std::memcmp(plain.data() + before + size, original.data() + before + size, kGuard), 0)
                        << what << ": the plain form wrote past the end";
                    ASSERT_TRUE(plain == fast) << what;
                }
        }
        hwy::SetSupportedTargetsForTest(0);
    }
    RecordProperty("rows_checked", checked);
}

}  // namespace
