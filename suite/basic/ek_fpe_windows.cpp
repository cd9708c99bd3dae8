// Floating-point exception control over the processor's exception mask (the C runtime's control
// word). As on other platforms, the state is the set of exceptions that trap, so that 0 means
// none does; here in the runtime's _EM_ bits.
#include <float.h>

#include "ekx_basic.h"

namespace {

// The control word's exception mask bits: a set bit masks (silences) that exception.
unsigned int current_mask() {
    unsigned int word = 0;
    if (_controlfp_s(&word, 0, 0) != 0) return _MCW_EM;
    return word & _MCW_EM;
}

void set_mask(unsigned int mask) {
    unsigned int word = 0;
    // A pending exception flag would trap as soon as its exception is unmasked.
    _clearfp();
    _controlfp_s(&word, mask & _MCW_EM, _MCW_EM);
}

}  // namespace

extern "C" {

unsigned int ek_math_fpe_get_state(void) { return ~current_mask() & _MCW_EM; }

void ek_math_fpe_disable(void) { set_mask(_MCW_EM); }

void ek_math_fpe_restore(unsigned int state) { set_mask(~state & _MCW_EM); }

}  // extern "C"
