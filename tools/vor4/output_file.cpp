#include "output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "failure.h"

namespace vor4 {

namespace {
constexpr size_t buffer_limit = 1 << 20;
}

OutputFile::OutputFile(std::string path) : path_(std::move(path)) {
    const size_t slash = path_.rfind('/');
    const std::string dir = slash == std::string::npos ? "" : path_.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path_ : path_.substr(slash + 1);
    const std::string pattern = dir + "." + base + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    fd_ = ::mkstemp(name.data());
    if (fd_ < 0) throw Failure(path_, std::string("cannot be written: ") + std::strerror(errno));
    temp_ = name.data();
    // mkstemp makes the file private; an export gets the usual permissions.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd_, 0666 & ~mask);
    buffer_.reserve(buffer_limit);
}

OutputFile::~OutputFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!temp_.empty()) ::unlink(temp_.c_str());
}

void OutputFile::write_fd(const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd_, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw Failure(path_, std::string("cannot be written: ") + std::strerror(errno));
        data += n;
        size -= static_cast<size_t>(n);
    }
}

void OutputFile::flush() {
    write_fd(buffer_.data(), buffer_.size());
    buffer_.clear();
}

void OutputFile::write(const void* data, size_t size) {
    if (buffer_.size() + size > buffer_limit) flush();
    if (size >= buffer_limit) {
        write_fd(static_cast<const char*>(data), size);
    } else {
        buffer_.append(static_cast<const char*>(data), size);
    }
}

std::string OutputFile::close_temporary() {
    flush();
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) throw Failure(path_, std::string("cannot be written: ") + std::strerror(errno));
    return temp_;
}

void OutputFile::commit() {
    close_temporary();
    if (::rename(temp_.c_str(), path_.c_str()) != 0) {
        throw Failure(path_, std::string("cannot be written: ") + std::strerror(errno));
    }
    temp_.clear();
}

}  // namespace vor4
