// The sphere generator and the wobble modifier shared by both 3D scenes.
#include <gtest/gtest.h>

#include <cmath>

#include "effects/spheres/sphere_mesh.h"
#include "effects/spheres/wobble_modifier.h"

namespace {

TEST(SphereMesh, GridColoursAndOutwardNormals)
{
    auto node = makeSphereNode(7, 16);
    const Mesh& mesh = *node->mesh;
    EXPECT_EQ(mesh.owner, node.get());
    EXPECT_EQ(mesh.vertexCount, 1089);
    EXPECT_EQ(mesh.faceCount, 2048);
    EXPECT_EQ(node->position.z, -18.0f);

    const auto at = [&](int ring, int meridian) { return mesh.vertices[ring * 33 + meridian].position; };
    EXPECT_EQ(at(0, 5).y, 7.0f);            // north pole
    EXPECT_NEAR(at(32, 0).y, -7.0f, 1e-6);  // south pole
    EXPECT_NEAR(at(16, 0).z, 7.0f, 1e-6);   // equator, meridian 0 on +z
    EXPECT_NEAR(at(16, 8).x, 7.0f, 1e-6);   // a quarter turn on, +x

    // Bands: cyan at the poles, deep blue at the equator; red always 0.
    const auto band = [&](int ring, int k) { return mesh.faces[64 * ring + k].color; };
    EXPECT_EQ(band(0, 0)[0] + band(0, 0)[1] + band(0, 0)[2], 0 + 255 + 255);
    EXPECT_EQ(band(16, 63)[1], 32);
    EXPECT_EQ(band(16, 63)[2], 128);
    EXPECT_EQ(band(31, 0)[1], 245);
    EXPECT_EQ(band(31, 0)[2], 249);

    // Every ring-0 vertex is exactly the pole, so the first triangle of each
    // ring-0 cell has no normal; elsewhere the winding makes normals point out.
    int nanFaces = 0;
    for (int f = 0; f < mesh.faceCount; ++f) {
        const Face& face = mesh.faces[f];
        if (std::isnan(face.normal.x)) {
            EXPECT_TRUE(f < 64 && f % 2 == 0) << f;
            ++nanFaces;
        } else if (f >= 64 && f < 64 * 31) {
            const Vec3& p = mesh.vertices[face.indices[0]].position;
            EXPECT_GT(p.x * face.normal.x + p.y * face.normal.y + p.z * face.normal.z, 0.0f) << f;
        }
    }
    EXPECT_EQ(nanFaces, 32);
}

TEST(WobbleModifier, EachAxisIsScaledByTheWavesAboutTheOtherTwo)
{
    Mesh mesh;
    mesh.allocate(3, 1);
    const Vec3 points[3] = {{1, 1, 0}, {0, 1, 0}, {0, 0, 1}};
    for (int i = 0; i < 3; ++i)
        mesh.baseVertices[i].position = points[i];
    mesh.faces[0].indices[0] = 0, mesh.faces[0].indices[1] = 1, mesh.faces[0].indices[2] = 2;
    WobbleModifier wobble(1);
    mesh.addModifier(&wobble);
    const auto run = [&](float amplitude, float phase) {
        mesh.vertices = mesh.baseVertices.get();
        wobble.amplitude = amplitude;
        wobble.phase = phase;
        wobble.apply();
        EXPECT_EQ(mesh.vertices, wobble.output.get());
    };

    run(0.0f, 1.234f);  // no amplitude: every factor is exactly 1
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(mesh.vertices[i].position.x, points[i].x);

    // (1, 1, 0) at phase 0: g = 1, d = 1 - A (the x/z angle pi/2 enters
    // negated), f = 1 + A sin(pi/4). (0, 0, 1): g = 1 + A.
    run(0.5f, 0.0f);
    const double f = 1 + 0.5 * std::sin(M_PI / 4);
    EXPECT_FLOAT_EQ(mesh.vertices[0].position.x, float(f * 0.5));
    EXPECT_FLOAT_EQ(mesh.vertices[0].position.y, float(f));
    EXPECT_FLOAT_EQ(mesh.vertices[2].position.z, 1.5f);
    EXPECT_FALSE(std::isnan(mesh.faces[0].normal.x));

    // Phase pi/2 on (0, 1, 0): +phase in g, -phase in f, so y is scaled by 1.5 * 0.5.
    run(0.5f, float(M_PI / 2));
    EXPECT_FLOAT_EQ(mesh.vertices[1].position.y, 0.75f);
    EXPECT_EQ(mesh.baseVertices[1].position.y, 1.0f);
}

}  // namespace
