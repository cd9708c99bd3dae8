#include "filesystem/temp_file.h"

#include "filesystem/paths.h"

namespace ek::filesystem {

temp_file::temp_file(const std::wstring& dir, const std::wstring& prefix)
    : path_(temp_filename(dir, prefix)) {}

temp_file::~temp_file() {
    if (!path_.empty()) remove_file(path_);
    path_.clear();
}

}  // namespace ek::filesystem
