// The path-under-construction helper.
#include "filesystem/paths.h"

namespace ek::filesystem {

transform& transform::dir(const std::wstring& directory) {
    path_ = change_directory(path_, directory);
    return *this;
}

transform& transform::base(const std::wstring& basename) {
    path_ = change_basename(path_, basename);
    return *this;
}

transform& transform::ext(const std::wstring& extension) {
    path_ = change_extension(path_, extension);
    return *this;
}

transform& transform::ext_add(const std::wstring& extension) {
    if (extension.empty()) return *this;
    if (extension[0] != L'.') path_ += L'.';
    path_ += extension;
    return *this;
}

transform& transform::suffix(const std::wstring& suffix) {
    path_ = add_suffix(path_, suffix);
    return *this;
}

std::wstring transform::get_unique() const {
    if (!path_exist(path_)) return path_;
    // A bound so that a folder full of variants cannot keep us here forever.
    constexpr int k_max_variants = 100000;
    for (int i = 1; i <= k_max_variants; ++i) {
        std::wstring candidate = add_suffix(path_, L"_" + std::to_wstring(i));
        if (!path_exist(candidate)) return candidate;
    }
    return std::wstring();
}

}  // namespace ek::filesystem
