// A file written under a temporary name beside its target and renamed over it when complete, so
// a failed or interrupted export never leaves a half-written file.
#pragma once

#include <string>

namespace vor4 {

class OutputFile {
public:
    explicit OutputFile(std::string path);
    ~OutputFile();  // removes the temporary file unless committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void write(const void* data, size_t size);  // throws a Failure naming the target
    void write(const std::string& text) { write(text.data(), text.size()); }
    void commit();                              // flush, close, rename into place
    // Flushes and closes the temporary file and gives its path, for a caller that moves it
    // elsewhere itself; the destructor still removes it if it is left there.
    std::string close_temporary();

private:
    void flush();
    void write_fd(const char* data, size_t size);
    std::string path_, temp_;
    std::string buffer_;
    int fd_ = -1;
};

}  // namespace vor4
