// A fresh folder under the system temporary folder, removed with everything in it when the
// object goes. Tests use it so that no run sees another's files.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace ek::test {

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "ekx_test_XXXXXX").string();
        if (char* made = mkdtemp(pattern.data())) path_ = made;
    }
    ~TempDir() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // A path inside the folder, as wide text with a trailing separator-free name appended.
    std::wstring file(const std::string& name) const { return (path_ / name).wstring(); }
    std::string narrow(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

}  // namespace ek::test
