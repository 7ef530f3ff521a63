#include "render3d/face_kernels.h"

int32_t selectFaces(const Vertex* vertices, const Face* faces, int32_t count, const Vec3& viewer,
                    const uint8_t* projectedValid, int32_t* list, SimdForm form)
{
    if (form != SimdForm::Plain)
        return selectFacesSimd(vertices, faces, count, viewer, projectedValid, list);
    return selectFacesScalar(vertices, faces, count, viewer, projectedValid, list);
}

void shadeFaces(const Face* faces, const int32_t* list, int32_t count, const Matrix4& world, const Vec3& light,
                double ll, uint8_t* shade, uint8_t* sure, SimdForm form)
{
    if (form != SimdForm::Plain)
        return shadeFacesSimd(faces, list, count, world, light, ll, shade, sure);
    shadeFacesScalar(faces, list, count, world, light, ll, shade, sure);
}

bool computeNormalsBatch(const Vertex* vertices, Face* faces, int32_t count, const Vec3* viewer, uint8_t* facing,
                         SimdForm form)
{
    if (form != SimdForm::Plain)
        return computeNormalsSimd(vertices, faces, count, facing ? viewer : nullptr, facing);
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
    if (form != SimdForm::Plain)
        return projectVerticesSimd(world, vertices, count, width, height, f, out, valid);
    projectVerticesScalar(world, vertices, count, width, height, f, out, valid);
    int32_t validCount = 0;
    for (int32_t i = 0; i < count; ++i)
        validCount += valid[i];
    return validCount;
}
