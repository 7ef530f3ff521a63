// The face and vertex kernels two at a time in packed doubles. Every value
// goes through the same operations in the same order as in the plain
// kernels; the gathers from the vertex and face tables stay scalar.
#include "render3d/face_kernels.h"

#if defined(QUARNEL_X86_SIMD)
#include <emmintrin.h>

namespace {

inline __m128d pair(float first, float second) { return _mm_set_pd(double(second), double(first)); }

// Rounds both lanes to float and back, as storing into a float field does.
inline __m128d roundToFloat(__m128d v) { return _mm_cvtps_pd(_mm_cvtpd_ps(v)); }

// (a.x b.x + a.y b.y) + a.z b.z, the order of the plain dot products.
inline __m128d dot3(__m128d ax, __m128d ay, __m128d az, __m128d bx, __m128d by, __m128d bz)
{
    return _mm_add_pd(_mm_add_pd(_mm_mul_pd(ax, bx), _mm_mul_pd(ay, by)), _mm_mul_pd(az, bz));
}

inline __m128d splat(float v) { return _mm_set1_pd(double(v)); }

}  // namespace

int32_t selectFacesSse2(const Vertex* vertices, const Face* faces, int32_t count, const Vec3& viewer,
                        const uint8_t* projectedValid, int32_t* list)
{
    const __m128d cx = splat(viewer.x), cy = splat(viewer.y), cz = splat(viewer.z);
    const __m128d zero = _mm_setzero_pd();
    const __m128d minSquare = _mm_set1_pd(kFacingMinSquare), maxSquare = _mm_set1_pd(kFacingMaxSquare);
    const __m128d maxDot = _mm_set1_pd(kFacingMaxDot), signBit = _mm_set1_pd(-0.0);
    const __m128d passBound = _mm_set1_pd(kFacingPassBound), failBound = _mm_set1_pd(kFacingFailBound);

    int32_t selected = 0;
    int32_t i = 0;
    for (; i + 2 <= count; i += 2) {
        const Face& f0 = faces[i];
        const Face& f1 = faces[i + 1];
        const Vec3& a0 = vertices[f0.indices[0]].position;
        const Vec3& a1 = vertices[f1.indices[0]].position;
        const __m128d nx = pair(f0.normal.x, f1.normal.x), ny = pair(f0.normal.y, f1.normal.y),
                      nz = pair(f0.normal.z, f1.normal.z);
        const __m128d ex = _mm_sub_pd(cx, pair(a0.x, a1.x));
        const __m128d ey = _mm_sub_pd(cy, pair(a0.y, a1.y));
        const __m128d ez = _mm_sub_pd(cz, pair(a0.z, a1.z));
        const __m128d s = _mm_mul_pd(dot3(ex, ey, ez, ex, ey, ez), dot3(nx, ny, nz, nx, ny, nz));
        const __m128d dne = dot3(nx, ny, nz, ex, ey, ez);
        const __m128d dd = _mm_mul_pd(dne, dne);
        const __m128d moderate = _mm_and_pd(_mm_and_pd(_mm_cmpgt_pd(s, minSquare), _mm_cmplt_pd(s, maxSquare)),
                                            _mm_cmplt_pd(_mm_andnot_pd(signBit, dne), maxDot));
        const __m128d pass = _mm_or_pd(_mm_cmpge_pd(dne, zero), _mm_cmplt_pd(dd, _mm_mul_pd(passBound, s)));
        const __m128d fail = _mm_cmpgt_pd(dd, _mm_mul_pd(failBound, s));
        int facing = _mm_movemask_pd(_mm_and_pd(moderate, pass));
        const int decided = _mm_movemask_pd(_mm_and_pd(moderate, _mm_or_pd(pass, fail)));
        if (decided != 3) {
            // Near the threshold, or values out of range: the quotient decides.
            const __m128d q = _mm_div_pd(dne, _mm_sqrt_pd(s));
            const int byQuotient = _mm_movemask_pd(_mm_cmpgt_pd(q, _mm_set1_pd(double(-0.2f))));
            facing = (facing & decided) | (byQuotient & ~decided);
        }
        for (int k = 0; k < 2; ++k) {
            const Face& face = faces[i + k];
            if ((facing >> k & 1) && (!projectedValid || (projectedValid[face.indices[0]] &&
                                                          projectedValid[face.indices[1]] &&
                                                          projectedValid[face.indices[2]])))
                list[selected++] = i + k;
        }
    }
    if (i < count) {
        int32_t tail[1];
        if (selectFacesScalar(vertices, faces + i, count - i, viewer, projectedValid, tail) == 1)
            list[selected++] = i;
    }
    return selected;
}

void shadeFacesSse2(const Face* faces, const int32_t* list, int32_t count, const Matrix4& w, const Vec3& light,
                    double lightLengthSq, uint8_t* shade, uint8_t* sure)
{
    const __m128d lx = splat(light.x), ly = splat(light.y), lz = splat(light.z);
    const __m128d ll = _mm_set1_pd(lightLengthSq);
    const __m128d one = _mm_set1_pd(1.0), minusOne = _mm_set1_pd(-1.0);
    const __m128d perRadian = _mm_set1_pd(kShadePerRadian), margin = _mm_set1_pd(kShadeMargin);
    const __m128d m00 = splat(w.m[0][0]), m10 = splat(w.m[1][0]), m20 = splat(w.m[2][0]);
    const __m128d m01 = splat(w.m[0][1]), m11 = splat(w.m[1][1]), m21 = splat(w.m[2][1]);
    const __m128d m02 = splat(w.m[0][2]), m12 = splat(w.m[1][2]), m22 = splat(w.m[2][2]);

    int32_t k = 0;
    for (; k + 2 <= count; k += 2) {
        const Vec3& n0 = faces[list[k]].normal;
        const Vec3& n1 = faces[list[k + 1]].normal;
        const __m128d nx = pair(n0.x, n1.x), ny = pair(n0.y, n1.y), nz = pair(n0.z, n1.z);
        // World normal (rotateVector, rounded to float) and its cosine with the light.
        const __m128d mx = roundToFloat(dot3(nx, ny, nz, m00, m10, m20));
        const __m128d my = roundToFloat(dot3(nx, ny, nz, m01, m11, m21));
        const __m128d mz = roundToFloat(dot3(nx, ny, nz, m02, m12, m22));
        const __m128d mm = dot3(mx, my, mz, mx, my, mz);
        __m128d q = _mm_div_pd(dot3(mx, my, mz, lx, ly, lz), _mm_sqrt_pd(_mm_mul_pd(mm, ll)));
        // Clamp to -1 ... 1; not a number counts as -1.
        const __m128d above = _mm_cmpgt_pd(q, one);
        q = _mm_or_pd(_mm_and_pd(above, one), _mm_andnot_pd(above, q));
        const __m128d inRange = _mm_cmpge_pd(q, minusOne);
        q = _mm_or_pd(_mm_and_pd(inRange, q), _mm_andnot_pd(inRange, minusOne));

        const __m128d v = _mm_mul_pd(fastAcos2(q), perRadian);
        const __m128i whole = _mm_cvttpd_epi32(v);
        const __m128i low = _mm_cvttpd_epi32(_mm_sub_pd(v, margin));
        const __m128i high = _mm_cvttpd_epi32(_mm_add_pd(v, margin));
        const int certain = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(low, high)));
        const int s0 = _mm_cvtsi128_si32(whole);
        const int s1 = _mm_cvtsi128_si32(_mm_srli_si128(whole, 4));
        sure[k] = certain & 1;
        sure[k + 1] = certain >> 1 & 1;
        shade[k] = certain & 1 ? uint8_t(s0) : 0;
        shade[k + 1] = certain & 2 ? uint8_t(s1) : 0;
    }
    if (k < count)
        shadeFacesScalar(faces, list + k, count - k, w, light, lightLengthSq, shade + k, sure + k);
}

void computeNormalsSse2(const Vertex* vertices, Face* faces, int32_t count)
{
    int32_t i = 0;
    for (; i + 2 <= count; i += 2) {
        Face& f0 = faces[i];
        Face& f1 = faces[i + 1];
        const Vec3& p00 = vertices[f0.indices[0]].position;
        const Vec3& p01 = vertices[f0.indices[1]].position;
        const Vec3& p02 = vertices[f0.indices[2]].position;
        const Vec3& p10 = vertices[f1.indices[0]].position;
        const Vec3& p11 = vertices[f1.indices[1]].position;
        const Vec3& p12 = vertices[f1.indices[2]].position;
        // The six edge differences of both faces in float, as the plain kernel
        // forms them: lanes (face 0, face 1) of A = P0 - P1 and B = P0 - P2.
        const __m128 p0xy = _mm_set_ps(p10.y, p10.x, p00.y, p00.x);
        const __m128 p1xy = _mm_set_ps(p11.y, p11.x, p01.y, p01.x);
        const __m128 p2xy = _mm_set_ps(p12.y, p12.x, p02.y, p02.x);
        const __m128 p0z = _mm_set_ps(p10.z, p10.z, p00.z, p00.z);
        const __m128 p12z = _mm_set_ps(p12.z, p11.z, p02.z, p01.z);
        const __m128 axy = _mm_sub_ps(p0xy, p1xy);  // ax0 ay0 ax1 ay1
        const __m128 bxy = _mm_sub_ps(p0xy, p2xy);  // bx0 by0 bx1 by1
        const __m128 abz = _mm_sub_ps(p0z, p12z);   // az0 bz0 az1 bz1
        // Regroup into per-component pairs (face 0, face 1) in double.
        const __m128d ax = _mm_cvtps_pd(_mm_shuffle_ps(axy, axy, _MM_SHUFFLE(0, 0, 2, 0)));
        const __m128d ay = _mm_cvtps_pd(_mm_shuffle_ps(axy, axy, _MM_SHUFFLE(0, 0, 3, 1)));
        const __m128d bx = _mm_cvtps_pd(_mm_shuffle_ps(bxy, bxy, _MM_SHUFFLE(0, 0, 2, 0)));
        const __m128d by = _mm_cvtps_pd(_mm_shuffle_ps(bxy, bxy, _MM_SHUFFLE(0, 0, 3, 1)));
        const __m128d az = _mm_cvtps_pd(_mm_shuffle_ps(abz, abz, _MM_SHUFFLE(0, 0, 2, 0)));
        const __m128d bz = _mm_cvtps_pd(_mm_shuffle_ps(abz, abz, _MM_SHUFFLE(0, 0, 3, 1)));

        const __m128d nx = _mm_sub_pd(_mm_mul_pd(ay, bz), _mm_mul_pd(az, by));
        const __m128d ny = _mm_sub_pd(_mm_mul_pd(az, bx), _mm_mul_pd(ax, bz));
        const __m128d nz = _mm_sub_pd(_mm_mul_pd(ax, by), _mm_mul_pd(ay, bx));
        const __m128d s = _mm_div_pd(_mm_set1_pd(1.0), _mm_sqrt_pd(dot3(nx, ny, nz, nx, ny, nz)));
        alignas(16) float x[4], y[4], z[4];
        _mm_store_ps(x, _mm_cvtpd_ps(_mm_mul_pd(nx, s)));
        _mm_store_ps(y, _mm_cvtpd_ps(_mm_mul_pd(ny, s)));
        _mm_store_ps(z, _mm_cvtpd_ps(_mm_mul_pd(nz, s)));
        f0.normal = Vec3(x[0], y[0], z[0]);
        f1.normal = Vec3(x[1], y[1], z[1]);
    }
    if (i < count)
        computeNormalsScalar(vertices, faces + i, count - i);
}

void projectVerticesSse2(const Matrix4& world, const Vertex* vertices, int32_t count, int32_t width,
                         int32_t height, float f, ScreenVertex* out, uint8_t* valid)
{
    const Matrix4& w = world;
    const __m128d focal = splat(f);
    const __m128d halfWidth = _mm_set1_pd(width * 0.5), halfHeight = _mm_set1_pd(height * 0.5);
    const __m128d depthScale = _mm_set1_pd(16777215.0);
    const __m128d lowest = _mm_set1_pd(-2147483649.0), beyond = _mm_set1_pd(2147483648.0);
    const __m128d signBit = _mm_set1_pd(-0.0);

    int32_t i = 0;
    for (; i + 2 <= count; i += 2) {
        const Vec3& a = vertices[i].position;
        const Vec3& b = vertices[i + 1].position;
        const __m128d x = pair(a.x, b.x), y = pair(a.y, b.y), z = pair(a.z, b.z);
        // transformPoint: ((x m00 + y m10) + z m20) + m30, rounded to float.
        const auto row = [&](int c) {
            return roundToFloat(_mm_add_pd(
                _mm_add_pd(_mm_add_pd(_mm_mul_pd(x, splat(w.m[0][c])), _mm_mul_pd(y, splat(w.m[1][c]))),
                           _mm_mul_pd(z, splat(w.m[2][c]))),
                splat(w.m[3][c])));
        };
        const __m128d wx = row(0), wy = row(1), wz = row(2);
        const __m128d minusZ = _mm_xor_pd(wz, signBit);
        const __m128d sx = _mm_add_pd(halfWidth, _mm_div_pd(_mm_mul_pd(wx, focal), minusZ));
        const __m128d sy = _mm_add_pd(_mm_div_pd(_mm_mul_pd(wy, focal), minusZ), halfHeight);
        const __m128d depth = _mm_div_pd(depthScale, wz);
        const auto fits = [&](__m128d v) { return _mm_and_pd(_mm_cmpgt_pd(v, lowest), _mm_cmplt_pd(v, beyond)); };
        const __m128d ok = _mm_and_pd(_mm_and_pd(_mm_cmplt_pd(wz, _mm_setzero_pd()), fits(sx)),
                                      _mm_and_pd(fits(sy), fits(depth)));
        const int okMask = _mm_movemask_pd(ok);
        alignas(16) int32_t ix[4], iy[4], id[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(ix), _mm_cvttpd_epi32(sx));
        _mm_store_si128(reinterpret_cast<__m128i*>(iy), _mm_cvttpd_epi32(sy));
        _mm_store_si128(reinterpret_cast<__m128i*>(id), _mm_cvttpd_epi32(depth));
        for (int k = 0; k < 2; ++k) {
            const bool fine = okMask >> k & 1;
            valid[i + k] = fine ? 1 : 0;
            out[i + k] = fine ? ScreenVertex{ix[k], iy[k], id[k]} : ScreenVertex{0, 0, 0};
        }
    }
    if (i < count)
        projectVerticesScalar(world, vertices + i, count - i, width, height, f, out + i, valid + i);
}

#endif  // QUARNEL_X86_SIMD
