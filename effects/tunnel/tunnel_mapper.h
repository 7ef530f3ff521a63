#pragma once
// Textured tunnel renderer. One sight line is traced per node of a coarse grid
// (one node every blockSize pixels, one row and column past the far edges);
// each node becomes a texture coordinate pair, and every blockSize x blockSize
// block of pixels is filled by interpolating its four corner nodes in 24.8
// fixed point. No pixel is traced on its own.
#include <cstdint>
#include <memory>

#include "render3d/vector_math.h"

// Texture coordinates of one grid node, in texels. Only the low 8 bits of the
// interpolated integer parts address the 256 x 256 texture.
struct TunnelNode {
    int32_t u;  // along the tunnel (texture column)
    int32_t v;  // around the tunnel, 0..256 (texture row)
};

class TunnelMapper {
public:
    static constexpr int kTextureSize = 256;
    // Distance reported when the sight line gives no usable (negative) root.
    static constexpr double kNoHit = 9999.0;

    int32_t width;
    int32_t height;
    int32_t blockSize;
    std::unique_ptr<Vec3[]> directions;  // unit view direction per node, row-major
    Vec3 position;                       // eye position
    Matrix4 rotation;                    // view rotation, translation row zero
    int32_t gridColumns;                 // width / blockSize
    int32_t gridRows;                    // height / blockSize
    std::unique_ptr<TunnelNode[]> nodes; // (gridColumns + 1) x (gridRows + 1), rewritten every frame
    const uint32_t* texture;             // 256 x 256 pixels, not owned

    TunnelMapper(int32_t width, int32_t height, const uint32_t* texture, int32_t blockSize);
    TunnelMapper(const TunnelMapper&) = delete;
    TunnelMapper& operator=(const TunnelMapper&) = delete;

    void setPosition(float x, float y, float z);
    void setRotation(float ax, float ay, float az);

    // Traces every node and fills every block of target (width x height pixels,
    // row stride width). phase drives the wobble of the cross-section.
    void render(uint32_t* target, int32_t phase);

    // The two halves of render, separable for measurement.
    void traceNodes(int32_t phase);
    void fillBlocks(uint32_t* target) const;

    TunnelNode& node(int32_t row, int32_t column) { return nodes[(gridColumns + 1) * row + column]; }
    const TunnelNode& node(int32_t row, int32_t column) const { return nodes[(gridColumns + 1) * row + column]; }

    // Distance along direction from origin to the cylinder x^2 + y^2 = 1: the
    // smaller root of the quadratic when it is negative, otherwise kNoHit
    // (no real root, a direction along the axis, or a non-negative root).
    static double cylinderHitDistance(const Vec3& origin, const Vec3& direction);
    // origin + distance * direction, each component rounded to float.
    static Vec3 cylinderHit(const Vec3& origin, const Vec3& direction);

    // Fills the n x n square whose top-left pixel is (x0, y0) by interpolating
    // the corner coordinates (TL, TR, BL, BR) in 24.8 fixed point.
    static void fillTextureBlock(uint32_t* target, int32_t stride, int32_t x0, int32_t y0, int32_t n,
                                 int32_t uTL, int32_t vTL, int32_t uTR, int32_t vTR,
                                 int32_t uBL, int32_t vBL, int32_t uBR, int32_t vBR,
                                 const uint32_t* texture);
};
