// The writer's claim, shared per path within the process; the locking itself is the platform's.
#include "filesystem/writer_lock.h"

#include <map>
#include <mutex>

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
    const detail::claim_handle handle = detail::os_claim_and_rename(replacement, path);
    if (handle == detail::no_claim) return false;
    if (claim_) {
        // Every lock sharing the claim moves to the new file with it.
        detail::os_release(claim_->handle);
        claim_->handle = handle;
    } else {
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

}  // namespace ek::filesystem
