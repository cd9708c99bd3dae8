// The C boundary of the library: every exported function runs its body through one of these
// guards so that no C++ exception (allocation failure, a throwing callback) escapes to a C host.
#pragma once

#include <utility>

namespace ek::basic {

template <class R, class F>
R guarded(R failure, F&& body) noexcept {
    try {
        return std::forward<F>(body)();
    } catch (...) {
        return failure;
    }
}

template <class F>
void guarded(F&& body) noexcept {
    try {
        std::forward<F>(body)();
    } catch (...) {
    }
}

}  // namespace ek::basic
