// The C boundary of the exported functions: each body runs inside one of these guards, so that
// no C++ exception (allocation failure above all) reaches a C host; the function answers with its
// failure value instead. The handle checks live here too, so every exported function is one line.
#pragma once

#include <string>

#include "ek_text.h"
#include "vor4/TekVor4.h"

namespace ek::vor4_api {

template <class R, class F>
inline R guarded(R failure, F&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return failure;
    }
}

template <class F>
inline void guarded(F&& body) noexcept {
    try {
        body();
    } catch (...) {
    }
}

// Calls body(*handle) when the handle is not null; otherwise, or when it throws, the failure value.
template <class H, class R, class F>
inline R with(H* handle, R failure, F&& body) noexcept {
    if (!handle) return failure;
    return guarded(failure, [&]() -> R { return body(*handle); });
}

template <class H, class F>
inline void with(H* handle, F&& body) noexcept {
    if (!handle) return;
    guarded([&] { body(*handle); });
}

// The property at `index` of the document, or null when the handle is null or the index is not
// below the property count.
inline TekVor4Property* property_at(TekVor4* h, unsigned int index) {
    if (!h || index >= h->getNumProps()) return nullptr;
    return h->getProperty(index);
}

template <class R, class F>
inline R with_property(TekVor4* h, unsigned int index, R failure, F&& body) noexcept {
    return guarded(failure, [&]() -> R {
        TekVor4Property* p = property_at(h, index);
        return p ? static_cast<R>(body(*p)) : failure;
    });
}

template <class F>
inline void with_property(TekVor4* h, unsigned int index, F&& body) noexcept {
    guarded([&] {
        if (TekVor4Property* p = property_at(h, index)) body(*p);
    });
}

// Text arguments: a null pointer counts as the empty text.
inline std::string text_arg(const char* text) { return text ? std::string(text) : std::string(); }
inline std::wstring text_arg(const wchar_t* text) { return text ? std::wstring(text) : std::wstring(); }

// Narrow text in the code page, made wide.
inline std::wstring wide_arg(const char* text) { return text ? ek::text::to_wide(text) : std::wstring(); }

// The failure value of the result codes for a null handle: arguments the property cannot serve.
inline constexpr int bad_arguments = 4;

}  // namespace ek::vor4_api
