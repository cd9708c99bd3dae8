// Resampled reads taken from a mapping of the data file: they see every change of the file, made
// through the property or beside it, and the mapping neither outlives nor outreaches the file.
#include <gtest/gtest.h>
#include <functional>

#include "filesystem/fileio.h"
#include "property_test_support.h"
#include "support/host_platform.h"

using namespace ek::test;
namespace fs = std::filesystem;

// Window 8 x 4 at the origin into 3 x 3: columns 0 3 5 (nearest), rows 0 1 2 (stepping).
static int overview(TekVor4PropertyImpl& p, Values& out) {
    std::vector<float> v(9, -1.f);
    const int r = p.readData2D(0, 0, 8, 4, v.data(), 3, 3, dtSingle, 0, 0);
    return out.assign(v.begin(), v.end()), r;
}

TEST(MappedRead, FollowsEveryChangeOfTheFile) {
    using P = TekVor4PropertyImpl;
    struct Row { const char* name; std::function<void(P&, const fs::path&)> change; int result; Values expected; };
    const Row rows[] = {
        {"as written", [](P&, auto&) {}, 0, {0, 3, 5, 8, 11, 13, 16, 19, 21}},
        {"run write", [](P& p, auto&) { const float h = 100; p.write_data(11, &h, 1, dtSingle, 0); }, 0, {0, 3, 5, 8, 100, 13, 16, 19, 21}},
        {"value set, not yet written back", [](P& p, auto&) { p.setValueSingle(19, -7); }, 0, {0, 3, 5, 8, 100, 13, 16, -7, 21}},
        {"cut short beside the property", [](P&, auto& f) { fs::resize_file(f, 17 * 4); }, 2, {}},
        {"grown again beside the property", [](P&, auto& f) { fs::resize_file(f, 32 * 4); }, 0, {0, 3, 5, 8, 100, 13, 16, 0, 0}},
        {"0 bytes beside the property", [](P&, auto& f) { fs::resize_file(f, 0); }, 2, {}},
        {"recreated", [](P& p, auto&) { p.init(true); }, 0, Values(9, NaN)},
        {"recreated larger", [&](P& p, auto&) { p.setSize(16, 8, 1), p.init(true);
             p.write_data(0, encode(ramp(128, 0), dtSingle).data(), 128, dtSingle, 0); }, 0, {0, 3, 5, 16, 19, 21, 32, 35, 37}},
        {"fewer objects than the file holds", [](P& p, auto&) { p.setSize(8, 4, 1); }, 0, {0, 3, 5, 8, 11, 13, 16, 19, 21}},
    };
    TempDir dir;
    auto p = holding(dir, dtSingle, ramp(32, 0), gt2D, 4);
    const fs::path file(p->getFileNameW());
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        if (std::string(r.name).find("beside") != std::string::npos && !ek::test::k_writers_beside_readers) continue;
        r.change(*p, file);
        Values got;
        ASSERT_EQ(overview(*p, got), r.result);
        EXPECT_TRUE(r.result != 0 || text(got) == text(r.expected)) << text(got);
    }
}

// The views a file offers, and the file's lock, which its mapping must not keep past closing.
TEST(MappedRead, ViewsAndTheLock) {
    TempDir dir;
    auto p = holding(dir, dtSingle, ramp(32, 0), gt2D, 4, 1, "p", true);
    Values got;
    ASSERT_EQ(overview(*p, got), 0);
    ek::fileio f, writer;
    EXPECT_FALSE(writer.open(p->getFileNameW(), L"rb+")) << "the reader's lock holds";
    ASSERT_TRUE(f.open(p->getFileNameW(), L"rb"));
    for (const auto& [offset, n] : std::vector<std::pair<uint64_t, uint64_t>>{{0, 128}, {124, 4}, {0, 129}, {128, 1}, {1, ~uint64_t(0)}}) {
        const unsigned char* v = f.map_view(offset, n);
        EXPECT_EQ(v != nullptr, offset + n <= 128 && n <= 128) << offset << " " << n;
        EXPECT_TRUE(v == nullptr || load<float>(v) == float(offset / 4)) << offset;
    }
    f.close(), p->close();
    EXPECT_TRUE(writer.open(p->getFileNameW(), L"rb+")) << "closing released the mapping and the lock";
    writer.close();
    EXPECT_TRUE(p->deletePropFile());
    EXPECT_EQ(overview(*p, got), 2);
}
