// Files: the bytes a save writes in each encoding, what a load reads from files written by hand,
// atomic replacement with every failure reported, and hostile files refused without a crash.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include "xml_test_support.h"

namespace ek::test {
namespace {

namespace sfs = std::filesystem;
const std::string k_decl_1251 = "<?xml version=\"1.0\" encoding=\"Windows-1251\"?>";
const std::string k_decl_utf8 = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

Doc doc_with(const std::wstring& caption, int fillers = 0) {
    Doc doc = new_doc();
    Node root(ek_xml_set_root_w(doc.get(), L"TGrDoc"));
    EXPECT_TRUE(ek_xnode_add_node_wstr(root.get(), L"Caption", caption.c_str()));
    for (int i = 0; i < fillers; ++i) EXPECT_TRUE(ek_xnode_add_node_wstr(root.get(), L"Filler", std::wstring(40, L'0').c_str()));
    return doc;
}

std::wstring caption_of(const Doc& doc) { return doc ? wstr_value(root_of(doc.get()).get(), L"Caption") : L"<refused>"; }

// Windows-1251 holds Cyrillic as bytes and the rest as references; UTF-8 is the default; encoding
// names this library cannot write are ignored; indentation adds lines but no text.
TEST(XmlFile, WhatASaveWrites) {
    TempDir dir;
    const std::wstring path = dir.file("a.xml");
    Doc doc = doc_with(L"Глубина ä 中 \U0001F600 €");
    ASSERT_TRUE(ek_xml_save_to_file_w(doc.get(), path.c_str()));
    EXPECT_EQ(read_text(path), k_decl_utf8 + "<TGrDoc><Caption>\xD0\x93\xD0\xBB\xD1\x83\xD0\xB1\xD0\xB8\xD0\xBD\xD0\xB0 \xC3\xA4 "
                                             "\xE4\xB8\xAD \xF0\x9F\x98\x80 \xE2\x82\xAC</Caption></TGrDoc>");
    ek_xml_set_encoding_w(doc.get(), L"cp1251"), ek_xml_set_encoding_w(doc.get(), L"KOI8-R");
    ek_xml_set_encoding_w(doc.get(), nullptr), ek_xml_set_encoding_w(doc.get(), L"utf\u012D8");  // no name holds non-ASCII
    ASSERT_TRUE(ek_xnode_add_node_int(root_of(doc.get()).get(), L"Ключ", 3));
    ASSERT_TRUE(ek_xml_save_to_file_w(doc.get(), path.c_str()));
    EXPECT_EQ(read_text(path), k_decl_1251 + "\n<TGrDoc><Caption>\xC3\xEB\xF3\xE1\xE8\xED\xE0 &#228; &#20013; &#128512; \x88</Caption>"
                                             "<\xCA\xEB\xFE\xF7>3</\xCA\xEB\xFE\xF7></TGrDoc>");
    EXPECT_EQ(caption_of(load_file(path)), L"Глубина ä 中 \U0001F600 €");  // a load follows the file's own declaration

    doc = new_doc();
    Node root(ek_xml_set_root_w(doc.get(), L"TGrDoc")), props(ek_xnode_set_node_w(root.get(), L"Properties"));
    ASSERT_TRUE(ek_xnode_add_node_wstr(root.get(), L"T", L"  a  "));
    ASSERT_TRUE(ek_xnode_add_node_int(Node(ek_xnode_set_node_w(props.get(), L"TGrDocProp")).get(), L"N", 1));
    Node(ek_xnode_set_node_w(props.get(), L"Empty")), ek_xml_set_whitespaces(doc.get(), true);
    ASSERT_TRUE(ek_xml_save_to_file_w(doc.get(), path.c_str()));
    EXPECT_EQ(read_text(path), k_decl_utf8 + "<TGrDoc>\n  <Properties>\n    <TGrDocProp>\n      <N>1</N>\n    </TGrDocProp>\n"
                                             "    <Empty/>\n  </Properties>\n  <T>  a  </T>\n</TGrDoc>\n");
    EXPECT_EQ(wstr_value(root_of(load_file(path).get()).get(), L"T"), L"  a  ");
}

std::string utf16(const std::wstring& text, bool big_endian) {
    std::string out = big_endian ? "\xFE\xFF" : "\xFF\xFE";
    for (wchar_t w : text) out += big_endian ? std::string{char(w >> 8), char(w & 0xFF)} : std::string{char(w & 0xFF), char(w >> 8)};
    return out;
}

TEST(XmlFile, HandWrittenFilesInEachKnownEncodingLoad) {
    TempDir dir;
    const std::wstring body = L"<TGrDoc><Caption>Глубина ä</Caption></TGrDoc>";
    const struct { const char* label; std::string bytes; std::wstring expect; } files[] = {
        {"utf8", "<TGrDoc><Caption>\xD0\x93\xD0\xBB\xD1\x83\xD0\xB1\xD0\xB8\xD0\xBD\xD0\xB0 \xC3\xA4</Caption></TGrDoc>", L"Глубина ä"},
        {"utf8 with mark", "\xEF\xBB\xBF<?xml version='1.0' encoding='utf-8'?><TGrDoc><Caption>\xC3\xA4</Caption></TGrDoc>", L"ä"},
        {"windows-1251", k_decl_1251 + "\n<TGrDoc><Caption>\xC3\xEB\xF3\xE1\xE8\xED\xE0 &#228;</Caption></TGrDoc>", L"Глубина ä"},
        {"iso-8859-1", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?><TGrDoc><Caption>\xE4\xFF</Caption></TGrDoc>", L"äÿ"},
        {"utf16 le", utf16(L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + body, false), L"Глубина ä"},
        {"utf16 be", utf16(body, true), L"Глубина ä"},
    };
    for (const auto& f : files) EXPECT_EQ(caption_of(load_text(dir, f.bytes)), f.expect) << f.label;
    // Single-byte letters after runs of every length around the converter's eight-byte steps, and files
    // made almost only of letters that take two and three bytes in UTF-8, past any spare room.
    for (size_t lead = 0; lead < 20; ++lead) {
        const std::string a(lead, 'a');
        EXPECT_EQ(caption_of(load_text(dir, k_decl_1251 + "<TGrDoc><Caption>" + a + "\xDF" + a + "\xB8\xA8</Caption></TGrDoc>")),
                  std::wstring(lead, L'a') + L"Я" + std::wstring(lead, L'a') + L"ёЁ") << lead;
    }
    for (size_t count : {0u, 1u, 50u, 100u, 110u, 115u, 120u, 200u, 5000u}) {
        for (const auto& [byte, letter] : {std::pair<char, wchar_t>{'\xDF', L'Я'}, {'\x85', L'…'}}) {
            Doc doc = load_text(dir, k_decl_1251 + "<TGrDoc><Caption>" + std::string(count, byte) + "</Caption><Tail>ok</Tail></TGrDoc>");
            EXPECT_EQ(caption_of(doc), std::wstring(count, letter)) << count;
            EXPECT_EQ(doc ? wstr_value(root_of(doc.get()).get(), L"Tail") : L"", L"ok") << count;
        }
    }
}

// Saving writes a temporary file beside the target and renames it over it: through a link, into the
// linked file; with the rights of the old file; and a failure leaves the old file and no scraps.
TEST(XmlFile, SavingReplacesTheFileAtomically) {
    TempDir dir;
    const std::wstring path = dir.file("doc.xml");
    ASSERT_TRUE(ek_xml_save_to_file_w(doc_with(L"1").get(), path.c_str()));
    ASSERT_EQ(::chmod((dir.path() / "doc.xml").c_str(), 0640), 0);
    sfs::create_symlink(dir.path() / "doc.xml", dir.path() / "link.xml");
    ASSERT_TRUE(ek_xml_save_to_file_w(doc_with(L"2").get(), dir.file("link.xml").c_str()));
    EXPECT_TRUE(sfs::is_symlink(dir.path() / "link.xml") && caption_of(load_file(path)) == L"2");
    EXPECT_EQ(sfs::status(dir.path() / "doc.xml").permissions(), sfs::perms(0640));
    sfs::remove(dir.path() / "link.xml");
    const std::string before = read_text(path);

    // A file size limit makes the write of a large document fail half-way, as a full disk would.
    Doc big = doc_with(L"3", 2000);
    struct rlimit old, small;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto old_handler = ::signal(SIGXFSZ, SIG_IGN);
    small = old, small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = ek_xml_save_to_file_w(big.get(), path.c_str());
    ::setrlimit(RLIMIT_FSIZE, &old), ::signal(SIGXFSZ, old_handler);
    EXPECT_FALSE(saved);
    write_text(dir.path() / "plain", "not a folder");  // places that cannot be written
    sfs::create_directory(dir.path() / "folder");
    for (const std::wstring& bad : {dir.file("plain/doc.xml"), dir.file("missing/doc.xml"), dir.file("folder"),
                                    dir.path().wstring() + L"/", std::wstring()})
        EXPECT_FALSE(ek_xml_save_to_file_w(big.get(), bad.c_str())) << testing::PrintToString(bad);
    EXPECT_FALSE(ek_xml_save_to_file_w(new_doc().get(), dir.file("empty.xml").c_str()));  // no root
    EXPECT_EQ(tree_text(dir.path()), "doc.xml=" + before + " folder/ plain=not a folder");

    EXPECT_TRUE(ek_xml_save_to_file_w(big.get(), (dir.path().wstring() + L"\\doc.xml").c_str()));  // either separator
    Doc again = load_file(path);
    EXPECT_EQ(caption_of(again), L"3");
    EXPECT_EQ(node_name(Node(ek_xnode_get_node_by_no(root_of(again.get()).get(), 2000)).get()), L"Filler");
    EXPECT_EQ(ek_xnode_get_node_by_no(root_of(again.get()).get(), 2001), nullptr);
}

// Loads bytes into a document that holds a tree already: a refused file must leave it, an accepted
// one replaces it. Missing, folder and FIFO (which must not wait for a writer) are no files to load.
TEST(XmlFile, HostileAndBrokenFilesAreRefusedCleanly) {
    TempDir dir;
    sfs::create_directory(dir.path() / "folder");
    ASSERT_EQ(::mkfifo((dir.path() / "fifo").c_str(), 0600), 0);
    auto loads = [&](const std::string& bytes, const std::string& file = "h.xml") {
        Doc doc = doc_with(L"before", 2);
        if (file == "h.xml") write_text(dir.path() / file, bytes);
        const bool ok = ek_xml_load_from_file_w(doc.get(), file.empty() ? L"" : dir.file(file).c_str());
        EXPECT_EQ(caption_of(doc) == L"before", !ok) << "the tree after a load that answered " << ok;
        return ok;
    };
    for (const char* bad : {"missing.xml", "folder", "fifo", ""}) EXPECT_FALSE(loads("", bad)) << bad;
    const std::string whole = k_decl_1251 + "\n<TGrDoc a=\"1\"><V>1</V><P><Q/></P></TGrDoc>";
    EXPECT_TRUE(loads(whole));
    for (size_t n = 0; n < whole.size(); ++n) EXPECT_FALSE(loads(whole.substr(0, n))) << n;  // every truncation
    write_text(dir.path() / "secret.txt", "SECRET");
    const std::string secret = "file://" + (dir.path() / "secret.txt").string();
    const std::string refused[] = {
        "   \n\t", "plain text", "<a></b>", "<a><b></a></b>", "<a b=1/>", "<a/><b/>", "<a/>trailing text",
        "leading text<a/>", "<![CDATA[x]]><a/>", "<a>x<</a>",
        // Declarations must be true: Windows-1251 bytes as UTF-8, 16 bits in an 8-bit file, unknown names.
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>\xC3\xEB\xF3\xE1\xE8\xED\xE0</a>", "<a>\xC3\xEB\xF3</a>",
        "<?xml version=\"1.0\" encoding=\"UTF-16\"?><a/>", "<?xml version=\"1.0\" encoding=\"KOI8-R\"?><a/>",
        "<?xml version=\"1.0\" encoding=UTF-8?><a/>", "<a>\xC0\xBC</a>", "<a>\xED\xA0\x80</a>",  // overlong, surrogate
        // No entity is ever expanded.
        "<!DOCTYPE a [<!ENTITY b \"x\"><!ENTITY c \"&b;&b;&b;\">]><a>&c;</a>", "<!DOCTYPE a SYSTEM \"" + secret + "\"><a/>",
        "<!DOCTYPE a [<!ENTITY x SYSTEM \"" + secret + "\">]><a>&x;</a>", "<!DOCTYPE a [<!ENTITY % p SYSTEM \"" + secret + "\"> %p;]><a/>",
        // NUL bytes, UTF-16 cut short.
        std::string("<a>x\0y</a>", 10), k_decl_1251 + std::string("<a>\xC0\0</a>", 7),
        k_decl_1251 + std::string("<a>abcdefghijklmnop\0</a>", 24), std::string("<a>abcdefghijklmnop\0</a>", 24),
        std::string("\xFF\xFE<\0a\0>\0", 8),
    };
    for (const std::string& bytes : refused) EXPECT_FALSE(loads(bytes)) << ::testing::PrintToString(bytes);
    EXPECT_EQ(wstr_value(root_of(load_text(dir, "<a><V>&x;&lt;</V></a>").get()).get(), L"V"), L"&x;<");  // no type: text

    // Deep nesting neither crashes nor loses: the same file comes back.
    const int depth = 100000;
    std::string deep;
    for (int i = 0; i < depth; ++i) deep += "<n>";
    EXPECT_FALSE(loads(deep));  // never closed
    for (int i = 0; i < depth; ++i) deep += "</n>";
    Doc doc = load_text(dir, deep);
    ASSERT_TRUE(doc && ek_xml_save_to_file_w(doc.get(), dir.file("deep.xml").c_str()));
    EXPECT_EQ(read_text(dir.path() / "deep.xml").substr(39), deep.substr(0, 3 * (depth - 1)) + "<n/>" + deep.substr(3 * depth + 4));
    EXPECT_TRUE(load_file(dir.file("deep.xml")));
}

}  // namespace
}  // namespace ek::test
