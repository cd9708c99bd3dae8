// Helpers of the exported-interface tests: a string adapter that keeps what it is fed, a
// property that records the arguments it receives, and a document that hands that property out
// for any index.
#pragma once

#include <string>
#include <vector>

#include "ekx_file_vor4.h"
#include "vor4/TekVor4Impl.h"
#include "vor4/property/TekVor4PropertyImpl.h"

namespace ek::test {

// A host's adapter: remembers the last text and which form (narrow or wide) delivered it.
class Captured {
public:
    Captured() : adapter_(ek_string_adp_create(&on_narrow, &on_wide, this)) {}
    ~Captured() { ek_string_adp_destroy(adapter_); }
    Captured(const Captured&) = delete;
    Captured& operator=(const Captured&) = delete;

    Tek_string_adapter* adapter() const { return adapter_; }
    int feeds = 0;
    std::string narrow;
    std::wstring wide;
    char form = '-';  // 'c' narrow, 'w' wide, '-' nothing fed

private:
    static void on_narrow(const char* text, void* self) {
        auto* c = static_cast<Captured*>(self);
        ++c->feeds;
        c->narrow = text ? text : "";
        c->form = 'c';
    }
    static void on_wide(const wchar_t* text, void* self) {
        auto* c = static_cast<Captured*>(self);
        ++c->feeds;
        c->wide = text ? text : L"";
        c->form = 'w';
    }
    Tek_string_adapter* adapter_;
};

// One call as the recording property saw it.
struct Call {
    std::string op;
    std::vector<long long> args;
    const void* data = nullptr;
    unsigned char type = 0;
};

// Records the data operations it receives and answers with the values set in its fields. It is
// never given a data file.
class RecordingProperty : public TekVor4PropertyImpl {
public:
    using ll = long long;
    RecordingProperty() : TekVor4PropertyImpl(std::wstring(L"/nonexistent-ekx-folder/recording.property"), true) {}

    std::vector<Call> calls;
    int result = 0;
    ll objects = 0, block = 0, valid = 0, missing = 0, bins = 0, funcL = 0;

    int readRawData(ll start, ll count, void* dst, ll dstCount, unsigned char dstType, ll dstStride) override {
        calls.push_back({"read", {start, count, dstCount, dstStride}, dst, dstType});
        return result;
    }
    int readData2D(ll x0, ll y0, ll w, ll h, void* dst, ll dstW, ll dstH, unsigned char dstType, ll dstStride,
                   ll dstRowStride) override {
        calls.push_back({"read2d", {x0, y0, w, h, dstW, dstH, dstStride, dstRowStride}, dst, dstType});
        return result;
    }
    int readData3D(ll x0, ll y0, ll z0, ll w, ll h, ll d, void* dst, ll dstW, ll dstH, ll dstD, unsigned char dstType,
                   ll dstStride, ll dstRowStride, ll dstSliceStride) override {
        calls.push_back({"read3d", {x0, y0, z0, w, h, d, dstW, dstH, dstD, dstStride, dstRowStride, dstSliceStride},
                         dst, dstType});
        return result;
    }
    int write_data(ll start, const void* src, ll count, unsigned char srcType, ll srcStride) override {
        calls.push_back({"write", {start, count, srcStride}, src, srcType});
        return result;
    }
    int write_data2d(ll x0, ll y0, const void* src, ll w, ll h, unsigned char srcType, ll srcStride,
                     ll srcRowStride) override {
        calls.push_back({"write2d", {x0, y0, w, h, srcStride, srcRowStride}, src, srcType});
        return result;
    }
    int write_data3d(ll x0, ll y0, ll z0, const void* src, ll w, ll h, ll d, unsigned char srcType, ll srcStride,
                     ll srcRowStride, ll srcSliceStride) override {
        calls.push_back({"write3d", {x0, y0, z0, w, h, d, srcStride, srcRowStride, srcSliceStride}, src, srcType});
        return result;
    }
    bool getValueByte(ll index, unsigned char& out) override { return got("getByte", index, out, (unsigned char)200); }
    bool getValueInt(ll index, int& out) override { return got("getInt", index, out, -7); }
    bool getValueSingle(ll index, float& out) override { return got("getSingle", index, out, 2.5f); }
    bool getValueDouble(ll index, double& out) override { return got("getDouble", index, out, -1.25); }
    void setValueByte(ll index, unsigned char) override { calls.push_back({"setByte", {index}}); }
    void setValueInt(ll index, int) override { calls.push_back({"setInt", {index}}); }
    void setValueSingle(ll index, float) override { calls.push_back({"setSingle", {index}}); }
    void setValueDouble(ll index, double) override { calls.push_back({"setDouble", {index}}); }
    void setValueNull(ll index) override { calls.push_back({"setNull", {index}}); }
    ll getNumObjects() const override { return objects; }
    void getBlockSize(ll* out) const override { *out = block; }
    ll getDfValsCount() const override { return valid; }
    ll getDfIndefCount() const override { return missing; }
    ll getHgCount() const override { return bins; }
    ll getFuncLX() const override { return funcL; }
    ll getFuncLY() const override { return funcL; }
    ll getFuncLZ() const override { return funcL; }

    const Call& last() const { return calls.back(); }

private:
    template <class T>
    bool got(const char* op, ll index, T& out, T value) {
        calls.push_back({op, {index}});
        out = value;
        return true;
    }
};

// A document that reports `count` properties and hands out `handout` for every index asked,
// so that a test can see whether the exported layer checked the index itself. It also records
// the arguments of the index reads.
class ProbeDocument : public TekVor4Impl {
public:
    using ll = long long;
    unsigned int count = 2;
    TekVor4Property* handout = nullptr;
    int getPropertyCalls = 0;
    std::vector<Call> calls;
    ll sizes[3] = {1, 1, 1};

    unsigned int getNumProps() override { return count; }
    TekVor4Property* getProperty(unsigned int) override {
        ++getPropertyCalls;
        return handout;
    }
    void getDimensions64(ll* out) override {
        for (int k = 0; k < 3; ++k) out[k] = sizes[k];
    }
    ll getSizeX() override { return sizes[0]; }
    ll getSizeY() override { return sizes[1]; }
    ll getSizeZ() override { return sizes[2]; }
    int read_index(ll start, ll count_, ll* dst, ll dstOffset, ll dstCount, ll step) override {
        calls.push_back({"read_index", {start, count_, dstOffset, dstCount, step}, dst});
        return 0;
    }
    int read_index2d(ll x0, ll y0, ll w, ll h, ll* dst, ll dstW, ll dstH, ll step, ll dstRowStride) override {
        calls.push_back({"read_index2d", {x0, y0, w, h, dstW, dstH, step, dstRowStride}, dst});
        return 0;
    }
    int read_index3d(ll x0, ll y0, ll z0, ll w, ll h, ll d, ll* dst, ll dstW, ll dstH, ll dstD, ll step,
                     ll dstRowStride, ll dstSliceStride) override {
        calls.push_back(
            {"read_index3d", {x0, y0, z0, w, h, d, dstW, dstH, dstD, step, dstRowStride, dstSliceStride}, dst});
        return 0;
    }
};

}  // namespace ek::test
