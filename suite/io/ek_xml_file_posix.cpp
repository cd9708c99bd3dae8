// POSIX file access of the XML service. Wide paths reach the system as UTF-8 with every '\'
// turned into '/'.
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "ek_text.h"
#include "ek_xml_file.h"

namespace ek::xml {
namespace {

std::string system_path(std::wstring_view path) {
    std::string p = ek::text::to_utf8(path);
    for (char& c : p)
        if (c == '\\') c = '/';
    return p;
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// The file a path names after following a symbolic link at its end, so that saving through a
// link replaces the linked file rather than the link.
std::string final_target(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr) return path;
    return resolved;
}

bool write_all(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

bool read_file(std::wstring_view path, FileText& text) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below anyway.
    Fd fd(::open(system_path(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) return false;
    struct stat st;
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    // Metadata is mostly ASCII: a sixteenth more room covers its conversion from a single-byte
    // encoding. The size is a hint: the file may grow or shrink while it is read.
    const auto expected = static_cast<size_t>(st.st_size);
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
        const ssize_t n = ::read(fd.get(), buf.get() + used, capacity - used);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) break;
        used += static_cast<size_t>(n);
    }
    text.data = std::move(buf);
    text.front = front;
    text.size = used - front;
    return true;
}

namespace {

class PosixReplacement final : public FileReplacement {
public:
    PosixReplacement(std::string target, std::string temp, int fd)
        : target_(std::move(target)), temp_(std::move(temp)), fd_(fd) {}
    ~PosixReplacement() override {
        if (fd_ >= 0) ::close(fd_);
        if (!committed_) ::unlink(temp_.c_str());
    }

    bool write(const char* data, size_t size) override { return fd_ >= 0 && write_all(fd_, data, size); }

    bool commit() override {
        if (fd_ < 0) return false;
        // The replacement keeps the access rights of the file it replaces. A file nobody may
        // write stands for a read-only file: it is not replaced, whoever the process runs as.
        struct stat old;
        if (::stat(target_.c_str(), &old) == 0) {
            if (!S_ISREG(old.st_mode) || (old.st_mode & 0222) == 0) return false;
            (void)::fchmod(fd_, old.st_mode & 07777);
        }
        // The data must be on the disk before the rename makes it the file, or a crash could
        // leave an empty file under the name.
        if (::fsync(fd_) != 0) return false;
        // Renamed while still open and locked, so it never looks abandoned.
        if (::rename(temp_.c_str(), target_.c_str()) != 0) return false;
        committed_ = true;
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    std::string target_;
    std::string temp_;
    int fd_;
    bool committed_ = false;
};

}  // namespace

std::unique_ptr<FileReplacement> begin_replacement(std::wstring_view path) {
    std::string target = final_target(system_path(path));
    if (target.empty() || target.back() == '/') return nullptr;
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string file = target.substr(slash == std::string::npos ? 0 : slash + 1);

    // A fresh hidden name beside the target and named after it, so that whoever saves the target
    // next can recognise a temp a crash left behind; O_EXCL makes a clash with another writer
    // impossible. The temp is locked while it is written: an abandoned one is not.
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto stamp = static_cast<unsigned long long>(
            std::chrono::steady_clock::now().time_since_epoch().count());
        char unique[64];
        std::snprintf(unique, sizeof unique, ".%x_%x_%llx.tmp", static_cast<unsigned>(::getpid()),
                      counter.fetch_add(1), stamp & 0xFFFFFFFFull);
        std::string temp = folder + "." + file + unique;
        const int fd = ::open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            struct flock lk;
            std::memset(&lk, 0, sizeof lk);
            lk.l_type = F_WRLCK;
            lk.l_whence = SEEK_SET;
            (void)::fcntl(fd, F_OFD_SETLK, &lk);
            return std::make_unique<PosixReplacement>(std::move(target), std::move(temp), fd);
        }
        if (errno != EEXIST) return nullptr;
    }
    return nullptr;
}

}  // namespace ek::xml
