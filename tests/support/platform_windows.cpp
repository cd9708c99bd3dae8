// The Windows side of the test helpers: a child process is the test program started again with
// its task (an offset into the program's image, the same in both processes) and its arguments.
#include <windows.h>
#include <xmmintrin.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <float.h>

#include "support/child_process.h"
#include "support/host_platform.h"

namespace ek::test {
namespace {

constexpr const char* k_child_flag = "--ekx-child-task";

uintptr_t image_base() { return reinterpret_cast<uintptr_t>(GetModuleHandleW(nullptr)); }

// Arguments travel as hexadecimal UTF-16 behind an 'x', so that no text needs quoting.
std::wstring encode(const std::wstring& text) {
    std::wstring out = L"x";
    wchar_t unit[8];
    for (wchar_t c : text) std::swprintf(unit, 8, L"%04X", unsigned(c)), out += unit;
    return out;
}
std::wstring decode(const char* text) {
    std::wstring out;
    for (size_t i = 1; text[i] && text[i + 1] && text[i + 2] && text[i + 3]; i += 4)
        out.push_back(static_cast<wchar_t>(std::strtoul(std::string(text + i, 4).c_str(), nullptr, 16)));
    return out;
}

}  // namespace

Child::Child(ChildTask task, std::vector<std::wstring> args) {
    std::wstring exe(MAX_PATH, L'\0');
    exe.resize(GetModuleFileNameW(nullptr, exe.data(), static_cast<DWORD>(exe.size())));
    wchar_t offset[32];
    std::swprintf(offset, 32, L"%llX", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(task) - image_base()));
    std::wstring command = L"\"" + exe + L"\" --ekx-child-task " + offset;
    for (const std::wstring& a : args) command += L" " + encode(a);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return;
    CloseHandle(process.hThread);
    id_ = reinterpret_cast<intptr_t>(process.hProcess);
}

void Child::kill() {
    if (id_ != -1) TerminateProcess(reinterpret_cast<HANDLE>(id_), 0xDEAD);
    wait();
}

int Child::wait() {
    if (id_ == -1) return code_;
    const HANDLE process = reinterpret_cast<HANDLE>(id_);
    DWORD code = DWORD(-1);
    if (WaitForSingleObject(process, INFINITE) != WAIT_OBJECT_0 || !GetExitCodeProcess(process, &code)) code = DWORD(-1);
    CloseHandle(process);
    id_ = -1;
    code_ = code <= 0xFF ? static_cast<int>(code) : -1;  // killed, or ended by an exception
    return code_;
}

bool run_child_task(int argc, char** argv, int& result) {
    if (argc < 3 || std::strcmp(argv[1], k_child_flag) != 0) return false;
    const auto task = reinterpret_cast<ChildTask>(image_base() + std::strtoull(argv[2], nullptr, 16));
    std::vector<std::wstring> args;
    for (int i = 3; i < argc; ++i) args.push_back(decode(argv[i]));
    result = task(args) & 0xFF;
    std::fflush(nullptr);
    std::_Exit(result);  // no destructors, no test framework, as a forked child
}

unsigned narrow_code_page() { return GetACP(); }

std::filesystem::path wide_path(const std::wstring& wide) { return wide; }
std::wstring wide_text(const std::filesystem::path& path) { return path.wstring(); }

ScopedEnv::ScopedEnv(const char* name, const wchar_t* value) : name_(name) {
    if (const wchar_t* old = _wgetenv(std::wstring(name_.begin(), name_.end()).c_str())) saved_ = old;
    set(value);
}
ScopedEnv::~ScopedEnv() { set(saved_ ? saved_->c_str() : nullptr); }
// _wputenv_s changes the C runtime's copy and the process environment that system calls read;
// an empty value removes the variable, as Windows has no empty variables.
void ScopedEnv::set(const wchar_t* value) { _wputenv_s(std::wstring(name_.begin(), name_.end()).c_str(), value ? value : L""); }

std::wstring system_path(const std::wstring& posix) {
    std::wstring path = L"C:" + posix;
    for (wchar_t& c : path) c = c == L'/' ? L'\\' : c;
    return path;
}

bool make_fifo(const std::filesystem::path&) { return false; }

FileSizeLimit::FileSizeLimit(uint64_t) {}
FileSizeLimit::~FileSizeLimit() {}

const bool k_case_sensitive_files = false;

bool wait_for_watch(intptr_t wait_handle, int timeout_ms) {
    return wait_handle != -1 &&
           WaitForSingleObject(reinterpret_cast<HANDLE>(wait_handle), static_cast<DWORD>(timeout_ms)) == WAIT_OBJECT_0;
}

const bool k_writers_beside_readers = false;

const char* const k_temp_variable = "TMP";
std::wstring default_temp_folder() {
    const wchar_t* temp = _wgetenv(L"TEMP");
    std::wstring folder = temp ? temp : L"";
    return folder.empty() || folder.back() == L'\\' ? folder : folder + L'\\';
}

// The runtime's _EM_ bits; it keeps the denormal trap masked on x64, so the state never holds it.
const FpExceptions k_fp = {_EM_INVALID, _EM_ZERODIVIDE, _EM_OVERFLOW,
                           _EM_INVALID | _EM_ZERODIVIDE | _EM_OVERFLOW | _EM_UNDERFLOW | _EM_INEXACT};

// The SSE control register itself, not the runtime's calls the service uses; a set bit masks.
namespace {
const struct { unsigned state, mxcsr; } k_bits[] = {{_EM_INVALID, 1u << 7},    {_EM_DENORMAL, 1u << 8},
                                                   {_EM_ZERODIVIDE, 1u << 9}, {_EM_OVERFLOW, 1u << 10},
                                                   {_EM_UNDERFLOW, 1u << 11}, {_EM_INEXACT, 1u << 12}};
}

unsigned trapping_fp() {
    const unsigned csr = _mm_getcsr();
    unsigned state = 0;
    for (const auto& b : k_bits) state |= (csr & b.mxcsr) ? 0 : b.state;
    return state;
}

void trap_fp(unsigned state) {
    unsigned csr = _mm_getcsr() & ~0x3Fu;  // no pending flags, which would trap at once
    for (const auto& b : k_bits) csr = (state & b.state) ? csr & ~b.mxcsr : csr | b.mxcsr;
    _mm_setcsr(csr);
}

ReservedSpace::ReservedSpace(size_t bytes) : bytes_(bytes) {
    data_ = static_cast<char*>(VirtualAlloc(nullptr, bytes, MEM_RESERVE, PAGE_NOACCESS));
}
ReservedSpace::~ReservedSpace() {
    if (data_) VirtualFree(data_, 0, MEM_RELEASE);
}

}  // namespace ek::test
