// The normal (with facing test), shading and projection kernels four at a
// time in 256-bit packed doubles, compiled for AVX in this file only and
// called only when the processor has it. Every value goes through the same
// operations in the same order as in the plain kernels (packed operations
// round exactly like scalar ones, and there is no fused multiply-add), so the
// results are the same bits. Every header with shared inline code is included
// before the instruction set is raised, so no copy of shared code built here
// can replace the baseline one; what comes after has internal linkage or is
// one of the kernels.
#include "render3d/face_kernels.h"

#if defined(QUARNEL_X86_SIMD)

#include <immintrin.h>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx")
#endif

namespace {

// Four floats from anywhere, widened exactly to double.
inline __m256d gather4(float a, float b, float c, float d) { return _mm256_cvtps_pd(_mm_setr_ps(a, b, c, d)); }

inline __m256d splat4(float v) { return _mm256_set1_pd(double(v)); }

// Rounds every lane to float and back, as storing into a float field does.
inline __m256d roundToFloat4(__m256d v) { return _mm256_cvtps_pd(_mm256_cvtpd_ps(v)); }

// (a.x b.x + a.y b.y) + a.z b.z, the order of the plain dot products.
inline __m256d dot3(__m256d ax, __m256d ay, __m256d az, __m256d bx, __m256d by, __m256d bz)
{
    return _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(ax, bx), _mm256_mul_pd(ay, by)), _mm256_mul_pd(az, bz));
}

inline __m256d select4(__m256d mask, __m256d yes, __m256d no) { return _mm256_blendv_pd(no, yes, mask); }

// c + a b, as the plain arc cosine's Horner steps.
inline __m256d mad4(__m256d a, __m256d b, double c) { return _mm256_add_pd(_mm256_set1_pd(c), _mm256_mul_pd(a, b)); }

// fastAcos in four lanes, step for step.
inline __m256d fastAcos4(__m256d q)
{
    using namespace fast_acos_detail;
    const __m256d aq = _mm256_andnot_pd(_mm256_set1_pd(-0.0), q);
    const __m256d small = _mm256_cmp_pd(aq, _mm256_set1_pd(0.5), _CMP_LE_OQ);
    const __m256d zBig = _mm256_mul_pd(_mm256_sub_pd(_mm256_set1_pd(1.0), aq), _mm256_set1_pd(0.5));
    const __m256d z = select4(small, _mm256_mul_pd(q, q), zBig);
    const __m256d s = select4(small, q, _mm256_sqrt_pd(zBig));
    const __m256d p =
        _mm256_mul_pd(z, mad4(z, mad4(z, mad4(z, mad4(z, mad4(z, _mm256_set1_pd(pS5), pS4), pS3), pS2), pS1), pS0));
    const __m256d d = mad4(z, mad4(z, mad4(z, mad4(z, _mm256_set1_pd(qS4), qS3), qS2), qS1), 1.0);
    const __m256d asinS = _mm256_add_pd(s, _mm256_mul_pd(s, _mm256_div_pd(p, d)));
    const __m256d twice = _mm256_add_pd(asinS, asinS);
    const __m256d positive = _mm256_cmp_pd(q, _mm256_setzero_pd(), _CMP_GT_OQ);
    const __m256d big = select4(positive, twice, _mm256_sub_pd(_mm256_set1_pd(kPi), twice));
    return select4(small, _mm256_sub_pd(_mm256_set1_pd(kHalfPi), asinS), big);
}

}  // namespace

void shadeFacesAvx(const Face* faces, const int32_t* list, int32_t count, const Matrix4& w, const Vec3& light,
                   double lightLengthSq, uint8_t* shade, uint8_t* sure)
{
    const __m256d lx = splat4(light.x), ly = splat4(light.y), lz = splat4(light.z);
    const __m256d ll = _mm256_set1_pd(lightLengthSq);
    const __m256d one = _mm256_set1_pd(1.0), minusOne = _mm256_set1_pd(-1.0);
    const __m256d perRadian = _mm256_set1_pd(kShadePerRadian), margin = _mm256_set1_pd(kShadeMargin);
    const __m256d m00 = splat4(w.m[0][0]), m10 = splat4(w.m[1][0]), m20 = splat4(w.m[2][0]);
    const __m256d m01 = splat4(w.m[0][1]), m11 = splat4(w.m[1][1]), m21 = splat4(w.m[2][1]);
    const __m256d m02 = splat4(w.m[0][2]), m12 = splat4(w.m[1][2]), m22 = splat4(w.m[2][2]);

    // Blocks of up to kGroups groups of four faces, in two passes (the
    // cosines, then the arc cosines), so that the roots and divisions of
    // several groups are under way at once.
    constexpr int kGroups = 8;
    __m256d cosines[kGroups];
    int32_t k = 0;
    while (k + 4 <= count) {
        const int groups = (count - k) / 4 < kGroups ? int((count - k) / 4) : kGroups;
        for (int g = 0; g < groups; ++g) {
            const int32_t* at = list + k + 4 * g;
            const Vec3& n0 = faces[at[0]].normal;
            const Vec3& n1 = faces[at[1]].normal;
            const Vec3& n2 = faces[at[2]].normal;
            const Vec3& n3 = faces[at[3]].normal;
            const __m256d nx = gather4(n0.x, n1.x, n2.x, n3.x);
            const __m256d ny = gather4(n0.y, n1.y, n2.y, n3.y);
            const __m256d nz = gather4(n0.z, n1.z, n2.z, n3.z);
            // World normal (rotateVector, rounded to float) and its cosine with the light.
            const __m256d mx = roundToFloat4(dot3(nx, ny, nz, m00, m10, m20));
            const __m256d my = roundToFloat4(dot3(nx, ny, nz, m01, m11, m21));
            const __m256d mz = roundToFloat4(dot3(nx, ny, nz, m02, m12, m22));
            const __m256d mm = dot3(mx, my, mz, mx, my, mz);
            cosines[g] = _mm256_div_pd(dot3(mx, my, mz, lx, ly, lz), _mm256_sqrt_pd(_mm256_mul_pd(mm, ll)));
        }
        for (int g = 0; g < groups; ++g, k += 4) {
            __m256d q = cosines[g];
            // Clamp to -1 ... 1; not a number counts as -1.
            q = select4(_mm256_cmp_pd(q, one, _CMP_GT_OQ), one, q);
            q = select4(_mm256_cmp_pd(q, minusOne, _CMP_GE_OQ), q, minusOne);

            const __m256d v = _mm256_mul_pd(fastAcos4(q), perRadian);
            const __m128i whole = _mm256_cvttpd_epi32(v);
            const __m128i low = _mm256_cvttpd_epi32(_mm256_sub_pd(v, margin));
            const __m128i high = _mm256_cvttpd_epi32(_mm256_add_pd(v, margin));
            const __m128i certain = _mm_cmpeq_epi32(low, high);
            // Bytes: 1 where sure, and the truncated shade where sure (0 elsewhere).
            const __m128i sureBytes = _mm_packs_epi16(
                _mm_packs_epi32(_mm_srli_epi32(certain, 31), _mm_setzero_si128()), _mm_setzero_si128());
            const __m128i shadeLow = _mm_and_si128(_mm_and_si128(whole, certain), _mm_set1_epi32(0xFF));
            const __m128i shadeBytes =
                _mm_packus_epi16(_mm_packs_epi32(shadeLow, _mm_setzero_si128()), _mm_setzero_si128());
            const int32_t sure4 = _mm_cvtsi128_si32(sureBytes), shade4 = _mm_cvtsi128_si32(shadeBytes);
            __builtin_memcpy(sure + k, &sure4, 4);
            __builtin_memcpy(shade + k, &shade4, 4);
        }
    }
    if (k < count)
        shadeFacesScalar(faces, list + k, count - k, w, light, lightLengthSq, shade + k, sure + k);
}

void computeNormalsAvx(const Vertex* vertices, int32_t vertexCount, float* padded, Face* faces, int32_t count,
                       const Vec3* viewer, uint8_t* facing)
{
    // Each position as x, y, z, 0 in 16 bytes, so a face's corner is one
    // load and its edges one float subtraction each; the zero lane stays zero
    // through the cross product.
    const __m128 zero = _mm_setzero_ps();
    int32_t v = 0;
    for (; v + 1 < vertexCount; ++v)  // 16-byte loads stay inside the table
        _mm_storeu_ps(padded + 4 * v, _mm_blend_ps(_mm_loadu_ps(&vertices[v].position.x), zero, 8));
    for (; v < vertexCount; ++v)
        _mm_storeu_ps(padded + 4 * v, _mm_setr_ps(vertices[v].position.x, vertices[v].position.y,
                                                  vertices[v].position.z, 0.0f));

    const Vec3 c = viewer ? *viewer : Vec3(0.0f, 0.0f, 0.0f);
    const __m256d cx = splat4(c.x), cy = splat4(c.y), cz = splat4(c.z);
    const __m256d minSquare = _mm256_set1_pd(kFacingMinSquare), maxSquare = _mm256_set1_pd(kFacingMaxSquare);
    const __m256d maxDot = _mm256_set1_pd(kFacingMaxDot), signBit = _mm256_set1_pd(-0.0);
    const __m256d passBound = _mm256_set1_pd(kFacingPassBound), failBound = _mm256_set1_pd(kFacingFailBound);
    const __m256d zeroD = _mm256_setzero_pd();

    // Blocks of up to kGroups groups of four faces, in two passes: the cross
    // products (and the viewer offsets) of the whole block first, then the
    // roots, quotients and facing tests. The second pass has no long chain
    // from the loads, so many of its roots and divisions are under way at
    // once.
    constexpr int kGroups = 8;
    __m256d bx[kGroups], by[kGroups], bz[kGroups], ex[kGroups], ey[kGroups], ez[kGroups];
    int32_t i = 0;
    while (i + 4 <= count) {
        const int groups = (count - i) / 4 < kGroups ? int((count - i) / 4) : kGroups;
        for (int g = 0; g < groups; ++g) {
            // N = A x B per face with A = P0 - P1, B = P0 - P2 in float, as
            // (A.yzx B.zxy - A.zxy B.yzx) in double: the plain kernel's
            // products and differences, lane by lane.
            __m128 p0[4];
            __m256d n[4];
            for (int k = 0; k < 4; ++k) {
                const Face& face = faces[i + 4 * g + k];
                p0[k] = _mm_loadu_ps(padded + 4 * face.indices[0]);
                const __m128 a = _mm_sub_ps(p0[k], _mm_loadu_ps(padded + 4 * face.indices[1]));
                const __m128 b = _mm_sub_ps(p0[k], _mm_loadu_ps(padded + 4 * face.indices[2]));
                const __m256d aYzx = _mm256_cvtps_pd(_mm_shuffle_ps(a, a, _MM_SHUFFLE(3, 0, 2, 1)));
                const __m256d aZxy = _mm256_cvtps_pd(_mm_shuffle_ps(a, a, _MM_SHUFFLE(3, 1, 0, 2)));
                const __m256d bYzx = _mm256_cvtps_pd(_mm_shuffle_ps(b, b, _MM_SHUFFLE(3, 0, 2, 1)));
                const __m256d bZxy = _mm256_cvtps_pd(_mm_shuffle_ps(b, b, _MM_SHUFFLE(3, 1, 0, 2)));
                n[k] = _mm256_sub_pd(_mm256_mul_pd(aYzx, bZxy), _mm256_mul_pd(aZxy, bYzx));
            }
            // Transpose to one register per component (four faces a register).
            const __m256d t0 = _mm256_unpacklo_pd(n[0], n[1]);  // x0 x1 z0 z1
            const __m256d t1 = _mm256_unpackhi_pd(n[0], n[1]);  // y0 y1 . .
            const __m256d t2 = _mm256_unpacklo_pd(n[2], n[3]);  // x2 x3 z2 z3
            const __m256d t3 = _mm256_unpackhi_pd(n[2], n[3]);  // y2 y3 . .
            bx[g] = _mm256_permute2f128_pd(t0, t2, 0x20);
            by[g] = _mm256_permute2f128_pd(t1, t3, 0x20);
            bz[g] = _mm256_permute2f128_pd(t0, t2, 0x31);
            if (facing) {
                // e = viewer - P0 in double.
                const __m128 q01 = _mm_unpacklo_ps(p0[0], p0[1]);  // x0 x1 y0 y1
                const __m128 q23 = _mm_unpacklo_ps(p0[2], p0[3]);  // x2 x3 y2 y3
                const __m128 r01 = _mm_unpackhi_ps(p0[0], p0[1]);  // z0 z1 . .
                const __m128 r23 = _mm_unpackhi_ps(p0[2], p0[3]);  // z2 z3 . .
                ex[g] = _mm256_sub_pd(cx, _mm256_cvtps_pd(_mm_movelh_ps(q01, q23)));
                ey[g] = _mm256_sub_pd(cy, _mm256_cvtps_pd(_mm_movehl_ps(q23, q01)));
                ez[g] = _mm256_sub_pd(cz, _mm256_cvtps_pd(_mm_movelh_ps(r01, r23)));
            }
        }
        for (int g = 0; g < groups; ++g, i += 4) {
            const __m256d nx = bx[g], ny = by[g], nz = bz[g];
            const __m256d s = _mm256_div_pd(_mm256_set1_pd(1.0), _mm256_sqrt_pd(dot3(nx, ny, nz, nx, ny, nz)));
            const __m128 fx = _mm256_cvtpd_ps(_mm256_mul_pd(nx, s));
            const __m128 fy = _mm256_cvtpd_ps(_mm256_mul_pd(ny, s));
            const __m128 fz = _mm256_cvtpd_ps(_mm256_mul_pd(nz, s));
            alignas(16) float z[4];
            _mm_store_ps(z, fz);
            const __m128 xy01 = _mm_unpacklo_ps(fx, fy), xy23 = _mm_unpackhi_ps(fx, fy);
            _mm_storel_pi(reinterpret_cast<__m64*>(&faces[i].normal.x), xy01);
            _mm_storeh_pi(reinterpret_cast<__m64*>(&faces[i + 1].normal.x), xy01);
            _mm_storel_pi(reinterpret_cast<__m64*>(&faces[i + 2].normal.x), xy23);
            _mm_storeh_pi(reinterpret_cast<__m64*>(&faces[i + 3].normal.x), xy23);
            for (int k = 0; k < 4; ++k)
                faces[i + k].normal.z = z[k];
            if (!facing)
                continue;

            // The facing test of the four stored normals, as
            // selectFacesScalar decides it: by squares where that is sure,
            // else by the quotient.
            const __m256d ux = _mm256_cvtps_pd(fx), uy = _mm256_cvtps_pd(fy), uz = _mm256_cvtps_pd(fz);
            const __m256d dx = ex[g], dy = ey[g], dz = ez[g];
            const __m256d sq = _mm256_mul_pd(dot3(dx, dy, dz, dx, dy, dz), dot3(ux, uy, uz, ux, uy, uz));
            const __m256d dne = dot3(ux, uy, uz, dx, dy, dz);
            const __m256d dd = _mm256_mul_pd(dne, dne);
            const __m256d moderate = _mm256_and_pd(
                _mm256_and_pd(_mm256_cmp_pd(sq, minSquare, _CMP_GT_OQ), _mm256_cmp_pd(sq, maxSquare, _CMP_LT_OQ)),
                _mm256_cmp_pd(_mm256_andnot_pd(signBit, dne), maxDot, _CMP_LT_OQ));
            const __m256d pass = _mm256_or_pd(_mm256_cmp_pd(dne, zeroD, _CMP_GE_OQ),
                                              _mm256_cmp_pd(dd, _mm256_mul_pd(passBound, sq), _CMP_LT_OQ));
            const __m256d fail = _mm256_cmp_pd(dd, _mm256_mul_pd(failBound, sq), _CMP_GT_OQ);
            int facingMask = _mm256_movemask_pd(_mm256_and_pd(moderate, pass));
            const int decided = _mm256_movemask_pd(_mm256_and_pd(moderate, _mm256_or_pd(pass, fail)));
            if (decided != 15) {
                const __m256d q = _mm256_div_pd(dne, _mm256_sqrt_pd(sq));
                const int byQuotient =
                    _mm256_movemask_pd(_mm256_cmp_pd(q, _mm256_set1_pd(double(-0.2f)), _CMP_GT_OQ));
                facingMask = (facingMask & decided) | (byQuotient & ~decided);
            }
            const int32_t bytes = int32_t((facingMask & 1) | (facingMask & 2) << 7 | (facingMask & 4) << 14 |
                                          (facingMask & 8) << 21);
            __builtin_memcpy(facing + i, &bytes, 4);
        }
    }
    if (i < count) {
        computeNormalsScalar(vertices, faces + i, count - i);
        if (facing)
            for (int32_t k = i; k < count; ++k)
                facing[k] = facesViewer(faces[k].normal, vertices[faces[k].indices[0]].position, c) ? 1 : 0;
    }
}

int32_t projectVerticesAvx(const Matrix4& w, const Vertex* vertices, int32_t count, int32_t width, int32_t height,
                           float f, ScreenVertex* out, uint8_t* valid)
{
    const __m256d focal = splat4(f);
    const __m256d halfWidth = _mm256_set1_pd(width * 0.5), halfHeight = _mm256_set1_pd(height * 0.5);
    const __m256d depthScale = _mm256_set1_pd(16777215.0);
    const __m256d lowest = _mm256_set1_pd(-2147483649.0), beyond = _mm256_set1_pd(2147483648.0);
    const __m256d signBit = _mm256_set1_pd(-0.0);
    __m256d m[4][3];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c)
            m[r][c] = splat4(w.m[r][c]);

    // Blocks of up to kGroups groups of four vertices, in two passes (the
    // world positions, then the divisions), so that the divisions of several
    // groups are under way at once.
    constexpr int kGroups = 8;
    __m256d blockX[kGroups], blockY[kGroups], blockZ[kGroups];
    int32_t validCount = 0;
    int32_t i = 0;
    while (i + 4 <= count) {
        const int groups = (count - i) / 4 < kGroups ? int((count - i) / 4) : kGroups;
        for (int g = 0; g < groups; ++g) {
            const Vertex* v = vertices + i + 4 * g;
            const __m256d x = gather4(v[0].position.x, v[1].position.x, v[2].position.x, v[3].position.x);
            const __m256d y = gather4(v[0].position.y, v[1].position.y, v[2].position.y, v[3].position.y);
            const __m256d z = gather4(v[0].position.z, v[1].position.z, v[2].position.z, v[3].position.z);
            // transformPoint: ((x m0c + y m1c) + z m2c) + m3c, rounded to float.
            __m256d wc[3];
            for (int c = 0; c < 3; ++c)
                wc[c] = roundToFloat4(_mm256_add_pd(
                    _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(x, m[0][c]), _mm256_mul_pd(y, m[1][c])),
                                  _mm256_mul_pd(z, m[2][c])),
                    m[3][c]));
            blockX[g] = wc[0];
            blockY[g] = wc[1];
            blockZ[g] = wc[2];
        }
        for (int g = 0; g < groups; ++g, i += 4) {
            const __m256d wx = blockX[g], wy = blockY[g], wz = blockZ[g];
            const __m256d minusZ = _mm256_xor_pd(wz, signBit);
            const __m256d sx = _mm256_add_pd(halfWidth, _mm256_div_pd(_mm256_mul_pd(wx, focal), minusZ));
            const __m256d sy = _mm256_add_pd(_mm256_div_pd(_mm256_mul_pd(wy, focal), minusZ), halfHeight);
            const __m256d depth = _mm256_div_pd(depthScale, wz);
            const auto fits = [&](__m256d v) {
                return _mm256_and_pd(_mm256_cmp_pd(v, lowest, _CMP_GT_OQ), _mm256_cmp_pd(v, beyond, _CMP_LT_OQ));
            };
            const __m256d front = _mm256_cmp_pd(wz, _mm256_setzero_pd(), _CMP_LT_OQ);
            const __m256d ok = _mm256_and_pd(_mm256_and_pd(front, fits(sx)), _mm256_and_pd(fits(sy), fits(depth)));
            const int okMask = _mm256_movemask_pd(ok);
            // Lanes that fail keep 0 in every field: the low halves of the
            // 64-bit lane masks, as four 32-bit masks.
            const __m128 okLow = _mm_shuffle_ps(_mm_castpd_ps(_mm256_castpd256_pd128(ok)),
                                                _mm_castpd_ps(_mm256_extractf128_pd(ok, 1)),
                                                _MM_SHUFFLE(2, 0, 2, 0));
            const __m128i okLanes = _mm_castps_si128(okLow);
            const __m128i ix = _mm_and_si128(_mm256_cvttpd_epi32(sx), okLanes);
            const __m128i iy = _mm_and_si128(_mm256_cvttpd_epi32(sy), okLanes);
            const __m128i id = _mm_and_si128(_mm256_cvttpd_epi32(depth), okLanes);
            // Interleave (x, y, depth) into four 12-byte records.
            alignas(16) int32_t xy[8], d[4], rec[12];
            _mm_store_si128(reinterpret_cast<__m128i*>(xy), _mm_unpacklo_epi32(ix, iy));      // x0 y0 x1 y1
            _mm_store_si128(reinterpret_cast<__m128i*>(xy + 4), _mm_unpackhi_epi32(ix, iy));  // x2 y2 x3 y3
            _mm_store_si128(reinterpret_cast<__m128i*>(d), id);
            for (int k = 0; k < 4; ++k) {
                rec[3 * k] = xy[2 * k];
                rec[3 * k + 1] = xy[2 * k + 1];
                rec[3 * k + 2] = d[k];
            }
            __builtin_memcpy(out + i, rec, sizeof rec);
            const int32_t validBytes =
                int32_t((okMask & 1) | (okMask & 2) << 7 | (okMask & 4) << 14 | (okMask & 8) << 21);
            __builtin_memcpy(valid + i, &validBytes, 4);
            validCount += __builtin_popcount(unsigned(okMask));
        }
    }
    if (i < count) {
        projectVerticesScalar(w, vertices + i, count - i, width, height, f, out + i, valid + i);
        for (int32_t k = i; k < count; ++k)
            validCount += valid[k];
    }
    return validCount;
}

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

#endif  // QUARNEL_X86_SIMD
