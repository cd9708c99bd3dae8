#include "document.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "failure.h"
#include "text.h"
#include "vocabulary.h"

namespace vor4 {

std::vector<long long> Shape::dims() const {
    if (rank == 1) return {nx};
    if (rank == 2) return {ny, nx};
    return {nz, ny, nx};
}

std::string Shape::text() const {
    std::string t = std::to_string(nx);
    if (rank >= 2) t += " x " + std::to_string(ny);
    if (rank == 3) t += " x " + std::to_string(nz);
    return t;
}

bool path_exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

long long file_size(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return st.st_size;
}

bool locked_by_other(const std::string& path, Access access) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct flock lk;
    std::memset(&lk, 0, sizeof lk);
    // The library's readers take shared locks and its writers exclusive ones: a read is barred
    // by an exclusive lock, a write by any.
    lk.l_type = access == Access::write ? F_WRLCK : F_RDLCK;
    lk.l_whence = SEEK_SET;
    const bool locked = ::fcntl(fd, F_OFD_GETLK, &lk) == 0 && lk.l_type != F_UNLCK;
    ::close(fd);
    return locked;
}

Document::Document(const std::string& path, Access access) : path_(path) {
    h_ = ek_vor4_file_open_w(widen(path).c_str(), access == Access::read);
    if (h_) return;
    // The library only says "no"; the file itself tells why.
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        throw Failure(path, errno == ENOENT || errno == ENOTDIR ? "not found" : std::strerror(errno));
    }
    if (S_ISDIR(st.st_mode)) throw Failure(path, "is a folder, not a VOR4 document");
    if (::access(path.c_str(), R_OK) != 0) throw Failure(path, "cannot be read (permission denied)");
    if (access == Access::write) {
        // A document that opens for reading but not for writing is held by a writer elsewhere,
        // unless the file itself is read-only.
        if (TekVor4* reader = ek_vor4_file_open_w(widen(path).c_str(), true)) {
            ek_vor4_file_close(reader);
            throw Failure(path, (st.st_mode & 0222) == 0 ? "is read-only" : "locked by another process");
        }
    }
    throw Failure(path, "not a VOR4 document");
}

Document::~Document() { ek_vor4_file_close(h_); }

unsigned Document::find(const std::string& name) const {
    const int i = ek_vor4_get_index_by_name_w(h_, widen(name).c_str());
    if (i < 0) throw Failure(path_, "property '" + name + "' not found");
    return static_cast<unsigned>(i);
}

TekVor4Property* Document::property(unsigned index) const {
    TekVor4Property* p = ek_vor4_prop_open(h_, index);
    if (!p) throw Failure(path_, "property " + std::to_string(index) + " cannot be opened");
    return p;
}

std::string Document::name(unsigned i) const {
    return fetch_text([&](Tek_string_adapter* a) { ek_vor4_get_prop_name_w(h_, i, a); });
}
std::string Document::caption(unsigned i) const {
    return fetch_text([&](Tek_string_adapter* a) { ek_vor4_get_prop_caption_w(h_, i, a); });
}
std::string Document::precision(unsigned i) const {
    return fetch_text([&](Tek_string_adapter* a) { ek_vor4_get_prop_precision_w(h_, i, a); });
}

std::wstring Document::data_file(unsigned i) const {
    TextSink sink;
    ek_vor4_prop_get_prop_file_name_w(h_, i, sink.adapter());
    return sink.wide();
}

DataFileState Document::data_state(unsigned i) const {
    DataFileState s;
    const long long n = ek_vor4_prop_get_objcount_64(ek_vor4_prop_open(h_, i));
    const unsigned char t = data_type(i);
    s.expected = t == dt_bitmask ? (n + 7) / 8 : n * ek_vor4_get_data_type_size(t);
    s.bytes = file_size(narrow(data_file(i)));
    s.present = s.bytes >= 0;
    return s;
}

void Document::require_data(unsigned i, Access access) const {
    const std::string file = narrow(data_file(i));
    const DataFileState s = data_state(i);
    if (!s.present) throw Failure(file, "data file of property '" + name(i) + "' not found");
    if (s.bytes != s.expected) {
        throw Failure(file, "data file holds " + std::to_string(s.bytes) + " bytes, the property needs " +
                                std::to_string(s.expected));
    }
    if (locked_by_other(file, access)) throw Failure(file, "locked by another process");
}

Shape Document::shape(unsigned i) const {
    const unsigned char g = grid_type();
    const long long n = ek_vor4_prop_get_objcount_64(property(i));
    long long d[3] = {1, 1, 1};
    ek_vor4_get_dimensions_64(h_, d);
    Shape s;
    if (g == 3 || g == 5 || g == 7 || g == 8) {
        const long long plane = d[0] * d[1];
        long long layers = g == 5 ? d[2] : (plane > 0 && n % plane == 0 ? n / plane : 0);
        if (plane <= 0 || layers <= 0 || plane * layers != n) {
            throw Failure(path_, "property '" + name(i) + "' holds " + std::to_string(n) +
                                     " values, which do not fill the " + std::to_string(d[0]) + " x " +
                                     std::to_string(d[1]) + (g == 5 ? " x " + std::to_string(d[2]) : "") + " grid");
        }
        s.nx = d[0];
        s.ny = d[1];
        s.nz = layers;
        s.rank = g == 5 || layers > 1 ? 3 : 2;
    } else {
        s.nx = n;
    }
    return s;
}

Tek_matrix3x3 Document::geotransform() const {
    Tek_matrix3x3 m;
    ek_vor4_get_geotransform(h_, &m);
    return m;
}

}  // namespace vor4
