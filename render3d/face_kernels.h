#pragma once
// The per-face and per-vertex arithmetic of drawing a mesh, done in batches
// over whole tables so that it can run several values at a time. Each kernel
// has a plain version and a SIMD one; both perform the same double-precision
// operations in the same order (packed operations round exactly like scalar
// ones), so they give the same bits, and both give exactly the values of the
// per-face functions in pipeline.h.
#include <cstdint>

#include "core/simd.h"
#include "render3d/fast_acos.h"
#include "render3d/mesh.h"
#include "render3d/pipeline.h"
#include "render3d/rasterizer.h"
#include "render3d/vector_math.h"

// Half-width of the band around a whole number in which a fast shade is not
// trusted: the arc cosine's error bound scaled to shade units, plus two
// roundings of values below 256.
constexpr double kShadeMargin = kShadePerRadian * kFastAcosError + 0x1p-43;

// The facing test by squares: with T = -0.2f, n . e < 0 passes when
// (n . e)^2 < T^2 (1 - 2^-40) |e|^2 |n|^2 and fails when it exceeds
// T^2 (1 + 2^-40) |e|^2 |n|^2; the few roundings on either side are far below
// that band. Outside the moderate range below, the quotient decides.
constexpr double kFacingThresholdSq = double(-0.2f) * double(-0.2f);
constexpr double kFacingPassBound = kFacingThresholdSq * (1.0 - 0x1p-40);
constexpr double kFacingFailBound = kFacingThresholdSq * (1.0 + 0x1p-40);
constexpr double kFacingMinSquare = 0x1p-500;
constexpr double kFacingMaxSquare = 0x1p500;
constexpr double kFacingMaxDot = 0x1p250;

// The faces to draw, in stored order: those that pass the facing test
// (facesViewer against `viewer`, in object space) and whose three vertices
// have a projection (projectedValid; null when every vertex has one). Writes
// their indices to `list` and returns how many there are.
//
// The facing test compares (n . e) / sqrt(|e|^2 |n|^2) with -0.2. A face
// with n . e >= 0 passes; otherwise the squares are compared, which needs
// neither the root nor the quotient, and only a face whose squared ratio
// lies within 2^-40 (relative) of the threshold's square, or whose values
// are not moderate, is decided by the quotient itself.
int32_t selectFacesScalar(const Vertex* vertices, const Face* faces, int32_t count, const Vec3& viewer,
                          const uint8_t* projectedValid, int32_t* list);

// The shade of each listed face under the normalised `light` (ll = its length
// squared in double), computed with the fast arc cosine: shade[k] for face
// list[k], with sure[k] = 0 where the scaled angle lies within kShadeMargin
// of a whole number (shade[k] is then 0; shadeFromCosine decides).
void shadeFacesScalar(const Face* faces, const int32_t* list, int32_t count, const Matrix4& world,
                      const Vec3& light, double ll, uint8_t* shade, uint8_t* sure);

// Face normals from the current vertices, as Mesh::computeNormals defines them.
void computeNormalsScalar(const Vertex* vertices, Face* faces, int32_t count);

// Each vertex through the world matrix and the projection (projectPoint);
// valid[i] is 0 where projectPoint refuses the point.
void projectVerticesScalar(const Matrix4& world, const Vertex* vertices, int32_t count, int32_t width,
                           int32_t height, float f, ScreenVertex* out, uint8_t* valid);

// The SIMD forms (face_kernels_simd.cpp): the same results, in lanes of
// doubles. computeNormalsSimd also writes, given a `facing` table, facing[i] =
// 1 where face i passes the facing test against `viewer` with its new normal
// (facesViewer), else 0, and returns whether it did.
int32_t selectFacesSimd(const Vertex* vertices, const Face* faces, int32_t count, const Vec3& viewer,
                        const uint8_t* projectedValid, int32_t* list);
void shadeFacesSimd(const Face* faces, const int32_t* list, int32_t count, const Matrix4& world,
                    const Vec3& light, double ll, uint8_t* shade, uint8_t* sure);
bool computeNormalsSimd(const Vertex* vertices, Face* faces, int32_t count, const Vec3* viewer, uint8_t* facing);
int32_t projectVerticesSimd(const Matrix4& world, const Vertex* vertices, int32_t count, int32_t width,
                            int32_t height, float f, ScreenVertex* out, uint8_t* valid);

// The entries: the SIMD form unless `form` is Plain.
// projectVertices returns how many vertices have a projection.
int32_t selectFaces(const Vertex* vertices, const Face* faces, int32_t count, const Vec3& viewer,
                    const uint8_t* projectedValid, int32_t* list, SimdForm form = simdForm());
void shadeFaces(const Face* faces, const int32_t* list, int32_t count, const Matrix4& world, const Vec3& light,
                double ll, uint8_t* shade, uint8_t* sure, SimdForm form = simdForm());
// computeNormalsBatch, given a `facing` table, also fills it as
// computeNormalsSimd does and returns true, or leaves it and returns false
// where the form has no such kernel (the plain one).
bool computeNormalsBatch(const Vertex* vertices, Face* faces, int32_t count, const Vec3* viewer = nullptr,
                         uint8_t* facing = nullptr, SimdForm form = simdForm());
// The indices of the faces with facing[i] set (and, where projectedValid is
// given, all three vertices projected), in stored order; returns how many.
int32_t listFacingFaces(const uint8_t* facing, const Face* faces, int32_t count, const uint8_t* projectedValid,
                        int32_t* list);
int32_t projectVertices(const Matrix4& world, const Vertex* vertices, int32_t count, int32_t width,
                        int32_t height, float f, ScreenVertex* out, uint8_t* valid, SimdForm form = simdForm());
