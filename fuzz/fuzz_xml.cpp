// The XML service on arbitrary files: load, walk, read every value in every type, add values, save in
// Windows-1251 and in UTF-8; each saved file must load and walk as the tree it was saved from.
#include <bit>

#include "ekx_io.h"
#include "fuzz_support.h"

namespace {

using ek::fuzz::text_of;

constexpr int k_max_depth = 64, k_max_children = 256;

// A description of the element and everything below it as the service shows it: names, the
// text of each value by key, and the typed reads of it.
void walk(Tek_xml_node* node, int depth, std::wstring& out) {
    out += L'<' + text_of([&](Tek_string_adapter* a) { ek_xnode_get_name_adp(node, a); }) + L'>';
    for (int i = 0; depth < k_max_depth && i < k_max_children; ++i) {
        Tek_xml_node* child = ek_xnode_get_node_by_no(node, i);
        if (!child) break;
        const std::wstring key = text_of([&](Tek_string_adapter* a) { ek_xnode_get_name_adp(child, a); });
        const double d = ek_xnode_get_node_dbl(node, key.c_str(), -7.0);
        const unsigned long long bits = d == d ? std::bit_cast<unsigned long long>(d) : 1;  // every NaN alike
        out += text_of([&](Tek_string_adapter* a) { ek_xnode_get_node_wstr(node, key.c_str(), L"\x1F<none>", a); }) + L'|' +
               std::to_wstring(ek_xnode_get_node_int(node, key.c_str(), -7)) + L'|' + std::to_wstring(ek_xnode_get_node_int64(node, key.c_str(), -7)) +
               L'|' + std::to_wstring(ek_xnode_get_node_bool(node, key.c_str(), false)) + L'|' + std::to_wstring(bits);
        walk(child, depth + 1, out);
        ek_xnode_close(child);
    }
    out += L"</>";
}

std::wstring walk_file(const std::wstring& path) {
    Tek_xml_doc* doc = ek_xml_create();
    Tek_xml_node* root = ek_xml_load_from_file_w(doc, path.c_str()) ? ek_xml_get_root_w(doc, nullptr) : nullptr;
    std::wstring out = root ? L"" : L"(not loaded)";
    if (root) walk(root, 0, out), ek_xnode_close(root);
    return ek_xml_destroy(doc), out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::wstring in = ek::fuzz::work_file("in.xml"), out1251 = in + L"1251", out8 = in + L"8";
    ek::fuzz::write_file(in, data, size);
    Tek_xml_doc* doc = ek_xml_create();
    ek_xml_set_encoding_w(doc, L"Windows-1251");
    if (!ek_xml_load_from_file_w(doc, in.c_str())) return ek_xml_destroy(doc), 0;
    Tek_xml_node* root = ek_xml_get_root_w(doc, nullptr);
    if (!root) ::abort();  // a loaded document has its root
    // Values added under names taken from the file, and under fixed ones.
    if (Tek_xml_node* first = ek_xnode_get_node_by_no(root, 0)) {
        const std::wstring key = text_of([&](Tek_string_adapter* a) { ek_xnode_get_name_adp(first, a); });
        ek_xnode_add_node_wstr(first, key.c_str(), L"добавлено"), ek_xnode_close(first);
    }
    Tek_xml_node* added = ek_xnode_set_node_w(root, L"Added");
    ek_xnode_add_node_int(added, L"I", -5), ek_xnode_add_node_int64(added, L"L", 1LL << 40), ek_xnode_add_node_dbl(added, L"D", 0.1);
    ek_xnode_add_node_bool(added, L"B", true), ek_xnode_add_node_str(added, "S", "a<&>\"b"), ek_xnode_close(added);
    std::wstring before;
    walk(root, 0, before), ek_xnode_close(root);
    // A loaded tree always saves, in either encoding, and reads back as it was.
    if (!ek_xml_save_to_file_w(doc, out1251.c_str())) ::abort();
    ek_xml_set_encoding_w(doc, L"UTF-8");
    if (!ek_xml_save_to_file_w(doc, out8.c_str())) ::abort();
    ek_xml_destroy(doc);
    if (walk_file(out1251) != before || walk_file(out8) != before) ::abort();
    return 0;
}
