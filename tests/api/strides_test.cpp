// The exported run and window functions with strides and pitches of either sign (the 32-bit
// twins keep a stride's sign), arguments whose address arithmetic overflows, backwards block
// writes through the undo-recording path, and counts and codes read or set outside their range.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "ekx_basic.h"
#include "ekx_file_vor4.h"
#include "support/temp_dir.h"

namespace {

using ek::test::TempDir;
using P = TekVor4Property;
using Bytes = std::vector<unsigned char>;
constexpr unsigned char dtInteger = 2, dtDouble = 4, gt2D = 3, gt3D = 5;
constexpr int kMissing = 2147483647;

Bytes read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_file(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Integers as the data file holds them (little-endian, 4 bytes each).
Bytes ints(const std::vector<int>& values) {
    Bytes out(values.size() * 4);
    std::memcpy(out.data(), values.data(), out.size());
    return out;
}

// A document of one integer property "A" over a 3 x 2 or 2 x 2 x 2 grid, objects 0..5 or 0..7.
struct Doc {
    TempDir dir;
    std::filesystem::path xml = dir.path() / "d.xml", data = dir.path() / "d.A.property";
    TekVor4* h = nullptr;
    P* p = nullptr;
    int objects;

    explicit Doc(unsigned char grid) : objects(grid == gt2D ? 6 : 8) {
        h = ek_vor4_file_create(xml.string().c_str());
        ek_vor4_set_gridtype(h, grid);
        const long long dims[3] = {grid == gt2D ? 3 : 2, 2, grid == gt2D ? 1 : 2};
        ek_vor4_set_dimensions_64(h, dims);
        p = ek_vor4_prop_add(h, "A", 0, dtInteger, false);
    }
    ~Doc() { ek_vor4_file_close(h); }
    // The values 1..n (object i holds i + 1) on disk.
    std::vector<int> counting() const {
        std::vector<int> v(static_cast<size_t>(objects));
        for (int i = 0; i < objects; ++i) v[size_t(i)] = i + 1;
        return v;
    }
};

// One exported call on the caller's buffer; layout lists, slot by slot, the object there (-1 none).
struct Row {
    const char* name;
    unsigned char grid;
    bool write;
    int first;
    std::vector<int> layout;
    std::function<int(P*, void*, unsigned char)> call;
};

const std::vector<Row>& rows() {
    static const std::vector<Row> table = {
        {"read stride -1", gt2D, false, 5, {5, 4, 3, 2, 1, 0},
         [](P* p, void* b, unsigned char t) { return ek_vor4_prop_read(p, 0, 6, b, 6, t, -1); }},
        {"read_64 stride -2", gt2D, false, 10, {5, -1, 4, -1, 3, -1, 2, -1, 1, -1, 0, -1},
         [](P* p, void* b, unsigned char t) { return ek_vor4_prop_read_64(p, 0, 6, b, 6, t, -2); }},
        {"read2d rows flipped", gt2D, false, 3, {3, 4, 5, 0, 1, 2, -1},
         [](P* p, void* b, unsigned char t) { return ek_vor4_prop_read2d(p, 0, 0, 3, 2, b, 3, 2, t, 1, -3); }},
        {"read2d_64 stride -1, default pitch", gt2D, false, 5, {5, 4, 3, 2, 1, 0},
         [](P* p, void* b, unsigned char t) { return ek_vor4_prop_read2d_64(p, 0, 0, 3, 2, b, 3, 2, t, -1, 0); }},
        {"read3d slices flipped", gt3D, false, 4, {4, 5, 6, 7, 0, 1, 2, 3},
         [](P* p, void* b, unsigned char t) {
             return ek_vor4_prop_read3d(p, 0, 0, 0, 2, 2, 2, b, 2, 2, 2, t, 1, 2, -4);
         }},
        {"read3d_64 stride -1, default pitches", gt3D, false, 7, {7, 6, 5, 4, 3, 2, 1, 0, -1},
         [](P* p, void* b, unsigned char t) {
             return ek_vor4_prop_read3d_64(p, 0, 0, 0, 2, 2, 2, b, 2, 2, 2, t, -1, 0, 0);
         }},
        {"write stride -1", gt2D, true, 5, {5, 4, 3, 2, 1, 0},
         [](P* p, void* b, unsigned char t) { return ek_vor4_prop_write(p, 0, b, 6, t, -1); }},
        {"write_64 stride -2", gt2D, true, 10, {5, -1, 4, -1, 3, -1, 2, -1, 1, -1, 0, -1},
         [](P* p, void* b, unsigned char t) { return ek_vor4_prop_write_64(p, 0, b, 6, t, -2); }},
        {"write2d rows flipped", gt2D, true, 3, {3, 4, 5, 0, 1, 2, -1},
         [](P* p, void* b, unsigned char t) { return ek_vor4_prop_write2d(p, 0, 0, b, 3, 2, t, 1, -3); }},
        {"write2d_64 columns flipped", gt2D, true, 2, {2, 1, 0, 5, 4, 3},
         [](P* p, void* b, unsigned char t) { return ek_vor4_prop_write2d_64(p, 0, 0, b, 3, 2, t, -1, 3); }},
        {"write3d rows flipped", gt3D, true, 2, {2, 3, 0, 1, 6, 7, 4, 5},
         [](P* p, void* b, unsigned char t) { return ek_vor4_prop_write3d(p, 0, 0, 0, b, 2, 2, 2, t, 1, -2, 4); }},
        {"write3d_64 stride -1, default pitches", gt3D, true, 7, {7, 6, 5, 4, 3, 2, 1, 0},
         [](P* p, void* b, unsigned char t) {
             return ek_vor4_prop_write3d_64(p, 0, 0, 0, b, 2, 2, 2, t, -1, 0, 0);
         }},
    };
    return table;
}

// Memory slots as doubles; each holds `poison` unless a value lands there.
constexpr double poison = -99.0;
constexpr int guard = 3;

TEST(ApiStrides, NegativeStridesAndPitchesReachTheGivenElementsBackwards) {
    for (const Row& r : rows()) {
        for (unsigned char type : {dtInteger, dtDouble}) {
            SCOPED_TRACE(std::string(r.name) + (type == dtInteger ? ", integers" : ", doubles"));
            Doc doc(r.grid);
            ASSERT_NE(doc.p, nullptr);
            const size_t slots = r.layout.size() + 2 * guard;
            std::vector<double> mem(slots, poison);
            std::vector<int> imem(slots, int(poison));
            ek_vor4_prop_close(doc.p);
            if (r.write) {
                for (size_t s = 0; s < r.layout.size(); ++s)
                    if (r.layout[s] >= 0) mem[guard + s] = imem[guard + s] = r.layout[s] + 1;
            } else {
                write_file(doc.data, ints(doc.counting()));
            }
            void* at = type == dtInteger ? static_cast<void*>(&imem[size_t(guard + r.first)])
                                         : static_cast<void*>(&mem[size_t(guard + r.first)]);
            ASSERT_EQ(r.call(doc.p, at, type), 0);
            ek_vor4_prop_close(doc.p);
            if (r.write) {
                EXPECT_EQ(read_file(doc.data), ints(doc.counting()));
                continue;
            }
            for (size_t s = 0; s < slots; ++s) {
                const int object = s < guard || s >= guard + r.layout.size() ? -1 : r.layout[s - guard];
                const double expected = object < 0 ? poison : object + 1;
                EXPECT_EQ(type == dtInteger ? double(imem[s]) : mem[s], expected) << "slot " << long(s) - guard;
            }
        }
    }
}

TEST(ApiStrides, OverflowingStridesGiveFourAndTouchNothing) {
    Doc doc(gt2D);
    int mem[12];
    std::fill(std::begin(mem), std::end(mem), 77);
    write_file(doc.data, ints(doc.counting()));
    EXPECT_EQ(ek_vor4_prop_read_64(doc.p, 0, 4, &mem[4], 4, 0, LLONG_MAX), 4);
    EXPECT_EQ(ek_vor4_prop_read_64(doc.p, 0, 4, &mem[4], 4, dtInteger, LLONG_MIN), 4);
    EXPECT_EQ(ek_vor4_prop_read2d_64(doc.p, 0, 0, 3, 2, &mem[4], 3, 2, dtInteger, 1, LLONG_MAX), 4);
    EXPECT_EQ(ek_vor4_prop_write_64(doc.p, 0, &mem[4], 4, dtInteger, LLONG_MAX), 4);
    EXPECT_EQ(ek_vor4_prop_write2d_64(doc.p, 0, 0, &mem[4], 3, 2, dtInteger, 1, LLONG_MIN), 4);
    EXPECT_EQ(std::vector<int>(mem, mem + 12), std::vector<int>(12, 77));
    ek_vor4_prop_close(doc.p);
    EXPECT_EQ(read_file(doc.data), ints(doc.counting()));
}

// Through a document loaded in memory every block write is recorded; a backwards write must
// keep the overwritten values and restore them in place.
TEST(ApiStrides, BackwardsWriteOfALoadedDocumentUndoesAndRedoes) {
    TempDir undo;
    ek_history_manager_set_enabled(true);
    ek_options_set_temp_wpath(undo.path().wstring().c_str());
    {
        Doc doc(gt2D);
        ek_vor4_file_close(doc.h);
        doc.h = nullptr;
        write_file(doc.data, ints(doc.counting()));

        TekVor4* m = ek_vor4_load_memory(doc.xml.string().c_str());
        ASSERT_NE(m, nullptr);
        Tek_history_manager* manager = ek_history_manager_get_instance();
        Tek_history* history = ek_history_manager_get_history(manager, ek_history_manager_get_history_count(manager) - 1);
        P* p = ek_vor4_prop_open(m, 0);
        const int src[6] = {10, 20, 30, 40, 50, 60};
        // Objects 1..4 take 40, 30, 20, 10: backwards from src[3].
        ASSERT_EQ(ek_vor4_prop_write(p, 1, &src[3], 4, dtInteger, -1), 0);
        const Bytes written = ints({1, 40, 30, 20, 10, 6});
        ek_vor4_prop_close(p);
        EXPECT_EQ(read_file(doc.data), written);
        // Refused before anything is recorded.
        EXPECT_EQ(ek_vor4_prop_write_64(p, 0, &src[3], 4, dtInteger, LLONG_MIN), 4);
        EXPECT_EQ(ek_history_get_undo_count(history), 1u);

        ASSERT_TRUE(ek_history_undo(history, 1));
        ek_vor4_prop_close(p);
        EXPECT_EQ(read_file(doc.data), ints(doc.counting()));
        ASSERT_TRUE(ek_history_redo(history, 1));
        ek_vor4_prop_close(p);
        EXPECT_EQ(read_file(doc.data), written);
        ek_vor4_free_memory(m);
    }
    ek_options_set_temp_wpath(nullptr);
}

// An object count below zero in a metadata file is reported as stored by the document and by its
// properties, and no data access succeeds. Codes outside their tables are kept as given.
TEST(ApiStrides, CountsAndCodesOutsideTheirRangeAreKept) {
    Doc doc(gt2D);
    ek_vor4_file_close(doc.h);
    doc.h = nullptr;
    std::ifstream in(doc.xml);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    const std::string edited = std::regex_replace(text, std::regex("<ObjCount>6</ObjCount>"), "<ObjCount>-5</ObjCount>");
    ASSERT_NE(edited, text);
    std::ofstream(doc.xml) << edited;
    const Bytes before = read_file(doc.data);

    doc.h = ek_vor4_file_open(doc.xml.string().c_str(), false);
    ASSERT_NE(doc.h, nullptr);
    P* p = ek_vor4_prop_open(doc.h, 0);
    EXPECT_EQ(ek_vor4_get_object_count_64(doc.h), -5);
    EXPECT_EQ(ek_vor4_prop_get_objcount_64(p), -5);
    EXPECT_EQ(ek_vor4_prop_get_objcount(p), 0xFFFFFFFBu);
    int buf[6] = {7, 7, 7, 7, 7, 7};
    EXPECT_EQ(ek_vor4_prop_read_64(p, 0, 1, buf, 1, dtInteger, 1), 4);
    EXPECT_EQ(ek_vor4_prop_read2d(p, 0, 0, 3, 2, buf, 3, 2, dtInteger, 0, 0), 4);
    EXPECT_EQ(ek_vor4_prop_write(p, 0, buf, 1, dtInteger, 1), 4);
    int v = 0;
    EXPECT_FALSE(ek_vor4_prop_get_value_int(p, 0, &v));
    ek_vor4_prop_set_value_int(p, 0, 3);
    ek_vor4_prop_statistic_update(p);
    ek_vor4_prop_close(p);
    EXPECT_EQ(std::vector<int>(buf, buf + 6), std::vector<int>(6, 7));
    EXPECT_EQ(read_file(doc.data), before);

    ek_vor4_set_prop_data_type(doc.h, 0, 9);
    EXPECT_EQ(ek_vor4_get_prop_data_type(doc.h, 0), 9);
    ek_vor4_set_gridtype(doc.h, 250);
    EXPECT_EQ(ek_vor4_get_grid_type(doc.h), 250);
}

}  // namespace
