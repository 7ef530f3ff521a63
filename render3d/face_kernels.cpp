#include "render3d/face_kernels.h"

int32_t selectFaces(const Vertex* vertices, const Face* faces, int32_t count, const Vec3& viewer,
                    const uint8_t* projectedValid, int32_t* list, SimdForm form)
{
#if defined(QUARNEL_X86_SIMD)
    if (form >= SimdForm::Sse2)
        return selectFacesSse2(vertices, faces, count, viewer, projectedValid, list);
#endif
    return selectFacesScalar(vertices, faces, count, viewer, projectedValid, list);
}

void shadeFaces(const Face* faces, const int32_t* list, int32_t count, const Matrix4& world, const Vec3& light,
                double ll, uint8_t* shade, uint8_t* sure, SimdForm form)
{
#if defined(QUARNEL_X86_SIMD)
    if (form >= SimdForm::Avx)
        return shadeFacesAvx(faces, list, count, world, light, ll, shade, sure);
    if (form >= SimdForm::Sse2)
        return shadeFacesSse2(faces, list, count, world, light, ll, shade, sure);
#endif
    shadeFacesScalar(faces, list, count, world, light, ll, shade, sure);
}

bool computeNormalsBatch(const Vertex* vertices, Face* faces, int32_t count, int32_t vertexCount, float* padded,
                         const Vec3* viewer, uint8_t* facing, SimdForm form)
{
#if defined(QUARNEL_X86_SIMD)
    if (padded && form >= SimdForm::Avx) {
        computeNormalsAvx(vertices, vertexCount, padded, faces, count, facing ? viewer : nullptr, facing);
        return facing != nullptr;
    }
    if (form >= SimdForm::Sse2) {
        computeNormalsSse2(vertices, faces, count);
        return false;
    }
#else
    (void)vertexCount;
    (void)padded;
    (void)viewer;
    (void)facing;
    (void)form;
#endif
    computeNormalsScalar(vertices, faces, count);
    return false;
}

int32_t listFacingFaces(const uint8_t* facing, const Face* faces, int32_t count, const uint8_t* projectedValid,
                        int32_t* list)
{
    int32_t selected = 0;
    if (!projectedValid) {
        // Branch-free: every index is written, and kept only where facing.
        for (int32_t i = 0; i < count; ++i) {
            list[selected] = i;
            selected += facing[i];
        }
        return selected;
    }
    for (int32_t i = 0; i < count; ++i) {
        const Face& face = faces[i];
        if (facing[i] && projectedValid[face.indices[0]] && projectedValid[face.indices[1]] &&
            projectedValid[face.indices[2]])
            list[selected++] = i;
    }
    return selected;
}

int32_t projectVertices(const Matrix4& world, const Vertex* vertices, int32_t count, int32_t width,
                        int32_t height, float f, ScreenVertex* out, uint8_t* valid, SimdForm form)
{
#if defined(QUARNEL_X86_SIMD)
    if (form >= SimdForm::Avx)
        return projectVerticesAvx(world, vertices, count, width, height, f, out, valid);
    if (form >= SimdForm::Sse2)
        projectVerticesSse2(world, vertices, count, width, height, f, out, valid);
    else
#endif
        projectVerticesScalar(world, vertices, count, width, height, f, out, valid);
    int32_t validCount = 0;
    for (int32_t i = 0; i < count; ++i)
        validCount += valid[i];
    return validCount;
}
