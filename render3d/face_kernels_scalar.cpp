// The plain face and vertex kernels: the per-face functions of pipeline.h
// applied over whole tables, the reference for the SIMD kernels.
#include <cmath>

#include "render3d/face_kernels.h"
#include "render3d/fast_acos.h"
#include "render3d/pipeline.h"

namespace {

bool facesViewerBySquares(const Vec3& n, const Vec3& p0, const Vec3& c)
{
    const double ex = double(c.x) - p0.x, ey = double(c.y) - p0.y, ez = double(c.z) - p0.z;
    const double ee = ex * ex + ey * ey + ez * ez;
    const double nn = n.x * double(n.x) + n.y * double(n.y) + n.z * double(n.z);
    const double dne = n.x * ex + n.y * ey + n.z * ez;
    const double s = ee * nn;
    if (s > kFacingMinSquare && s < kFacingMaxSquare && std::fabs(dne) < kFacingMaxDot) {
        if (dne >= 0.0)
            return true;
        const double dd = dne * dne;
        if (dd < kFacingPassBound * s)
            return true;
        if (dd > kFacingFailBound * s)
            return false;
    }
    return facesViewer(n, p0, c);
}

}  // namespace

int32_t selectFacesScalar(const Vertex* vertices, const Face* faces, int32_t count, const Vec3& viewer,
                          const uint8_t* projectedValid, int32_t* list)
{
    int32_t selected = 0;
    for (int32_t i = 0; i < count; ++i) {
        const Face& face = faces[i];
        if ((!projectedValid ||
             (projectedValid[face.indices[0]] && projectedValid[face.indices[1]] && projectedValid[face.indices[2]])) &&
            facesViewerBySquares(face.normal, vertices[face.indices[0]].position, viewer))
            list[selected++] = i;
    }
    return selected;
}

void shadeFacesScalar(const Face* faces, const int32_t* list, int32_t count, const Matrix4& world,
                      const Vec3& light, double ll, uint8_t* shade, uint8_t* sure)
{
    for (int32_t k = 0; k < count; ++k) {
        double q = shadeCosine(world.rotateVector(faces[list[k]].normal), light, ll);
        if (q > 1.0)
            q = 1.0;
        else if (!(q >= -1.0))
            q = -1.0;
        const double v = fastAcos(q) * kShadePerRadian;
        const bool certain = int32_t(v - kShadeMargin) == int32_t(v + kShadeMargin);
        sure[k] = certain ? 1 : 0;
        shade[k] = certain ? uint8_t(int32_t(v)) : 0;
    }
}

void computeNormalsScalar(const Vertex* vertices, Face* faces, int32_t count)
{
    for (int32_t i = 0; i < count; ++i) {
        Face& face = faces[i];
        const Vec3& p0 = vertices[face.indices[0]].position;
        const Vec3& p1 = vertices[face.indices[1]].position;
        const Vec3& p2 = vertices[face.indices[2]].position;
        // The edge vectors are float values; the cross product and its length
        // are carried in double. N = (P1 - P0) x (P2 - P0).
        const float ax = p0.x - p1.x, ay = p0.y - p1.y, az = p0.z - p1.z;
        const float bx = p0.x - p2.x, by = p0.y - p2.y, bz = p0.z - p2.z;
        const double nx = double(ay) * bz - double(az) * by;
        const double ny = double(az) * bx - double(ax) * bz;
        const double nz = double(ax) * by - double(ay) * bx;
        const double s = 1.0 / std::sqrt(nx * nx + ny * ny + nz * nz);
        face.normal = Vec3(float(nx * s), float(ny * s), float(nz * s));
    }
}

void projectVerticesScalar(const Matrix4& world, const Vertex* vertices, int32_t count, int32_t width,
                           int32_t height, float f, ScreenVertex* out, uint8_t* valid)
{
    for (int32_t i = 0; i < count; ++i) {
        valid[i] = projectPoint(world.transformPoint(vertices[i].position), width, height, f, out[i]) ? 1 : 0;
        if (!valid[i])
            out[i] = ScreenVertex{0, 0, 0};
    }
}
