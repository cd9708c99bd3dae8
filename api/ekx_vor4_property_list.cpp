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
    with(h, [&](TekVor4& d) {
        const char* name = d.get_unin_name(ek::text::to_narrow(text_arg(base)));
        ek_string_adp_feed_c(adapter, name);
    });
}

void ek_vor_generate_unin_capt_w(TekVor4* h, const wchar_t* base, Tek_string_adapter* adapter) {
    with(h, [&](TekVor4& d) { ek_string_adp_feed(adapter, d.get_unin_capt(text_arg(base))); });
}

}  // extern "C"
