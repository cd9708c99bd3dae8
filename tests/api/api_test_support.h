// Helpers of the exported-interface tests: a host's string adapter that keeps what it is fed, a
// property that writes down every call that reaches it, and a document that hands that property
// out for any index, so that a test sees whether the exported layer checked the index itself.
#pragma once

#include <string>
#include <vector>

#include "ekx_file_vor4.h"
#include "vor4/TekVor4Impl.h"
#include "vor4/property/TekVor4PropertyImpl.h"

namespace ek::test {

// The last text fed, prefixed by its form: "c:" narrow, "w:" wide (ASCII kept), "" nothing.
struct Captured {
    Tek_string_adapter* adapter = ek_string_adp_create(&fedNarrow, &fedWide, this);
    std::string text;
    std::wstring wide;
    int feeds = 0;
    Captured() = default;
    Captured(const Captured&) = delete;
    ~Captured() { ek_string_adp_destroy(adapter); }
    static void fedNarrow(const char* t, void* self) {
        auto* c = static_cast<Captured*>(self);
        c->text = std::string("c:") + t, ++c->feeds;
    }
    static void fedWide(const wchar_t* t, void* self) {
        auto* c = static_cast<Captured*>(self);
        c->wide = t, c->text = "w:" + std::string(c->wide.begin(), c->wide.end()), ++c->feeds;
    }
};

// Logs every call as "op arg arg ...", with "buf" for the data pointer when it is `buffer`, and
// answers with the values of its fields. It is never given a data file.
class RecordingProperty : public TekVor4PropertyImpl {
public:
    using ll = long long;
    RecordingProperty() : TekVor4PropertyImpl(std::wstring(L"/nonexistent-ekx-folder/recording.property"), true) {}
    std::vector<std::string> log;
    const void* buffer = nullptr;
    int result = 0;
    ll objects = 0, block = 0, valid = 0, missing = 0, bins = 0, funcL = 0;

    template <class... A>
    int rec(const char* op, const void* data, A... args) {
        std::string call = op;
        for (ll v : {static_cast<ll>(args)...}) (call += ' ') += std::to_string(v);
        log.push_back(data ? call + (data == buffer ? " buf" : " other") : call);
        return result;
    }
    int readRawData(ll a, ll b, void* dst, ll c, unsigned char t, ll d) override {
        return rec("read", dst, a, b, c, t, d);
    }
    int readData2D(ll a, ll b, ll c, ll d, void* dst, ll e, ll f, unsigned char t, ll g, ll h) override {
        return rec("read2d", dst, a, b, c, d, e, f, t, g, h);
    }
    int readData3D(ll a, ll b, ll c, ll d, ll e, ll f, void* dst, ll g, ll h, ll i, unsigned char t, ll j, ll k,
                   ll l) override {
        return rec("read3d", dst, a, b, c, d, e, f, g, h, i, t, j, k, l);
    }
    int write_data(ll a, const void* src, ll b, unsigned char t, ll c) override {
        return rec("write", src, a, b, t, c);
    }
    int write_data2d(ll a, ll b, const void* src, ll c, ll d, unsigned char t, ll e, ll f) override {
        return rec("write2d", src, a, b, c, d, t, e, f);
    }
    int write_data3d(ll a, ll b, ll c, const void* src, ll d, ll e, ll f, unsigned char t, ll g, ll h, ll i) override {
        return rec("write3d", src, a, b, c, d, e, f, t, g, h, i);
    }
    bool getValueByte(ll i, unsigned char& out) override { return out = 200, rec("getByte", nullptr, i), true; }
    bool getValueInt(ll i, int& out) override { return out = -7, rec("getInt", nullptr, i), true; }
    bool getValueSingle(ll i, float& out) override { return out = 2.5f, rec("getSingle", nullptr, i), true; }
    bool getValueDouble(ll i, double& out) override { return out = -1.25, rec("getDouble", nullptr, i), true; }
    void setValueByte(ll i, unsigned char v) override { rec("setByte", nullptr, i, v); }
    void setValueInt(ll i, int v) override { rec("setInt", nullptr, i, v); }
    void setValueSingle(ll i, float v) override { rec("setSingle", nullptr, i, v); }
    void setValueDouble(ll i, double v) override { rec("setDouble", nullptr, i, v); }
    void setValueNull(ll i) override { rec("setNull", nullptr, i); }
    ll getNumObjects() const override { return objects; }
    void getBlockSize(ll* out) const override { *out = block; }
    ll getDfValsCount() const override { return valid; }
    ll getDfIndefCount() const override { return missing; }
    ll getHgCount() const override { return bins; }
    ll getFuncLX() const override { return funcL; }
    ll getFuncLY() const override { return funcL + 1; }
    ll getFuncLZ() const override { return funcL + 2; }
};

// Reports `count` properties and the given sizes, and hands out `handout` for every index.
class ProbeDocument : public TekVor4Impl {
public:
    using ll = long long;
    unsigned int count = 2;
    TekVor4Property* handout = nullptr;
    int fetched = 0;
    ll sizes[3] = {1, 1, 1};

    unsigned int getNumProps() override { return count; }
    TekVor4Property* getProperty(unsigned int) override { return ++fetched, handout; }
    void getDimensions64(ll* out) override { std::copy(sizes, sizes + 3, out); }
    ll getSizeX() override { return sizes[0]; }
    ll getSizeY() override { return sizes[1]; }
    ll getSizeZ() override { return sizes[2]; }
};

}  // namespace ek::test
