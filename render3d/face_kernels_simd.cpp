// The face and vertex kernels in lanes of doubles. For the face kernels a
// block of up to kBlock faces is gathered from the tables into one array per
// component (plain loads: faces reach their vertices through indices), worked
// on one vector at a time, and its results are scattered back; the block's
// last vector is padded with zeros, whose lanes are never stored. The
// projection reads the vertex table a vector at a time. Every value goes
// through the same operations in the same order as in the plain kernels
// (packed operations round exactly like scalar ones, and there is no fused
// multiply-add), so the results are the same bits.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "render3d/face_kernels_simd.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include <algorithm>
#include <initializer_list>

#include "render3d/face_kernels.h"

HWY_BEFORE_NAMESPACE();
namespace face_simd::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if HWY_HAVE_FLOAT64 && HWY_TARGET != HWY_SCALAR
using D = hn::ScalableTag<double>;
using V = hn::Vec<D>;
using M = hn::Mask<D>;
const D d;
const hn::Rebind<float, D> df;
const hn::Rebind<int32_t, D> di;
const hn::Rebind<uint8_t, D> db;

// A multiple of every target's lane count, and small enough that the tests'
// counts (up to 21) span more than one block.
constexpr int32_t kBlock = 16;

// One component of a block.
struct Column {
    HWY_ALIGN float at[kBlock];
};

// m items rounded up to whole vectors; the padding lanes are set to zero.
int32_t Pad(int32_t m, std::initializer_list<Column*> columns)
{
    const int32_t n = int32_t(hn::Lanes(d));
    const int32_t padded = (m + n - 1) / n * n;
    for (Column* c : columns)
        for (int32_t j = m; j < padded; ++j)
            c->at[j] = 0.0f;
    return padded;
}

V Widen(const Column& c, int32_t j) { return hn::PromoteTo(d, hn::Load(df, c.at + j)); }
V Splat(float v) { return hn::Set(d, double(v)); }
// Rounds every lane to float and back, as storing into a float field does.
V RoundToFloat(V v) { return hn::PromoteTo(d, hn::DemoteTo(df, v)); }

// (a.x b.x + a.y b.y) + a.z b.z, the order of the plain dot products.
V Dot3(V ax, V ay, V az, V bx, V by, V bz)
{
    return hn::Add(hn::Add(hn::Mul(ax, bx), hn::Mul(ay, by)), hn::Mul(az, bz));
}

// A byte per lane: 1 where the mask is set, else 0.
void StoreFlags(M m, uint8_t* out)
{
    hn::StoreU(hn::DemoteTo(db, hn::DemoteTo(di, hn::IfThenElseZero(m, hn::Set(d, 1.0)))), db, out);
}

// The facing test of selectFacesScalar for normals n and viewer offsets e:
// by squares where that is sure, else by facesViewer's own quotient.
M Facing(V nx, V ny, V nz, V ex, V ey, V ez)
{
    const V s = hn::Mul(Dot3(ex, ey, ez, ex, ey, ez), Dot3(nx, ny, nz, nx, ny, nz));
    const V dne = Dot3(nx, ny, nz, ex, ey, ez);
    const V dd = hn::Mul(dne, dne);
    const M inRange = hn::And(hn::Gt(s, hn::Set(d, kFacingMinSquare)), hn::Lt(s, hn::Set(d, kFacingMaxSquare)));
    const M moderate = hn::And(inRange, hn::Lt(hn::Abs(dne), hn::Set(d, kFacingMaxDot)));
    const M pass = hn::Or(hn::Ge(dne, hn::Zero(d)), hn::Lt(dd, hn::Mul(hn::Set(d, kFacingPassBound), s)));
    const M fail = hn::Gt(dd, hn::Mul(hn::Set(d, kFacingFailBound), s));
    const M bySquares = hn::And(moderate, pass);
    const M decided = hn::And(moderate, hn::Or(pass, fail));
    if (hn::AllTrue(d, decided))
        return bySquares;
    // Near the threshold, or values out of range: the quotient decides.
    const M byQuotient = hn::Gt(hn::Div(dne, hn::Sqrt(s)), hn::Set(d, double(-0.2f)));
    return hn::Or(bySquares, hn::AndNot(decided, byQuotient));
}

int32_t SelectFaces(const Vertex* HWY_RESTRICT vertices, const Face* HWY_RESTRICT faces, int32_t count,
                    const Vec3& viewer, const uint8_t* HWY_RESTRICT projectedValid, int32_t* HWY_RESTRICT list)
{
    const V cx = Splat(viewer.x), cy = Splat(viewer.y), cz = Splat(viewer.z);
    Column nx, ny, nz, px, py, pz;
    HWY_ALIGN uint8_t facing[kBlock];
    int32_t selected = 0;
    for (int32_t i = 0; i < count; i += kBlock) {
        const int32_t m = std::min(kBlock, count - i);
        for (int32_t j = 0; j < m; ++j) {
            const Face& face = faces[i + j];
            const Vec3& p0 = vertices[face.indices[0]].position;
            nx.at[j] = face.normal.x, ny.at[j] = face.normal.y, nz.at[j] = face.normal.z;
            px.at[j] = p0.x, py.at[j] = p0.y, pz.at[j] = p0.z;
        }
        const int32_t padded = Pad(m, {&nx, &ny, &nz, &px, &py, &pz});
        for (int32_t j = 0; j < padded; j += int32_t(hn::Lanes(d)))
            StoreFlags(Facing(Widen(nx, j), Widen(ny, j), Widen(nz, j), hn::Sub(cx, Widen(px, j)),
                              hn::Sub(cy, Widen(py, j)), hn::Sub(cz, Widen(pz, j))),
                       facing + j);
        for (int32_t j = 0; j < m; ++j) {
            const int32_t* k = faces[i + j].indices;
            const bool projected =
                !projectedValid || (projectedValid[k[0]] && projectedValid[k[1]] && projectedValid[k[2]]);
            if (facing[j] && projected)
                list[selected++] = i + j;
        }
    }
    return selected;
}

// fastAcos, lane for lane.
V FastAcos(V q)
{
    using namespace fast_acos_detail;
    const auto c = [](double v) { return hn::Set(d, v); };
    // c + a b, as the plain arc cosine's Horner steps.
    const auto mad = [&](V a, V b, double k) { return hn::Add(c(k), hn::Mul(a, b)); };
    const V aq = hn::Abs(q);
    const M small = hn::Le(aq, c(0.5));
    const V zBig = hn::Mul(hn::Sub(c(1.0), aq), c(0.5));
    const V z = hn::IfThenElse(small, hn::Mul(q, q), zBig);
    const V s = hn::IfThenElse(small, q, hn::Sqrt(zBig));
    const V p = hn::Mul(z, mad(z, mad(z, mad(z, mad(z, mad(z, c(pS5), pS4), pS3), pS2), pS1), pS0));
    const V den = mad(z, mad(z, mad(z, mad(z, c(qS4), qS3), qS2), qS1), 1.0);
    const V asinS = hn::Add(s, hn::Mul(s, hn::Div(p, den)));
    const V twice = hn::Add(asinS, asinS);
    const V big = hn::IfThenElse(hn::Gt(q, hn::Zero(d)), twice, hn::Sub(c(kPi), twice));
    return hn::IfThenElse(small, hn::Sub(c(kHalfPi), asinS), big);
}

void ShadeFaces(const Face* HWY_RESTRICT faces, const int32_t* HWY_RESTRICT list, int32_t count, const Matrix4& w,
                const Vec3& light, double lightLengthSq, uint8_t* HWY_RESTRICT shade, uint8_t* HWY_RESTRICT sure)
{
    const V lx = Splat(light.x), ly = Splat(light.y), lz = Splat(light.z);
    const V ll = hn::Set(d, lightLengthSq);
    const V one = hn::Set(d, 1.0), minusOne = hn::Set(d, -1.0);
    const V perRadian = hn::Set(d, kShadePerRadian), margin = hn::Set(d, kShadeMargin);
    const V m00 = Splat(w.m[0][0]), m10 = Splat(w.m[1][0]), m20 = Splat(w.m[2][0]);
    const V m01 = Splat(w.m[0][1]), m11 = Splat(w.m[1][1]), m21 = Splat(w.m[2][1]);
    const V m02 = Splat(w.m[0][2]), m12 = Splat(w.m[1][2]), m22 = Splat(w.m[2][2]);
    Column nx, ny, nz;
    HWY_ALIGN double cosines[kBlock];
    HWY_ALIGN uint8_t shades[kBlock], sures[kBlock];
    for (int32_t k = 0; k < count; k += kBlock) {
        const int32_t m = std::min(kBlock, count - k);
        for (int32_t j = 0; j < m; ++j) {
            const Vec3& n = faces[list[k + j]].normal;
            nx.at[j] = n.x, ny.at[j] = n.y, nz.at[j] = n.z;
        }
        const int32_t padded = Pad(m, {&nx, &ny, &nz});
        // Two passes, the cosines of the block and then their arc cosines, so
        // that the roots and divisions of several vectors are under way at once.
        for (int32_t j = 0; j < padded; j += int32_t(hn::Lanes(d))) {
            const V x = Widen(nx, j), y = Widen(ny, j), z = Widen(nz, j);
            // World normal (rotateVector, rounded to float) and its cosine with the light.
            const V mx = RoundToFloat(Dot3(x, y, z, m00, m10, m20));
            const V my = RoundToFloat(Dot3(x, y, z, m01, m11, m21));
            const V mz = RoundToFloat(Dot3(x, y, z, m02, m12, m22));
            const V mm = Dot3(mx, my, mz, mx, my, mz);
            hn::Store(hn::Div(Dot3(mx, my, mz, lx, ly, lz), hn::Sqrt(hn::Mul(mm, ll))), d, cosines + j);
        }
        for (int32_t j = 0; j < padded; j += int32_t(hn::Lanes(d))) {
            V q = hn::Load(d, cosines + j);
            // Clamp to -1 ... 1; not a number counts as -1.
            q = hn::IfThenElse(hn::Gt(q, one), one, q);
            q = hn::IfThenElse(hn::Ge(q, minusOne), q, minusOne);
            const V v = hn::Mul(FastAcos(q), perRadian);
            const auto certain =
                hn::Eq(hn::DemoteTo(di, hn::Sub(v, margin)), hn::DemoteTo(di, hn::Add(v, margin)));
            hn::StoreU(hn::DemoteTo(db, hn::IfThenElseZero(certain, hn::DemoteTo(di, v))), db, shades + j);
            hn::StoreU(hn::DemoteTo(db, hn::IfThenElseZero(certain, hn::Set(di, 1))), db, sures + j);
        }
        std::copy(shades, shades + m, shade + k);
        std::copy(sures, sures + m, sure + k);
    }
}

bool ComputeNormals(const Vertex* HWY_RESTRICT vertices, Face* HWY_RESTRICT faces, int32_t count, const Vec3* viewer,
                    uint8_t* HWY_RESTRICT facing)
{
    const Vec3 c = viewer ? *viewer : Vec3(0.0f, 0.0f, 0.0f);
    const V cx = Splat(c.x), cy = Splat(c.y), cz = Splat(c.z);
    Column p[3][3];  // corner, component
    Column out[3];
    HWY_ALIGN uint8_t facingOut[kBlock];
    for (int32_t i = 0; i < count; i += kBlock) {
        const int32_t m = std::min(kBlock, count - i);
        for (int32_t j = 0; j < m; ++j)
            for (int k = 0; k < 3; ++k) {
                const Vec3& v = vertices[faces[i + j].indices[k]].position;
                p[k][0].at[j] = v.x, p[k][1].at[j] = v.y, p[k][2].at[j] = v.z;
            }
        const int32_t padded = Pad(m, {&p[0][0], &p[0][1], &p[0][2], &p[1][0], &p[1][1], &p[1][2], &p[2][0],
                                       &p[2][1], &p[2][2]});
        for (int32_t j = 0; j < padded; j += int32_t(hn::Lanes(d))) {
            // The edge vectors A = P0 - P1 and B = P0 - P2 in float; the cross
            // product N = A x B and its length in double.
            const auto edge = [&](int corner, int axis) {
                return hn::PromoteTo(d, hn::Sub(hn::Load(df, p[0][axis].at + j), hn::Load(df, p[corner][axis].at + j)));
            };
            const V ax = edge(1, 0), ay = edge(1, 1), az = edge(1, 2);
            const V bx = edge(2, 0), by = edge(2, 1), bz = edge(2, 2);
            const V nx = hn::Sub(hn::Mul(ay, bz), hn::Mul(az, by));
            const V ny = hn::Sub(hn::Mul(az, bx), hn::Mul(ax, bz));
            const V nz = hn::Sub(hn::Mul(ax, by), hn::Mul(ay, bx));
            const V s = hn::Div(hn::Set(d, 1.0), hn::Sqrt(Dot3(nx, ny, nz, nx, ny, nz)));
            const auto fx = hn::DemoteTo(df, hn::Mul(nx, s));
            const auto fy = hn::DemoteTo(df, hn::Mul(ny, s));
            const auto fz = hn::DemoteTo(df, hn::Mul(nz, s));
            hn::Store(fx, df, out[0].at + j);
            hn::Store(fy, df, out[1].at + j);
            hn::Store(fz, df, out[2].at + j);
            if (facing)  // the test of the stored normals, as selectFaces makes it
                StoreFlags(Facing(hn::PromoteTo(d, fx), hn::PromoteTo(d, fy), hn::PromoteTo(d, fz),
                                  hn::Sub(cx, Widen(p[0][0], j)), hn::Sub(cy, Widen(p[0][1], j)),
                                  hn::Sub(cz, Widen(p[0][2], j))),
                           facingOut + j);
        }
        for (int32_t j = 0; j < m; ++j)
            faces[i + j].normal = Vec3(out[0].at[j], out[1].at[j], out[2].at[j]);
        if (facing)
            std::copy(facingOut, facingOut + m, facing + i);
    }
    return facing != nullptr;
}

int32_t ProjectVertices(const Matrix4& w, const Vertex* HWY_RESTRICT vertices, int32_t count, int32_t width,
                        int32_t height, float f, ScreenVertex* HWY_RESTRICT out, uint8_t* HWY_RESTRICT valid)
{
    const int32_t n = int32_t(hn::Lanes(d));
    const V focal = Splat(f);
    const V halfWidth = hn::Set(d, width * 0.5), halfHeight = hn::Set(d, height * 0.5);
    const V depthScale = hn::Set(d, 16777215.0);
    const V lowest = hn::Set(d, -2147483649.0), beyond = hn::Set(d, 2147483648.0);
    V m[4][3];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c)
            m[r][c] = Splat(w.m[r][c]);
    int32_t validCount = 0;
    int32_t i = 0;
    // Positions and records are tables of three 32-bit fields, read and
    // written a vector of each field at a time. Groups of up to kGroups
    // vectors go in two passes (the world positions, then the divisions), so
    // that the divisions of several vectors are under way at once.
    constexpr int32_t kGroups = 4;
    V wx[kGroups], wy[kGroups], wz[kGroups];
    while (i + n <= count) {
        const int32_t groups = std::min(kGroups, (count - i) / n);
        for (int32_t g = 0; g < groups; ++g) {
            hn::Vec<decltype(df)> x, y, z;
            hn::LoadInterleaved3(df, &vertices[i + g * n].position.x, x, y, z);
            const V px = hn::PromoteTo(d, x), py = hn::PromoteTo(d, y), pz = hn::PromoteTo(d, z);
            // transformPoint: ((x m0c + y m1c) + z m2c) + m3c, rounded to float.
            const auto transform = [&](int c) {
                return RoundToFloat(hn::Add(
                    hn::Add(hn::Add(hn::Mul(px, m[0][c]), hn::Mul(py, m[1][c])), hn::Mul(pz, m[2][c])), m[3][c]));
            };
            wx[g] = transform(0), wy[g] = transform(1), wz[g] = transform(2);
        }
        for (int32_t g = 0; g < groups; ++g, i += n) {
            const V minusZ = hn::Neg(wz[g]);
            const V sx = hn::Add(halfWidth, hn::Div(hn::Mul(wx[g], focal), minusZ));
            const V sy = hn::Add(hn::Div(hn::Mul(wy[g], focal), minusZ), halfHeight);
            const V depth = hn::Div(depthScale, wz[g]);
            const auto fits = [&](V v) { return hn::And(hn::Gt(v, lowest), hn::Lt(v, beyond)); };
            const M fine = hn::And(hn::And(hn::Lt(wz[g], hn::Zero(d)), fits(sx)), hn::And(fits(sy), fits(depth)));
            // A refused vertex keeps 0 in every field: its lanes are zeroed
            // before the conversion; the others fit, so they truncate exactly.
            hn::StoreInterleaved3(hn::DemoteTo(di, hn::IfThenElseZero(fine, sx)),
                                  hn::DemoteTo(di, hn::IfThenElseZero(fine, sy)),
                                  hn::DemoteTo(di, hn::IfThenElseZero(fine, depth)), di, &out[i].x);
            StoreFlags(fine, valid + i);
            validCount += int32_t(hn::CountTrue(d, fine));
        }
    }
    if (i < count) {  // the last vertices, fewer than a vector
        projectVerticesScalar(w, vertices + i, count - i, width, height, f, out + i, valid + i);
        for (; i < count; ++i)
            validCount += valid[i];
    }
    return validCount;
}

#else

// Highway's fallback target, SCALAR, has one lane, and its WebAssembly target
// has no double lanes: there the plain forms are the SIMD forms.
int32_t SelectFaces(const Vertex* HWY_RESTRICT vertices, const Face* HWY_RESTRICT faces, int32_t count,
                    const Vec3& viewer, const uint8_t* HWY_RESTRICT projectedValid, int32_t* HWY_RESTRICT list)
{
    return selectFacesScalar(vertices, faces, count, viewer, projectedValid, list);
}

void ShadeFaces(const Face* HWY_RESTRICT faces, const int32_t* HWY_RESTRICT list, int32_t count, const Matrix4& w,
                const Vec3& light, double lightLengthSq, uint8_t* HWY_RESTRICT shade, uint8_t* HWY_RESTRICT sure)
{
    shadeFacesScalar(faces, list, count, w, light, lightLengthSq, shade, sure);
}

bool ComputeNormals(const Vertex* HWY_RESTRICT vertices, Face* HWY_RESTRICT faces, int32_t count, const Vec3*,
                    uint8_t*)
{
    computeNormalsScalar(vertices, faces, count);
    return false;
}

int32_t ProjectVertices(const Matrix4& w, const Vertex* HWY_RESTRICT vertices, int32_t count, int32_t width,
                        int32_t height, float f, ScreenVertex* HWY_RESTRICT out, uint8_t* HWY_RESTRICT valid)
{
    projectVerticesScalar(w, vertices, count, width, height, f, out, valid);
    return int32_t(std::count(valid, valid + count, 1));
}

#endif  // HWY_HAVE_FLOAT64 && HWY_TARGET != HWY_SCALAR

}  // namespace face_simd::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace face_simd {
HWY_EXPORT(SelectFaces);
HWY_EXPORT(ShadeFaces);
HWY_EXPORT(ComputeNormals);
HWY_EXPORT(ProjectVertices);

// Called from inside the namespace that holds the dispatch tables.
int32_t selectFaces(const Vertex* vertices, const Face* faces, int32_t count, const Vec3& viewer,
                    const uint8_t* projectedValid, int32_t* list)
{
    return HWY_DYNAMIC_DISPATCH(SelectFaces)(vertices, faces, count, viewer, projectedValid, list);
}

void shadeFaces(const Face* faces, const int32_t* list, int32_t count, const Matrix4& world, const Vec3& light,
                double ll, uint8_t* shade, uint8_t* sure)
{
    HWY_DYNAMIC_DISPATCH(ShadeFaces)(faces, list, count, world, light, ll, shade, sure);
}

bool computeNormals(const Vertex* vertices, Face* faces, int32_t count, const Vec3* viewer, uint8_t* facing)
{
    return HWY_DYNAMIC_DISPATCH(ComputeNormals)(vertices, faces, count, viewer, facing);
}

int32_t projectVertices(const Matrix4& world, const Vertex* vertices, int32_t count, int32_t width, int32_t height,
                        float f, ScreenVertex* out, uint8_t* valid)
{
    return HWY_DYNAMIC_DISPATCH(ProjectVertices)(world, vertices, count, width, height, f, out, valid);
}
}  // namespace face_simd

int32_t selectFacesSimd(const Vertex* vertices, const Face* faces, int32_t count, const Vec3& viewer,
                        const uint8_t* projectedValid, int32_t* list)
{
    return face_simd::selectFaces(vertices, faces, count, viewer, projectedValid, list);
}

void shadeFacesSimd(const Face* faces, const int32_t* list, int32_t count, const Matrix4& world, const Vec3& light,
                    double ll, uint8_t* shade, uint8_t* sure)
{
    face_simd::shadeFaces(faces, list, count, world, light, ll, shade, sure);
}

bool computeNormalsSimd(const Vertex* vertices, Face* faces, int32_t count, const Vec3* viewer, uint8_t* facing)
{
    return face_simd::computeNormals(vertices, faces, count, viewer, facing);
}

int32_t projectVerticesSimd(const Matrix4& world, const Vertex* vertices, int32_t count, int32_t width,
                            int32_t height, float f, ScreenVertex* out, uint8_t* valid)
{
    return face_simd::projectVertices(world, vertices, count, width, height, f, out, valid);
}
#endif
