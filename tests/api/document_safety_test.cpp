// A document against hostile names, write-protected files, other processes and crashes: what the
// metadata names must always exist whole, and nothing outside the document's folder is touched.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ekx_file_vor4.h"
#include "filesystem/fileio.h"
#include "filesystem/fileio_os.h"
#include "support/child_process.h"
#include "support/temp_dir.h"
#include "vor4/TekVor4Impl.h"
#include "vor4/vor_vocabulary.h"

namespace fs = std::filesystem;

namespace {

constexpr unsigned char gt2D = 3, dtSingle = 0, dtByte = 1, dtBitmask = 3, dtDouble = 4;

std::set<std::string> listing(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(folder)) names.insert(e.path().string());
    return names;
}

std::string bytes_of(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_text(const fs::path& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }

// A 2D document of nx × ny cells with one single property "A".
TekVor4* make_document(const fs::path& path, unsigned nx = 8, unsigned ny = 4) {
    TekVor4* doc = ek_vor4_file_create_w(path.wstring().c_str());
    ek_vor4_set_grid_type(doc, gt2D);
    const unsigned dims[3] = {nx, ny, 1};
    ek_vor4_set_dimensions(doc, dims);
    ek_vor4_prop_add_w(doc, L"A", 0, dtSingle, false);
    return doc;
}

bool wait_for(const fs::path& marker) {
    for (int i = 0; i < 5000 && !fs::exists(marker); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return fs::exists(marker);
}

class DocumentSafety : public ::testing::Test {
protected:
    fs::path doc() const { return dir.path() / "doc.xml"; }
    ek::test::TempDir dir;
};

TEST_F(DocumentSafety, NamesThatLeaveTheFolderAreRefusedAndNothingIsCreated) {
    fs::create_directories(dir.path() / "sub");
    TekVor4* h = make_document(doc());
    const auto before = listing(dir.path());
    const std::wstring names[] = {L"sub/../../escaped", L"..\\up", L"a/b", L"../other/doc.A"};
    for (const std::wstring& name : names) {
        SCOPED_TRACE(fs::path(name).string());
        EXPECT_EQ(ek_vor4_prop_add_w(h, name.c_str(), 0, dtSingle, true), nullptr);
        EXPECT_EQ(ek_vor4_prop_add(h, fs::path(name).string().c_str(), 0, dtSingle, true), nullptr);
        EXPECT_EQ(ek_vor4_get_prop_count(h), 1u);
    }
    ek_vor4_file_close(h);
    EXPECT_EQ(listing(dir.path()), before);
    EXPECT_FALSE(ek::vor::safe_property_name(std::wstring(L"nul\0inside", 11))) << "no C caller can pass it; a file can";
    EXPECT_EQ(ek::vor::data_file_path(L"/d/doc.xml", L"x/y"), L"");
    EXPECT_EQ(ek::vor::data_file_path(L"/d.v/doc", L"A"), L"/d.A.property") << "the folder rule stays";
    EXPECT_FALSE(fs::exists(dir.path().parent_path() / "escaped.property"));
}

TEST_F(DocumentSafety, AReceivedNameLeadingOutsideNeverReachesTheOtherFile) {
    // Another document's data file, and a received document naming it by a relative path.
    fs::create_directories(dir.path() / "other");
    const fs::path victim = dir.path() / "other" / "doc.A.property";
    write_text(victim, std::string(16, '\x11'));
    fs::create_directories(dir.path() / "in");
    const fs::path received = dir.path() / "in" / "doc.xml";
    write_text(received,
               "<TGrDoc><GridType>gt1D</GridType><ObjCount>4</ObjCount><Properties>"
               "<TGrDocProp><PropName>../other/doc.A</PropName><DataType>dtSingle</DataType></TGrDocProp>"
               "</Properties></TGrDoc>");

    TekVor4* h = ek_vor4_file_open_w(received.wstring().c_str(), false);
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(ek_vor4_get_prop_count(h), 1u) << "the entry stays listed";
    TekVor4Property* p = ek_vor4_prop_open(h, 0);
    float values[4] = {1, 2, 3, 4};
    EXPECT_EQ(ek_vor4_prop_read_64(p, 0, 4, values, 4, dtSingle, 1), 2);
    EXPECT_EQ(ek_vor4_prop_write_64(p, 0, values, 4, dtSingle, 1), 2);
    EXPECT_FALSE(ek_vor4_prop_file_exists(h, 0));
    ek_vor4_file_close(h);
    EXPECT_TRUE(ek_vor4_delete_files(received.wstring().c_str()));
    EXPECT_EQ(bytes_of(victim), std::string(16, '\x11'));
}

TEST_F(DocumentSafety, WriteProtectedFilesAreNeitherReplacedNorRemoved) {
    ek_vor4_file_close(make_document(doc()));
    const fs::path data = dir.path() / "doc.A.property";
    const std::string metaBytes = bytes_of(doc()), dataBytes = bytes_of(data);
    for (const fs::path& f : {doc(), data}) fs::permissions(f, fs::perms::owner_read | fs::perms::group_read);
    const fs::path source = dir.path() / "src.xml";
    ek_vor4_file_close(make_document(source, 2, 2));

    EXPECT_EQ(ek_vor4_file_open_w(doc().wstring().c_str(), false), nullptr) << "no writer on a read-only file";
    TekVor4* reader = ek_vor4_file_open_w(doc().wstring().c_str(), true);
    EXPECT_NE(reader, nullptr);
    ek_vor4_file_close(reader);
    EXPECT_FALSE(ek_vor4_copy_files(source.wstring().c_str(), doc().wstring().c_str(), true));
    EXPECT_FALSE(ek_vor4_delete_files(doc().wstring().c_str()));
    EXPECT_EQ(bytes_of(doc()), metaBytes);
    EXPECT_EQ(bytes_of(data), dataBytes);

    // A writer whose file becomes read-only under it reports the failed save and leaves the file.
    fs::permissions(doc(), fs::perms::owner_read | fs::perms::owner_write);
    TekVor4Impl writer;
    ASSERT_TRUE(writer.open(doc().wstring(), false));
    EXPECT_EQ(writer.getProperty(0)->write_data(0, "\0\0\0\0", 1, dtSingle, 1), 2) << "its data file is read-only";
    fs::permissions(doc(), fs::perms::owner_read);
    writer.setX0(5.0);
    EXPECT_FALSE(writer.save());
    EXPECT_EQ(bytes_of(doc()), metaBytes);
}

int hold_writer(const std::vector<std::wstring>& args) {
    TekVor4* h = ek_vor4_file_open_w(args[0].c_str(), false);
    if (!h) return 3;
    std::ofstream(fs::path(args[1])) << "ready";
    wait_for(fs::path(args[2]));
    ek_vor4_prop_add_w(h, L"FromChild", 0, dtByte, false);
    ek_vor4_file_close(h);
    return 0;
}

TEST_F(DocumentSafety, OneWriterAcrossProcessesReadersStillOpen) {
    ek_vor4_file_close(make_document(doc()));
    const fs::path ready = dir.path() / "ready", done = dir.path() / "done";
    ek::test::Child child(&hold_writer, {doc().wstring(), ready.wstring(), done.wstring()});
    ASSERT_TRUE(wait_for(ready));

    EXPECT_EQ(ek_vor4_file_open_w(doc().wstring().c_str(), false), nullptr) << "a second writer is refused";
    EXPECT_FALSE(ek_vor4_delete_files(doc().wstring().c_str()));
    TekVor4* reader = ek_vor4_file_open_w(doc().wstring().c_str(), true);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(ek_vor4_get_prop_count(reader), 1u);
    ek_vor4_file_close(reader);

    write_text(done, "done");
    EXPECT_EQ(child.wait(), 0);
    TekVor4* writer = ek_vor4_file_open_w(doc().wstring().c_str(), false);
    ASSERT_NE(writer, nullptr) << "the claim ends with its process's document";
    EXPECT_GE(ek_vor4_get_index_by_name_w(writer, L"FromChild"), 0) << "the child's change is kept";
    ek_vor4_file_close(writer);
}

TEST_F(DocumentSafety, SavesRemoveOnlyTheirOwnAbandonedTemps) {
    TekVor4* h = make_document(doc());
    const fs::path stale[] = {dir.path() / ".doc.xml.1f-2.tmp", dir.path() / "..doc.xml.3-4.tmp.5_6_7.tmp"};
    const fs::path kept[] = {dir.path() / ".other.xml.1-1.tmp", dir.path() / "doc.xml.1-1.tmp",
                             dir.path() / ".doc.xml.9-9.tmp.bak"};
    for (const auto& f : stale) write_text(f, "x");
    for (const auto& f : kept) write_text(f, "x");
    const fs::path busy = dir.path() / ".doc.xml.77-1.tmp";
    write_text(busy, "x");
    ek::fileio holder;  // a save in progress holds its temp
    ASSERT_TRUE(holder.open(busy.wstring(), L"rb+"));

    ASSERT_NE(ek_vor4_prop_add_w(h, L"B", 0, dtByte, false), nullptr);  // saves
    for (const auto& f : stale) EXPECT_FALSE(fs::exists(f)) << f;
    for (const auto& f : kept) EXPECT_TRUE(fs::exists(f)) << f;
    EXPECT_TRUE(fs::exists(busy));
    ek_vor4_file_close(h);
}

// A disk that fills up after `room` more bytes.
long long g_room = 0;
int64_t filling_write(ek::detail::os_handle fd, const void* data, size_t n, uint64_t offset) {
    if (g_room <= 0) {
        errno = ENOSPC;
        return -1;
    }
    const size_t piece = n < size_t(g_room) ? n : size_t(g_room);
    g_room -= static_cast<long long>(piece);
    return ek::detail::system_write(fd, data, piece, offset);
}

TEST_F(DocumentSafety, AFailedCreationLeavesNoPartialDataFile) {
    TekVor4* h = make_document(doc(), 1024, 1024);
    const auto before = listing(dir.path());
    const auto saved = ek::detail::fileio_os_write;
    g_room = 1 << 20;
    ek::detail::fileio_os_write = &filling_write;
    TekVor4Property* p = ek_vor4_prop_add_w(h, L"Big", 0, dtDouble, false);
    ek::detail::fileio_os_write = saved;
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(listing(dir.path()), before) << "the partial file is gone";
    EXPECT_EQ(ek_vor4_get_prop_count(h), 1u);
    ek_vor4_file_close(h);
}

// The edit script a child runs until it is killed: adds with overwrite, writes, deletes.
int edit_forever(const std::vector<std::wstring>& args) {
    std::mt19937 rng(static_cast<unsigned>(std::stoul(args[1])));
    std::vector<float> values(64 * 64);
    for (int round = 0;; ++round) {
        TekVor4* h = ek_vor4_file_open_w(args[0].c_str(), false);
        if (!h) h = make_document(fs::path(args[0]), 64, 64);
        if (!h) return 3;
        for (int op = 0; op < 8; ++op) {
            const std::wstring name = L"P" + std::to_wstring(rng() % 5);
            switch (rng() % 3) {
                case 0: {
                    const unsigned char type = static_cast<unsigned char>(rng() % 5);
                    if (TekVor4Property* p = ek_vor4_prop_add_w(h, name.c_str(), 0, type, true))
                        ek_vor4_prop_write_64(p, 0, values.data(), 64 * 64, dtSingle, 1);
                    break;
                }
                case 1: {
                    const int i = ek_vor4_get_index_by_name_w(h, name.c_str());
                    if (i >= 0) ek_vor4_prop_delete(h, static_cast<unsigned>(i));
                    break;
                }
                default: ek_vor4_set_x0(h, round); break;
            }
        }
        ek_vor4_file_close(h);
    }
}

long long expected_bytes(unsigned char type, long long objects) {
    return type == dtBitmask ? (objects + 7) / 8 : objects * ek_vor4_get_data_type_size(type);
}

TEST_F(DocumentSafety, KilledAtAnyInstantTheDocumentStaysWhole) {
    std::mt19937 rng(20261205);
    int checked = 0;
    for (int kill = 0; kill < 200; ++kill) {
        {
            ek::test::Child child(&edit_forever, {doc().wstring(), std::to_wstring(rng())});
            ASSERT_TRUE(child.started());
            std::this_thread::sleep_for(std::chrono::microseconds(rng() % 12000));
            child.kill();
        }
        SCOPED_TRACE("after kill " + std::to_string(kill));
        if (!fs::exists(doc())) continue;  // killed before the first save
        TekVor4* h = ek_vor4_file_open_w(doc().wstring().c_str(), false);
        ASSERT_NE(h, nullptr) << "the metadata always parses";
        for (unsigned i = 0; i < ek_vor4_get_prop_count(h); ++i) {
            const fs::path data = dir.path() / ("doc." + std::string(ek_vor4_get_prop_name(h, i)) + ".property");
            ASSERT_TRUE(fs::exists(data)) << data;
            EXPECT_EQ(static_cast<long long>(fs::file_size(data)),
                      expected_bytes(ek_vor4_get_prop_data_type(h, i), ek_vor4_get_object_count_64(h)))
                << data;
        }
        // Now and then every name is added over whatever a crash left of it.
        for (int k = 0; kill % 20 == 0 && k < 5; ++k) {
            const std::wstring name = L"P" + std::to_wstring(k);
            EXPECT_NE(ek_vor4_prop_add_w(h, name.c_str(), 0, dtByte, true), nullptr) << k;
        }
        ek_vor4_file_close(h);
        for (const auto& e : fs::directory_iterator(dir.path()))
            EXPECT_NE(e.path().extension(), ".tmp") << "a save clears what crashed saves left: " << e.path();
        ++checked;
    }
    EXPECT_GT(checked, 150);
}

}  // namespace
