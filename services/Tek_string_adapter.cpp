#include "services/Tek_string_adapter.h"

#include "ek_text.h"

Tek_string_adapter_base::Tek_string_adapter_base()
    : adapter_(ek_string_adp_create(&ek_ansi_string_callback, &ek_unicode_string_callback, this)) {}

Tek_string_adapter_base::~Tek_string_adapter_base() {
    if (adapter_) ek_string_adp_destroy(adapter_);
}

void Tek_string_adapter_base::ek_ansi_string_callback(const char* text, void* context) {
    if (context) static_cast<Tek_string_adapter_base*>(context)->feed(text);
}

void Tek_string_adapter_base::ek_unicode_string_callback(const wchar_t* text, void* context) {
    if (context) static_cast<Tek_string_adapter_base*>(context)->feed(text);
}

void Tek_std_wstring_adapter::feed(const char* text) { *target_ = text ? ek::text::to_wide(text) : std::wstring(); }
void Tek_std_wstring_adapter::feed(const wchar_t* text) { *target_ = text ? text : L""; }

void Tek_std_string_adapter::feed(const char* text) { *target_ = text ? text : ""; }
void Tek_std_string_adapter::feed(const wchar_t* text) { *target_ = text ? ek::text::to_narrow(text) : std::string(); }
