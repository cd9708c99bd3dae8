// The XML service on arbitrary files: load, walk every element, read every value in every type,
// add values, save in Windows-1251 and in UTF-8, and load each saved file again. Besides
// crashes this finds trees that cannot be saved or saved files that do not read back the same:
// the walk of each saved file must equal the walk of the tree it was saved from.
#include <cstdlib>
#include <cstring>
#include <string>

#include "ekx_io.h"
#include "fuzz_support.h"

namespace {

constexpr int k_max_depth = 64;
constexpr int k_max_children = 256;

std::wstring wide_text(void (*read)(Tek_xml_node*, const wchar_t*, const wchar_t*, Tek_string_adapter*),
                       Tek_xml_node* node, const wchar_t* key) {
    std::wstring out;
    Tek_string_adapter* a = ek_string_adp_create(
        nullptr, [](const wchar_t* t, void* o) { *static_cast<std::wstring*>(o) = t ? t : L""; }, &out);
    read(node, key, L"\x1F<none>", a);
    ek_string_adp_destroy(a);
    return out;
}

std::wstring name_of(Tek_xml_node* node) {
    std::wstring out;
    Tek_string_adapter* a = ek_string_adp_create(
        nullptr, [](const wchar_t* t, void* o) { *static_cast<std::wstring*>(o) = t ? t : L""; }, &out);
    ek_xnode_get_name_adp(node, a);
    ek_string_adp_destroy(a);
    return out;
}

// A description of the element and everything below it as the service shows it: names, the
// text of each value by key, and the typed reads of it.
void walk(Tek_xml_node* node, int depth, std::wstring& out) {
    out += L'<';
    out += name_of(node);
    out += L'>';
    if (depth >= k_max_depth) return;
    for (int i = 0; i < k_max_children; ++i) {
        Tek_xml_node* child = ek_xnode_get_node_by_no(node, i);
        if (!child) break;
        const std::wstring key = name_of(child);
        out += wide_text(&ek_xnode_get_node_wstr, node, key.c_str());
        out += L'|';
        out += std::to_wstring(ek_xnode_get_node_int(node, key.c_str(), -7));
        out += L'|';
        out += std::to_wstring(ek_xnode_get_node_int64(node, key.c_str(), -7));
        out += L'|';
        out += std::to_wstring(ek_xnode_get_node_bool(node, key.c_str(), false));
        const double d = ek_xnode_get_node_dbl(node, key.c_str(), -7.0);
        unsigned long long bits;
        std::memcpy(&bits, &d, sizeof bits);
        out += L'|';
        out += std::to_wstring(d == d ? bits : 1);  // every NaN alike
        walk(child, depth + 1, out);
        ek_xnode_close(child);
    }
    out += L"</>";
}

std::wstring walk_file(const std::wstring& path) {
    Tek_xml_doc* doc = ek_xml_create();
    std::wstring out = L"(not loaded)";
    if (ek_xml_load_from_file_w(doc, path.c_str())) {
        out.clear();
        Tek_xml_node* root = ek_xml_get_root_w(doc, nullptr);
        walk(root, 0, out);
        ek_xnode_close(root);
    }
    ek_xml_destroy(doc);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::wstring in = ek::fuzz::work_file("in.xml");
    static const std::wstring out1251 = ek::fuzz::work_file("out1251.xml");
    static const std::wstring out8 = ek::fuzz::work_file("out8.xml");
    ek::fuzz::write_file(in, data, size);

    Tek_xml_doc* doc = ek_xml_create();
    ek_xml_set_encoding_w(doc, L"Windows-1251");
    if (!ek_xml_load_from_file_w(doc, in.c_str())) {
        ek_xml_destroy(doc);
        return 0;
    }
    Tek_xml_node* root = ek_xml_get_root_w(doc, nullptr);
    if (!root) ::abort();  // a loaded document has its root

    // Values added under names taken from the file, and under fixed ones.
    if (Tek_xml_node* first = ek_xnode_get_node_by_no(root, 0)) {
        const std::wstring key = name_of(first);
        ek_xnode_add_node_wstr(first, key.c_str(), L"добавлено");
        ek_xnode_close(first);
    }
    Tek_xml_node* added = ek_xnode_set_node_w(root, L"Added");
    ek_xnode_add_node_int(added, L"I", -5);
    ek_xnode_add_node_int64(added, L"L", 1LL << 40);
    ek_xnode_add_node_dbl(added, L"D", 0.1);
    ek_xnode_add_node_bool(added, L"B", true);
    ek_xnode_add_node_str(added, "S", "a<&>\"b");
    ek_xnode_close(added);

    std::wstring before;
    walk(root, 0, before);
    ek_xnode_close(root);

    // A loaded tree always saves, in either encoding, and reads back as it was.
    if (!ek_xml_save_to_file_w(doc, out1251.c_str())) ::abort();
    ek_xml_set_encoding_w(doc, L"UTF-8");
    if (!ek_xml_save_to_file_w(doc, out8.c_str())) ::abort();
    ek_xml_destroy(doc);
    if (walk_file(out1251) != before) ::abort();
    if (walk_file(out8) != before) ::abort();
    return 0;
}
