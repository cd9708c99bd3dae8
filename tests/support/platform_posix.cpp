// The Linux side of the test helpers: fork for child processes, the environment's narrow
// encoding, glibc's floating-point traps, mmap.
#include <poll.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cfenv>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "ek_text.h"
#include "support/child_process.h"
#include "support/host_platform.h"

namespace ek::test {

Child::Child(ChildTask task, std::vector<std::wstring> args) {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(task(args) & 0xFF);  // no destructors, no test framework
    id_ = pid > 0 ? pid : -1;
}

void Child::kill() {
    if (id_ != -1) ::kill(static_cast<pid_t>(id_), SIGKILL);
    wait();
}

int Child::wait() {
    if (id_ == -1) return code_;
    int status = 0;
    while (::waitpid(static_cast<pid_t>(id_), &status, 0) < 0) {
        if (errno != EINTR) {
            status = -1;
            break;
        }
    }
    id_ = -1;
    code_ = status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return code_;
}

bool run_child_task(int, char**, int&) { return false; }  // a forked child never reaches main

unsigned narrow_code_page() {
    const char* e = std::getenv("EKX_NARROW_ENCODING");
    return e && std::strcmp(e, "windows-1251") == 0 ? 1251 : 65001;
}

std::filesystem::path wide_path(const std::wstring& wide) { return ek::text::to_utf8(wide); }
std::wstring wide_text(const std::filesystem::path& path) { return ek::text::from_utf8(path.string()); }

ScopedEnv::ScopedEnv(const char* name, const wchar_t* value) : name_(name) {
    if (const char* old = std::getenv(name)) saved_ = ek::text::from_utf8(old);
    set(value);
}
ScopedEnv::~ScopedEnv() { set(saved_ ? saved_->c_str() : nullptr); }
void ScopedEnv::set(const wchar_t* value) {
    value ? ::setenv(name_.c_str(), ek::text::to_utf8(value).c_str(), 1) : ::unsetenv(name_.c_str());
}

std::wstring system_path(const std::wstring& posix) { return posix; }

bool make_fifo(const std::filesystem::path& path) { return ::mkfifo(path.c_str(), 0600) == 0; }

// The limit raises SIGXFSZ, which would end the process: ignored, so that the write fails instead.
FileSizeLimit::FileSizeLimit(uint64_t bytes) {
    struct rlimit old;
    if (::getrlimit(RLIMIT_FSIZE, &old) != 0) return;
    saved_[0] = old.rlim_cur, saved_[1] = old.rlim_max;
    saved_handler_ = ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = bytes;
    active_ = ::setrlimit(RLIMIT_FSIZE, &small) == 0;
}
FileSizeLimit::~FileSizeLimit() {
    if (!active_) return;
    const struct rlimit old = {rlim_t(saved_[0]), rlim_t(saved_[1])};
    ::setrlimit(RLIMIT_FSIZE, &old), ::signal(SIGXFSZ, saved_handler_);
}

const bool k_case_sensitive_files = true;

bool wait_for_watch(intptr_t wait_handle, int timeout_ms) {
    pollfd p{static_cast<int>(wait_handle), POLLIN, 0};
    return wait_handle >= 0 && ::poll(&p, 1, timeout_ms) == 1;
}

const bool k_writers_beside_readers = true;

const char* const k_temp_variable = "TMPDIR";
std::wstring default_temp_folder() { return L"/tmp/"; }

const FpExceptions k_fp = {FE_INVALID, FE_DIVBYZERO, FE_OVERFLOW, FE_ALL_EXCEPT};

unsigned trapping_fp() { return static_cast<unsigned>(fegetexcept()); }

void trap_fp(unsigned state) {
    fedisableexcept(FE_ALL_EXCEPT);
    if (state & FE_ALL_EXCEPT) feenableexcept(static_cast<int>(state & FE_ALL_EXCEPT));
}

ReservedSpace::ReservedSpace(size_t bytes) : bytes_(bytes) {
    void* p = ::mmap(nullptr, bytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    data_ = p == MAP_FAILED ? nullptr : static_cast<char*>(p);
}
ReservedSpace::~ReservedSpace() {
    if (data_) ::munmap(data_, bytes_);
}

}  // namespace ek::test
