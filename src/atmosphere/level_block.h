// The number of profile levels whose gas terms are held side by side, so that
// the line sums at one frequency run over several levels at once (vectorised).
#pragma once

namespace seasky {

inline constexpr int kLevelBlock = 8;

// The direction loops and level-block loops are compiled for AVX2 and for
// baseline x86-64 and chosen at run time; both do the same IEEE operations in
// the same order (no contraction into fused multiply-adds), so their results
// are identical.
#if defined(__x86_64__) && !defined(__clang__)
#define SEASKY_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define SEASKY_CLONES
#endif

}  // namespace seasky
