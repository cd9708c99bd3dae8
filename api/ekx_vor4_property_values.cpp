// Exported single-value access, small queries, statistics and histogram of a property handle.
#include <climits>

#include "api/ek_vor4_boundary.h"
#include "ekx_file_vor4.h"

using ek::vor4_api::text_arg;
using ek::vor4_api::with;
using P = TekVor4Property;
using ll = long long;

namespace {

constexpr ll u(unsigned int value) { return static_cast<ll>(value); }
unsigned int low32(ll value) { return static_cast<unsigned int>(static_cast<unsigned long long>(value)); }
// A count as the 32-bit statistics getters give it: anything above INT_MAX is INT_MAX.
int clamped(ll count) { return count > INT_MAX ? INT_MAX : static_cast<int>(count); }

template <class T, class Get>
bool get_value(P* p, unsigned int index, T* out, Get get) {
    if (!out) return false;
    return with(p, false, [&](P& q) { return (q.*get)(u(index), *out); });
}

}  // namespace

extern "C" {

bool ek_vor4_prop_get_value_byte(P* p, unsigned int index, unsigned char* out) { return get_value(p, index, out, &P::getValueByte); }
bool ek_vor4_prop_get_value_int(P* p, unsigned int index, int* out) { return get_value(p, index, out, &P::getValueInt); }
bool ek_vor4_prop_get_value_single(P* p, unsigned int index, float* out) { return get_value(p, index, out, &P::getValueSingle); }
bool ek_vor4_prop_get_value_double(P* p, unsigned int index, double* out) { return get_value(p, index, out, &P::getValueDouble); }

void ek_vor4_prop_set_value_byte(P* p, unsigned int index, unsigned char value) { with(p, [&](P& q) { q.setValueByte(u(index), value); }); }
void ek_vor4_prop_set_value_int(P* p, unsigned int index, int value) { with(p, [&](P& q) { q.setValueInt(u(index), value); }); }
void ek_vor4_prop_set_value_single(P* p, unsigned int index, float value) { with(p, [&](P& q) { q.setValueSingle(u(index), value); }); }
void ek_vor4_prop_set_value_double(P* p, unsigned int index, double value) { with(p, [&](P& q) { q.setValueDouble(u(index), value); }); }
void ek_vor4_prop_set_value_nodata(P* p, unsigned int index) { with(p, [&](P& q) { q.setValueNull(u(index)); }); }

unsigned int ek_vor4_prop_get_objcount(P* p) { return low32(ek_vor4_prop_get_objcount_64(p)); }
ll ek_vor4_prop_get_objcount_64(P* p) { return with(p, 0LL, [](P& q) { return q.getNumObjects(); }); }

unsigned int ek_vor4_prop_get_block_size(P* p, unsigned int* out) {
    return with(p, 0u, [&](P& q) {
        ll size = 0;
        q.getBlockSize(&size);
        unsigned int low = low32(size);
        if (out) *out = low;
        return low;
    });
}

void ek_vor4_prop_get_caption_w(P* p, Tek_string_adapter* adapter) {
    with(p, [&](P& q) { ek_string_adp_feed(adapter, q.getCaptionW().c_str()); });
}

void ek_vor4_prop_set_caption_w(P* p, const wchar_t* caption) {
    with(p, [&](P& q) { q.setCaption(text_arg(caption)); });
}

void ek_vor4_prop_close(P* p) { with(p, [](P& q) { q.close(); }); }

bool ek_vor4_prop_get_statistic_exist(P* p) { return with(p, false, [](P& q) { return q.getStatisticSet(); }); }
double ek_vor4_prop_get_statistic_min(P* p) { return with(p, 0.0, [](P& q) { return q.getDfMin(); }); }
double ek_vor4_prop_get_statistic_max(P* p) { return with(p, 0.0, [](P& q) { return q.getDfMax(); }); }
double ek_vor4_prop_get_statistic_average(P* p) { return with(p, 0.0, [](P& q) { return q.getDfAverage(); }); }
double ek_vor4_prop_get_statistic_stddev(P* p) { return with(p, 0.0, [](P& q) { return q.getDfStdDev(); }); }
ll ek_vor4_prop_get_statistic_indef_count_64(P* p) { return with(p, 0LL, [](P& q) { return q.getDfIndefCount(); }); }
ll ek_vor4_prop_get_statistic_vals_count_64(P* p) { return with(p, 0LL, [](P& q) { return q.getDfValsCount(); }); }
int ek_vor4_prop_get_statistic_indef_count(P* p) { return clamped(ek_vor4_prop_get_statistic_indef_count_64(p)); }
int ek_vor4_prop_get_statistic_vals_count(P* p) { return clamped(ek_vor4_prop_get_statistic_vals_count_64(p)); }
void ek_vor4_prop_statistic_update(P* p) { with(p, [](P& q) { q.updateStatistic(); }); }

bool ek_vor4_prop_get_histogram_exist(P* p) { return with(p, false, [](P& q) { return q.getHistogramSet(); }); }
double ek_vor4_prop_get_histogram_hgbndmin(P* p) { return with(p, 0.0, [](P& q) { return q.getHgBndMin(); }); }
double ek_vor4_prop_get_histogram_hgbndmax(P* p) { return with(p, 0.0, [](P& q) { return q.getHgBndMax(); }); }
ll ek_vor4_prop_get_histogram_hgmin(P* p) { return with(p, 0LL, [](P& q) { return q.getHgMin(); }); }
ll ek_vor4_prop_get_histogram_hgmax(P* p) { return with(p, 0LL, [](P& q) { return q.getHgMax(); }); }
const char* ek_vor4_prop_get_histogram_hgdiapdata(P* p) {
    return with(p, (const char*)nullptr, [](P& q) { return q.getHgDiapData().c_str(); });
}
unsigned int ek_vor4_prop_get_histogram_count(P* p) { return with(p, 0u, [](P& q) { return low32(q.getHgCount()); }); }
ll ek_vor4_prop_get_histogram_value(P* p, unsigned int bin) { return with(p, 0LL, [&](P& q) { return q.getHgValue(bin); }); }
void ek_vor4_prop_histogram_update(P* p) { with(p, [](P& q) { q.updateHistogram(); }); }

}  // extern "C"
