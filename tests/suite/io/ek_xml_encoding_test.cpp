// Encodings of files: what a save writes in each encoding, and what a load reads from files
// written by hand in the encodings it knows.
#include "xml_test_support.h"

namespace ek::test {
namespace {

std::string utf16(const std::wstring& text, bool big_endian) {
    std::string out = big_endian ? "\xFE\xFF" : "\xFF\xFE";
    for (wchar_t w : text) {
        const auto c = static_cast<unsigned>(w);
        const char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
        out += big_endian ? std::string{hi, lo} : std::string{lo, hi};
    }
    return out;
}

Doc doc_with_caption(const std::wstring& caption) {
    Doc doc = new_doc();
    Node root(ek_xml_set_root_w(doc.get(), L"TGrDoc"));
    EXPECT_TRUE(ek_xnode_add_node_wstr(root.get(), L"Caption", caption.c_str()));
    return doc;
}

std::wstring caption_of(Tek_xml_doc* doc) {
    Node root = root_of(doc);
    return wstr_value(root.get(), L"Caption");
}

TEST(XmlEncoding, Windows1251FilesHoldCyrillicAsBytesAndTheRestAsReferences) {
    TempDir dir;
    const std::wstring caption = L"Глубина ä 中 \U0001F600 €";
    Doc doc = doc_with_caption(caption);
    ek_xml_set_encoding_w(doc.get(), L"Windows-1251");
    ASSERT_TRUE(ek_xml_save_to_file_w(doc.get(), dir.file("a.xml").c_str()));
    const std::string bytes = read_bytes(dir.path() / "a.xml");
    EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\" encoding=\"Windows-1251\"?>", 0), 0u);
    EXPECT_NE(bytes.find("<Caption>\xC3\xEB\xF3\xE1\xE8\xED\xE0 &#228; &#20013; &#128512; \x88</Caption>"),
              std::string::npos);
    Doc again = new_doc();  // loading ignores the handle's encoding: the file declares its own
    ASSERT_TRUE(ek_xml_load_from_file_w(again.get(), dir.file("a.xml").c_str()));
    EXPECT_EQ(caption_of(again.get()), caption);
}

TEST(XmlEncoding, Utf8IsTheDefaultAndUnknownNamesChangeNothing) {
    TempDir dir;
    Doc doc = doc_with_caption(L"Глубина 中");
    ASSERT_TRUE(ek_xml_save_to_file_w(doc.get(), dir.file("u.xml").c_str()));
    std::string bytes = read_bytes(dir.path() / "u.xml");
    EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u);
    EXPECT_NE(bytes.find("<Caption>\xD0\x93\xD0\xBB\xD1\x83\xD0\xB1\xD0\xB8\xD0\xBD\xD0\xB0 \xE4\xB8\xAD</Caption>"),
              std::string::npos);

    ek_xml_set_encoding_w(doc.get(), L"cp1251");
    ek_xml_set_encoding_w(doc.get(), L"KOI8-R");  // not one this library writes: ignored
    ek_xml_set_encoding_w(doc.get(), nullptr);
    ASSERT_TRUE(ek_xml_save_to_file_w(doc.get(), dir.file("u.xml").c_str()));
    bytes = read_bytes(dir.path() / "u.xml");
    EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\" encoding=\"Windows-1251\"?>", 0), 0u);
}

TEST(XmlEncoding, HandWrittenFilesInEachKnownEncodingLoad) {
    TempDir dir;
    const std::wstring body = L"<TGrDoc><Caption>Глубина ä</Caption></TGrDoc>";
    const struct {
        const char* label;
        std::string bytes;
        std::wstring expect;
    } files[] = {
        {"utf8 without declaration", "<TGrDoc><Caption>\xD0\x93\xD0\xBB\xD1\x83\xD0\xB1\xD0\xB8\xD0\xBD\xD0\xB0 \xC3\xA4</Caption></TGrDoc>",
         L"Глубина ä"},
        {"utf8 with mark", "\xEF\xBB\xBF<?xml version='1.0' encoding='utf-8'?><TGrDoc><Caption>\xC3\xA4</Caption></TGrDoc>", L"ä"},
        {"windows-1251", "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n<TGrDoc><Caption>\xC3\xEB\xF3\xE1\xE8\xED\xE0 &#228;</Caption></TGrDoc>",
         L"Глубина ä"},
        {"iso-8859-1", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?><TGrDoc><Caption>\xE4\xFF</Caption></TGrDoc>", L"äÿ"},
        {"utf16 le", utf16(L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + body, false), L"Глубина ä"},
        {"utf16 be", utf16(body, true), L"Глубина ä"},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.label);
        Doc doc = load_text(dir, f.bytes);
        ASSERT_TRUE(doc);
        EXPECT_EQ(caption_of(doc.get()), f.expect);
    }
}

TEST(XmlEncoding, SingleByteTextConvertsWhereverTheLettersFall) {
    TempDir dir;
    // Letters after runs of every length around the eight-byte steps of the converter.
    for (size_t lead = 0; lead < 20; ++lead) {
        const std::string ascii(lead, 'a');
        Doc doc = load_text(dir, "<?xml version=\"1.0\" encoding=\"windows-1251\"?><TGrDoc><Caption>" + ascii +
                                     "\xDF" + ascii + "\xB8\xA8</Caption></TGrDoc>");
        ASSERT_TRUE(doc) << lead;
        const std::wstring wide_ascii(lead, L'a');
        EXPECT_EQ(caption_of(doc.get()), wide_ascii + L"Я" + wide_ascii + L"ёЁ") << lead;
    }
    Doc plain = load_text(dir, "<?xml version=\"1.0\" encoding=\"Windows-1251\"?><TGrDoc><Caption>abc</Caption></TGrDoc>");
    ASSERT_TRUE(plain);
    EXPECT_EQ(caption_of(plain.get()), L"abc");
}

TEST(XmlEncoding, MostlyForeignSingleByteFilesConvertToo) {
    TempDir dir;
    // From a few letters to files made almost only of them, with letters that take two and
    // three bytes in UTF-8 ("Я" and "…"), so that the growth passes any spare room.
    for (size_t count : {0u, 1u, 50u, 100u, 110u, 115u, 120u, 200u, 5000u}) {
        for (const auto& [byte, letter] : {std::pair<char, wchar_t>{'\xDF', L'Я'}, {'\x85', L'…'}}) {
            const std::string letters(count, byte);
            Doc doc = load_text(dir, "<?xml version=\"1.0\" encoding=\"Windows-1251\"?><TGrDoc><Caption>" + letters +
                                         "</Caption><Tail>ok</Tail></TGrDoc>");
            ASSERT_TRUE(doc) << count;
            EXPECT_EQ(caption_of(doc.get()), std::wstring(count, letter)) << count;
            Node root = root_of(doc.get());
            EXPECT_EQ(wstr_value(root.get(), L"Tail"), L"ok") << count;
        }
    }
}

TEST(XmlEncoding, NamesMustFitTheEncoding) {
    TempDir dir;
    Doc doc = new_doc();
    Node root(ek_xml_set_root_w(doc.get(), L"Документ"));
    ASSERT_TRUE(ek_xnode_add_node_int(root.get(), L"Ключ", 3));
    ek_xml_set_encoding_w(doc.get(), L"Windows-1251");
    ASSERT_TRUE(ek_xml_save_to_file_w(doc.get(), dir.file("n.xml").c_str()));
    EXPECT_NE(read_bytes(dir.path() / "n.xml").find("<\xCA\xEB\xFE\xF7>3</\xCA\xEB\xFE\xF7>"), std::string::npos);
    Doc again = new_doc();
    ASSERT_TRUE(ek_xml_load_from_file_w(again.get(), dir.file("n.xml").c_str()));
    Node root2(ek_xml_get_root_w(again.get(), L"Документ"));
    EXPECT_EQ(ek_xnode_get_node_int(root2.get(), L"Ключ", 0), 3);

    // A name cannot carry a character reference: saving fails and the file stays as it was.
    const std::string before = read_bytes(dir.path() / "n.xml");
    ASSERT_TRUE(ek_xnode_add_node_int(root.get(), L"名前", 4));
    EXPECT_FALSE(ek_xml_save_to_file_w(doc.get(), dir.file("n.xml").c_str()));
    EXPECT_EQ(read_bytes(dir.path() / "n.xml"), before);
    ek_xml_set_encoding_w(doc.get(), L"UTF-8");
    EXPECT_TRUE(ek_xml_save_to_file_w(doc.get(), dir.file("n.xml").c_str()));
}

TEST(XmlEncoding, IndentationAddsLinesButNoText) {
    TempDir dir;
    Doc doc = new_doc();
    Node root(ek_xml_set_root_w(doc.get(), L"TGrDoc"));
    ASSERT_TRUE(ek_xnode_add_node_wstr(root.get(), L"T", L"  a  "));
    Node props(ek_xnode_set_node_w(root.get(), L"Properties"));
    Node prop(ek_xnode_set_node_w(props.get(), L"TGrDocProp"));
    ASSERT_TRUE(ek_xnode_add_node_int(prop.get(), L"N", 1));
    Node(ek_xnode_set_node_w(props.get(), L"Empty"));

    ASSERT_TRUE(ek_xml_save_to_file_w(doc.get(), dir.file("flat.xml").c_str()));
    EXPECT_EQ(read_bytes(dir.path() / "flat.xml"),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<TGrDoc><T>  a  </T><Properties><TGrDocProp><N>1</N></TGrDocProp><Empty/></Properties></TGrDoc>");
    ek_xml_set_whitespaces(doc.get(), true);
    ASSERT_TRUE(ek_xml_save_to_file_w(doc.get(), dir.file("indented.xml").c_str()));
    EXPECT_EQ(read_bytes(dir.path() / "indented.xml"),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<TGrDoc>\n  <T>  a  </T>\n  <Properties>\n    <TGrDocProp>\n      <N>1</N>\n    </TGrDocProp>\n"
              "    <Empty/>\n  </Properties>\n</TGrDoc>\n");
    Doc again = new_doc();
    ASSERT_TRUE(ek_xml_load_from_file_w(again.get(), dir.file("indented.xml").c_str()));
    Node root2 = root_of(again.get());
    EXPECT_EQ(wstr_value(root2.get(), L"T"), L"  a  ");
    Node props2(ek_xnode_get_node_w(root2.get(), L"Properties"));
    Node second(ek_xnode_get_node_by_no(props2.get(), 1));
    EXPECT_EQ(node_name(second.get()), L"Empty");
}

}  // namespace
}  // namespace ek::test
