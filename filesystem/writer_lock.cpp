// The writer's claim, shared per path within the process, and the names of save temps; the locking
// itself is the platform's.
#include "filesystem/writer_lock.h"

#include <atomic>
#include <cstdio>
#include <map>
#include <mutex>
#include <string_view>

#include "filesystem/paths.h"

namespace ek::filesystem {
namespace detail {

struct writer_claim {
    std::wstring path;
    claim_handle handle = no_claim;
    ~writer_claim();
};

namespace {

std::mutex& registry_mutex() {
    static std::mutex m;
    return m;
}

// The claims this process holds, by path; an entry lives as long as some lock shares it.
std::map<std::wstring, std::weak_ptr<writer_claim>>& registry() {
    static auto* claims = new std::map<std::wstring, std::weak_ptr<writer_claim>>();  // outlives its users
    return *claims;
}

std::shared_ptr<writer_claim> register_claim(const std::wstring& path, claim_handle handle) {
    auto claim = std::make_shared<writer_claim>();
    claim->path = path;
    claim->handle = handle;
    registry()[path] = claim;
    return claim;
}

}  // namespace

writer_claim::~writer_claim() {
    os_release(handle);
    const std::lock_guard<std::mutex> guard(registry_mutex());
    auto it = registry().find(path);
    if (it != registry().end() && it->second.expired()) registry().erase(it);
}

}  // namespace detail

bool writer_lock::acquire(const std::wstring& path) {
    release();
    std::lock_guard<std::mutex> guard(detail::registry_mutex());
    auto it = detail::registry().find(path);
    if (it != detail::registry().end()) {
        if (auto shared = it->second.lock()) {
            claim_ = std::move(shared);
            return true;
        }
    }
    const detail::claim_handle handle = detail::os_claim(path);
    if (handle == detail::no_claim) return false;
    claim_ = detail::register_claim(path, handle);
    return true;
}

bool writer_lock::replace(const std::wstring& path, const std::wstring& replacement) {
    if (!(claim_ && claim_->path == path)) {
        release();
        // A file already there must be ours to replace; a new one needs no earlier claim.
        if (path_exist(path) && !acquire(path)) {
            remove_file(replacement);
            return false;
        }
    }
    detail::claim_handle held = claim_ ? claim_->handle : detail::no_claim;
    const detail::claim_handle handle = detail::os_claim_and_rename(replacement, path, held);
    if (claim_) {
        // Every lock sharing the claim moves to the new file with it; after a failure it keeps
        // what the platform could hold on to.
        claim_->handle = handle != detail::no_claim ? handle : held;
    }
    if (handle == detail::no_claim) return false;
    if (!claim_) {
        const std::lock_guard<std::mutex> guard(detail::registry_mutex());
        claim_ = detail::register_claim(path, handle);
    }
    return true;
}

void writer_lock::take(writer_lock& other) {
    release();
    claim_ = std::move(other.claim_);
}

void writer_lock::release() { claim_.reset(); }

namespace {

// A save temp's name with its leading dots dropped begins with the document's file name and a dot,
// and ends in ".tmp" (the XML service's own temp of such a file has one dot more in front).
bool is_save_temp_of(std::wstring_view entry, std::wstring_view file) {
    if (entry.size() < 2 || entry[0] != L'.') return false;
    const size_t start = entry.find_first_not_of(L'.');
    if (start == std::wstring_view::npos) return false;
    const std::wstring_view rest = entry.substr(start);
    const std::wstring_view tail(L".tmp");
    return rest.size() > file.size() + 1 + tail.size() && rest.compare(0, file.size(), file) == 0 &&
           rest[file.size()] == L'.' && rest.compare(rest.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

std::wstring save_temp_path(const std::wstring& path) {
    static std::atomic<unsigned> counter{0};
    wchar_t unique[48];
    std::swprintf(unique, 48, L".%x-%x.tmp", detail::os_process_id(), counter.fetch_add(1));
    return directory(path) + L"." + filename(path) + unique;
}

void remove_stale_save_temps(const std::wstring& path) {
    const std::wstring file = filename(path);
    if (file.empty()) return;
    for (const std::wstring& entry : find(directory(path), L"*", find_files))
        if (is_save_temp_of(filename(entry), file)) detail::os_remove_abandoned(entry);
}

}  // namespace ek::filesystem
