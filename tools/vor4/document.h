// A document opened through the library, with failures turned into one clear line: the file
// and the reason (not found, not a VOR4 document, property not found, a data file missing, of
// the wrong size or locked by another process).
#pragma once

#include <string>
#include <vector>

#include "ekx_file_vor4.h"

namespace vor4 {

enum class Access { read, write };

// A property's values laid out as numpy would hold them: (nx), (ny, nx) or (nz, ny, nx). The
// layers of a function grid count as nz.
struct Shape {
    int rank = 1;
    long long nx = 0, ny = 1, nz = 1;
    long long count() const { return nx * ny * nz; }
    std::vector<long long> dims() const;  // numpy order, slowest first
    std::string text() const;             // "240 x 160", X first
};

struct DataFileState {
    bool present = false;
    long long bytes = 0;     // on disk
    long long expected = 0;  // what the object count and the type need
    bool right_size() const { return present && bytes == expected; }
};

class Document {
public:
    Document(const std::string& path, Access access);
    ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    TekVor4* handle() const { return h_; }
    const std::string& path() const { return path_; }
    unsigned char grid_type() const { return ek_vor4_get_grid_type(h_); }
    unsigned prop_count() const { return ek_vor4_get_prop_count(h_); }

    // The index of a property by name (letter case ignored), or a Failure naming it.
    unsigned find(const std::string& name) const;
    TekVor4Property* property(unsigned index) const;
    std::string name(unsigned index) const;
    std::string caption(unsigned index) const;
    std::string precision(unsigned index) const;
    unsigned char data_type(unsigned index) const { return ek_vor4_get_prop_data_type(h_, index); }
    std::wstring data_file(unsigned index) const;
    DataFileState data_state(unsigned index) const;
    // Fails unless the data file is present, of the right size and not held by another
    // process in a way that bars this access. Call it while this process has the file closed.
    void require_data(unsigned index, Access access) const;
    // Fails when the object count does not fit the grid's sizes.
    Shape shape(unsigned index) const;
    // Cell (column, row) to world: x = m[0][0] c + m[0][1] r + m[0][2], y likewise with m[1].
    Tek_matrix3x3 geotransform() const;

private:
    std::string path_;
    TekVor4* h_ = nullptr;
};

// Whether another process holds a lock on the file that bars reading (any exclusive lock) or
// writing (any lock at all).
bool locked_by_other(const std::string& path, Access access);
bool path_exists(const std::string& path);
long long file_size(const std::string& path);  // -1 when there is no regular file

}  // namespace vor4
