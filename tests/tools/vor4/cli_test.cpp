// The installed vor4 binary run on documents made here through the C interface: its output and
// the files it writes are checked against values derived from the generator below, and its
// failures against one-line reasons and exit codes.
#include <gtest/gtest.h>
#include <pty.h>
#include <nlohmann/json.hpp>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <clocale>
#include <numeric>
#include <sstream>

#include "ekx_file_vor4.h"

namespace fs = std::filesystem;

namespace {

const char* const grid_names[] = {"gtNone", "gt1D", "gt1DCoord", "gt2D", "gt2dCoord",
                                  "gt3D", "gt3DCoord", "gt2D_Func1D", "gt2D_Func2D"};
const char* const type_names[] = {"dtSingle", "dtByte", "dtInteger", "dtBitmask", "dtDouble"};
// Values of each property in object order by grid type (sizes 5 x 3 x 2; the gt2D_Func1D
// properties have FuncLX 2 and so three layers).
const long long objects[] = {5, 5, 5, 15, 5, 30, 5, 45, 15};
const char* const npy_shapes[] = {"(5,)", "(5,)", "(5,)", "(3, 5)", "(5,)", "(2, 3, 5)", "(5,)", "(3, 3, 5)", "(3, 5)"};

// UTF-8 to wide, as the library's hosts pass paths and names.
std::wstring W(const std::string& utf8) {
    std::wstring out(utf8.size() + 1, L'\0');
    out.resize(std::mbstowcs(out.data(), utf8.c_str(), out.size()));
    return out;
}

bool missing(long long i) { return i % 7 == 3; }
// Value i of a property of type t as stored; missing cells hold the type's no-value code.
double value(int t, long long i) {
    switch (t) {
        case 0: return missing(i) ? NAN : i * 0.5 - 3;
        case 1: return missing(i) ? 255 : (i * 5) % 250;
        case 2: return missing(i) ? 2147483647 : i * 3 - 10;
        case 3: return i % 3 == 0;
        default: return missing(i) ? NAN : 1e6 + i * 0.25;
    }
}
// The text vor4 cat prints for it.
std::string cat_text(int t, long long i) {
    const double v = value(t, i);
    if (std::isnan(v)) return "nan";
    if ((t == 1 && v == 255) || (t == 2 && v == 2147483647)) return "--";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.10g", v);
    return buf;
}
std::vector<unsigned char> stored(int t, long long n) {
    const int size = ek_vor4_get_data_type_size(static_cast<unsigned char>(t));
    std::vector<unsigned char> out(static_cast<size_t>(n * size));
    for (long long i = 0; i < n; ++i) {
        const double v = value(t, i);
        const float f = static_cast<float>(v);
        const int k = static_cast<int>(v);
        const unsigned char b = static_cast<unsigned char>(v);
        std::memcpy(out.data() + i * size, t == 0 ? static_cast<const void*>(&f) : t == 2 ? static_cast<const void*>(&k)
                                           : t == 4 ? static_cast<const void*>(&v) : &b, static_cast<size_t>(size));
    }
    return out;
}

// One property "P<type>" of each type; point sets also get double coordinate properties X, Y, Z.
void make_document(const std::string& path, int grid) {
    TekVor4* d = ek_vor4_file_create_w(W(path).c_str());
    ek_vor4_set_grid_type(d, static_cast<unsigned char>(grid));
    const long long dims[3] = {5, 3, 2};
    ek_vor4_set_dimensions_64(d, dims);
    ek_vor4_set_x0(d, 100); ek_vor4_set_y0(d, 200); ek_vor4_set_z0(d, 300);
    ek_vor4_set_dx(d, 10); ek_vor4_set_dy(d, 20); ek_vor4_set_dz(d, 5);
    for (int t = 0; t < 5; ++t) {
        ek_vor4_prop_add_w(d, (L"P" + std::to_wstring(t)).c_str(), 0, static_cast<unsigned char>(t), false);
        if (grid == 7) ek_vor4_set_func_lx(d, static_cast<unsigned>(t), 2);
    }
    const int axes = grid == 2 ? 1 : grid == 4 ? 2 : grid == 6 ? 3 : 0;
    void (*const set_index[3])(TekVor4*, int) = {ek_vor4_set_xpropindex, ek_vor4_set_ypropindex, ek_vor4_set_zpropindex};
    for (int a = 0; a < axes; ++a) {
        TekVor4Property* p = ek_vor4_prop_add_w(d, std::wstring(1, L"XYZ"[a]).c_str(), 6, 4, false);
        std::vector<double> c(5);
        for (int i = 0; i < 5; ++i) c[i] = 1000.0 * (a + 1) + i * 10.0;
        ek_vor4_prop_write_64(p, 0, c.data(), 5, 4, 1);
        set_index[a](d, 5 + a);
    }
    ek_vor4_file_close(d);
    // Written after a reopen, when the function lengths have scaled the object counts.
    d = ek_vor4_file_open_w(W(path).c_str(), false);
    for (int t = 0; t < 5; ++t) {
        TekVor4Property* p = ek_vor4_prop_open(d, static_cast<unsigned>(t));
        ek_vor4_prop_write_64(p, 0, stored(t, objects[grid]).data(), objects[grid], static_cast<unsigned char>(t), 1);
    }
    ek_vor4_file_close(d);
}

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Result {
    int code;
    std::string out, err;
};

class Vor4 : public testing::Test {
protected:
    void SetUp() override {
        std::setlocale(LC_ALL, "C.UTF-8");  // for W() of Cyrillic names
        char tmpl[] = "/tmp/vor4_cli_XXXXXX";
        dir = mkdtemp(tmpl);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string at(const std::string& name) const { return (dir / name).string(); }

    Result run(const std::vector<std::string>& args) const {
        std::string cmd = VOR4_BINARY;
        for (const std::string& a : args) cmd += " '" + a + "'";
        cmd += " >" + at("stdout") + " 2>" + at("stderr") + " </dev/null";
        const int status = std::system(cmd.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(dir / "stdout"), slurp(dir / "stderr")};
    }

    fs::path dir;
};

TEST_F(Vor4, InfoDescribesEveryGridType) {
    for (int g = 0; g <= 8; ++g) {
        SCOPED_TRACE(grid_names[g]);
        const std::string doc = at(std::string("съёмка_") + grid_names[g] + ".xml");
        make_document(doc, g);
        const Result r = run({"info", doc, "--json"});
        ASSERT_EQ(r.code, 0) << r.err;
        const auto j = nlohmann::json::parse(r.out);
        EXPECT_EQ(j["document"], doc);
        EXPECT_EQ(j["grid_type"], grid_names[g]);
        const int axes = g == 2 ? 1 : g == 4 ? 2 : g == 6 ? 3 : 0;
        ASSERT_EQ(j["properties"].size(), 5u + axes);
        for (int t = 0; t < 5; ++t) {
            const auto& p = j["properties"][t];
            EXPECT_EQ(p["name"], "P" + std::to_string(t));
            EXPECT_EQ(p["type"], type_names[t]);
            EXPECT_EQ(p["values"], objects[g]);
            EXPECT_TRUE(p["data_file"]["ok"].get<bool>());
        }
        EXPECT_EQ(j["x_property"], axes >= 1 ? nlohmann::json("X") : nlohmann::json(nullptr));
        EXPECT_EQ(j["z_property"], axes >= 3 ? nlohmann::json("Z") : nlohmann::json(nullptr));
        const Result text = run({"info", doc});
        EXPECT_NE(text.out.find(std::string(": ") + grid_names[g]), std::string::npos) << text.out;
    }
    // Captions come out as UTF-8 whatever they hold.
    const std::string doc = at("съёмка_gt2D.xml");
    TekVor4* d = ek_vor4_file_open_w(W(doc).c_str(), false);
    ek_vor4_set_prop_caption_w(d, 0, L"Глубина, м");
    ek_vor4_file_close(d);
    EXPECT_NE(run({"info", doc}).out.find("Глубина, м"), std::string::npos);
}

TEST_F(Vor4, CatAndExportsGiveTheStoredValuesOnEveryGridType) {
    for (int g = 0; g <= 8; ++g) {
        const std::string doc = at(std::string(grid_names[g]) + ".xml");
        make_document(doc, g);
        for (int t = 0; t < 5; ++t) {
            SCOPED_TRACE(std::string(grid_names[g]) + " " + type_names[t]);
            const std::string prop = "p" + std::to_string(t);  // names are found whatever their case
            const long long n = objects[g];
            Result r = run({"cat", doc, prop});
            ASSERT_EQ(r.code, 0) << r.err;
            std::istringstream words(r.out);
            std::vector<std::string> got;
            for (std::string w; words >> w;) {
                if (w == "#") { words >> w >> w; continue; }  // "# slice k" headers
                got.push_back(w);
            }
            ASSERT_EQ(got.size(), static_cast<size_t>(n));
            for (long long i = 0; i < n; ++i) EXPECT_EQ(got[i], cat_text(t, i)) << "object " << i;

            ASSERT_EQ(run({"export", doc, prop, "-o", at("v.npy")}).code, 0);
            const std::string npy = slurp(at("v.npy"));
            const size_t header = 10 + (static_cast<unsigned char>(npy[8]) | static_cast<unsigned char>(npy[9]) << 8);
            const char* const descr[] = {"'<f4'", "'|u1'", "'<i4'", "'|b1'", "'<f8'"};
            EXPECT_NE(npy.find(std::string("'descr': ") + descr[t]), std::string::npos);
            EXPECT_NE(npy.find(std::string("'shape': ") + npy_shapes[g]), std::string::npos) << npy.substr(0, header);
            EXPECT_EQ(header % 64, 0u);
            const std::vector<unsigned char> want = stored(t, n);
            EXPECT_TRUE(npy.size() == header + want.size() && std::memcmp(npy.data() + header, want.data(), want.size()) == 0);

            ASSERT_EQ(run({"export", doc, prop, "-o", at("v.csv")}).code, 0);
            std::istringstream csv(slurp(at("v.csv")));
            std::string line;
            std::getline(csv, line);
            const char* const headers[] = {"index,value", "x,y,value", "x,value", "x,y,value", "x,y,value",
                                           "x,y,z,value", "x,y,z,value", "x,y,layer,value", "x,y,value"};
            EXPECT_EQ(line, headers[g]);
            for (long long i = 0; i < n && std::getline(csv, line); ++i) {
                const std::string v = cat_text(t, i);
                std::string want_line = g == 0 ? std::to_string(i) : "";
                char buf[128];
                if (g == 2 || g == 4 || g == 6) {
                    for (int a = 0; a < (g == 2 ? 1 : g == 4 ? 2 : 3); ++a) {
                        std::snprintf(buf, sizeof buf, "%s%g", a ? "," : "", 1000.0 * (a + 1) + i * 10.0);
                        want_line += buf;
                    }
                } else if (g != 0) {  // cell centres: origin plus index times cell size
                    const long long c = i % 5, r = g == 1 ? 0 : (i / 5) % 3, k = i / 15;
                    std::snprintf(buf, sizeof buf, "%g,%g", 100.0 + 10.0 * c, 200.0 + 20.0 * r);
                    want_line += buf;
                    if (g == 5) want_line += "," + std::to_string(300 + 5 * k);
                    if (g == 7) want_line += "," + std::to_string(k);
                }
                EXPECT_EQ(line, want_line + "," + (v == "nan" || v == "--" ? "" : v)) << "object " << i;
            }
        }
    }
}

TEST_F(Vor4, CatDecimatesWindowsByNearestIndex) {
    const std::string doc = at("grid.xml");
    TekVor4* d = ek_vor4_file_create_w(W(doc).c_str());
    ek_vor4_set_grid_type(d, 5);
    const long long dims[3] = {10, 5, 4};
    ek_vor4_set_dimensions_64(d, dims);
    std::vector<int> v(200);
    for (int i = 0; i < 200; ++i) v[i] = i;  // value = z*50 + y*10 + x
    ek_vor4_prop_write_64(ek_vor4_prop_add_w(d, L"V", 0, 2, false), 0, v.data(), 200, 2, 1);
    ek_vor4_file_close(d);
    // Columns 2, 4, 6 of the six from 2 (trunc(k * 6/3 + 0.5)); rows 1 and 3 of the four from
    // 1; slices 0 and 2 of 0..3.
    const Result r = run({"cat", doc, "V", "--window", "2,1,6,4,0,4", "--size", "3,2,2"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "# slice 0\n12 14 16\n32 34 36\n\n# slice 1\n112 114 116\n132 134 136\n");
    EXPECT_EQ(run({"cat", doc, "V", "--window", "0,0,2,2,3,1", "--type", "single"}).out, "# slice 0\n150 151\n160 161\n");
}

TEST_F(Vor4, StatsUpdateComputesStoresAndDrawsTheHistogram) {
    const std::string doc = at("s.xml");
    TekVor4* d = ek_vor4_file_create_w(W(doc).c_str());
    ek_vor4_set_grid_type(d, 1);
    const long long dims[3] = {5, 1, 1};
    ek_vor4_set_dimensions_64(d, dims);
    const float v[5] = {1, 2, NAN, 3, 4};
    ek_vor4_prop_write_64(ek_vor4_prop_add_w(d, L"A", 0, 0, false), 0, v, 5, 0, 1);
    ek_vor4_file_close(d);
    EXPECT_NE(run({"stats", doc}).out.find("no statistics stored"), std::string::npos);

    Result r = run({"stats", doc, "A", "--update", "--json"});
    ASSERT_EQ(r.code, 0) << r.err;
    const auto p = nlohmann::json::parse(r.out)["properties"][0];
    EXPECT_EQ(p["statistics"]["min"], 1.0);
    EXPECT_EQ(p["statistics"]["max"], 4.0);
    EXPECT_EQ(p["statistics"]["mean"], 2.5);
    EXPECT_NEAR(p["statistics"]["stddev"].get<double>(), std::sqrt(5.0 / 3.0), 1e-12);
    EXPECT_EQ(p["statistics"]["missing"], 1);
    const auto counts = p["histogram"]["counts"].get<std::vector<long long>>();
    ASSERT_EQ(counts.size(), 100u);  // 1 lands in bin 0 and 4 in bin 98 (the last is never used)
    EXPECT_EQ(counts[0], 1);
    EXPECT_EQ(counts[98], 1);
    EXPECT_EQ(counts[99], 0);
    EXPECT_EQ(std::accumulate(counts.begin(), counts.end(), 0LL), 4);
    EXPECT_EQ(p["histogram"]["lower"], 1.0);
    EXPECT_EQ(p["histogram"]["upper"], 4.0);

    // Stored: a plain read of the document shows them, and the chart has one column per bin.
    d = ek_vor4_file_open_w(W(doc).c_str(), true);
    EXPECT_TRUE(ek_vor4_prop_get_histogram_exist(ek_vor4_prop_open(d, 0)));
    ek_vor4_file_close(d);
    r = run({"stats", doc});
    std::istringstream lines(r.out);
    int rows = 0;
    for (std::string l; std::getline(lines, l);) {
        if (l.rfind("  |", 0) == 0) {
            ++rows;
            EXPECT_EQ(std::count_if(l.begin(), l.end(), [](char c) { return (c & 0xC0) != 0x80; }), 104) << l;
        }
    }
    EXPECT_EQ(rows, 8);
}

// A .npy file as numpy writes it: magic, version 1.0, a header padded to 64 bytes, the values.
void write_npy(const std::string& path, const std::string& descr, const std::string& shape, const void* data, size_t n) {
    std::string dict = "{'descr': '" + descr + "', 'fortran_order': False, 'shape': " + shape + ", }";
    dict.append(64 - (10 + dict.size() + 1) % 64, ' ');
    dict += '\n';
    std::ofstream out(path, std::ios::binary);
    out << "\x93NUMPY" << '\x01' << '\x00' << static_cast<char>(dict.size() & 0xFF) << static_cast<char>(dict.size() >> 8)
        << dict;
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(n));
}

TEST_F(Vor4, ImportMakesPropertiesOfEveryTypeAndChecksShapes) {
    const char* const descr[] = {"<f4", "|u1", "<i4", "|b1", "<f8"};
    const std::string doc = at("new.xml");
    for (int t = 0; t < 5; ++t) {
        SCOPED_TRACE(type_names[t]);
        std::vector<unsigned char> bytes = stored(t, 12);
        write_npy(at("in.npy"), descr[t], "(3, 4)", bytes.data(), bytes.size());
        const std::string name = "P" + std::to_string(t);
        // The first import creates the 4 x 3 gt2D document with the given geometry.
        const Result r = t == 0 ? run({"import", doc, name, at("in.npy"), "--origin", "5,6", "--cell", "2,3", "--azimuth", "15"})
                                : run({"import", doc, name, at("in.npy")});
        ASSERT_EQ(r.code, 0) << r.err;
        TekVor4* d = ek_vor4_file_open_w(W(doc).c_str(), true);
        EXPECT_EQ(ek_vor4_get_grid_type(d), 3);
        EXPECT_EQ(ek_vor4_get_pic_64(d) * 10 + ek_vor4_get_prf_64(d), 43);
        EXPECT_EQ(ek_vor4_get_x0(d) + ek_vor4_get_y0(d) * 10 + ek_vor4_get_dx(d) * 100 + ek_vor4_get_dy(d) * 1000, 3265);
        EXPECT_EQ(ek_vor4_get_azimuth(d), 15);
        TekVor4Property* p = ek_vor4_prop_open(d, static_cast<unsigned>(ek_vor4_get_index_by_name_w(d, W(name).c_str())));
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(ek_vor4_get_prop_data_type(d, static_cast<unsigned>(t)), t);
        std::vector<unsigned char> back(bytes.size());
        EXPECT_EQ(ek_vor4_prop_read_64(p, 0, 12, back.data(), 12, static_cast<unsigned char>(t), 1), 0);
        EXPECT_EQ(back, bytes);
        ek_vor4_file_close(d);
    }
    EXPECT_EQ(std::count_if(fs::directory_iterator(dir), {}, [](auto& e) { return e.path().filename().string()[0] == '.'; }), 0)
        << "no temporary file is left behind";

    // Another numpy type goes through the library's conversion (truncation into integers); a raw
    // file in the property's layout is taken as it is.
    const double halves[12] = {2.5, -2.7, 0, 1, 2, 3, 4, 5, 6, 7, 8, NAN};
    write_npy(at("d.npy"), "<f8", "(3, 4)", halves, sizeof halves);
    ASSERT_EQ(run({"import", doc, "I", at("d.npy"), "--type", "integer"}).code, 0);
    std::ofstream(at("raw.bin"), std::ios::binary).write("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C", 12);
    ASSERT_EQ(run({"import", doc, "R", at("raw.bin"), "--type", "byte"}).code, 0);
    EXPECT_EQ(run({"cat", doc, "I"}).out, "2 -2 0 1\n2 3 4 5\n6 7 8 --\n");
    EXPECT_EQ(run({"cat", doc, "R", "--window", "1,1,2,2"}).out, "6 7\n10 11\n");

    // A 3D array makes a gt3D document.
    const std::vector<unsigned char> cube = stored(2, 24);
    write_npy(at("c.npy"), "<i4", "(2, 3, 4)", cube.data(), cube.size());
    ASSERT_EQ(run({"import", at("cube.xml"), "C", at("c.npy"), "--cell", "1,1,0.5"}).code, 0);
    const auto j = nlohmann::json::parse(run({"info", at("cube.xml"), "--json"}).out);
    EXPECT_EQ(j["grid_type"], "gt3D");
    EXPECT_EQ(j["sizes"], nlohmann::json({4, 3, 2}));
    EXPECT_EQ(j["cell_size"][2], 0.5);
}

// A child process that holds a document open for writing, with a data file in use, until the
// returned descriptor is closed.
struct Holder {
    pid_t pid = -1;
    int release = -1;
    Holder(const std::string& doc, unsigned prop) {
        int ready[2], go[2];
        EXPECT_EQ(pipe(ready), 0);
        EXPECT_EQ(pipe(go), 0);
        pid = fork();
        if (pid == 0) {
            close(go[1]);
            TekVor4* d = ek_vor4_file_open_w(W(doc).c_str(), false);
            float v = 1;
            const int code = ek_vor4_prop_write_64(ek_vor4_prop_open(d, prop), 0, &v, 1, 0, 1);
            char c = code == 0 ? 'y' : 'n';
            (void)!write(ready[1], &c, 1);
            (void)!read(go[0], &c, 1);
            ek_vor4_file_close(d);
            _exit(0);
        }
        char c = 0;
        EXPECT_EQ(read(ready[0], &c, 1), 1);
        EXPECT_EQ(c, 'y');
        release = go[1];
        close(ready[0]);
        close(ready[1]);
        close(go[0]);
    }
    ~Holder() {
        close(release);
        waitpid(pid, nullptr, 0);
    }
};

TEST_F(Vor4, FailuresNameTheFileAndTheReason) {
    const std::string doc = at("d.xml"), held = at("held.xml"), bad = at("bad.xml");
    make_document(doc, 3);
    make_document(held, 3);
    std::ofstream(bad) << "<?xml version=\"1.0\"?><NotAGrid><Pic>3</Pic>";
    std::ofstream(at("four.npy"));
    const float four[4] = {1, 2, 3, 4};
    write_npy(at("four.npy"), "<f4", "(2, 2)", four, sizeof four);
    make_document(at("short.xml"), 3);
    fs::resize_file(at("short.P0.property"), 7);
    make_document(at("gone.xml"), 3);
    fs::remove(at("gone.P2.property"));
    make_document(at("points.xml"), 4);
    make_document(at("nox.xml"), 4);
    TekVor4* d = ek_vor4_file_open_w(W(at("nox.xml")).c_str(), false);
    ek_vor4_set_xpropindex(d, 7);  // one past the last of its 7 properties
    ek_vor4_file_close(d);

    Holder holder(held, 0);
    const struct { std::vector<std::string> args; int code; std::string message; } rows[] = {
        {{"info", at("none.xml")}, 1, at("none.xml") + ": not found"},
        {{"info", bad}, 1, bad + ": not a VOR4 document"},
        {{"info", dir.string()}, 1, "is a folder, not a VOR4 document"},
        {{"cat", doc, "Nope"}, 1, doc + ": property 'Nope' not found"},
        {{"stats", doc, "P0", "Nope"}, 1, "property 'Nope' not found"},
        {{"import", doc, "Q", at("four.npy")}, 1, "shape (2, 2) does not match the document's grid (3, 5)"},
        {{"import", doc, "P0", at("four.npy")}, 1, "shape (2, 2)"},
        {{"import", at("x.xml"), "Q", at("none.npy")}, 1, at("none.npy") + ": not found"},
        {{"import", doc, "Q", bad, "--type", "single"}, 1, "bytes, the grid needs 60 of dtSingle"},
        {{"cat", at("short.xml"), "P0"}, 1, "short.P0.property: data file holds 7 bytes, the property needs 60"},
        {{"export", at("gone.xml"), "P2", "-o", at("gone.npy")}, 1, "gone.P2.property: data file of property 'P2' not found"},
        {{"export", at("points.xml"), "P0", "-o", at("p.vrt")}, 1, "a gt2dCoord document has no raster form"},
        {{"export", at("nox.xml"), "P0", "-o", at("nox.csv")}, 1, "the x coordinate property index names no property"},
        {{"cat", held, "P0"}, 1, "held.P0.property: locked by another process"},
        {{"export", held, "P0", "-o", at("held.npy")}, 1, "held.P0.property: locked by another process"},
        {{"stats", held, "--update"}, 1, held + ": locked by another process"},
        {{"rm", held}, 1, held + ": locked by another process"},
        {{"rm", held, "P0"}, 1, held + ": locked by another process"},
        {{"copy", doc, held, "--overwrite"}, 1, held + ": locked by another process"},
        {{"copy", doc, held}, 1, held + ": exists (--overwrite replaces it)"},
        {{}, 2, "A subcommand is required"},
        {{"frobnicate"}, 2, "Usage:"},
        {{"cat", doc}, 2, "PROP is required"},
        {{"cat", doc, "P0", "--window", "1,2,3"}, 2, "--window takes 4 comma-separated values, not 3"},
        {{"cat", doc, "P0", "--window", "1,1,5,1"}, 1, "window 1,1,5,1 lies outside the 5 x 3 grid"},
        {{"export", doc, "P0", "-o", at("x.tif")}, 2, "the extension must be .csv, .npy or .vrt"},
        {{"import", doc, "Q", bad}, 2, "a raw file needs --type"},
        {{"cat", doc, "P0", "--type", "complex"}, 2, "unknown value type 'complex'"},
    };
    for (const auto& row : rows) {
        std::string name;
        for (const auto& a : row.args) name += a + " ";
        SCOPED_TRACE(name);
        const Result r = run(row.args);
        EXPECT_EQ(r.code, row.code);
        EXPECT_NE(r.err.find(row.message), std::string::npos) << r.err;
        if (row.code == 1) {
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << "one line";
            EXPECT_EQ(r.err.rfind("vor4: ", 0), 0u);
        } else {
            EXPECT_NE(r.err.find("Usage:"), std::string::npos);
        }
    }
    // Nothing is half-written, and the held document is still whole.
    EXPECT_FALSE(fs::exists(at("held.npy")));
    EXPECT_FALSE(fs::exists(at("gone.npy")));
    EXPECT_FALSE(fs::exists(at("x.xml")));
    EXPECT_TRUE(fs::exists(held) && fs::exists(at("held.P0.property")));
    EXPECT_FALSE(fs::exists(at("d.Q.property")));
}

TEST_F(Vor4, CheckListsEveryProblem) {
    const std::string doc = at("c.xml");
    make_document(doc, 3);
    Result r = run({"check", doc});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, doc + ": ok (5 properties)\n");

    run({"stats", doc, "P0", "--update"});
    fs::remove(at("c.P1.property"));
    fs::resize_file(at("c.P2.property"), 3);
    TekVor4* d = ek_vor4_file_open_w(W(doc).c_str(), false);
    ek_vor4_set_maskpropindex(d, 9);
    ek_vor4_file_close(d);
    std::string xml = slurp(doc);
    const size_t hist = xml.find("<HgDiapData>") + 12;
    xml.replace(hist, 8, "0000zz01");
    std::ofstream(doc) << xml;

    // A 2D grid of 15 cells and a 3D grid of 30 whose object counts say one more.
    for (const auto& [grid, cells] : {std::pair{3, 15}, std::pair{5, 30}}) {
        make_document(at("count.xml"), grid);
        std::string text = slurp(at("count.xml"));
        const std::string count = "<ObjCount>" + std::to_string(cells) + "<";
        text.replace(text.find(count), count.size(), "<ObjCount>" + std::to_string(cells + 1) + "<");
        std::ofstream(at("count.xml")) << text;
        EXPECT_NE(run({"check", at("count.xml")}).out.find(": the object count " + std::to_string(cells + 1) +
                                                           " differs from the grid's " + std::to_string(cells) + " cells"),
                  std::string::npos) << grid;
        fs::remove(at("count.xml"));
    }

    r = run({"check", doc});
    EXPECT_EQ(r.code, 1);
    for (const std::string& problem :
         {doc + ": the mask property index 9 names no property", doc + ": property 'P1': data file " + at("c.P1.property") + " not found",
          doc + ": property 'P2': data file " + at("c.P2.property") + " holds 3 bytes, the property needs 60",
          doc + ": property 'P0': histogram text is not 100 groups of 8 upper-case hexadecimal digits", doc + ": 4 problems"}) {
        EXPECT_NE(r.out.find(problem), std::string::npos) << problem << "\n" << r.out;
    }
}

// What the tool writes to stderr when stderr is a terminal.
std::string terminal_stderr(const std::vector<std::string>& args) {
    int master = -1;
    const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    if (pid == 0) {
        std::vector<char*> argv = {const_cast<char*>(VOR4_BINARY)};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        freopen("/dev/null", "w", stdout);
        execv(VOR4_BINARY, argv.data());
        _exit(127);
    }
    std::string out;
    char buf[4096];
    for (ssize_t n; (n = read(master, buf, sizeof buf)) > 0;) out.append(buf, static_cast<size_t>(n));
    waitpid(pid, nullptr, 0);
    close(master);
    return out;
}

TEST_F(Vor4, ProgressBarOnlyOnATerminalAndNotWhenQuiet) {
    const std::string doc = at("p.xml");
    make_document(doc, 5);
    const std::string bar = terminal_stderr({"export", doc, "P0", "-o", at("p.npy")});
    EXPECT_NE(bar.find("export ["), std::string::npos) << bar;
    EXPECT_NE(bar.find("100%"), std::string::npos) << bar;
    EXPECT_EQ(terminal_stderr({"export", doc, "P0", "-o", at("p.npy"), "--quiet"}), "");
    EXPECT_EQ(run({"export", doc, "P0", "-o", at("p.npy")}).err, "");  // stderr is a file
    EXPECT_NE(terminal_stderr({"import", at("q.xml"), "Q", at("p.npy")}).find("import [#"), std::string::npos);
}

TEST_F(Vor4, CopyAndRmMoveWholeDocuments) {
    const std::string src = at("a.xml"), dst = at("b.xml");
    make_document(src, 5);
    ASSERT_EQ(run({"copy", src, dst}).code, 0);
    for (int t = 0; t < 5; ++t) {
        const std::string name = "." + std::string("P") + std::to_string(t) + ".property";
        EXPECT_EQ(slurp(at("b" + name)), slurp(at("a" + name))) << t;
    }
    EXPECT_EQ(run({"copy", src, dst}).code, 1);
    EXPECT_EQ(run({"copy", src, dst, "--overwrite"}).code, 0);

    ASSERT_EQ(run({"rm", dst, "P3"}).code, 0);
    EXPECT_FALSE(fs::exists(at("b.P3.property")));
    EXPECT_EQ(nlohmann::json::parse(run({"info", dst, "--json"}).out)["properties"].size(), 4u);
    ASSERT_EQ(run({"rm", dst}).code, 0);
    EXPECT_FALSE(fs::exists(dst));
    EXPECT_FALSE(fs::exists(at("b.P0.property")));
    EXPECT_EQ(run({"check", src}).code, 0);
}

}  // namespace
