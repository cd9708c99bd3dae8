// A fresh folder under the system temporary folder, removed with everything in it when the object goes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace ek::test {

class TempDir {
public:
    TempDir() {
        // A new folder of a random name, made by create_directory, which fails for an existing one.
        std::error_code ec;
        const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
        std::random_device seed;
        std::mt19937_64 rng((uint64_t(seed()) << 32) ^ seed());
        for (int attempt = 0; attempt < 100 && !ec; ++attempt) {
            char name[32];
            std::snprintf(name, sizeof name, "ekx_test_%012llx", static_cast<unsigned long long>(rng() >> 16));
            if (std::filesystem::create_directory(base / name, ec)) {
                path_ = base / name;
                break;
            }
        }
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
