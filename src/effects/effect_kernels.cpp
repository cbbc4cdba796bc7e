// The portable effect loops, and the choice of the set this processor runs.
#include "effects/effect_kernels.h"

#include "effects/effect_rows.h"

namespace {

const EffectKernels kEffectsPortable{"portable", mixRow, mixColourRow, edgePixels};

}  // namespace

#if !defined(ZUB_PORTABLE) && defined(__x86_64__)
extern const EffectKernels kEffectsAvx2; // effect_kernels_avx2.cpp
#endif

const EffectKernels* effectKernels(bool wide) {
  if (!wide) return &kEffectsPortable;
#if !defined(ZUB_PORTABLE) && defined(__x86_64__)
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2")) return &kEffectsAvx2;
#endif
  return nullptr;
}

const EffectKernels& bestEffectKernels() {
  static const EffectKernels* best = [] {
    const EffectKernels* wide = effectKernels(true);
    return wide ? wide : &kEffectsPortable;
  }();
  return *best;
}
