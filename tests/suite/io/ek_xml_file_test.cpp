// Files: saving replaces the file atomically and reports every failure; loading refuses what
// it cannot read and then leaves the tree alone.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "xml_test_support.h"

namespace ek::test {
namespace {

namespace fs = std::filesystem;

Doc doc_with(int value, int extra_children = 0) {
    Doc doc = new_doc();
    Node root(ek_xml_set_root_w(doc.get(), L"TGrDoc"));
    EXPECT_TRUE(ek_xnode_add_node_int(root.get(), L"V", value));
    for (int i = 0; i < extra_children; ++i)
        EXPECT_TRUE(ek_xnode_add_node_wstr(root.get(), L"Filler", L"0123456789012345678901234567890123456789"));
    return doc;
}

int value_in(const std::wstring& path) {
    Doc doc = new_doc();
    if (!ek_xml_load_from_file_w(doc.get(), path.c_str())) return -1;
    Node root = root_of(doc.get());
    return ek_xnode_get_node_int(root.get(), L"V", -2);
}

// The folder holds only the named files: no temporary file was left behind.
void expect_only(const TempDir& dir, std::set<std::string> names) {
    std::set<std::string> found;
    for (const auto& e : fs::directory_iterator(dir.path())) found.insert(e.path().filename().string());
    EXPECT_EQ(found, names);
}

TEST(XmlFile, SaveReplacesTheFileAndLeavesNothingElse) {
    TempDir dir;
    const std::wstring path = dir.file("doc.xml");
    ASSERT_TRUE(ek_xml_save_to_file_w(doc_with(1).get(), path.c_str()));
    EXPECT_EQ(value_in(path), 1);
    ASSERT_EQ(::chmod((dir.path() / "doc.xml").c_str(), 0640), 0);
    ASSERT_TRUE(ek_xml_save_to_file_w(doc_with(2).get(), path.c_str()));
    EXPECT_EQ(value_in(path), 2);
    struct stat st;
    ASSERT_EQ(::stat((dir.path() / "doc.xml").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);  // the replacement keeps the rights of the old file
    expect_only(dir, {"doc.xml"});
}

TEST(XmlFile, PathsTakeEitherSeparatorAndAnyCharacters) {
    TempDir dir;
    fs::create_directory(dir.path() / "Папка");
    const std::wstring path = dir.path().wstring() + L"\\Папка\\файл.xml";
    ASSERT_TRUE(ek_xml_save_to_file_w(doc_with(5).get(), path.c_str()));
    EXPECT_TRUE(fs::exists(dir.path() / "Папка" / "файл.xml"));
    EXPECT_EQ(value_in(path), 5);
}

TEST(XmlFile, SavingThroughALinkReplacesTheLinkedFile) {
    TempDir dir;
    ASSERT_TRUE(ek_xml_save_to_file_w(doc_with(1).get(), dir.file("real.xml").c_str()));
    fs::create_symlink(dir.path() / "real.xml", dir.path() / "link.xml");
    ASSERT_TRUE(ek_xml_save_to_file_w(doc_with(2).get(), dir.file("link.xml").c_str()));
    EXPECT_TRUE(fs::is_symlink(dir.path() / "link.xml"));
    EXPECT_EQ(value_in(dir.file("real.xml")), 2);
}

TEST(XmlFile, UnwritablePlacesReportFalse) {
    TempDir dir;
    write_bytes(dir.path() / "plain", "not a folder");
    Doc doc = doc_with(1);
    // Root may write anywhere, but not below a regular file.
    EXPECT_FALSE(ek_xml_save_to_file_w(doc.get(), dir.file("plain/doc.xml").c_str()));
    EXPECT_FALSE(ek_xml_save_to_file_w(doc.get(), dir.file("missing/doc.xml").c_str()));
    fs::create_directory(dir.path() / "folder");
    EXPECT_FALSE(ek_xml_save_to_file_w(doc.get(), dir.file("folder").c_str()));
    EXPECT_TRUE(fs::is_directory(dir.path() / "folder"));
    EXPECT_FALSE(ek_xml_save_to_file_w(doc.get(), (dir.path().wstring() + L"/").c_str()));
    EXPECT_FALSE(ek_xml_save_to_file_w(doc.get(), L""));
    EXPECT_FALSE(ek_xml_save_to_file_w(new_doc().get(), dir.file("empty.xml").c_str()));  // no root
    expect_only(dir, {"plain", "folder"});
}

TEST(XmlFile, AFailedWriteKeepsThePreviousFile) {
    TempDir dir;
    const std::wstring path = dir.file("doc.xml");
    ASSERT_TRUE(ek_xml_save_to_file_w(doc_with(1).get(), path.c_str()));
    const std::string before = read_bytes(dir.path() / "doc.xml");

    // A file size limit makes the write of a large document fail half-way, as a full disk would.
    Doc big = doc_with(2, 2000);
    struct rlimit old;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto old_handler = ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = ek_xml_save_to_file_w(big.get(), path.c_str());
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::signal(SIGXFSZ, old_handler);

    EXPECT_FALSE(saved);
    EXPECT_EQ(read_bytes(dir.path() / "doc.xml"), before);
    expect_only(dir, {"doc.xml"});
    EXPECT_TRUE(ek_xml_save_to_file_w(big.get(), path.c_str()));
    EXPECT_EQ(value_in(path), 2);
    Doc again = new_doc();
    ASSERT_TRUE(ek_xml_load_from_file_w(again.get(), path.c_str()));
    Node root = root_of(again.get());
    Node last(ek_xnode_get_node_by_no(root.get(), 2000));
    EXPECT_EQ(node_name(last.get()), L"Filler");
    EXPECT_EQ(wstr_value(root.get(), L"Filler"), L"0123456789012345678901234567890123456789");
    EXPECT_EQ(ek_xnode_get_node_by_no(root.get(), 2001), nullptr);
}

TEST(XmlFile, AnUnwritableNameLateInALargeFileKeepsThePreviousFile) {
    TempDir dir;
    const std::wstring path = dir.file("doc.xml");
    ASSERT_TRUE(ek_xml_save_to_file_w(doc_with(1).get(), path.c_str()));
    const std::string before = read_bytes(dir.path() / "doc.xml");
    Doc big = doc_with(2, 5000);  // well past the first pieces handed to the file
    Node root = root_of(big.get());
    ASSERT_TRUE(ek_xnode_add_node_int(root.get(), L"名", 1));
    ek_xml_set_encoding_w(big.get(), L"Windows-1251");
    EXPECT_FALSE(ek_xml_save_to_file_w(big.get(), path.c_str()));
    EXPECT_EQ(read_bytes(dir.path() / "doc.xml"), before);
    expect_only(dir, {"doc.xml"});
}

TEST(XmlFile, AFailedLoadLeavesTheTree) {
    TempDir dir;
    Doc doc = doc_with(7);
    write_bytes(dir.path() / "broken.xml", "<TGrDoc><V>8</V>");
    fs::create_directory(dir.path() / "folder");
    ASSERT_EQ(::mkfifo((dir.path() / "fifo").c_str(), 0600), 0);  // must not wait for a writer
    for (const char* name : {"missing.xml", "broken.xml", "folder", "fifo"}) {
        EXPECT_FALSE(ek_xml_load_from_file_w(doc.get(), dir.file(name).c_str())) << name;
        Node root = root_of(doc.get());
        EXPECT_EQ(ek_xnode_get_node_int(root.get(), L"V", -1), 7) << name;
    }
    EXPECT_FALSE(ek_xml_load_from_file_w(doc.get(), L""));
}

TEST(XmlFile, LoadingReplacesTheTree) {
    TempDir dir;
    ASSERT_TRUE(ek_xml_save_to_file_w(doc_with(3).get(), dir.file("a.xml").c_str()));
    Doc doc = doc_with(9, 3);
    ASSERT_TRUE(ek_xml_load_from_file_w(doc.get(), dir.file("a.xml").c_str()));
    Node root = root_of(doc.get());
    EXPECT_EQ(ek_xnode_get_node_int(root.get(), L"V", -1), 3);
    EXPECT_EQ(ek_xnode_get_node_by_no(root.get(), 1), nullptr);
}

}  // namespace
}  // namespace ek::test
