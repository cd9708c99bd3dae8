// Hostile and broken files: each load fails cleanly, nothing is expanded, nothing crashes.
#include <random>

#include "xml_test_support.h"

namespace ek::test {
namespace {

// Loads bytes into a document that already holds a tree; a refused file must leave it.
bool loads(const TempDir& dir, const std::string& bytes) {
    Doc doc = new_doc();
    Node(ek_xml_set_root_w(doc.get(), L"Before"));
    write_bytes(dir.path() / "h.xml", bytes);
    const bool ok = ek_xml_load_from_file_w(doc.get(), dir.file("h.xml").c_str());
    if (!ok) {
        Node root(ek_xml_get_root_w(doc.get(), L"Before"));
        EXPECT_TRUE(root) << "a refused file changed the tree";
    }
    return ok;
}

TEST(XmlHostile, EveryTruncationOfAFileIsRefused) {
    TempDir dir;
    const std::string whole =
        "<?xml version=\"1.0\" encoding=\"Windows-1251\"?>\n<TGrDoc a=\"1\"><V>1</V><P><Q/></P></TGrDoc>";
    ASSERT_TRUE(loads(dir, whole));
    for (size_t n = 0; n < whole.size(); ++n) EXPECT_FALSE(loads(dir, whole.substr(0, n))) << n;
}

TEST(XmlHostile, MalformedDocumentsAreRefused) {
    TempDir dir;
    const char* cases[] = {
        "",
        "   \n\t",
        "plain text",
        "<a></b>",
        "<a><b></a></b>",
        "<a b=1/>",
        "<a/><b/>",                 // two document elements
        "<a/>trailing text",
        "leading text<a/>",
        "<![CDATA[x]]><a/>",
        "<a>x<</a>",
        "<?xml version=\"1.0\"",   // declaration without end
    };
    for (const char* c : cases) EXPECT_FALSE(loads(dir, c)) << c;
}

TEST(XmlHostile, EncodingDeclarationsMustBeTrue) {
    TempDir dir;
    // Windows-1251 bytes under a UTF-8 declaration, and under none (UTF-8 by default).
    EXPECT_FALSE(loads(dir, "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>\xC3\xEB\xF3\xE1\xE8\xED\xE0</a>"));
    EXPECT_FALSE(loads(dir, "<a>\xC3\xEB\xF3</a>"));
    // A 16-bit encoding declared in an 8-bit file, an unknown encoding, a broken attribute.
    EXPECT_FALSE(loads(dir, "<?xml version=\"1.0\" encoding=\"UTF-16\"?><a/>"));
    EXPECT_FALSE(loads(dir, "<?xml version=\"1.0\" encoding=\"KOI8-R\"?><a/>"));
    EXPECT_FALSE(loads(dir, "<?xml version=\"1.0\" encoding=UTF-8?><a/>"));
    // Overlong and surrogate forms are not UTF-8.
    EXPECT_FALSE(loads(dir, "<a>\xC0\xBC</a>"));
    EXPECT_FALSE(loads(dir, "<a>\xED\xA0\x80</a>"));
    EXPECT_TRUE(loads(dir, "<?xml version=\"1.0\" encoding=\"Windows-1251\"?><a>\xC3\xEB\xF3</a>"));
}

TEST(XmlHostile, NoEntityIsEverExpanded) {
    TempDir dir;
    write_bytes(dir.path() / "secret.txt", "SECRET");
    std::string laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE lolz [\n<!ENTITY lol \"lol\">\n";
    for (int i = 1; i < 10; ++i) {
        laughs += "<!ENTITY lol" + std::to_string(i) + " \"";
        for (int k = 0; k < 10; ++k) laughs += "&lol" + (i == 1 ? std::string() : std::to_string(i - 1)) + ";";
        laughs += "\">\n";
    }
    laughs += "]>\n<lolz>&lol9;</lolz>";
    EXPECT_FALSE(loads(dir, laughs));
    const std::string secret_uri = "file://" + (dir.path() / "secret.txt").string();
    EXPECT_FALSE(loads(dir, "<!DOCTYPE a [<!ENTITY x SYSTEM \"" + secret_uri + "\">]><a>&x;</a>"));
    EXPECT_FALSE(loads(dir, "<!DOCTYPE a SYSTEM \"" + secret_uri + "\"><a/>"));
    EXPECT_FALSE(loads(dir, "<!DOCTYPE a [<!ENTITY % p SYSTEM \"" + secret_uri + "\"> %p;]><a/>"));

    // Without a document type a reference to an unknown entity stays plain text.
    Doc doc = load_text(dir, "<a><V>&x;&lt;</V></a>");
    ASSERT_TRUE(doc);
    Node root = root_of(doc.get());
    EXPECT_EQ(wstr_value(root.get(), L"V"), L"&x;<");
}

TEST(XmlHostile, BinaryGarbageIsRefused) {
    TempDir dir;
    std::mt19937 rng(12345);
    for (int round = 0; round < 50; ++round) {
        std::string bytes(1 + rng() % 4096, '\0');
        for (char& c : bytes) c = static_cast<char>(rng());
        static const char* const starts[] = {"", "<a>", "\xFF\xFE", "\xFE\xFF", "\xEF\xBB\xBF<a>"};
        bytes.insert(0, starts[round % 5]);  // garbage that starts like a document
        EXPECT_FALSE(loads(dir, bytes)) << round;
    }
    EXPECT_FALSE(loads(dir, std::string("<a>x\0y</a>", 10)));
    const std::string decl1251 = "<?xml version=\"1.0\" encoding=\"windows-1251\"?>";
    EXPECT_FALSE(loads(dir, decl1251 + std::string("<a>\xC0\0</a>", 7)));
    EXPECT_FALSE(loads(dir, decl1251 + std::string("<a>abcdefghijklmnop\0</a>", 24)));  // NUL amid plain text
    EXPECT_FALSE(loads(dir, std::string("<a>abcdefghijklmnop\0</a>", 24)));
    EXPECT_FALSE(loads(dir, "\xFF\xFE<\0a\0>\0"));  // UTF-16 cut short
}

TEST(XmlHostile, DamagedDocumentsLoadOrFailButNeverCrash) {
    TempDir dir;
    std::string good = "<?xml version=\"1.0\" encoding=\"Windows-1251\"?>\n<TGrDoc Mode=\"x\">\n";
    for (int i = 0; i < 20; ++i)
        good += "  <TGrDocProp><PropName>P" + std::to_string(i) +
                "</PropName><Caption>\xC3\xEB\xF3\xE1\xE8\xED\xE0 &amp; &#20013;</Caption><Min>-1.5e-3</Min></TGrDocProp>\n";
    good += "</TGrDoc>";
    ASSERT_TRUE(loads(dir, good));
    std::mt19937 rng(777);
    int loaded = 0;
    for (int round = 0; round < 300; ++round) {
        std::string bytes = good;
        for (int k = 1 + static_cast<int>(rng() % 4); k > 0; --k) bytes[rng() % bytes.size()] = static_cast<char>(rng());
        Doc doc = load_text(dir, bytes);
        if (!doc) continue;
        ++loaded;
        // Whatever was accepted reads and saves again.
        Node root = root_of(doc.get());
        ASSERT_TRUE(root);
        for (int i = 0;; ++i) {
            Node child(ek_xnode_get_node_by_no(root.get(), i));
            if (!child) break;
            (void)wstr_value(child.get(), L"Caption");
            (void)ek_xnode_get_node_dbl(child.get(), L"Min", 0);
        }
        ek_xml_set_encoding_w(doc.get(), L"Windows-1251");
        EXPECT_TRUE(ek_xml_save_to_file_w(doc.get(), dir.file("again.xml").c_str())) << round;
    }
    EXPECT_GT(loaded, 0);  // some damage (inside texts) leaves a well-formed document
}

TEST(XmlHostile, DeepNestingNeitherCrashesNorLoses) {
    TempDir dir;
    const int depth = 100000;
    std::string deep;
    for (int i = 0; i < depth; ++i) deep += "<n>";
    EXPECT_FALSE(loads(dir, deep));  // never closed
    for (int i = 0; i < depth; ++i) deep += "</n>";
    Doc doc = load_text(dir, deep);
    ASSERT_TRUE(doc);
    // Saving a deep tree works too and gives the same file back.
    ASSERT_TRUE(ek_xml_save_to_file_w(doc.get(), dir.file("deep.xml").c_str()));
    EXPECT_EQ(read_bytes(dir.path() / "deep.xml").substr(39),
              deep.substr(0, 3 * (depth - 1)) + "<n/>" + deep.substr(3 * depth + 4));
    Doc again = new_doc();
    EXPECT_TRUE(ek_xml_load_from_file_w(again.get(), dir.file("deep.xml").c_str()));
}

}  // namespace
}  // namespace ek::test
