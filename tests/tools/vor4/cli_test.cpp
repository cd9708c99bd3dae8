// The installed vor4 binary run on documents made here through the C interface: its output and files
// against values derived from the generator below, its failures against one-line reasons and exit
// codes. Imports of every type into 2D and 3D grids and the .vrt export are left to the GDAL round trip.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/wait.h>
#include <unistd.h>

#include <clocale>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <sstream>

#include "ekx_file_vor4.h"

namespace fs = std::filesystem;
using Json = nlohmann::json;

namespace {

const char* const grid_names[] = {"gtNone", "gt1D", "gt1DCoord", "gt2D", "gt2dCoord", "gt3D", "gt3DCoord", "gt2D_Func1D", "gt2D_Func2D"};
const char* const type_names[] = {"dtSingle", "dtByte", "dtInteger", "dtBitmask", "dtDouble"};
// Values of each property by grid type (sizes 5 x 3 x 2; the gt2D_Func1D properties have FuncLX 2
// and so three layers), and the number of coordinate properties of the point sets.
const long long objects[] = {5, 5, 5, 15, 5, 30, 5, 45, 15};
const int axes_of[] = {0, 0, 1, 0, 2, 0, 3, 0, 0};

// UTF-8 to wide, as the library's hosts pass paths and names.
std::wstring W(const std::string& utf8) {
    std::wstring out(utf8.size() + 1, L'\0');
    return out.resize(std::mbstowcs(out.data(), utf8.c_str(), out.size())), out;
}

// Value i of a property of type t; missing cells (every seventh from 3) hold the type's no-value code.
double value(int t, long long i) {
    const double values[] = {i * 0.5 - 3, double(i * 5 % 250), double(i * 3 - 10), double(i % 3 == 0), 1e6 + i * 0.25};
    const double none[] = {NAN, 255, 2147483647, 0, NAN};
    return i % 7 == 3 && t != 3 ? none[t] : values[t];
}
std::string num(double v, const char* format = "%g") {
    char buf[32];
    return std::string(buf, static_cast<size_t>(std::snprintf(buf, sizeof buf, format, v)));
}
// The text vor4 cat prints for it.
std::string cat_text(int t, long long i) {
    const double v = value(t, i);
    return std::isnan(v) ? "nan" : (t == 1 && v == 255) || (t == 2 && v == 2147483647) ? "--" : num(v, "%.10g");
}

// One property "P<type>" of each type (P0 with a Cyrillic caption), written after a reopen (when the function
// lengths have scaled the object counts); point sets also get double coordinate properties X, Y, Z holding 1000 * axis + 10 * i.
void make_document(const std::string& path, int grid) {
    TekVor4* d = ek_vor4_file_create_w(W(path).c_str());
    ek_vor4_set_grid_type(d, static_cast<unsigned char>(grid));
    const long long dims[3] = {5, 3, 2};
    ek_vor4_set_dimensions_64(d, dims);
    ek_vor4_set_x0(d, 100), ek_vor4_set_y0(d, 200), ek_vor4_set_z0(d, 300), ek_vor4_set_dx(d, 10), ek_vor4_set_dy(d, 20), ek_vor4_set_dz(d, 5);
    for (int t = 0; t < 5; ++t) {
        ek_vor4_prop_add_w(d, (L"P" + std::to_wstring(t)).c_str(), 0, static_cast<unsigned char>(t), false);
        if (grid == 7) ek_vor4_set_func_lx(d, static_cast<unsigned>(t), 2);
    }
    void (*const set_index[3])(TekVor4*, int) = {ek_vor4_set_xpropindex, ek_vor4_set_ypropindex, ek_vor4_set_zpropindex};
    for (int a = 0; a < axes_of[grid]; ++a) {
        std::vector<double> c(5);
        for (int i = 0; i < 5; ++i) c[i] = 1000.0 * (a + 1) + i * 10.0;
        ek_vor4_prop_write_64(ek_vor4_prop_add_w(d, std::wstring(1, L"XYZ"[a]).c_str(), 6, 4, false), 0, c.data(), 5, 4, 1);
        set_index[a](d, 5 + a);
    }
    ek_vor4_set_prop_caption_w(d, 0, L"Глубина, м");
    ek_vor4_file_close(d);
    d = ek_vor4_file_open_w(W(path).c_str(), false);
    for (int t = 0; t < 5; ++t) {
        std::vector<double> v(static_cast<size_t>(objects[grid]));
        for (long long i = 0; i < objects[grid]; ++i) v[i] = value(t, i);
        ek_vor4_prop_write_64(ek_vor4_prop_open(d, unsigned(t)), 0, v.data(), objects[grid], 4, 1);
    }
    ek_vor4_file_close(d);
}

std::string slurp(const fs::path& p) { return std::string(std::istreambuf_iterator<char>(std::ifstream(p, std::ios::binary).rdbuf()), {}); }

// A .npy file as numpy writes it: magic, version 1.0, a header padded to 64 bytes, the values.
void write_npy(const std::string& path, const std::string& descr, const std::string& shape, const void* data, size_t n) {
    std::string dict = "{'descr': '" + descr + "', 'fortran_order': False, 'shape': " + shape + ", }";
    dict.append(64 - (10 + dict.size() + 1) % 64, ' ') += '\n';
    std::ofstream out(path, std::ios::binary);
    out << "\x93NUMPY" << '\x01' << '\x00' << static_cast<char>(dict.size() & 0xFF) << static_cast<char>(dict.size() >> 8) << dict;
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(n));
}

struct Result { int code; std::string out, err; };

class Vor4 : public testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/vor4_cli_XXXXXX";
        std::setlocale(LC_ALL, "C.UTF-8"), dir = mkdtemp(tmpl);  // the locale for W() of Cyrillic names
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string at(const std::string& name) const { return (dir / name).string(); }
    // `text` with each "@name" (up to a space, colon or quote) made the path of that file in the test folder.
    std::string paths(const std::string& text) const {
        std::string out;
        for (size_t i = 0, end; i < text.size(); ++i)
            if (text[i] != '@') out += text[i];
            else end = std::min(text.find_first_of(" :'", i), text.size()), out += at(text.substr(i + 1, end - i - 1)), i = end - 1;
        return out;
    }
    // Runs vor4 with the words of `line` ("@name" as in paths()) as its arguments.
    Result run(const std::string& line) const {
        std::string cmd = VOR4_BINARY, word;
        for (std::istringstream words(paths(line)); words >> word;) cmd += " '" + word + "'";
        const int status = std::system((cmd + " >" + at("stdout") + " 2>" + at("stderr") + " </dev/null").c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(dir / "stdout"), slurp(dir / "stderr")};
    }
    Json json(const std::string& line) const { return Json::parse(run(line).out); }
    void edit(const std::string& name, const std::string& from, const std::string& to) const {  // the first `from` in the file
        std::string text = slurp(at(name));
        std::ofstream(at(name)) << text.replace(text.find(from), from.size(), to);
    }
    // What the tool writes to stderr when stderr is a terminal, which script(1) gives it.
    std::string terminal_stderr(const std::string& line) const {
        std::system(("script -qec '" + std::string(VOR4_BINARY) + " " + paths(line) + " >/dev/null' /dev/null >" + at("tty") + " </dev/null").c_str());
        return slurp(at("tty"));
    }
    fs::path dir;
};

TEST_F(Vor4, InfoCatAndExportsOnEveryGridType) {
    const char* const npy_shapes[] = {"(5,)", "(5,)", "(5,)", "(3, 5)", "(5,)", "(2, 3, 5)", "(5,)", "(3, 3, 5)", "(3, 5)"};
    const char* const descr[] = {"'<f4'", "'|u1'", "'<i4'", "'|b1'", "'<f8'"};
    const char* const headers[] = {"index", "x,y", "x", "x,y", "x,y", "x,y,z", "x,y,z", "x,y,layer", "x,y"};
    for (int g = 0; g <= 8; ++g) {
        SCOPED_TRACE(grid_names[g]);
        const std::string doc = std::string("@съёмка_") + grid_names[g];
        make_document(paths(doc + ".xml"), g);
        const Json j = json("info " + doc + ".xml --json");
        EXPECT_TRUE(j["document"] == paths(doc + ".xml") && j["grid_type"] == grid_names[g] && j["properties"].size() == 5u + axes_of[g] &&
                    j["x_property"] == (axes_of[g] >= 1 ? Json("X") : Json()) && j["z_property"] == (axes_of[g] >= 3 ? Json("Z") : Json())) << j;
        const std::string text = run("info " + doc + ".xml").out;  // the caption comes out as UTF-8
        EXPECT_TRUE(text.find(std::string(": ") + grid_names[g]) != std::string::npos && text.find("Глубина, м") != std::string::npos) << text;
        for (int t = 0; t < 5; ++t) {
            SCOPED_TRACE(type_names[t]);
            const Json& p = j["properties"][t];
            EXPECT_TRUE(p["name"] == "P" + std::to_string(t) && p["type"] == type_names[t] && p["values"] == objects[g] && p["data_file"]["ok"] == true)
                << p;
            const std::string cmd = doc + ".xml p" + std::to_string(t);  // names are found whatever their case
            const long long n = objects[g];
            std::istringstream words(run("cat " + cmd).out);
            std::vector<std::string> got, want;
            for (std::string w; words >> w;) w == "#" ? void(words >> w >> w) : got.push_back(w);  // "# slice k" headers
            for (long long i = 0; i < n; ++i) want.push_back(cat_text(t, i));
            EXPECT_EQ(got, want);

            // .npy: the data file's bytes (a mask's bits as bytes 0 and 1) after a header padded to 64 bytes.
            ASSERT_EQ(run("export " + cmd + " -o @v.npy").code, 0);
            const std::string npy = slurp(at("v.npy"));
            const size_t header = 10 + (static_cast<unsigned char>(npy[8]) | static_cast<unsigned char>(npy[9]) << 8);
            EXPECT_NE(npy.find(std::string("'descr': ") + descr[t] + ", 'fortran_order': False, 'shape': " + npy_shapes[g]), std::string::npos)
                << npy.substr(0, header);
            std::string values = slurp(paths(doc + ".P" + std::to_string(t) + ".property"));
            if (t == 3) values.resize(n), std::generate(values.begin(), values.end(), [i = 0]() mutable { return char(value(3, i++)); });
            EXPECT_TRUE(header % 64 == 0 && npy.substr(header) == values);

            // CSV: the index, a point's coordinates or a cell's centre (origin plus index times cell size), then the value.
            ASSERT_EQ(run("export " + cmd + " -o @v.csv").code, 0);
            std::string csv = std::string(headers[g]) + ",value\n";
            for (long long i = 0; i < n; ++i) {
                const long long c = i % 5, row = g == 1 ? 0 : (i / 5) % 3, k = i / 15;
                std::string line = g == 0 ? std::to_string(i) : "";
                for (int a = 0; a < axes_of[g]; ++a) line += (a ? "," : "") + num(1000.0 * (a + 1) + i * 10.0);
                if (g != 0 && !axes_of[g])
                    line += num(100.0 + 10.0 * c) + "," + num(200.0 + 20.0 * row) + (g == 5 ? "," + num(300.0 + 5 * k) : g == 7 ? "," + num(k) : "");
                const std::string v = cat_text(t, i);
                csv += line + "," + (v == "nan" || v == "--" ? "" : v) + "\n";  // missing values left empty
            }
            EXPECT_EQ(slurp(at("v.csv")), csv);
        }
    }
}

TEST_F(Vor4, CatDecimatesWindowsByNearestIndex) {
    make_document(at("g.xml"), 5);  // P2 holds 3 * (15 z + 5 y + x) - 10, missing at 3, 10, 17, 24
    // Columns 1 and 3 of the four from 1 (trunc(k * 4/2 + 0.5)); rows 0 and 2 of the three (trunc(1.5 + 0.5)); both slices.
    const Result r = run("cat @g.xml P2 --window 1,0,4,3,0,2 --size 2,2,2");
    EXPECT_EQ(r.out, "# slice 0\n-7 --\n23 29\n\n# slice 1\n38 44\n68 74\n") << r.err;
    EXPECT_EQ(run("cat @g.xml P2 --window 0,0,2,2,1,1 --type single").out, "# slice 0\n35 38\n50 53\n");
}

TEST_F(Vor4, StatsUpdateComputesStoresAndDrawsTheHistogram) {
    make_document(at("s.xml"), 1);  // P0 holds -3, -2.5, -2, (missing), -1
    EXPECT_NE(run("stats @s.xml").out.find("no statistics stored"), std::string::npos);
    const Json p = json("stats @s.xml P0 --update --json")["properties"][0], &s = p["statistics"], &h = p["histogram"];
    EXPECT_TRUE(s["min"] == -3.0 && s["max"] == -1.0 && s["mean"] == -2.125 && s["missing"] == 1 && h["lower"] == -3.0 && h["upper"] == -1.0) << p;
    EXPECT_NEAR(s["stddev"].get<double>(), std::sqrt(2.1875 / 3), 1e-7);  // deviations 0.875, 0.375, 0.125, 1.125
    const auto counts = h["counts"].get<std::vector<long long>>();
    ASSERT_EQ(counts.size(), 100u);  // -3 lands in bin 0 and -1 in bin 98 (the last is never used), the others between
    EXPECT_TRUE(counts[0] == 1 && counts[98] == 1 && counts[99] == 0 && std::accumulate(counts.begin(), counts.end(), 0LL) == 4);
    // Stored: a plain read of the document (which said none before) draws the chart, one column per bin.
    std::istringstream lines(run("stats @s.xml").out);
    int rows = 0;
    for (std::string l; std::getline(lines, l);)
        EXPECT_TRUE(l.rfind("  |", 0) != 0 || (++rows && std::count_if(l.begin(), l.end(), [](char c) { return (c & 0xC0) != 0x80; }) == 104)) << l;
    EXPECT_EQ(rows, 8);
}

TEST_F(Vor4, ImportConvertsTakesRawFilesAndMakesGrids) {
    // Another numpy type goes through the library's conversion (truncation into integers); a raw
    // file in the property's layout is taken as it is. The first import makes the 4 x 3 gt2D grid.
    const double halves[12] = {2.5, -2.7, 0, 1, 2, 3, 4, 5, 6, 7, 8, NAN};
    write_npy(at("d.npy"), "<f8", "(3, 4)", halves, sizeof halves);
    ASSERT_EQ(run("import @new.xml I @d.npy --type integer --origin 5,6 --cell 2,3 --azimuth 15").code, 0);
    std::ofstream(at("raw.bin"), std::ios::binary).write("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C", 12);
    ASSERT_EQ(run("import @new.xml R @raw.bin --type byte").code, 0);
    EXPECT_EQ(run("cat @new.xml I").out, "2 -2 0 1\n2 3 4 5\n6 7 8 --\n");
    EXPECT_EQ(run("cat @new.xml R --window 1,1,2,2").out, "6 7\n10 11\n");
    Json j = json("info @new.xml --json");
    EXPECT_TRUE(j["grid_type"] == "gt2D" && j["sizes"] == Json({4, 3, 1}) && j["origin"] == Json({5, 6, 0}) && j["cell_size"][0] == 2.0 &&
                j["cell_size"][1] == 3.0 && j["azimuth"] == 15.0) << j;
    EXPECT_EQ(std::count_if(fs::directory_iterator(dir), {}, [](auto& e) { return e.path().filename().string()[0] == '.'; }), 0)
        << "no temporary file is left behind";
    // A 3D array makes a gt3D document.
    int cube[24];
    std::iota(cube, cube + 24, -5);
    write_npy(at("c.npy"), "<i4", "(2, 3, 4)", cube, sizeof cube);
    ASSERT_EQ(run("import @cube.xml C @c.npy --cell 1,1,0.5").code, 0);
    j = json("info @cube.xml --json");
    EXPECT_TRUE(j["grid_type"] == "gt3D" && j["sizes"] == Json({4, 3, 2}) && j["cell_size"][2] == 0.5) << j;
    EXPECT_EQ(run("cat @cube.xml C --window 3,2,1,1,1,1").out, "# slice 0\n18\n");
}

// A child process that holds a document open for writing, with a data file in use, until destroyed.
struct Holder {
    int ready[2], go[2];
    pid_t pid = ::pipe(ready) == 0 && ::pipe(go) == 0 ? fork() : -1;
    explicit Holder(const std::string& doc) {
        const float v = 1;
        TekVor4* d = pid == 0 ? ek_vor4_file_open_w(W(doc).c_str(), false) : nullptr;
        char c = pid == 0 && ek_vor4_prop_write_64(ek_vor4_prop_open(d, 0), 0, &v, 1, 0, 1) == 0 ? 'y' : 'n';
        // The child keeps no write end of go, so the parent's close is what wakes it.
        if (pid == 0) close(go[1]), (void)!write(ready[1], &c, 1), (void)!read(go[0], &c, 1), ek_vor4_file_close(d), _exit(0);
        EXPECT_TRUE(read(ready[0], &c, 1) == 1 && c == 'y');
    }
    ~Holder() {  // closing go wakes the child
        for (int fd : {go[1], ready[0], ready[1], go[0]}) close(fd);
        waitpid(pid, nullptr, 0);
    }
};

TEST_F(Vor4, FailuresNameTheFileAndTheReason) {
    for (const char* name : {"d.xml", "held.xml", "short.xml", "gone.xml"}) make_document(at(name), 3);
    make_document(at("points.xml"), 4), make_document(at("nox.xml"), 4);
    std::ofstream(at("bad.xml")) << "<?xml version=\"1.0\"?><NotAGrid><Pic>3</Pic>";
    const float four[4] = {1, 2, 3, 4};
    write_npy(at("four.npy"), "<f4", "(2, 2)", four, sizeof four);
    fs::resize_file(at("short.P0.property"), 7);
    fs::remove(at("gone.P2.property"));
    edit("nox.xml", "<XPropIndex>5<", "<XPropIndex>7<");  // one past the last of its 7 properties
    Holder holder(at("held.xml"));
    const struct { const char* line; int code; const char* message; } rows[] = {
        {"info @none.xml", 1, "@none.xml: not found"}, {"info @bad.xml", 1, "@bad.xml: not a VOR4 document"}, {"info @", 1, "is a folder, not a VOR4 document"},
        {"cat @d.xml Nope", 1, "@d.xml: property 'Nope' not found"}, {"stats @d.xml P0 Nope", 1, "property 'Nope' not found"},
        {"import @d.xml P0 @four.npy", 1, "shape (2, 2)"}, {"import @d.xml Q @four.npy", 1, "shape (2, 2) does not match the document's grid (3, 5)"},
        {"import @x.xml Q @none.npy", 1, "@none.npy: not found"}, {"import @d.xml Q @bad.xml --type single", 1, "bytes, the grid needs 60 of dtSingle"},
        {"cat @short.xml P0", 1, "short.P0.property: data file holds 7 bytes, the property needs 60"},
        {"export @gone.xml P2 -o @gone.npy", 1, "gone.P2.property: data file of property 'P2' not found"},
        {"export @points.xml P0 -o @p.vrt", 1, "a gt2dCoord document has no raster form"},
        {"export @nox.xml P0 -o @nox.csv", 1, "the x coordinate property index names no property"}, {"rm @held.xml", 1, "@held.xml: locked by another process"},
        {"export @held.xml P0 -o @held.npy", 1, "held.P0.property: locked by another process"}, {"rm @held.xml P0", 1, "@held.xml: locked by another process"},
        {"stats @held.xml --update", 1, "@held.xml: locked by another process"}, {"copy @d.xml @held.xml", 1, "@held.xml: exists (--overwrite replaces it)"},
        {"copy @d.xml @held.xml --overwrite", 1, "@held.xml: locked by another process"}, {"", 2, "A subcommand is required"}, {"frobnicate", 2, "Usage:"},
        {"cat @d.xml", 2, "PROP is required"}, {"cat @d.xml P0 --type complex", 2, "unknown value type 'complex'"},
        {"cat @d.xml P0 --window 1,2,3", 2, "--window takes 4 comma-separated values, not 3"},
        {"cat @d.xml P0 --window 1,1,5,1", 1, "window 1,1,5,1 lies outside the 5 x 3 grid"},
        {"export @d.xml P0 -o @x.tif", 2, "the extension must be .csv, .npy or .vrt"}, {"import @d.xml Q @bad.xml", 2, "a raw file needs --type"},
    };
    for (const auto& row : rows) {  // a failure is one line "vor4: ..."; a usage error shows the usage
        const Result r = run(row.line);
        EXPECT_TRUE(r.code == row.code && r.err.find(paths(row.message)) != std::string::npos &&
                    (row.code == 1 ? std::count(r.err.begin(), r.err.end(), '\n') == 1 && r.err.rfind("vor4: ", 0) == 0 : r.err.find("Usage:") != std::string::npos))
            << row.line << " gave " << r.code << ":\n" << r.err;
    }
    // Nothing is half-written, and the held document is still whole.
    for (const char* gone : {"held.npy", "gone.npy", "x.xml", "d.Q.property"}) EXPECT_FALSE(fs::exists(at(gone))) << gone;
    EXPECT_TRUE(fs::exists(at("held.xml")) && fs::exists(at("held.P0.property")));
}

TEST_F(Vor4, CheckListsEveryProblem) {
    make_document(at("c.xml"), 3), make_document(at("count.xml"), 5);  // and a 3D grid of 30 cells whose object count will say 31
    EXPECT_EQ(run("check @c.xml").out, at("c.xml") + ": ok (5 properties)\n");
    run("stats @c.xml P0 --update"), fs::remove(at("c.P1.property")), fs::resize_file(at("c.P2.property"), 3);
    edit("c.xml", "<MaskPropIndex>-1<", "<MaskPropIndex>9<"), edit("c.xml", "<HgDiapData>", "<HgDiapData>0000zz01");
    edit("count.xml", "<ObjCount>30<", "<ObjCount>31<");
    EXPECT_NE(run("check @count.xml").out.find(": the object count 31 differs from the grid's 30 cells"), std::string::npos);
    const Result r = run("check @c.xml");
    ASSERT_EQ(r.code, 1);
    for (const char* problem : {"@c.xml: the mask property index 9 names no property", "@c.xml: property 'P1': data file @c.P1.property not found",
                                "@c.xml: property 'P2': data file @c.P2.property holds 3 bytes, the property needs 60",
                                "@c.xml: property 'P0': histogram text is not 100 groups of 8 upper-case hexadecimal digits", "@c.xml: 4 problems"})
        EXPECT_NE(r.out.find(paths(problem)), std::string::npos) << problem << "\n" << r.out;
}

TEST_F(Vor4, ProgressBarOnlyOnATerminalAndNotWhenQuiet) {
    make_document(at("p.xml"), 5);
    const std::string bar = terminal_stderr("export @p.xml P0 -o @p.npy");
    EXPECT_TRUE(bar.find("export [") != std::string::npos && bar.find("100%") != std::string::npos) << bar;
    EXPECT_EQ(terminal_stderr("export @p.xml P0 -o @p.npy --quiet"), "");
    EXPECT_EQ(run("export @p.xml P0 -o @p.npy").err, "");  // stderr is a file
    EXPECT_NE(terminal_stderr("import @q.xml Q @p.npy").find("import [#"), std::string::npos);
}

TEST_F(Vor4, CopyAndRmMoveWholeDocuments) {
    make_document(at("a.xml"), 5);
    ASSERT_EQ(run("copy @a.xml @b.xml").code, 0);
    for (int t = 0; t < 5; ++t) EXPECT_EQ(slurp(at("b.P" + std::to_string(t) + ".property")), slurp(at("a.P" + std::to_string(t) + ".property"))) << t;
    EXPECT_TRUE(run("copy @a.xml @b.xml").code == 1 && run("copy @a.xml @b.xml --overwrite").code == 0);
    ASSERT_EQ(run("rm @b.xml P3").code, 0);
    EXPECT_TRUE(!fs::exists(at("b.P3.property")) && json("info @b.xml --json")["properties"].size() == 4u);
    EXPECT_TRUE(run("rm @b.xml").code == 0 && !fs::exists(at("b.xml")) && !fs::exists(at("b.P0.property")));
    EXPECT_EQ(run("check @a.xml").code, 0);
}

}  // namespace
