#pragma once
// The forms a kernel can take, and the one place that chooses among them.
//
// Every kernel family has a plain form, compiled everywhere and the reference
// for the others, and SIMD forms that give exactly its bytes: SSE2, the x86
// baseline, and for the hottest paths AVX or AVX2, compiled for their
// instruction set function by function. A family's entry takes the form to
// run, simdForm() unless a test asks for another, and runs the widest form it
// has at or below it.
//
// QUARNEL_X86_SIMD is the one build condition for the SIMD forms: x86, SSE2
// and a compiler that can raise the instruction set per function.
#if defined(__SSE2__) && (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define QUARNEL_X86_SIMD 1
#endif

enum class SimdForm { Plain, Sse2, Avx, Avx2 };

// The widest form this build and this processor run. With QUARNEL_SIMD=sse2
// in the environment every kernel keeps its baseline form, so that the forms
// can be compared on one machine.
SimdForm detectSimdForm();

// The same, worked out once: the rasterizer asks for every triangle.
// Include this header before raising the instruction set in a file, so that
// this inline function is built for the baseline.
inline SimdForm simdForm()
{
    static const SimdForm form = detectSimdForm();
    return form;
}
