// Exported functions of a document's property list: finding, adding, deleting and opening
// properties, and unique names and captions.
#include "api/ek_vor4_boundary.h"
#include "ek_text.h"
#include "ekx_file_vor4.h"

using ek::vor4_api::text_arg;
using ek::vor4_api::with;

extern "C" {

int ek_vor4_get_index_by_name(TekVor4* h, const char* name) {
    return with(h, -1, [&](TekVor4& d) { return d.getIndexByName(text_arg(name)); });
}

int ek_vor4_get_index_by_name_w(TekVor4* h, const wchar_t* name) {
    return with(h, -1, [&](TekVor4& d) { return d.getIndexByName(text_arg(name)); });
}

int ek_vor4_get_index_by_caption(TekVor4* h, const char* caption) {
    return with(h, -1, [&](TekVor4& d) { return d.getIndexByCaption(text_arg(caption)); });
}

int ek_vor4_get_index_by_caption_w(TekVor4* h, const wchar_t* caption) {
    return with(h, -1, [&](TekVor4& d) { return d.getIndexByCaption(text_arg(caption)); });
}

TekVor4Property* ek_vor4_prop_add(TekVor4* h, const char* name, unsigned char propKind, unsigned char dataType,
                                  bool overwrite) {
    return with(h, (TekVor4Property*)nullptr,
                [&](TekVor4& d) { return d.addProperty(text_arg(name), propKind, dataType, overwrite); });
}

TekVor4Property* ek_vor4_prop_add_w(TekVor4* h, const wchar_t* name, unsigned char propKind, unsigned char dataType,
                                    bool overwrite) {
    return with(h, (TekVor4Property*)nullptr,
                [&](TekVor4& d) { return d.addProperty(text_arg(name), propKind, dataType, overwrite); });
}

TekVor4Property* ek_vor4_prop_add_binary(TekVor4* h, const char* name, unsigned char propKind,
                                         unsigned char dataType, const char* sourceFile, bool copy, bool overwrite) {
    return with(h, (TekVor4Property*)nullptr, [&](TekVor4& d) {
        return d.addPropertyBinary(text_arg(name), propKind, dataType, text_arg(sourceFile), copy, overwrite);
    });
}

TekVor4Property* ek_vor4_prop_add_binary_w(TekVor4* h, const wchar_t* name, unsigned char propKind,
                                           unsigned char dataType, const wchar_t* sourceFile, bool copy,
                                           bool overwrite) {
    return with(h, (TekVor4Property*)nullptr, [&](TekVor4& d) {
        return d.addPropertyBinary(text_arg(name), propKind, dataType, text_arg(sourceFile), copy, overwrite);
    });
}

void ek_vor4_prop_delete(TekVor4* h, unsigned int index) { with(h, [&](TekVor4& d) { d.deleteProperty(index); }); }

void ek_vor4_prop_delete_list(TekVor4* h, unsigned int index) {
    with(h, [&](TekVor4& d) { d.deletePropertyList(index); });
}

TekVor4Property* ek_vor4_prop_open(TekVor4* h, unsigned int index) {
    return with(h, (TekVor4Property*)nullptr, [&](TekVor4& d) { return d.getProperty(index); });
}

const char* ek_vor_generate_unin_name(TekVor4* h, const char* base) {
    return with(h, (const char*)nullptr, [&](TekVor4& d) { return d.get_unin_name(text_arg(base)); });
}

void ek_vor_generate_unin_name_w(TekVor4* h, const wchar_t* base, Tek_string_adapter* adapter) {
    // The same candidates as get_unin_name (base, base1, base2, ...) tried in wide text, so that a
    // base beyond the narrow encoding keeps its characters.
    with(h, [&](TekVor4& d) {
        const std::wstring wideBase = text_arg(base);
        std::wstring candidate = wideBase;
        for (int counter = 1; d.getIndexByName(candidate) >= 0; ++counter)
            candidate = wideBase + std::to_wstring(counter);
        ek_string_adp_feed(adapter, candidate.c_str());
    });
}

void ek_vor_generate_unin_capt_w(TekVor4* h, const wchar_t* base, Tek_string_adapter* adapter) {
    with(h, [&](TekVor4& d) { ek_string_adp_feed(adapter, d.get_unin_capt(text_arg(base))); });
}

}  // extern "C"
