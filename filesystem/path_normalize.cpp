// Normalising and comparing paths by their component lists. Pure string work apart from the
// current folder that makes a relative path absolute.
#include "filesystem/paths.h"

#include "ek_text.h"

namespace ek::filesystem {
namespace {

// A path taken apart: its root ("C:", "/", "C:/", "//" ...), its components, and whether it
// ended with a separator.
struct parts {
    std::wstring root;
    std::vector<std::wstring> items;
    bool trailing = false;
};

parts split(const std::wstring& path) {
    parts p;
    size_t i = 0;
    if (path.size() >= 2 && path[1] == L':') {
        p.root = path.substr(0, 2);
        i = 2;
    }
    size_t separators = 0;
    for (; i < path.size() && is_separator(path[i]); ++i) ++separators;
    // One separator after a drive; a network root keeps its two.
    if (separators >= 1) p.root += native_directory_separator;
    if (separators >= 2 && p.root.size() == 1) p.root += native_directory_separator;
    std::wstring item;
    for (; i < path.size(); ++i) {
        if (is_separator(path[i])) {
            if (!item.empty()) p.items.push_back(item);
            item.clear();
        } else {
            item += path[i];
        }
    }
    if (!item.empty()) p.items.push_back(item);
    p.trailing = !path.empty() && is_separator(path.back());
    return p;
}

bool rooted(const parts& p) { return !p.root.empty() && is_separator(p.root.back()); }

parts cleaned(const std::wstring& path) {
    parts p = split(path);
    std::vector<std::wstring> out;
    for (const std::wstring& item : p.items) {
        if (item == L".") continue;
        if (item == L"..") {
            if (!out.empty() && out.back() != L"..") out.pop_back();
            else if (!rooted(p)) out.push_back(item);  // above the root there is nothing
            continue;
        }
        out.push_back(item);
    }
    p.items = std::move(out);
    return p;
}

std::wstring join(const parts& p) {
    std::wstring out = p.root;
    for (size_t k = 0; k < p.items.size(); ++k) {
        if (k > 0) out += native_directory_separator;
        out += p.items[k];
    }
    if (p.trailing && !p.items.empty()) out += native_directory_separator;
    return out;
}

bool same_root(const parts& a, const parts& b) { return ek::text::equal_nocase(a.root, b.root); }

}  // namespace

std::wstring clean_path(const std::wstring& path) { return join(cleaned(path)); }

std::wstring absolute_path(const std::wstring& path, const std::wstring& base) {
    if (is_absolute(path)) return clean_path(path);
    std::wstring from = base.empty() ? current_path() : base;
    if (is_relative(from)) from = combine(current_path(), from);
    return clean_path(combine(from, path));
}

std::wstring relative_path(const std::wstring& path, const std::wstring& base) {
    const parts p = cleaned(absolute_path(path));
    const parts b = cleaned(absolute_path(base));
    if (!same_root(p, b)) return join(p);
    size_t common = 0;
    while (common < p.items.size() && common < b.items.size() &&
           ek::text::equal_nocase(p.items[common], b.items[common]))
        ++common;
    parts r;
    for (size_t k = common; k < b.items.size(); ++k) r.items.push_back(L"..");
    for (size_t k = common; k < p.items.size(); ++k) r.items.push_back(p.items[k]);
    r.trailing = p.trailing;
    return join(r);
}

bool is_equal(const std::wstring& a, const std::wstring& b) {
    const parts pa = cleaned(absolute_path(a));
    const parts pb = cleaned(absolute_path(b));
    if (!same_root(pa, pb) || pa.items.size() != pb.items.size()) return false;
    for (size_t k = 0; k < pa.items.size(); ++k)
        if (!ek::text::equal_nocase(pa.items[k], pb.items[k])) return false;
    return true;
}

std::wstring common_directory(const std::vector<std::wstring>& paths) {
    if (paths.empty()) return std::wstring();
    parts common = split(directory(paths[0]));
    for (size_t n = 1; n < paths.size(); ++n) {
        const parts p = split(directory(paths[n]));
        if (!same_root(common, p)) return std::wstring();
        size_t k = 0;
        while (k < common.items.size() && k < p.items.size() &&
               ek::text::equal_nocase(common.items[k], p.items[k]))
            ++k;
        common.items.resize(k);
    }
    common.trailing = true;
    std::wstring out = join(common);
    return out;
}

std::vector<std::wstring> find(const std::wstring& pattern, int flags) {
    return find(directory(pattern), filename(pattern), flags);
}

std::wstring combine(const std::vector<std::wstring>& parts_list) {
    std::wstring out;
    for (const std::wstring& part : parts_list) out = combine(out, part);
    return out;
}

std::wstring change_full_extension(const std::wstring& path, const std::wstring& ext) {
    const std::wstring name = filename(path);
    const auto dot = name.find(L'.');
    std::wstring out = path;
    if (dot != std::wstring::npos && dot != 0) out.resize(path.size() - (name.size() - dot));
    if (!ext.empty() && ext[0] != L'.') out += L'.';
    out += ext;
    return out;
}

}  // namespace ek::filesystem
