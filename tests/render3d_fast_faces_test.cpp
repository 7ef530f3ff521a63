// The batched face and vertex kernels, the fast arc cosine and the double
// division of the rasterizer, each against its plain counterpart.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "render3d/camera.h"
#include "render3d/face_kernels.h"
#include "render3d/fast_acos.h"
#include "render3d/pipeline.h"
#include "render3d/rasterizer.h"
#include "render3d/scene.h"
#include "render3d/scene_node.h"

#include "test_support.h"

namespace {

constexpr int kW = 320, kH = 240;

using testsupport::sameBits;

// Cosines at and next to the places where the arc cosine is hardest or
// where the reduction switches: +-1, +-0.5, 0, and the cosines of whole
// shades (where the scaled angle is a whole number).
std::vector<double> adversarialCosines()
{
    std::vector<double> q = {0.0, -0.0, 1e-300, -1e-300};
    for (double base : {1.0, -1.0, 0.5, -0.5}) {
        double up = base, down = base;
        for (int i = 0; i < 50; ++i) {
            q.push_back(up);
            q.push_back(down);
            up = std::nextafter(up, 2.0);
            down = std::nextafter(down, -2.0);
        }
    }
    for (int j = 0; j <= 255; ++j)
        for (double d : {-1e-15, 0.0, 1e-15})
            q.push_back(std::cos(j / kShadePerRadian) + d);
    std::vector<double> inRange;
    for (double v : q)
        if (v >= -1.0 && v <= 1.0)
            inRange.push_back(v);
    return inRange;
}

TEST(FastAcos, StaysWithinItsBoundAndSse2GivesTheSameBits)
{
    std::vector<double> q = adversarialCosines();
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> any(-1.0, 1.0);
    for (int i = 0; i < 200000; ++i)
        q.push_back(any(rng));
    for (int i = 1; i <= 60; ++i)
        q.push_back(1.0 - std::ldexp(1.0, -i)), q.push_back(-1.0 + std::ldexp(1.0, -i));

    double worst = 0.0;
    for (size_t i = 0; i < q.size(); ++i) {
        worst = std::max(worst, std::fabs(fastAcos(q[i]) - std::acos(q[i])));
#if defined(__SSE2__)
        const double pairIn[2] = {q[i], q[(i * 7919) % q.size()]};
        double pairOut[2];
        _mm_storeu_pd(pairOut, fastAcos2(_mm_loadu_pd(pairIn)));
        ASSERT_EQ(pairOut[0], fastAcos(pairIn[0])) << pairIn[0];
        ASSERT_EQ(pairOut[1], fastAcos(pairIn[1])) << pairIn[1];
#endif
    }
    // Measured against the library (itself within a few units in the last
    // place): the callers' bound has a factor of 4 to spare over 2^-48.
    EXPECT_LE(worst, 0x1p-48);
    RecordProperty("worst_error_log2", std::to_string(std::log2(worst)));
}

// A wobbly closed surface with a few hostile faces: collinear ones (NaN
// normals), one reaching behind the viewer, and faces whose cosine with the
// direction to the viewer is within rounding of the -0.2 threshold.
struct TestMesh {
    std::unique_ptr<Mesh> mesh = std::make_unique<Mesh>();

    explicit TestMesh(std::mt19937& rng, int rings = 13)
    {
        std::uniform_real_distribution<float> jitter(-0.3f, 0.3f);
        const int w = rings + 1;
        const int extra = 60;
        std::vector<Vec3> points;
        for (int i = 0; i < w; ++i)
            for (int j = 0; j < w; ++j) {
                const double t = M_PI * i / rings, p = 2 * M_PI * j / rings;
                const float r = 5.0f + jitter(rng);
                points.emplace_back(float(r * std::sin(t) * std::sin(p)), float(r * std::cos(t)),
                                    float(r * std::sin(t) * std::cos(p)));
            }
        std::vector<std::array<int, 3>> tris;
        for (int r = 0; r < rings; ++r)
            for (int c = 0; c < rings; ++c) {
                const int b = r * w + c;
                tris.push_back({b, b + w, b + 1});
                tris.push_back({b + 1, b + w, b + w + 1});
            }
        // Faces near the facing threshold for a viewer at object-space
        // (0, 0, 60): a triangle at p0 whose normal n makes the cosine
        // -0.2 (+- a little) with e = viewer - p0.
        std::uniform_real_distribution<double> angle(0.0, 2 * M_PI);
        for (int k = 0; k < extra; ++k) {
            const Vec3 p0(float(std::cos(angle(rng))), float(std::sin(angle(rng))), 0.0f);
            const double ex = -p0.x, ey = -p0.y, ez = 60.0;
            const double len = std::sqrt(ex * ex + ey * ey + ez * ez);
            const double u[3] = {ex / len, ey / len, ez / len};
            double v[3] = {1.0 - u[0] * u[0], -u[0] * u[1], -u[0] * u[2]};  // perpendicular to u
            const double vl = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
            const double c = -0.2 + (k % 3 - 1) * 1e-9 * (k % 7);
            const double s = std::sqrt(1 - c * c);
            const double n[3] = {c * u[0] + s * v[0] / vl, c * u[1] + s * v[1] / vl, c * u[2] + s * v[2] / vl};
            // Two edges perpendicular to n span the face.
            const double a[3] = {v[0] / vl, v[1] / vl, v[2] / vl};
            const double b[3] = {n[1] * a[2] - n[2] * a[1], n[2] * a[0] - n[0] * a[2], n[0] * a[1] - n[1] * a[0]};
            const int base = int(points.size());
            points.push_back(p0);
            points.emplace_back(float(p0.x + a[0]), float(p0.y + a[1]), float(p0.z + a[2]));
            points.emplace_back(float(p0.x + b[0]), float(p0.y + b[1]), float(p0.z + b[2]));
            tris.push_back({base, base + 1, base + 2});
        }
        const int base = int(points.size());
        points.emplace_back(0.0f, 0.0f, 0.0f);
        points.emplace_back(1.0f, 1.0f, 1.0f);
        points.emplace_back(2.0f, 2.0f, 2.0f);   // collinear
        points.emplace_back(0.0f, 0.0f, 80.0f);  // behind the viewer once placed
        tris.push_back({base, base + 1, base + 2});
        tris.push_back({base, base + 1, base + 3});
        tris.push_back({base + 3, base, base + 1});

        mesh->allocate(int32_t(points.size()), int32_t(tris.size()));
        for (size_t i = 0; i < points.size(); ++i)
            mesh->baseVertices[i].position = points[i];
        std::uniform_int_distribution<int> byte(0, 255);
        for (size_t i = 0; i < tris.size(); ++i)
            mesh->faces[i] = Face{{tris[i][0], tris[i][1], tris[i][2]},
                                  {uint8_t(byte(rng)), uint8_t(byte(rng)), uint8_t(byte(rng))}, {}};
        mesh->computeNormals();
    }
};

Matrix4 randomWorld(std::mt19937& rng)
{
    std::uniform_real_distribution<float> angle(-7.0f, 7.0f), offset(-30.0f, 30.0f);
    Matrix4 world;
    world.setIdentity();
    world.setRotation(angle(rng), angle(rng), angle(rng));
    world.setTranslation(offset(rng), offset(rng), -60.0f + offset(rng));
    return world;
}

// Counts that give every tail length of the two- and four-lane kernels,
// and the whole table with each tail.
std::vector<int32_t> countsUpTo(int32_t n)
{
    std::vector<int32_t> counts;
    for (int32_t c = 0; c <= 9 && c <= n; ++c)
        counts.push_back(c);
    for (int32_t c = std::max(10, n - 3); c <= n; ++c)
        counts.push_back(c);
    return counts;
}

#if defined(QUARNEL_FACES_AVX)
bool avxHere() { return faceKernelsAvxUsable(); }
#endif

TEST(FaceKernels, MatchThePerFaceFunctionsOnEveryCount)
{
    std::mt19937 rng(21);
    int roundsLackingProjections = 0;
    for (int round = 0; round < 12; ++round) {
        TestMesh t(rng);
        Mesh& mesh = *t.mesh;
        const Matrix4 world = round == 0 ? [] { Matrix4 m; m.setIdentity(); m.setTranslation(0, 0, -60); return m; }()
                                         : randomWorld(rng);
        const Vec3 viewer = round == 0 ? Vec3(0, 0, 60) : world.inverseRotateVector(Vec3(-world.m[3][0], -world.m[3][1], -world.m[3][2]));
        const Vec3 light(0.0f, 0.0f, -1.0f);
        const float f = focalLength(kW);
        const int32_t nv = mesh.vertexCount, nf = mesh.faceCount;

        // Normals.
        std::vector<Face> plain(mesh.faces.get(), mesh.faces.get() + nf);
        std::vector<Face> simd = plain;
        computeNormalsScalar(mesh.vertices, plain.data(), nf);
        for (int32_t i = 0; i < nf; ++i)
            ASSERT_TRUE(sameBits(plain[size_t(i)].normal, mesh.faces[i].normal) ||
                        std::isnan(plain[size_t(i)].normal.x)) << i;
#if defined(__SSE2__)
        for (int32_t count : countsUpTo(nf)) {
            computeNormalsSse2(mesh.vertices, simd.data(), count);
            ASSERT_EQ(std::memcmp(simd.data(), plain.data(), sizeof(Face) * size_t(count)), 0) << count;
        }
#endif
        // The four-lane normals, with and without the facing flags worked out
        // alongside: the same normals, flags as facesViewer gives them, and
        // nothing written past `count`.
        std::vector<uint8_t> expectedFacing(static_cast<size_t>(nf));
        for (int32_t i = 0; i < nf; ++i)
            expectedFacing[size_t(i)] =
                facesViewer(plain[size_t(i)].normal, mesh.vertices[plain[size_t(i)].indices[0]].position, viewer);
#if defined(QUARNEL_FACES_AVX)
        if (avxHere()) {
            std::vector<float> padded(4 * static_cast<size_t>(nv));
            std::vector<uint8_t> facing(static_cast<size_t>(nf));
            for (int32_t count : countsUpTo(nf))
                for (bool withFacing : {true, false}) {
                    std::vector<Face> fresh(mesh.faces.get(), mesh.faces.get() + nf);
                    for (Face& face : fresh)
                        face.normal = Vec3(-7.0f, -7.0f, -7.0f);
                    std::fill(facing.begin(), facing.end(), uint8_t(9));
                    computeNormalsAvx(mesh.vertices, nv, padded.data(), fresh.data(), count,
                                      withFacing ? &viewer : nullptr, withFacing ? facing.data() : nullptr);
                    ASSERT_EQ(std::memcmp(fresh.data(), plain.data(), sizeof(Face) * size_t(count)), 0) << count;
                    if (count < nf) {
                        ASSERT_EQ(fresh[size_t(count)].normal.x, -7.0f) << "wrote past the end at " << count;
                    }
                    if (withFacing) {
                        ASSERT_TRUE(std::equal(facing.begin(), facing.begin() + count, expectedFacing.begin()))
                            << count;
                        if (count < nf) {
                            ASSERT_EQ(facing[size_t(count)], 9) << "wrote past the end at " << count;
                        }
                    } else {
                        ASSERT_EQ(std::count(facing.begin(), facing.end(), uint8_t(9)), nf) << count;
                    }
                }
        }
#endif

        // Projection: per vertex as projectPoint gives it.
        std::vector<ScreenVertex> screen(static_cast<size_t>(nv)), screen2(static_cast<size_t>(nv));
        std::vector<uint8_t> valid(static_cast<size_t>(nv)), valid2(static_cast<size_t>(nv));
        projectVerticesScalar(world, mesh.vertices, nv, kW, kH, f, screen.data(), valid.data());
        for (int32_t i = 0; i < nv; ++i) {
            ScreenVertex expected;
            const bool ok = projectPoint(world.transformPoint(mesh.vertices[i].position), kW, kH, f, expected);
            ASSERT_EQ(bool(valid[size_t(i)]), ok) << i;
            if (ok) {
                ASSERT_TRUE(screen[size_t(i)].x == expected.x && screen[size_t(i)].y == expected.y &&
                            screen[size_t(i)].depth == expected.depth) << i;
            }
        }
#if defined(__SSE2__)
        for (int32_t count : countsUpTo(nv)) {
            projectVerticesSse2(world, mesh.vertices, count, kW, kH, f, screen2.data(), valid2.data());
            ASSERT_EQ(std::memcmp(screen2.data(), screen.data(), sizeof(ScreenVertex) * size_t(count)), 0);
            ASSERT_EQ(std::memcmp(valid2.data(), valid.data(), size_t(count)), 0);
        }
#endif
#if defined(QUARNEL_FACES_AVX)
        if (avxHere())
            for (int32_t count : countsUpTo(nv)) {
                std::fill(screen2.begin(), screen2.end(), ScreenVertex{-5, -5, -5});
                std::fill(valid2.begin(), valid2.end(), uint8_t(9));
                const int32_t n = projectVerticesAvx(world, mesh.vertices, count, kW, kH, f, screen2.data(), valid2.data());
                ASSERT_EQ(std::memcmp(screen2.data(), screen.data(), sizeof(ScreenVertex) * size_t(count)), 0) << count;
                ASSERT_EQ(std::memcmp(valid2.data(), valid.data(), size_t(count)), 0) << count;
                ASSERT_EQ(n, std::count(valid.begin(), valid.begin() + count, uint8_t(1))) << count;
                if (count < nv) {
                    ASSERT_EQ(valid2[size_t(count)], 9) << "wrote past the end at " << count;
                }
            }
#endif
        // The dispatching entry counts the projectable vertices.
        ASSERT_EQ(projectVertices(world, mesh.vertices, nv, kW, kH, f, screen2.data(), valid2.data()),
                  std::count(valid.begin(), valid.end(), uint8_t(1)));

        // Selection: facing test and valid projections, in stored order.
        std::vector<int32_t> expectedList;
        for (int32_t i = 0; i < nf; ++i) {
            const Face& face = mesh.faces[i];
            if (facesViewer(face.normal, mesh.vertices[face.indices[0]].position, viewer) && valid[size_t(face.indices[0])] &&
                valid[size_t(face.indices[1])] && valid[size_t(face.indices[2])])
                expectedList.push_back(i);
        }
        ASSERT_GT(expectedList.size(), size_t(nf / 4));  // the test sees real selections
        std::vector<int32_t> list(static_cast<size_t>(nf));
        // Without a validity table (every vertex projectable) only the facing test decides.
        std::vector<int32_t> facingList;
        for (int32_t i = 0; i < nf; ++i)
            if (facesViewer(mesh.faces[i].normal, mesh.vertices[mesh.faces[i].indices[0]].position, viewer))
                facingList.push_back(i);
        roundsLackingProjections += facingList != expectedList;
        for (int32_t count : countsUpTo(nf)) {
            for (const uint8_t* table : {static_cast<const uint8_t*>(valid.data()), static_cast<const uint8_t*>(nullptr)}) {
                std::vector<int32_t> prefix;
                for (int32_t i : table ? expectedList : facingList)
                    if (i < count)
                        prefix.push_back(i);
                const int32_t n = selectFacesScalar(mesh.vertices, mesh.faces.get(), count, viewer, table, list.data());
                ASSERT_EQ(std::vector<int32_t>(list.begin(), list.begin() + n), prefix) << "scalar " << count;
#if defined(__SSE2__)
                const int32_t n2 = selectFacesSse2(mesh.vertices, mesh.faces.get(), count, viewer, table, list.data());
                ASSERT_EQ(std::vector<int32_t>(list.begin(), list.begin() + n2), prefix) << "sse2 " << count;
#endif
                // From facing flags worked out beforehand.
                const int32_t n3 = listFacingFaces(expectedFacing.data(), mesh.faces.get(), count, table, list.data());
                ASSERT_EQ(std::vector<int32_t>(list.begin(), list.begin() + n3), prefix) << "flags " << count;
            }
        }

        // Shades of every face (not only the selected ones), sure or not.
        std::vector<int32_t> all(static_cast<size_t>(nf));
        for (int32_t i = 0; i < nf; ++i)
            all[size_t(i)] = i;
        const double ll = 1.0;
        std::vector<uint8_t> shade(static_cast<size_t>(nf)), sure(static_cast<size_t>(nf)), shade2(static_cast<size_t>(nf)), sure2(static_cast<size_t>(nf));
        shadeFacesScalar(mesh.faces.get(), all.data(), nf, world, light, ll, shade.data(), sure.data());
        for (int32_t i = 0; i < nf; ++i) {
            const uint8_t expected = shadeFromCosine(shadeCosine(world.rotateVector(mesh.faces[i].normal), light, ll));
            if (sure[size_t(i)]) {
                ASSERT_EQ(shade[size_t(i)], expected) << i;
            }
        }
#if defined(__SSE2__)
        for (int32_t count : countsUpTo(nf)) {
            shadeFacesSse2(mesh.faces.get(), all.data(), count, world, light, ll, shade2.data(), sure2.data());
            ASSERT_EQ(std::memcmp(shade2.data(), shade.data(), size_t(count)), 0);
            ASSERT_EQ(std::memcmp(sure2.data(), sure.data(), size_t(count)), 0);
        }
#endif
#if defined(QUARNEL_FACES_AVX)
        if (avxHere())
            for (int32_t count : countsUpTo(nf)) {
                std::fill(shade2.begin(), shade2.end(), uint8_t(77));
                std::fill(sure2.begin(), sure2.end(), uint8_t(77));
                shadeFacesAvx(mesh.faces.get(), all.data(), count, world, light, ll, shade2.data(), sure2.data());
                ASSERT_EQ(std::memcmp(shade2.data(), shade.data(), size_t(count)), 0) << count;
                ASSERT_EQ(std::memcmp(sure2.data(), sure.data(), size_t(count)), 0) << count;
                if (count < nf) {
                    ASSERT_EQ(shade2[size_t(count)], 77) << "wrote past the end at " << count;
                }
            }
#endif
    }
    EXPECT_GT(roundsLackingProjections, 0);  // the validity table was put to the test
}

// Normals whose shade angle is exactly, or within rounding of, a whole
// number of shade steps: the fast shade must step aside (not sure) or agree.
TEST(FaceKernels, ShadesAtWholeStepsAreExactOrLeftToTheLibrary)
{
    std::vector<Face> faces;
    for (int j = 0; j <= 255; ++j)
        for (double d : {-2e-16, 0.0, 2e-16}) {
            const double q = std::cos(j / kShadePerRadian) + d;
            if (q < -1.0 || q > 1.0)
                continue;
            Face face{{0, 0, 0}, {255, 255, 255}, Vec3(float(std::sqrt(1 - q * q)), 0.0f, float(-q))};
            faces.push_back(face);
        }
    Matrix4 identity;
    identity.setIdentity();
    std::vector<int32_t> list(faces.size());
    for (size_t i = 0; i < faces.size(); ++i)
        list[i] = int32_t(i);
    std::vector<uint8_t> shade(faces.size()), sure(faces.size());
    const Vec3 light(0, 0, -1);
    shadeFaces(faces.data(), list.data(), int32_t(faces.size()), identity, light, 1.0, shade.data(), sure.data());
    int unsure = 0;
    for (size_t i = 0; i < faces.size(); ++i) {
        const uint8_t expected = shadeFromCosine(shadeCosine(identity.rotateVector(faces[i].normal), light, 1.0));
        if (sure[i])
            EXPECT_EQ(shade[i], expected) << i;
        else
            ++unsure;
    }
    EXPECT_LT(unsure, int(faces.size()));  // most are still sure: the band is narrow
}

// A per-frame deformer for the render test: scales the current vertices
// about the origin and recomputes the normals, either after making its output
// current (as the real modifiers do) or before (so the normals belong to the
// previous table).
class StretchModifier : public VertexModifier {
public:
    float scale = 1.0f;
    bool normalsFirst = false;
    void apply() override
    {
        for (int32_t i = 0; i < mesh->vertexCount; ++i) {
            const Vec3& p = mesh->vertices[i].position;
            output[i].position = Vec3(p.x * scale, p.y, p.z * (2.0f - scale));
        }
        if (normalsFirst)
            mesh->computeNormals();
        mesh->vertices = output.get();
        if (!normalsFirst)
            mesh->computeNormals();
    }
};

// A scene of several of these meshes, some deformed every frame, drawn by
// the batched render and by the plain per-face render: same pixels, same
// depth buffer, same light left behind, for the default light and for an
// oblique one.
TEST(MeshRender, BatchedRenderDrawsTheSameBytesAsThePlainOne)
{
    std::mt19937 rng(31);
    std::vector<uint32_t> pixels(kW * kH), pixels2(kW * kH);
    Camera camera(Vec3(0, 0, 0));
    Scene scene;
    scene.setCamera(&camera);
    scene.setTarget(pixels.data(), kW, kH);
    std::vector<std::unique_ptr<SceneNode>> nodes;
    // Node 1 has one stretch, node 3 two chained, node 4 one that computes
    // its normals before switching tables.
    StretchModifier stretches[4];
    stretches[3].normalsFirst = true;
    for (int k = 0; k < 5; ++k) {
        TestMesh t(rng, 9 + 4 * k);
        if (k == 1)
            t.mesh->addModifier(&stretches[0]);
        if (k == 3)
            t.mesh->addModifier(&stretches[1]), t.mesh->addModifier(&stretches[2]);
        if (k == 4)
            t.mesh->addModifier(&stretches[3]);
        auto node = std::make_unique<SceneNode>();
        node->attachMesh(std::move(t.mesh));
        scene.addNode(node.get());
        nodes.push_back(std::move(node));
    }
    std::uniform_real_distribution<float> angle(-7.0f, 7.0f), offset(-25.0f, 25.0f);
    for (int frame = 0; frame < 30; ++frame) {
        for (auto& node : nodes) {
            node->setRotation(angle(rng), angle(rng), angle(rng));
            node->setPosition(offset(rng), offset(rng), frame == 7 ? 2.0f : -45.0f + offset(rng));
        }
        const Vec3 light = frame % 3 == 2 ? Vec3(0.3f, -0.5f, -0.8f) : Vec3(0.0f, 0.0f, -1.0f);
        for (StretchModifier& m : stretches)
            m.scale = 0.6f + 0.05f * float(frame % 17);

        scene.lightDirection = light;
        std::fill(pixels.begin(), pixels.end(), 0xFFFFFFFFu);
        scene.setTarget(pixels.data(), kW, kH);
        scene.render();
        const std::vector<uint32_t> depth(scene.depthBuffer.get(), scene.depthBuffer.get() + kW * kH);
        const Vec3 lightAfter = scene.lightDirection;

        scene.lightDirection = light;
        std::fill(pixels2.begin(), pixels2.end(), 0xFFFFFFFFu);
        scene.setTarget(pixels2.data(), kW, kH);
        std::fill_n(scene.depthBuffer.get(), kW * kH, 0xFFFFFFFFu);
        for (SceneNode* node = scene.nodes.first(); node; node = scene.nodes.next()) {
            node->world.setIdentity();
            node->world.multiply(node->rotation, node->world);
            node->world.setTranslation(node->position.x, node->position.y, node->position.z);
            node->mesh->renderReference();
        }
        ASSERT_EQ(pixels, pixels2) << "frame " << frame;
        if (frame != 7) {  // frame 7 puts every node around the viewer: little or nothing shows
            ASSERT_GT(std::count_if(pixels.begin(), pixels.end(), [](uint32_t p) { return p != 0xFFFFFFFFu; }), 2000);
        }
        ASSERT_EQ(std::memcmp(depth.data(), scene.depthBuffer.get(), sizeof(uint32_t) * kW * kH), 0) << frame;
        ASSERT_TRUE(sameBits(lightAfter, scene.lightDirection)) << frame;
    }
}

// The rasterizer's divisions run in double; the plain integer rasterizer,
// written out here, must fill exactly the same pixels and depths, for small
// triangles like the scenes' and for large ones near the fixed-point limit.
void drawSpanInteger(uint32_t* target, int32_t width, int32_t height, int32_t xa, int32_t xb, int32_t y, int32_t za,
                     int32_t zb, uint32_t color, uint32_t* depth)
{
    if (xa == xb)
        return;
    if (xb < xa)
        std::swap(xa, xb), std::swap(za, zb);
    if (y < 0 || y >= height)
        return;
    xa = std::min(std::max(xa, 0), width);
    xb = std::min(std::max(xb, 0), width);
    if (xa == xb)
        return;
    const int32_t n = xb - xa;
    const int32_t dz = int32_t(uint32_t(zb) - uint32_t(za)) / n;
    uint32_t z = uint32_t(za) + uint32_t(dz >> 1);
    for (int32_t i = 0; i < n; ++i, z += uint32_t(dz)) {
        const uint32_t k = uint32_t(int32_t(z) >> 8);
        if (k < depth[y * width + xa + i])
            target[y * width + xa + i] = color, depth[y * width + xa + i] = k;
    }
}

void drawTriangleInteger(uint32_t* target, int32_t width, int32_t height, ScreenVertex* v, uint32_t color,
                         uint32_t* depth)
{
    if (v[1].y > v[2].y) std::swap(v[1], v[2]);
    if (v[0].y > v[2].y) std::swap(v[0], v[2]);
    if (v[0].y > v[1].y) std::swap(v[0], v[1]);
    const ScreenVertex &p = v[0], &q = v[1], &r = v[2];
    if (p.y == r.y)
        return;
    struct E {
        uint32_t x, dx, z, dz;
        E(const ScreenVertex& a, const ScreenVertex& b)
            : x(uint32_t(a.x * 256)), dx(uint32_t((b.x - a.x) * 256 / (b.y - a.y))), z(uint32_t(a.depth * 256)),
              dz(uint32_t((b.depth - a.depth) * 256 / (b.y - a.y))) {}
    };
    E l(p, r);
    const auto rows = [&](int32_t from, int32_t to, E& s) {
        for (int32_t y = from; y < to; ++y, l.x += l.dx, l.z += l.dz, s.x += s.dx, s.z += s.dz)
            drawSpanInteger(target, width, height, int32_t(l.x) >> 8, int32_t(s.x) >> 8, y, int32_t(l.z),
                            int32_t(s.z), color, depth);
    };
    if (q.y > p.y) { E s(p, q); rows(p.y, q.y, s); }
    if (r.y > q.y) { E s(q, r); rows(q.y, r.y, s); }
}

TEST(Rasterizer, DoubleDivisionsFillTheSamePixelsAsIntegerOnes)
{
    std::mt19937 rng(41);
    std::vector<uint32_t> a(kW * kH), b(kW * kH), da(kW * kH, 0xFFFFFFFFu), db(kW * kH, 0xFFFFFFFFu);
    for (int i = 0; i < 4000; ++i) {
        const bool large = i % 4 == 0;
        const int32_t spread = large ? 4000000 : 40;  // differences stay inside the fixed-point limit
        std::uniform_int_distribution<int32_t> coord(-spread, spread), depthKey(-4000000, -100000);
        ScreenVertex v[3], w[3];
        const int32_t cx = large ? 0 : int32_t(rng() % kW), cy = large ? 0 : int32_t(rng() % kH);
        for (auto& s : v)
            s = ScreenVertex{cx + coord(rng) / (large && rng() % 2 ? 1000 : 1), cy + coord(rng) / (large ? 20000 : 1),
                             depthKey(rng)};
        std::memcpy(w, v, sizeof v);
        drawTriangle(a.data(), kW, kH, v, uint32_t(i), da.data());
        drawTriangleInteger(b.data(), kW, kH, w, uint32_t(i), db.data());
        ASSERT_EQ(a, b) << "triangle " << i;
        ASSERT_EQ(da, db) << "triangle " << i;
    }
}

}  // namespace
