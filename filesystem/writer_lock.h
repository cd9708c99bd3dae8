// The writer's claim on a document's metadata file, and the temporary files of its saves.
//
// A document opened for writing claims its metadata file for as long as it is open: readers may
// still open the file, a writer of another process may not, as with the share modes of data
// files. Within one process the writers of a path share one claim (two document objects of one
// path may both be writable there). Saves replace the file atomically by renaming a complete new
// file over it; the claim moves to the new file before the rename, so that no other writer can
// slip in between.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace ek::filesystem {

namespace detail {
struct writer_claim;
}

class writer_lock {
public:
    writer_lock() = default;
    ~writer_lock() { release(); }
    writer_lock(const writer_lock&) = delete;
    writer_lock& operator=(const writer_lock&) = delete;

    // Claims the existing regular file at `path`, releasing any earlier claim. False when a
    // writer of another process holds it (after the sharing retries of the binary file layer),
    // when it is write-protected, missing or not a regular file.
    bool acquire(const std::wstring& path);

    // Puts the complete file `replacement` (in the same folder) in place of `path` and moves the
    // claim to it. Without a claim on `path`, a file there must be free of other writers and not
    // write-protected. False leaves `path` and the claim as they were; the replacement is removed
    // either way.
    bool replace(const std::wstring& path, const std::wstring& replacement);

    // Takes over the claim of `other`, releasing its own first.
    void take(writer_lock& other);

    void release();
    bool held() const { return claim_ != nullptr; }

private:
    std::shared_ptr<detail::writer_claim> claim_;
};

// A new name for the next save of the file at `path`, hidden and beside it: ".<file name>.<unique
// part>.tmp".
std::wstring save_temp_path(const std::wstring& path);

// Removes the temporary files that earlier saves of `path` left behind (a crash between writing
// and renaming): hidden files in its folder named after it and ending in ".tmp" that no process
// holds open for writing.
void remove_stale_save_temps(const std::wstring& path);

// --- the platform's part (writer_lock_posix.cpp, writer_lock_windows.cpp) --------------------
namespace detail {

using claim_handle = intptr_t;
inline constexpr claim_handle no_claim = -1;

// Opens the existing file at `path` for a writer, so that readers may still open it and writers
// of other processes may not; no_claim when another process's writer holds it (after the
// retries) or it is write-protected, missing or not a regular file.
claim_handle os_claim(const std::wstring& path);
// Claims the new file `replacement`, gives it the access rights of the file at `path` and renames
// it over that. `held` is this process's claim on `path` (or no_claim). On success returns the
// claim on the file now at `path` and has released `held`. On failure returns no_claim with the
// replacement removed, and `held` is a claim on `path` again when it can be (a platform may have
// to let it go for a moment), else no_claim.
claim_handle os_claim_and_rename(const std::wstring& replacement, const std::wstring& path, claim_handle& held);
void os_release(claim_handle handle);

// This process's number, which keeps the temporary names of concurrent savers apart.
unsigned os_process_id();
// Removes the file at `path` when nobody is writing it (a temp that a save in progress holds is
// kept).
void os_remove_abandoned(const std::wstring& path);

}  // namespace detail
}  // namespace ek::filesystem
