// Splitting, rebuilding and validating paths. Pure string work: nothing here touches the
// file system, and both '\' and '/' count as separators.
#include "filesystem/paths.h"

#include "ek_text.h"

namespace ek::filesystem {
namespace {

template <class C>
bool sep(C c) {
    return c == C('\\') || c == C('/');
}

// Position of the last separator, or npos.
template <class S>
typename S::size_type last_separator(const S& path) {
    for (auto i = path.size(); i > 0; --i)
        if (sep(path[i - 1])) return i - 1;
    return S::npos;
}

template <class S>
S filename_of(const S& path) {
    const auto p = last_separator(path);
    return p == S::npos ? path : path.substr(p + 1);
}

template <class S>
S extension_of(const S& path) {
    const S name = filename_of(path);
    const auto dot = name.rfind(typename S::value_type('.'));
    if (dot == S::npos || dot == 0) return S();
    return name.substr(dot);
}

template <class S>
S change_extension_of(const S& path, const S& ext) {
    using C = typename S::value_type;
    S out = path;
    // The dot is searched only within the file name; a dot at the very start of the whole
    // path keeps the path whole.
    for (auto i = path.size(); i > 0; --i) {
        const C c = path[i - 1];
        if (sep(c)) break;
        if (c == C('.')) {
            if (i - 1 != 0) out.resize(i - 1);
            break;
        }
    }
    if (!ext.empty() && ext[0] != C('.')) out += C('.');
    out += ext;
    return out;
}

bool ascii_letter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }

bool forbidden_in_path(wchar_t c) {
    switch (c) {
    case L'<': case L'>': case L':': case L'"': case L'|': case L'?': case L'*':
        return true;
    default:
        return false;
    }
}

bool forbidden_in_name(wchar_t c) { return forbidden_in_path(c) || sep(c); }

// Length of a leading drive prefix (a letter and a colon), 0 when there is none.
size_t drive_length(const std::wstring& path) {
    return path.size() >= 2 && path[1] == L':' && ascii_letter(path[0]) ? 2 : 0;
}

}  // namespace

bool is_separator(wchar_t c) { return sep(c); }

std::wstring directory(const std::wstring& path) {
    const auto p = last_separator(path);
    return p == std::wstring::npos ? std::wstring() : path.substr(0, p + 1);
}

std::wstring filename(const std::wstring& path) { return filename_of(path); }

std::wstring basename(const std::wstring& path) {
    const std::wstring name = filename_of(path);
    const auto dot = name.rfind(L'.');
    if (dot == std::wstring::npos || dot == 0) return name;
    return name.substr(0, dot);
}

std::wstring extension(const std::wstring& path) { return extension_of(path); }
std::string extension(const std::string& path) { return extension_of(path); }

std::wstring full_extension(const std::wstring& path) {
    const std::wstring name = filename_of(path);
    const auto dot = name.find(L'.');
    if (dot == std::wstring::npos || dot == 0) return std::wstring();
    std::wstring out = name.substr(dot);
    for (wchar_t& c : out) c = ek::text::to_lower(c);
    return out;
}

std::wstring change_extension(const std::wstring& path, const std::wstring& ext) {
    return change_extension_of(path, ext);
}

std::string change_extension(const std::string& path, const std::string& ext) {
    return change_extension_of(path, ext);
}

std::wstring change_basename(const std::wstring& path, const std::wstring& base) {
    return combine(directory(path), base + extension(path));
}

std::wstring change_filename(const std::wstring& path, const std::wstring& name) {
    return combine(directory(path), name);
}

std::wstring change_directory(const std::wstring& path, const std::wstring& dir) {
    return combine(dir, filename(path));
}

std::wstring add_suffix(const std::wstring& path, const std::wstring& suffix) {
    return change_basename(path, basename(path) + suffix);
}

std::wstring combine(const std::wstring& a, const std::wstring& b) {
    if (a.empty() || (!b.empty() && sep(b[0])) || (b.size() >= 2 && b[1] == L':')) return b;
    if (b.empty()) return a;
    std::wstring out = a;
    if (!sep(out.back())) out += native_directory_separator;
    out += b;
    return out;
}

std::wstring include_directory_separator(const std::wstring& path) {
    if (path.empty() || sep(path.back())) return path;
    return path + native_directory_separator;
}

std::wstring native_path(const std::wstring& path) {
    std::wstring out = path;
    for (wchar_t& c : out)
        if (sep(c)) c = native_directory_separator;
    return out;
}

bool is_absolute(const std::wstring& path) {
    if (path.empty()) return false;
    return sep(path[0]) || (path.size() >= 2 && path[1] == L':');
}

bool is_relative(const std::wstring& path) { return !is_absolute(path); }

std::wstring drive(const std::wstring& path) { return path.substr(0, drive_length(path)); }

bool is_valid(wchar_t c) { return c != 0 && !forbidden_in_path(c); }
bool is_valid_file_name(wchar_t c) { return c != 0 && !forbidden_in_name(c); }

bool is_valid(const std::wstring& path) {
    for (size_t i = drive_length(path); i < path.size(); ++i)
        if (forbidden_in_path(path[i])) return false;
    return true;
}

bool is_valid_file_name(const std::wstring& name) {
    for (wchar_t c : name)
        if (forbidden_in_name(c)) return false;
    return true;
}

std::wstring make_valid_filename(const std::wstring& name) {
    std::wstring out = name;
    for (wchar_t& c : out)
        if (forbidden_in_name(c)) c = L'_';
    return out;
}

std::wstring make_valid(const std::wstring& path) {
    std::wstring out = path;
    for (size_t i = drive_length(out); i < out.size(); ++i)
        if (forbidden_in_path(out[i])) out[i] = L'_';
    return out;
}

bool is_virtual(const std::wstring& path) { return !path.empty() && path[0] == L'*'; }

std::wstring from_virtual(const std::wstring& path) {
    return is_virtual(path) ? path.substr(1) : path;
}

std::wstring make_virtual(const std::wstring& path) {
    return is_virtual(path) ? path : L"*" + path;
}

std::wstring mangle_filename(const std::wstring& name) { return name; }

}  // namespace ek::filesystem
