// Helpers of the exported-interface tests: a host's string adapter, a property that logs the data
// calls reaching it, a document that hands it out for any index, and a sample document on disk.
#pragma once

#include <gtest/gtest.h>

#include "ekx_file_vor4.h"
#include "support/document_fixture.h"
#include "support/temp_dir.h"
#include "vor4/property/TekVor4PropertyImpl.h"

namespace ek::test {

// Results side by side, so that one comparison shows which differ (arguments: in no fixed order).
template <class... T> std::vector<double> values(T... v) {
    return {static_cast<double>(v)...};
}

// The last text fed, prefixed by its form: "c:" narrow, "w:" wide (ASCII kept), "" nothing.
struct Captured {
    std::string text;
    std::wstring wide;
    int feeds = 0;
    static Captured& fed(void* self) { return ++static_cast<Captured*>(self)->feeds, *static_cast<Captured*>(self); }
    void take(const wchar_t* t) { wide = t, text = "w:" + std::string(wide.begin(), wide.end()); }
    Tek_string_adapter* adapter = ek_string_adp_create([](const char* t, void* c) { fed(c).text = std::string("c:") + t; },
                                                       [](const wchar_t* t, void* c) { fed(c).take(t); }, this);
    Captured() = default;
    Captured(const Captured&) = delete;
    ~Captured() { ek_string_adp_destroy(adapter); }
};

// Logs each data call as "op arg arg ... buf" (buf: the data pointer is `buffer`); has no data file.
struct RecordingProperty : TekVor4PropertyImpl {
    using ll = long long;
    RecordingProperty() : TekVor4PropertyImpl(std::wstring(L"/nonexistent-ekx-folder/recording.property"), true) {}
    std::vector<std::string> log;
    const void* buffer = nullptr;
    int result = 0;
    ll valid = 0, missing = 0, bins = 0;

    template <class... A> int rec(const char* op, const void* data, A... args) {
        std::string call = op;
        for (ll v : {static_cast<ll>(args)...}) (call += ' ') += std::to_string(v);
        log.push_back(data ? call + (data == buffer ? " buf" : " other") : call);
        return result;
    }
    int readRawData(ll a, ll b, void* dst, ll c, unsigned char t, ll d) override { return rec("read", dst, a, b, c, t, d); }
    int readData2D(ll a, ll b, ll c, ll d, void* dst, ll e, ll f, unsigned char t, ll g, ll h) override {
        return rec("read2d", dst, a, b, c, d, e, f, t, g, h);
    }
    int readData3D(ll a, ll b, ll c, ll d, ll e, ll f, void* dst, ll g, ll h, ll i, unsigned char t, ll j, ll k,
                   ll l) override {
        return rec("read3d", dst, a, b, c, d, e, f, g, h, i, t, j, k, l);
    }
    int write_data(ll a, const void* src, ll b, unsigned char t, ll c) override { return rec("write", src, a, b, t, c); }
    int write_data2d(ll a, ll b, const void* src, ll c, ll d, unsigned char t, ll e, ll f) override {
        return rec("write2d", src, a, b, c, d, t, e, f);
    }
    int write_data3d(ll a, ll b, ll c, const void* src, ll d, ll e, ll f, unsigned char t, ll g, ll h, ll i) override {
        return rec("write3d", src, a, b, c, d, e, f, t, g, h, i);
    }
    bool getValueByte(ll i, unsigned char& out) override { return out = 200, rec("getByte", nullptr, i), true; }
    ll getDfValsCount() const override { return valid; }
    ll getDfIndefCount() const override { return missing; }
    ll getHgCount() const override { return bins; }
};

// Reports `count` properties and hands out `handout` for every index.
struct ProbeDocument : TekVor4Impl {
    unsigned int count = 2;
    TekVor4Property* handout = nullptr;
    int fetched = 0;
    unsigned int getNumProps() override { return count; }
    TekVor4Property* getProperty(unsigned int) override { return ++fetched, handout; }
};

// doc.xml: a 4 x 3 grid (origin x 1000, cell height 2.5, azimuth 30) whose properties hold 100k + i
// at object i: P0 (kind 1, single, with a caption), P1 (kind 7, integer, written as a window), P2 (double).
struct SampleDocument : ::testing::Test {
    void SetUp() override {
        const long long dims[3] = {4, 3, 1};
        ek_vor4_set_grid_type(h, 3), ek_vor4_set_dimensions_64(h, dims), ek_vor4_set_x0(h, 1000);
        ek_vor4_set_dy(h, 2.5), ek_vor4_set_azimuth(h, 30);
        float v[3][12];
        for (int i = 0; i < 36; ++i) v[i / 12][i % 12] = float(100 * (i / 12) + i % 12);
        ASSERT_EQ(ek_vor4_prop_write(ek_vor4_prop_add(h, "P0", 1, 0, false), 0, v[0], 12, 0, 1), 0);
        ASSERT_EQ(ek_vor4_prop_write2d(ek_vor4_prop_add(h, "P1", 7, 2, false), 0, 0, v[1], 4, 3, 0, 1, 4), 0);
        ASSERT_EQ(ek_vor4_prop_write(ek_vor4_prop_add(h, "P2", 0, 4, false), 0, v[2], 12, 0, 1), 0);
        ek_vor4_set_prop_caption_w(h, 0, L"Глубина, м");
        ek_vor4_file_close(h), h = ek_vor4_file_open_w(path.c_str(), false);  // opened, not just created
    }
    void TearDown() override { ek_vor4_file_close(h); }
    std::filesystem::path file(const std::string& name) const { return dir.path() / name; }
    TempDir dir;
    const std::wstring path = dir.file("doc.xml");
    TekVor4* h = ek_vor4_file_create_w(path.c_str());
};

}  // namespace ek::test
