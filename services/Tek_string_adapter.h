// The library's receiving side of the basic service's string transfer: an adapter handle whose
// callbacks fill a std::string or std::wstring.
#pragma once

#include <string>

#include "ekx_basic.h"

class Tek_string_adapter_base {
public:
    Tek_string_adapter_base();
    virtual ~Tek_string_adapter_base();
    Tek_string_adapter_base(const Tek_string_adapter_base&) = delete;
    Tek_string_adapter_base& operator=(const Tek_string_adapter_base&) = delete;

    virtual void feed(const char* text) = 0;
    virtual void feed(const wchar_t* text) = 0;

    static void ek_ansi_string_callback(const char* text, void* context);
    static void ek_unicode_string_callback(const wchar_t* text, void* context);

    // Null when the basic service could not make an adapter.
    Tek_string_adapter* adapter() const { return adapter_; }

private:
    Tek_string_adapter* adapter_;
};

// Fills a wide string; narrow text is converted through the code page. Null gives "".
class Tek_std_wstring_adapter : public Tek_string_adapter_base {
public:
    explicit Tek_std_wstring_adapter(std::wstring& target) : target_(&target) {}
    void feed(const char* text) override;
    void feed(const wchar_t* text) override;

private:
    std::wstring* target_;
};

// Fills a narrow string; wide text is converted to the code page. Null gives "".
class Tek_std_string_adapter : public Tek_string_adapter_base {
public:
    explicit Tek_std_string_adapter(std::string& target) : target_(&target) {}
    void feed(const char* text) override;
    void feed(const wchar_t* text) override;

private:
    std::string* target_;
};
