// A document against hostile names, write-protected files, other processes and crashes: what the
// metadata names must always exist whole, and nothing outside the document's folder is touched.
#include <chrono>
#include <random>
#include <set>
#include <thread>

#include "api/api_test_support.h"
#include "filesystem/fileio.h"
#include "filesystem/fileio_os.h"
#include "support/child_process.h"

namespace fs = std::filesystem;
using ek::test::read_file, ek::test::write_file;

namespace {

constexpr unsigned char dtSingle = 0, dtByte = 1, dtBitmask = 3, dtDouble = 4;

std::set<fs::path> listing(const fs::path& folder) { return {fs::recursive_directory_iterator(folder), {}}; }

// A 2D document of nx × ny cells with one single property "A".
TekVor4* make_document(const fs::path& path, unsigned nx = 8, unsigned ny = 4) {
    TekVor4* doc = ek_vor4_file_create_w(path.wstring().c_str());
    const unsigned dims[3] = {nx, ny, 1};
    ek_vor4_set_grid_type(doc, 3), ek_vor4_set_dimensions(doc, dims), ek_vor4_prop_add_w(doc, L"A", 0, dtSingle, false);
    return doc;
}

struct DocumentSafety : ::testing::Test {
    ek::test::TempDir dir;
    const fs::path doc = dir.path() / "doc.xml", data = dir.path() / "doc.A.property";
    const std::wstring wdoc = doc.wstring();
};

TEST_F(DocumentSafety, NamesThatLeaveTheFolderAreRefusedAndNeverReached) {
    fs::create_directories(dir.path() / "sub");
    TekVor4* h = make_document(doc);
    const auto before = listing(dir.path());
    for (const std::wstring name : {L"sub/../../escaped", L"..\\up", L"a/b", L"../other/doc.A"}) {
        EXPECT_EQ(ek_vor4_prop_add_w(h, name.c_str(), 0, dtSingle, true), nullptr) << fs::path(name);
        EXPECT_EQ(ek_vor4_prop_add(h, fs::path(name).string().c_str(), 0, dtSingle, true), nullptr) << fs::path(name);
    }
    EXPECT_EQ(ek_vor4_get_prop_count(h), 1u);
    ek_vor4_file_close(h);
    EXPECT_EQ(listing(dir.path()), before) << "nothing was created";
    EXPECT_FALSE(fs::exists(dir.path().parent_path() / "escaped.property"));

    // A received document naming another document's data file by a relative path.
    const fs::path victim = dir.path() / "other" / "doc.A.property", received = dir.path() / "in" / "doc.xml";
    fs::create_directories(dir.path() / "other"), fs::create_directories(dir.path() / "in");
    write_file(victim, std::string(16, '\x11'));
    write_file(received, "<TGrDoc><GridType>gt1D</GridType><ObjCount>4</ObjCount><Properties><TGrDocProp><PropName>"
                         "../other/doc.A</PropName><DataType>dtSingle</DataType></TGrDocProp></Properties></TGrDoc>");
    h = ek_vor4_file_open_w(received.wstring().c_str(), false);
    ASSERT_EQ(ek_vor4_get_prop_count(h), 1u) << "the entry stays listed";
    float values[4] = {1, 2, 3, 4};
    EXPECT_EQ(ek_vor4_prop_read_64(ek_vor4_prop_open(h, 0), 0, 4, values, 4, dtSingle, 1), 2);
    EXPECT_EQ(ek_vor4_prop_write_64(ek_vor4_prop_open(h, 0), 0, values, 4, dtSingle, 1), 2);
    EXPECT_FALSE(ek_vor4_prop_file_exists(h, 0));
    ek_vor4_file_close(h);
    EXPECT_TRUE(ek_vor4_delete_files(received.wstring().c_str()));
    EXPECT_EQ(read_file(victim), std::string(16, '\x11'));
}

TEST_F(DocumentSafety, WriteProtectedFilesAreNeitherReplacedNorRemoved) {
    const fs::path source = dir.path() / "src.xml";
    ek_vor4_file_close(make_document(doc)), ek_vor4_file_close(make_document(source, 2, 2));
    const std::string metaBytes = read_file(doc), dataBytes = read_file(data);
    for (const fs::path& f : {doc, data}) fs::permissions(f, fs::perms::owner_read | fs::perms::group_read);
    EXPECT_EQ(ek_vor4_file_open_w(wdoc.c_str(), false), nullptr) << "no writer on a read-only file";
    TekVor4* reader = ek_vor4_file_open_w(wdoc.c_str(), true);
    EXPECT_NE(reader, nullptr);
    ek_vor4_file_close(reader);
    EXPECT_FALSE(ek_vor4_copy_files(source.wstring().c_str(), wdoc.c_str(), true));
    EXPECT_FALSE(ek_vor4_delete_files(wdoc.c_str()));
    EXPECT_TRUE(read_file(doc) == metaBytes && read_file(data) == dataBytes);

    // A writer whose file becomes read-only under it reports the failed save and leaves the file.
    fs::permissions(doc, fs::perms::owner_read | fs::perms::owner_write);
    TekVor4Impl writer;
    ASSERT_TRUE(writer.open(wdoc, false));
    EXPECT_EQ(writer.getProperty(0)->write_data(0, "\0\0\0\0", 1, dtSingle, 1), 2) << "its data file is read-only";
    fs::permissions(doc, fs::perms::owner_read);
    writer.setX0(5.0);
    EXPECT_FALSE(writer.save());
    EXPECT_EQ(read_file(doc), metaBytes);
}

int hold_writer(const std::vector<std::wstring>& args) {
    TekVor4* h = ek_vor4_file_open_w(args[0].c_str(), false);
    if (!h) return 3;
    write_file(fs::path(args[1]), "ready"), ek::test::wait_for_marker(fs::path(args[2]));
    ek_vor4_prop_add_w(h, L"FromChild", 0, dtByte, false);
    return ek_vor4_file_close(h), 0;
}

TEST_F(DocumentSafety, OneWriterAcrossProcessesReadersStillOpen) {
    ek_vor4_file_close(make_document(doc));
    const fs::path ready = dir.path() / "ready", done = dir.path() / "done";
    ek::test::Child child(&hold_writer, {wdoc, ready.wstring(), done.wstring()});
    ASSERT_TRUE(ek::test::wait_for_marker(ready));
    EXPECT_EQ(ek_vor4_file_open_w(wdoc.c_str(), false), nullptr) << "a second writer is refused";
    EXPECT_FALSE(ek_vor4_delete_files(wdoc.c_str()));
    TekVor4* reader = ek_vor4_file_open_w(wdoc.c_str(), true);
    EXPECT_EQ(ek_vor4_get_prop_count(reader), 1u) << "a reader opens";
    ek_vor4_file_close(reader), write_file(done, "done");
    EXPECT_EQ(child.wait(), 0);
    TekVor4* writer = ek_vor4_file_open_w(wdoc.c_str(), false);
    EXPECT_NE(writer, nullptr) << "the claim ends with its process's document";
    EXPECT_GE(ek_vor4_get_index_by_name_w(writer, L"FromChild"), 0) << "the child's change is kept";
    ek_vor4_file_close(writer);
}

TEST_F(DocumentSafety, SavesRemoveOnlyTheirOwnAbandonedTemps) {
    TekVor4* h = make_document(doc);
    const fs::path stale[] = {dir.path() / ".doc.xml.1f-2.tmp", dir.path() / "..doc.xml.3-4.tmp.5_6_7.tmp"};
    const fs::path kept[] = {dir.path() / ".other.xml.1-1.tmp", dir.path() / "doc.xml.1-1.tmp",
                             dir.path() / ".doc.xml.9-9.tmp.bak", dir.path() / ".doc.xml.77-1.tmp"};
    for (const auto& f : stale) write_file(f, "x");
    for (const auto& f : kept) write_file(f, "x");
    ek::fileio holder;  // the last one is held, as by a save in progress
    ASSERT_TRUE(holder.open(kept[3].wstring(), L"rb+"));
    ASSERT_NE(ek_vor4_prop_add_w(h, L"B", 0, dtByte, false), nullptr);  // saves
    for (const auto& f : stale) EXPECT_FALSE(fs::exists(f)) << f;
    for (const auto& f : kept) EXPECT_TRUE(fs::exists(f)) << f;
    ek_vor4_file_close(h);
}

// A disk that fills up after `room` more bytes.
long long g_room = 0;
int64_t filling_write(ek::detail::os_handle fd, const void* data, size_t n, uint64_t offset) {
    if (g_room <= 0) return errno = ENOSPC, -1;
    const size_t piece = n < size_t(g_room) ? n : size_t(g_room);
    return g_room -= static_cast<long long>(piece), ek::detail::system_write(fd, data, piece, offset);
}

TEST_F(DocumentSafety, AFailedCreationLeavesNoPartialDataFile) {
    TekVor4* h = make_document(doc, 1024, 1024);
    const auto before = listing(dir.path());
    const auto saved = ek::detail::fileio_os_write;
    g_room = 1 << 20, ek::detail::fileio_os_write = &filling_write;
    EXPECT_EQ(ek_vor4_prop_add_w(h, L"Big", 0, dtDouble, false), nullptr);
    ek::detail::fileio_os_write = saved;
    EXPECT_EQ(listing(dir.path()), before) << "the partial file is gone";
    EXPECT_EQ(ek_vor4_get_prop_count(h), 1u);
    ek_vor4_file_close(h);
}

// The edit script a child runs until it is killed: adds with overwrite, writes, deletes.
int edit_forever(const std::vector<std::wstring>& args) {
    std::mt19937 rng(static_cast<unsigned>(std::stoul(args[1])));
    ek::test::make_marker(args[2]);  // the kill's moment is counted from here, however slow the start
    std::vector<float> values(64 * 64);
    for (int round = 0;; ++round) {
        TekVor4* h = ek_vor4_file_open_w(args[0].c_str(), false);
        if (!h && !(h = make_document(fs::path(args[0]), 64, 64))) return 3;
        for (int op = 0; op < 8; ++op) {
            const std::wstring name = L"P" + std::to_wstring(rng() % 5);
            const int i = ek_vor4_get_index_by_name_w(h, name.c_str());
            const unsigned what = rng() % 3;
            TekVor4Property* p = what == 0 ? ek_vor4_prop_add_w(h, name.c_str(), 0, rng() % 5, true) : nullptr;
            if (p) ek_vor4_prop_write_64(p, 0, values.data(), 64 * 64, dtSingle, 1);
            if (what == 1 && i >= 0) ek_vor4_prop_delete(h, static_cast<unsigned>(i));
            if (what == 2) ek_vor4_set_x0(h, round);
        }
        ek_vor4_file_close(h);
    }
}

TEST_F(DocumentSafety, KilledAtAnyInstantTheDocumentStaysWhole) {
    std::mt19937 rng(20261205);
    int checked = 0;
    for (int kill = 0; kill < 200; ++kill) {
        const fs::path started = dir.path() / ("started" + std::to_string(kill));
        ek::test::Child child(&edit_forever, {wdoc, std::to_wstring(rng()), started.wstring()});
        ASSERT_TRUE(child.started() && ek::test::wait_for_marker(started));
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % 12000)), child.kill();
        SCOPED_TRACE("after kill " + std::to_string(kill));
        if (!fs::exists(doc)) continue;  // killed before the first save
        TekVor4* h = ek_vor4_file_open_w(wdoc.c_str(), false);
        ASSERT_NE(h, nullptr) << "the metadata always parses";
        const long long objects = ek_vor4_get_object_count_64(h);
        for (unsigned i = 0; i < ek_vor4_get_prop_count(h); ++i) {
            const fs::path file = dir.path() / ("doc." + std::string(ek_vor4_get_prop_name(h, i)) + ".property");
            const unsigned char type = ek_vor4_get_prop_data_type(h, i);
            ASSERT_TRUE(fs::exists(file)) << file;
            EXPECT_EQ(static_cast<long long>(fs::file_size(file)),
                      type == dtBitmask ? (objects + 7) / 8 : objects * ek_vor4_get_data_type_size(type)) << file;
        }
        // Now and then every name is added over whatever a crash left of it.
        for (int k = 0; kill % 20 == 0 && k < 5; ++k)
            EXPECT_NE(ek_vor4_prop_add_w(h, (L"P" + std::to_wstring(k)).c_str(), 0, dtByte, true), nullptr) << k;
        ek_vor4_file_close(h);
        fs::remove(started);
        for (const auto& e : fs::directory_iterator(dir.path()))
            EXPECT_NE(e.path().extension(), ".tmp") << "a save clears what crashed saves left: " << e.path();
        ++checked;
    }
    EXPECT_GT(checked, 150);
}

}  // namespace
