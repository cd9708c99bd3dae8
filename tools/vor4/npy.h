// The .npy format: a magic string, a version, a header dictionary, then the array's bytes.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace vor4 {

struct NpyHeader {
    std::string descr;              // "<f4"
    bool fortran_order = false;
    std::vector<long long> shape;   // slowest first
    long long data_offset = 0;      // where the values start
    long long count() const;
};

// A version 1.0 header (2.0 when the dictionary is too long), padded so that the data start
// on a 64-byte boundary.
std::string npy_header(const std::string& descr, const std::vector<long long>& shape);
// Reads and checks the header at the start of the file; throws a Failure naming `path`.
NpyHeader read_npy_header(std::FILE* file, const std::string& path);

}  // namespace vor4
