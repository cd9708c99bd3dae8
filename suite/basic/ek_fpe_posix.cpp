// Floating-point exception control over the processor's exception mask (glibc).
#include "ekx_basic.h"

#include <cfenv>

extern "C" {

// The state is the set of exceptions that currently trap.
unsigned int ek_math_fpe_get_state(void) {
    const int enabled = fegetexcept();
    return enabled < 0 ? 0u : static_cast<unsigned int>(enabled);
}

void ek_math_fpe_disable(void) { fedisableexcept(FE_ALL_EXCEPT); }

void ek_math_fpe_restore(unsigned int state) {
    fedisableexcept(FE_ALL_EXCEPT);
    const int traps = static_cast<int>(state) & FE_ALL_EXCEPT;
    if (traps) feenableexcept(traps);
}

}  // extern "C"
