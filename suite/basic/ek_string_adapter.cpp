// String transfer: an adapter hands a text to the host's callback of the matching form, or
// converts it through the code page when the host registered only the other form.
#include "ekx_basic.h"

#include <string>

#include "ek_boundary.h"
#include "ek_text.h"

struct Tek_string_adapter {
    ek_string_callback_c narrow;
    ek_string_callback_w wide;
    void* context;
};

using ek::basic::guarded;

extern "C" {

Tek_string_adapter* ek_string_adp_create(ek_string_callback_c narrow, ek_string_callback_w wide, void* context) {
    return guarded<Tek_string_adapter*>(nullptr, [&] { return new Tek_string_adapter{narrow, wide, context}; });
}

void ek_string_adp_feed_c(Tek_string_adapter* adapter, const char* text) {
    if (!adapter) return;
    guarded([&] {
        const char* narrow = text ? text : "";
        if (adapter->narrow) {
            adapter->narrow(narrow, adapter->context);
        } else if (adapter->wide) {
            const std::wstring wide = ek::text::to_wide(narrow);
            adapter->wide(wide.c_str(), adapter->context);
        }
    });
}

void ek_string_adp_feed(Tek_string_adapter* adapter, const wchar_t* text) {
    if (!adapter) return;
    guarded([&] {
        const wchar_t* wide = text ? text : L"";
        if (adapter->wide) {
            adapter->wide(wide, adapter->context);
        } else if (adapter->narrow) {
            const std::string narrow = ek::text::to_narrow(wide);
            adapter->narrow(narrow.c_str(), adapter->context);
        }
    });
}

void ek_string_adp_destroy(Tek_string_adapter* adapter) { delete adapter; }

}  // extern "C"
