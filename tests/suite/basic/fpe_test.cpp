// Floating-point exception control: disabling masks every trap, restoring brings the saved
// mask back exactly.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <csignal>
#include <cstdlib>

#include <unistd.h>

#include "ekx_basic.h"

namespace {

double divide(double a, double b) {
    volatile double x = a, y = b;  // keep the division at run time
    volatile double r = x / y;      // and keep it even when the caller ignores the result
    return r;
}

// Leaves the thread's trap mask as it found it.
class Fpe : public ::testing::Test {
protected:
    void SetUp() override { saved_ = fegetexcept(); }
    void TearDown() override {
        fedisableexcept(FE_ALL_EXCEPT);
        if (saved_ > 0) feenableexcept(saved_);
    }
    int saved_ = 0;
};

TEST_F(Fpe, StateReportsTheTrappingExceptions) {
    fedisableexcept(FE_ALL_EXCEPT);
    EXPECT_EQ(ek_math_fpe_get_state(), 0u);
    feenableexcept(FE_DIVBYZERO | FE_INVALID);
    EXPECT_EQ(ek_math_fpe_get_state(), static_cast<unsigned>(FE_DIVBYZERO | FE_INVALID));
}

TEST_F(Fpe, DisableMasksEverythingAndRestoreBringsTheSavedMaskBack) {
    fedisableexcept(FE_ALL_EXCEPT);
    feenableexcept(FE_DIVBYZERO | FE_OVERFLOW);
    const unsigned state = ek_math_fpe_get_state();
    ek_math_fpe_disable();
    EXPECT_EQ(ek_math_fpe_get_state(), 0u);
    EXPECT_TRUE(std::isinf(divide(1.0, 0.0)));  // would trap with the saved mask
    EXPECT_TRUE(std::isnan(divide(0.0, 0.0)));
    ek_math_fpe_restore(state);
    EXPECT_EQ(ek_math_fpe_get_state(), state);
    EXPECT_EQ(fegetexcept(), FE_DIVBYZERO | FE_OVERFLOW);
}

TEST_F(Fpe, RestoreReplacesRatherThanAdds) {
    fedisableexcept(FE_ALL_EXCEPT);
    feenableexcept(FE_INVALID);
    ek_math_fpe_restore(static_cast<unsigned>(FE_DIVBYZERO));
    EXPECT_EQ(fegetexcept(), FE_DIVBYZERO);
    ek_math_fpe_restore(0);
    EXPECT_EQ(fegetexcept(), 0);
    // Bits that name no exception are ignored.
    ek_math_fpe_restore(~0u);
    EXPECT_EQ(fegetexcept(), FE_ALL_EXCEPT);
}

// The trap ends the child through a handler of its own, so the result is the same whether or
// not a sanitizer has put its own SIGFPE handler in place.
constexpr int k_trapped = 77;
void on_trap(int) { _exit(k_trapped); }

TEST(FpeDeathTest, RestoredMaskReallyTraps) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            struct sigaction action = {};
            action.sa_handler = on_trap;
            sigaction(SIGFPE, &action, nullptr);
            fedisableexcept(FE_ALL_EXCEPT);
            feenableexcept(FE_DIVBYZERO);
            const unsigned state = ek_math_fpe_get_state();
            ek_math_fpe_disable();
            divide(1.0, 0.0);  // masked: no trap
            ek_math_fpe_restore(state);
            divide(1.0, 0.0);  // traps
            std::exit(0);
        },
        ::testing::ExitedWithCode(k_trapped), "");
}

}  // namespace
