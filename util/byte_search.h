// Looking at sixteen bytes at once, where the processor allows (SSE2); callers keep a plain loop
// for the rest and for other processors.
#pragma once
#if defined(__SSE2__)
#include <emmintrin.h>

namespace vellum {

// The bits of the sixteen bytes at `p` that equal `a` or `b` (bit k for byte k).
inline unsigned BytesEqual(const char* p, char a, char b) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    return static_cast<unsigned>(_mm_movemask_epi8(
        _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(a)), _mm_cmpeq_epi8(bytes, _mm_set1_epi8(b)))));
}

}  // namespace vellum
#endif
