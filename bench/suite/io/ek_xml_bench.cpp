// Metadata-sized documents through the XML service against pugixml on the same file.
//
// The document: a root with the document values and 1,000 property nodes of 21 values each
// (texts with Cyrillic, integers, doubles, booleans and a 800-character histogram text), as a
// document library writes them. Each ekx_io figure is printed at the end as a ratio to its
// pugixml counterpart measured in the same run:
//   save: ek_xml_save_to_file_w (Windows-1251, indented, temporary file, fsync, rename)
//         vs xml_document::save_file (UTF-8, indented, written in place, no fsync)
//   load: ek_xml_load_from_file_w vs xml_document::load_file
//   build+save and load+read: the whole write and read of the metadata through each API.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <set>
#include <pugixml.hpp>
#include <string>

#include "ekx_io.h"
#include "support/temp_dir.h"

namespace {

constexpr int k_properties = 1000;

const ek::test::TempDir& folder() {
    static const ek::test::TempDir dir;
    return dir;
}
std::wstring wpath(const char* name) { return folder().file(name); }
std::string npath(const char* name) { return folder().narrow(name); }

std::wstring histogram_text() {
    std::wstring s;
    for (int i = 0; i < 100; ++i) {
        wchar_t buf[16];
        std::swprintf(buf, 16, L"%08X", i * 7919);
        s += buf;
    }
    return s;
}

Tek_xml_doc* build_with_ekx() {
    static const std::wstring hist = histogram_text();
    Tek_xml_doc* doc = ek_xml_create();
    Tek_xml_node* root = ek_xml_set_root_w(doc, L"TGrDoc");
    ek_xnode_add_node_wstr(root, L"GridType", L"gt2D");
    ek_xnode_add_node_int64(root, L"ObjCount", 1000000);
    ek_xnode_add_node_int(root, L"PropCount", k_properties);
    ek_xnode_add_node_wstr(root, L"EarthPlane", L"True");
    ek_xnode_add_node_int(root, L"MaskPropIndex", -1);
    ek_xnode_add_node_dbl(root, L"X0", 512345.25);
    ek_xnode_add_node_dbl(root, L"Y0", 6123456.75);
    Tek_xml_node* props = ek_xnode_set_node_w(root, L"Properties");
    for (int i = 0; i < k_properties; ++i) {
        Tek_xml_node* p = ek_xnode_set_node_w(props, L"TGrDocProp");
        const std::string name = "Prop" + std::to_string(i);
        const std::string caption = "\xC3\xEB\xF3\xE1\xE8\xED\xE0 " + std::to_string(i);  // "Глубина N"
        ek_xnode_add_node_wstr(p, L"IsTemp", L"False");
        ek_xnode_add_node_str(p, "PropName", name.c_str());
        ek_xnode_add_node_str(p, "Caption", caption.c_str());
        ek_xnode_add_node_wstr(p, L"PropKind", L"pkProperty");
        ek_xnode_add_node_wstr(p, L"DataType", L"dtSingle");
        ek_xnode_add_node_wstr(p, L"Precision", L"0.00");
        ek_xnode_add_node_dbl(p, L"FuncX0", 0.5 * i);
        ek_xnode_add_node_dbl(p, L"FuncDX", 0.1);
        ek_xnode_add_node_int64(p, L"FuncLX", 64);
        ek_xnode_add_node_wstr(p, L"StatExists", L"True");
        ek_xnode_add_node_int64(p, L"IndefCount", 17 * i);
        ek_xnode_add_node_dbl(p, L"Min", -1234.5678 / (i + 1));
        ek_xnode_add_node_dbl(p, L"Max", 98765.4321 * (i + 1));
        ek_xnode_add_node_dbl(p, L"Average", 1.0 / 3.0 + i);
        ek_xnode_add_node_dbl(p, L"StDev", 2.718281828459045 * i);
        ek_xnode_add_node_wstr(p, L"HistogrammExists", L"True");
        ek_xnode_add_node_dbl(p, L"HgBndMin", -1234.5678 / (i + 1));
        ek_xnode_add_node_dbl(p, L"HgBndMax", 98765.4321 * (i + 1));
        ek_xnode_add_node_int64(p, L"HgMin", 0);
        ek_xnode_add_node_int64(p, L"HgMax", 31337);
        ek_xnode_add_node_wstr(p, L"HgDiapData", hist.c_str());
        ek_xnode_close(p);
    }
    ek_xnode_close(props);
    ek_xnode_close(root);
    ek_xml_set_whitespaces(doc, true);
    ek_xml_set_encoding_w(doc, L"Windows-1251");
    return doc;
}

// The reference file, written once through ekx_io.
const std::wstring& reference_file() {
    static const std::wstring path = [] {
        Tek_xml_doc* doc = build_with_ekx();
        ek_xml_save_to_file_w(doc, wpath("reference.xml").c_str());
        ek_xml_destroy(doc);
        return wpath("reference.xml");
    }();
    return path;
}

// Receivers of texts, as the document library's adapters are.
void into_string(const char* text, void* target) { *static_cast<std::string*>(target) = text; }
void into_wstring(const wchar_t* text, void* target) { *static_cast<std::wstring*>(target) = text; }

// Reads every value of the document as the document library opens one.
double read_with_ekx(Tek_xml_doc* doc) {
    std::string narrow;
    std::wstring wide;
    Tek_string_adapter* n = ek_string_adp_create(into_string, nullptr, &narrow);
    Tek_string_adapter* w = ek_string_adp_create(nullptr, into_wstring, &wide);
    double sum = 0;
    Tek_xml_node* root = ek_xml_get_root_w(doc, L"TGrDoc");
    sum += static_cast<double>(ek_xnode_get_node_int64(root, L"ObjCount", 0));
    sum += ek_xnode_get_node_dbl(root, L"X0", 0) + ek_xnode_get_node_dbl(root, L"Y0", 0);
    Tek_xml_node* props = ek_xnode_get_node_w(root, L"Properties");
    for (int i = 0;; ++i) {
        Tek_xml_node* p = ek_xnode_get_node_by_no(props, i);
        if (!p) break;
        ek_xnode_get_node_str(p, "PropName", "", n);
        ek_xnode_get_node_str(p, "Caption", "", n);
        sum += ek_xnode_get_node_bool(p, L"IsTemp", false);
        ek_xnode_get_node_wstr(p, L"PropKind", L"", w);
        ek_xnode_get_node_wstr(p, L"DataType", L"", w);
        ek_xnode_get_node_str(p, "Precision", "", n);
        for (const wchar_t* key : {L"FuncX0", L"FuncY0", L"FuncZ0", L"FuncDX", L"FuncDY", L"FuncDZ"})
            sum += ek_xnode_get_node_dbl(p, key, 0);
        for (const wchar_t* key : {L"FuncLX", L"FuncLY", L"FuncLZ"}) sum += ek_xnode_get_node_int(p, key, 0);
        if (ek_xnode_get_node_bool(p, L"StatExists", false)) {
            for (const wchar_t* key : {L"Min", L"Max", L"Average", L"StDev"}) sum += ek_xnode_get_node_dbl(p, key, 0);
            sum += static_cast<double>(ek_xnode_get_node_int64(p, L"IndefCount", 0));
        }
        if (ek_xnode_get_node_bool(p, L"HistogrammExists", false)) {
            for (const wchar_t* key : {L"HgBndMin", L"HgBndMax", L"HgMin", L"HgMax"})
                sum += ek_xnode_get_node_dbl(p, key, 0);
            ek_xnode_get_node_str(p, "HgDiapData", "", n);
        }
        sum += static_cast<double>(narrow.size() + wide.size());
        ek_xnode_close(p);
    }
    ek_xnode_close(props);
    ek_xnode_close(root);
    ek_string_adp_destroy(n);
    ek_string_adp_destroy(w);
    return sum;
}

// The same reads with pugixml's own interface.
double read_with_pugi(const pugi::xml_document& doc) {
    double sum = 0;
    const pugi::xml_node root = doc.child("TGrDoc");
    sum += static_cast<double>(root.child("ObjCount").text().as_llong());
    sum += root.child("X0").text().as_double() + root.child("Y0").text().as_double();
    for (pugi::xml_node p : root.child("Properties").children()) {
        std::string name = p.child("PropName").text().get();
        std::string caption = p.child("Caption").text().get();
        sum += p.child("IsTemp").text().as_bool();
        std::string kind = p.child("PropKind").text().get();
        std::string type = p.child("DataType").text().get();
        std::string precision = p.child("Precision").text().get();
        for (const char* key : {"FuncX0", "FuncY0", "FuncZ0", "FuncDX", "FuncDY", "FuncDZ"})
            sum += p.child(key).text().as_double();
        for (const char* key : {"FuncLX", "FuncLY", "FuncLZ"}) sum += p.child(key).text().as_int();
        if (p.child("StatExists").text().as_bool()) {
            for (const char* key : {"Min", "Max", "Average", "StDev"}) sum += p.child(key).text().as_double();
            sum += static_cast<double>(p.child("IndefCount").text().as_llong());
        }
        if (p.child("HistogrammExists").text().as_bool()) {
            for (const char* key : {"HgBndMin", "HgBndMax", "HgMin", "HgMax"}) sum += p.child(key).text().as_double();
            std::string hist = p.child("HgDiapData").text().get();
            sum += static_cast<double>(hist.size());
        }
        sum += static_cast<double>(name.size() + caption.size() + kind.size() + type.size() + precision.size());
    }
    return sum;
}

void BM_EkxSave(benchmark::State& state) {
    Tek_xml_doc* doc = build_with_ekx();
    for (auto _ : state) benchmark::DoNotOptimize(ek_xml_save_to_file_w(doc, wpath("ekx_save.xml").c_str()));
    ek_xml_destroy(doc);
}
BENCHMARK(BM_EkxSave)->Unit(benchmark::kMillisecond);

void BM_PugiSave(benchmark::State& state) {
    reference_file();
    pugi::xml_document doc;
    doc.load_file(npath("reference.xml").c_str());
    for (auto _ : state) benchmark::DoNotOptimize(doc.save_file(npath("pugi_save.xml").c_str(), "  "));
}
BENCHMARK(BM_PugiSave)->Unit(benchmark::kMillisecond);

// A document is loaded once into a new handle, as the document library does. (Loading again into
// a handle that holds a tree costs more: the old tree stays until the new one is complete.)
void BM_EkxLoad(benchmark::State& state) {
    const std::wstring& path = reference_file();
    for (auto _ : state) {
        Tek_xml_doc* doc = ek_xml_create();
        benchmark::DoNotOptimize(ek_xml_load_from_file_w(doc, path.c_str()));
        ek_xml_destroy(doc);
    }
}
BENCHMARK(BM_EkxLoad)->Unit(benchmark::kMillisecond);

void BM_PugiLoad(benchmark::State& state) {
    reference_file();
    for (auto _ : state) {
        pugi::xml_document doc;
        benchmark::DoNotOptimize(doc.load_file(npath("reference.xml").c_str()));
    }
}
BENCHMARK(BM_PugiLoad)->Unit(benchmark::kMillisecond);

void BM_EkxBuildAndSave(benchmark::State& state) {
    for (auto _ : state) {
        Tek_xml_doc* doc = build_with_ekx();
        benchmark::DoNotOptimize(ek_xml_save_to_file_w(doc, wpath("ekx_save.xml").c_str()));
        ek_xml_destroy(doc);
    }
}
BENCHMARK(BM_EkxBuildAndSave)->Unit(benchmark::kMillisecond);

// The same document built with pugixml's own interface (numbers through xml_text::set).
void build_with_pugi(pugi::xml_document& doc) {
    static const std::string hist = [] {
        std::string h;
        for (wchar_t c : histogram_text()) h.push_back(static_cast<char>(c));
        return h;
    }();
    pugi::xml_node root = doc.append_child("TGrDoc");
    root.append_child("GridType").text().set("gt2D");
    root.append_child("ObjCount").text().set(1000000LL);
    root.append_child("PropCount").text().set(k_properties);
    root.append_child("EarthPlane").text().set("True");
    root.append_child("MaskPropIndex").text().set(-1);
    root.append_child("X0").text().set(512345.25);
    root.append_child("Y0").text().set(6123456.75);
    pugi::xml_node props = root.append_child("Properties");
    for (int i = 0; i < k_properties; ++i) {
        pugi::xml_node p = props.append_child("TGrDocProp");
        const std::string name = "Prop" + std::to_string(i);
        const std::string caption = "\xD0\x93\xD0\xBB\xD1\x83\xD0\xB1\xD0\xB8\xD0\xBD\xD0\xB0 " + std::to_string(i);
        p.append_child("IsTemp").text().set("False");
        p.append_child("PropName").text().set(name.c_str());
        p.append_child("Caption").text().set(caption.c_str());
        p.append_child("PropKind").text().set("pkProperty");
        p.append_child("DataType").text().set("dtSingle");
        p.append_child("Precision").text().set("0.00");
        p.append_child("FuncX0").text().set(0.5 * i);
        p.append_child("FuncDX").text().set(0.1);
        p.append_child("FuncLX").text().set(64LL);
        p.append_child("StatExists").text().set("True");
        p.append_child("IndefCount").text().set(17LL * i);
        p.append_child("Min").text().set(-1234.5678 / (i + 1));
        p.append_child("Max").text().set(98765.4321 * (i + 1));
        p.append_child("Average").text().set(1.0 / 3.0 + i);
        p.append_child("StDev").text().set(2.718281828459045 * i);
        p.append_child("HistogrammExists").text().set("True");
        p.append_child("HgBndMin").text().set(-1234.5678 / (i + 1));
        p.append_child("HgBndMax").text().set(98765.4321 * (i + 1));
        p.append_child("HgMin").text().set(0LL);
        p.append_child("HgMax").text().set(31337LL);
        p.append_child("HgDiapData").text().set(hist.c_str());
    }
}

void BM_PugiBuildAndSave(benchmark::State& state) {
    for (auto _ : state) {
        pugi::xml_document doc;
        build_with_pugi(doc);
        benchmark::DoNotOptimize(doc.save_file(npath("pugi_save.xml").c_str(), "  "));
    }
}
BENCHMARK(BM_PugiBuildAndSave)->Unit(benchmark::kMillisecond);

void BM_EkxLoadAndRead(benchmark::State& state) {
    const std::wstring& path = reference_file();
    for (auto _ : state) {
        Tek_xml_doc* doc = ek_xml_create();
        ek_xml_set_encoding_w(doc, L"Windows-1251");
        ek_xml_load_from_file_w(doc, path.c_str());
        benchmark::DoNotOptimize(read_with_ekx(doc));
        ek_xml_destroy(doc);
    }
}
BENCHMARK(BM_EkxLoadAndRead)->Unit(benchmark::kMillisecond);

void BM_PugiLoadAndRead(benchmark::State& state) {
    reference_file();
    for (auto _ : state) {
        pugi::xml_document doc;
        doc.load_file(npath("reference.xml").c_str());
        benchmark::DoNotOptimize(read_with_pugi(doc));
    }
}
BENCHMARK(BM_PugiLoadAndRead)->Unit(benchmark::kMillisecond);

// Prints each ekx_io time as a ratio to the pugixml time of the same operation in this run
// (the medians when the run repeats, which a busy machine calls for).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            const std::string& name = r.run_name.function_name;
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median") {
                times_[name] = {r.GetAdjustedRealTime(), r.GetAdjustedCPUTime()};
                medians_.insert(name);
            } else if (r.run_type == Run::RT_Iteration && !medians_.count(name)) {
                times_[name] = {r.GetAdjustedRealTime(), r.GetAdjustedCPUTime()};
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nekx_io time / pugixml time (goal <= 1.5):   real    cpu\n");
        for (const char* op : {"Save", "Load", "BuildAndSave", "LoadAndRead"}) {
            const auto e = times_.find(std::string("BM_Ekx") + op), p = times_.find(std::string("BM_Pugi") + op);
            if (e != times_.end() && p != times_.end() && p->second.first > 0 && p->second.second > 0)
                std::printf("  %-40s %5.2f  %5.2f\n", op, e->second.first / p->second.first,
                            e->second.second / p->second.second);
        }
    }

private:
    std::map<std::string, std::pair<double, double>> times_;  // real, cpu
    std::set<std::string> medians_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
