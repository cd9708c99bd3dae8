// Windows file access of the XML service. Wide paths go to the system as they are, with '/' turned
// into '\'.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cwchar>
#include <string>
#include <thread>

#include "ek_xml_file.h"

namespace ek::xml {
namespace {

std::wstring system_path(std::wstring_view path) {
    std::wstring p(path);
    if (p.find(L'\0') != std::wstring::npos) return std::wstring();
    std::replace(p.begin(), p.end(), L'/', L'\\');
    return p;
}

class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() { close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    bool close() {
        if (!valid()) return true;
        const bool ok = CloseHandle(h_) != 0;
        h_ = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE h_;
};

bool write_all(HANDLE h, const char* data, size_t size) {
    while (size > 0) {
        const DWORD piece = size > (DWORD(1) << 30) ? (DWORD(1) << 30) : static_cast<DWORD>(size);
        DWORD put = 0;
        if (!WriteFile(h, data, piece, &put, nullptr) || put == 0) return false;
        data += put;
        size -= put;
    }
    return true;
}

constexpr int k_attempts = 20;  // the sharing retries of the file layer
constexpr auto k_pause = std::chrono::milliseconds(1);

}  // namespace

bool read_file(std::wstring_view path, FileText& text) {
    const std::wstring os = system_path(path);
    if (os.empty()) return false;
    // A reader shares everything: the document's writer holds the file with write access the whole
    // time it is open.
    Handle h(CreateFileW(os.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!h.valid() || GetFileType(h.get()) != FILE_TYPE_DISK) return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(h.get(), &size) || size.QuadPart < 0) return false;
    // Metadata is mostly ASCII: a sixteenth more room covers its conversion from a single-byte
    // encoding. The size is a hint: the file may grow or shrink while it is read.
    const auto expected = static_cast<size_t>(size.QuadPart);
    const size_t front = expected / 16 + 64;
    size_t capacity = front + expected + 1;
    std::unique_ptr<char[]> buf(new char[capacity]);
    size_t used = front;
    for (;;) {
        if (used == capacity) {
            std::unique_ptr<char[]> bigger(new char[capacity * 2]);
            std::copy(buf.get() + front, buf.get() + used, bigger.get() + front);
            buf = std::move(bigger);
            capacity *= 2;
        }
        const size_t room = capacity - used;
        const DWORD ask = room > (DWORD(1) << 30) ? (DWORD(1) << 30) : static_cast<DWORD>(room);
        DWORD got = 0;
        if (!ReadFile(h.get(), buf.get() + used, ask, &got, nullptr)) return false;
        if (got == 0) break;
        used += got;
    }
    text.data = std::move(buf);
    text.front = front;
    text.size = used - front;
    return true;
}

namespace {

class WindowsReplacement final : public FileReplacement {
public:
    WindowsReplacement(std::wstring target, std::wstring temp, HANDLE h)
        : target_(std::move(target)), temp_(std::move(temp)), h_(h) {}
    ~WindowsReplacement() override {
        h_.close();
        if (!committed_) DeleteFileW(temp_.c_str());
    }

    bool write(const char* data, size_t size) override { return h_.valid() && write_all(h_.get(), data, size); }

    bool commit() override {
        if (!h_.valid()) return false;
        // A read-only file is not replaced.
        const DWORD old = GetFileAttributesW(target_.c_str());
        if (old != INVALID_FILE_ATTRIBUTES && (old & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
            return false;
        // The data must be on the disk before the move makes it the file, or a crash could leave
        // an empty file under the name.
        if (!FlushFileBuffers(h_.get())) return false;
        // Moved while still open (the handle shares deletion), so it never looks abandoned. A
        // reader holding the target for a moment makes the move wait, as sharing conflicts do.
        for (int attempt = 1;; ++attempt) {
            if (MoveFileExW(temp_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
                break;
            const DWORD error = GetLastError();
            if ((error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) || attempt >= k_attempts)
                return false;
            std::this_thread::sleep_for(k_pause);
        }
        committed_ = true;
        return h_.close();
    }

private:
    std::wstring target_;
    std::wstring temp_;
    Handle h_;
    bool committed_ = false;
};

}  // namespace

std::unique_ptr<FileReplacement> begin_replacement(std::wstring_view path) {
    std::wstring target = system_path(path);
    if (target.empty() || target.back() == L'\\') return nullptr;
    const size_t slash = target.rfind(L'\\');
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : target.substr(0, slash + 1);
    const std::wstring file = target.substr(slash == std::wstring::npos ? 0 : slash + 1);

    // A fresh hidden name beside the target and named after it, so that whoever saves the target
    // next can recognise a temp a crash left behind; CREATE_NEW makes a clash with another writer
    // impossible. The temp stays open while it is written: an abandoned one is not.
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto stamp = static_cast<unsigned long long>(
            std::chrono::steady_clock::now().time_since_epoch().count());
        wchar_t unique[64];
        std::swprintf(unique, 64, L".%x_%x_%llx.tmp", static_cast<unsigned>(GetCurrentProcessId()),
                      counter.fetch_add(1), stamp & 0xFFFFFFFFull);
        std::wstring temp = folder + L"." + file + unique;
        HANDLE h = CreateFileW(temp.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE)
            return std::make_unique<WindowsReplacement>(std::move(target), std::move(temp), h);
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return nullptr;
    }
    return nullptr;
}

}  // namespace ek::xml
