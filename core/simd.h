#pragma once
// The forms a kernel can take, and the one place that chooses among them.
//
// Every kernel family has a plain form, the statement of its algorithm,
// compiled everywhere and the reference for the others, and a SIMD form
// written once with Highway, compiled for several instruction sets and
// dispatched at run time to the best one the processor has. A family's
// entry takes the form to run, simdForm() unless a test asks for another.
//
// QUARNEL_SIMD in the environment narrows the choice, to compare the forms
// on one machine: "plain" keeps every kernel on its plain form, "baseline"
// keeps the SIMD forms on the lowest SIMD target compiled in.

enum class SimdForm { Plain, Simd };

SimdForm detectSimdForm();

// The same, worked out once: the rasterizer asks for every triangle.
// Include this header before raising the instruction set in a file, so that
// this inline function is built for the baseline.
inline SimdForm simdForm()
{
    static const SimdForm form = detectSimdForm();
    return form;
}
