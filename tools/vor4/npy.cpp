#include "npy.h"

#include <cctype>
#include <cstring>

#include "failure.h"

namespace vor4 {

long long NpyHeader::count() const {
    long long n = 1;
    for (long long d : shape) n *= d;
    return n;
}

std::string npy_header(const std::string& descr, const std::vector<long long>& shape) {
    std::string dims;
    for (size_t i = 0; i < shape.size(); ++i) dims += (i ? ", " : "") + std::to_string(shape[i]);
    if (shape.size() == 1) dims += ",";
    std::string dict = "{'descr': '" + descr + "', 'fortran_order': False, 'shape': (" + dims + "), }";
    const bool v2 = dict.size() + 11 > 65535;
    const size_t prefix = v2 ? 12 : 10;
    const size_t total = (prefix + dict.size() + 1 + 63) / 64 * 64;
    dict.append(total - prefix - dict.size() - 1, ' ');
    dict += '\n';
    std::string out("\x93NUMPY", 6);
    out += static_cast<char>(v2 ? 2 : 1);
    out += '\0';
    const size_t len = dict.size();
    for (size_t b = 0; b < (v2 ? 4u : 2u); ++b) out += static_cast<char>((len >> (8 * b)) & 0xFF);
    return out + dict;
}

namespace {
// The value text of `key` in the header dictionary, up to the next top-level comma or brace.
std::string dict_value(const std::string& dict, const std::string& key, const std::string& path) {
    size_t at = dict.find("'" + key + "'");
    if (at == std::string::npos) at = dict.find("\"" + key + "\"");
    if (at == std::string::npos) throw Failure(path, "not a .npy file: no '" + key + "' in its header");
    at = dict.find(':', at);
    if (at == std::string::npos) throw Failure(path, "not a .npy file: malformed header");
    ++at;
    while (at < dict.size() && dict[at] == ' ') ++at;
    size_t end = at;
    int depth = 0;
    while (end < dict.size() && (depth > 0 || (dict[end] != ',' && dict[end] != '}'))) {
        if (dict[end] == '(') ++depth;
        if (dict[end] == ')') --depth;
        ++end;
    }
    return dict.substr(at, end - at);
}
}  // namespace

NpyHeader read_npy_header(std::FILE* file, const std::string& path) {
    unsigned char fixed[12];
    if (std::fread(fixed, 1, 10, file) != 10 || std::memcmp(fixed, "\x93NUMPY", 6) != 0) {
        throw Failure(path, "not a .npy file");
    }
    const int version = fixed[6];
    size_t len = fixed[8] | (static_cast<size_t>(fixed[9]) << 8);
    long long offset = 10;
    if (version >= 2) {
        if (std::fread(fixed + 10, 1, 2, file) != 2) throw Failure(path, "not a .npy file: truncated header");
        len |= (static_cast<size_t>(fixed[10]) << 16) | (static_cast<size_t>(fixed[11]) << 24);
        offset = 12;
    }
    if (len > (1u << 24)) throw Failure(path, "not a .npy file: header too long");
    std::string dict(len, '\0');
    if (std::fread(dict.data(), 1, len, file) != len) throw Failure(path, "not a .npy file: truncated header");

    NpyHeader h;
    h.data_offset = offset + static_cast<long long>(len);
    std::string descr = dict_value(dict, "descr", path);
    if (descr.size() < 2 || (descr.front() != '\'' && descr.front() != '"')) {
        throw Failure(path, "structured numpy arrays are not supported");
    }
    h.descr = descr.substr(1, descr.size() - 2);
    h.fortran_order = dict_value(dict, "fortran_order", path) == "True";
    const std::string shape = dict_value(dict, "shape", path);
    for (size_t i = 0; i < shape.size();) {
        if (std::isdigit(static_cast<unsigned char>(shape[i]))) {
            size_t end = i;
            while (end < shape.size() && std::isdigit(static_cast<unsigned char>(shape[end]))) ++end;
            h.shape.push_back(std::stoll(shape.substr(i, end - i)));
            i = end;
        } else {
            ++i;
        }
    }
    return h;
}

}  // namespace vor4
