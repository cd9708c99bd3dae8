// The tree: the root, children in the order they were made, lookups by name, values held as attributes, handles (null
// everywhere, released in any order), and names: a tree holds only what its document can save and load again (an element
// name needs every character in the document's encoding, no character reference can stand in), and reads the same after.
#include "ek_text.h"
#include "xml_test_support.h"

namespace ek::test {
namespace {

// Every set_node makes a new child; the order holds through a file; a walk by index sees a child added after it began. Lookups by
// name give the first of duplicates, case-sensitively, and see values added later, also through another handle of the same node.
TEST(XmlTree, ChildrenInOrderAndLookupsByName) {
    TempDir dir;
    Doc doc = new_doc();
    Node root(ek_xml_set_root_w(doc.get(), L"TGrDoc")), same(ek_xml_get_root_w(doc.get(), nullptr));
    Node props(ek_xnode_set_node_w(root.get(), L"Properties"));
    const wchar_t* names[] = {L"TGrDocProp", L"TGrDocProp", L"Other", L"TGrDocProp"};
    for (int k = 0; k < 4; ++k) ASSERT_TRUE(ek_xnode_add_node_int(Node(ek_xnode_set_node_w(props.get(), names[k])).get(), L"No", k));
    auto check = [&](Tek_xml_node* p) {
        for (int i : {0, 1, 2, 3, 3, 0, 2, 2, 1}) {  // also out of order and repeated
            Node child(ek_xnode_get_node_by_no(p, i));
            EXPECT_TRUE(node_name(child.get()) == names[i] && ek_xnode_get_node_int(child.get(), L"No", -1) == i) << i;
        }
        EXPECT_TRUE(!ek_xnode_get_node_by_no(p, 4) && !ek_xnode_get_node_by_no(p, -1) && !ek_xnode_get_node_w(p, L"tgrdocprop"));
        EXPECT_EQ(ek_xnode_get_node_int(Node(ek_xnode_get_node_w(p, L"TGrDocProp")).get(), L"No", -1), 0);  // the first
        EXPECT_EQ(ek_xnode_get_node_int(Node(ek_xnode_get_node_w(p, L"Other")).get(), L"No", -1), 2);
    };
    check(props.get());
    ASSERT_TRUE(ek_xml_save_to_file_w(doc.get(), dir.file("s.xml").c_str()));
    check(Node(ek_xnode_get_node_w(root_of(load_file(dir.file("s.xml")).get()).get(), L"Properties")).get());
    Node last(ek_xnode_get_node_by_no(props.get(), 3));
    ASSERT_TRUE(ek_xnode_add_node_int(props.get(), L"V", 9));
    EXPECT_EQ(node_name(Node(ek_xnode_get_node_by_no(props.get(), 4)).get()), L"V");

    for (int i = 0; i < 5; ++i) ASSERT_TRUE(ek_xnode_add_node_int(root.get(), (L"K" + std::to_wstring(i)).c_str(), i));
    ASSERT_TRUE(ek_xnode_add_node_int(root.get(), L"K3", 333) && ek_xnode_add_node_int(same.get(), L"K5", 5));
    Node(ek_xnode_set_node_w(same.get(), L"Child"));
    for (auto [key, want] : {std::pair{L"K3", 3}, {L"K4", 4}, {L"K5", 5}, {L"K6", -1}, {L"K", -1}})
        EXPECT_EQ(ek_xnode_get_node_int(root.get(), key, -1), want) << ::testing::PrintToString(std::wstring(key));
    ASSERT_TRUE(Node(ek_xnode_get_node_w(root.get(), L"Child")) && ek_xnode_add_node_int(root.get(), L"K6", 6));
    EXPECT_TRUE(ek_xnode_get_node_int(same.get(), L"K6", -1) == 6 && ek_xnode_get_node_int(root.get(), L"K0", -1) == 0);
}

// Reading skips text and takes attributes (an element of the same name wins); mixed content is written back without added indentation,
// so its text stays as it was. The root is looked up without regard to case; set_root replaces the tree unless the name is refused.
TEST(XmlTree, ReadingSkipsTextTakesAttributesAndFindsTheRoot) {
    TempDir dir;
    Doc doc = load_text(dir, "<TGrDoc GridType=\"gt2D\" ObjCount=\"12\" X0=\"1.5\" EarthPlane=\"false\">"
                             "text<X0>2.5</X0><!-- note -->more<A/>tail<B/></TGrDoc>");
    ASSERT_TRUE(doc);
    Node root = root_of(doc.get());
    EXPECT_TRUE(wstr_value(root.get(), L"GridType") == L"gt2D" && ek_xnode_get_node_int64(root.get(), L"ObjCount", 0) == 12);
    EXPECT_TRUE(!ek_xnode_get_node_bool(root.get(), L"EarthPlane", true) && ek_xnode_get_node_dbl(root.get(), L"X0", 0) == 2.5);
    const wchar_t* order[] = {L"X0", L"A", L"B"};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(node_name(Node(ek_xnode_get_node_by_no(root.get(), i)).get()), order[i]);
    EXPECT_EQ(ek_xnode_get_node_by_no(root.get(), 3), nullptr);
    ASSERT_TRUE((ek_xml_set_whitespaces(doc.get(), true), ek_xml_save_to_file_w(doc.get(), dir.file("out.xml").c_str())));
    EXPECT_NE(read_text(dir.path() / "out.xml").find(">text<X0>2.5</X0>more<A/>tail<B/></TGrDoc>"), std::string::npos);

    EXPECT_EQ(node_name(Node(ek_xml_get_root_w(doc.get(), L"tgrdoc")).get()), L"TGrDoc");  // the file's own spelling
    EXPECT_TRUE(!ek_xml_get_root_w(doc.get(), L"TGrDocX") && !ek_xml_get_root_w(new_doc().get(), nullptr));  // a new document is empty
    ASSERT_TRUE(Node(ek_xml_set_root_w(doc.get(), L"Документ")));
    EXPECT_EQ(ek_xnode_get_node_int(Node(ek_xml_get_root_w(doc.get(), L"ДОКУМЕНТ")).get(), L"ObjCount", -1), -1);  // the old tree is gone
    EXPECT_EQ(ek_xml_set_root_w(doc.get(), L"bad name"), nullptr);
    EXPECT_EQ(node_name(root_of(doc.get()).get()), L"Документ");  // a refused name leaves the tree
}

// Null handles, keys and texts give the failure value; closing a handle never changes the document,
// and handles may be closed after their document or tree is gone (the sanitizers would see a touch).
TEST(XmlHandles, NullEverywhereAndHandlesOutliveTheirTree) {
    Doc doc = new_doc();
    Node root(ek_xml_set_root_w(doc.get(), L"R"));
    ASSERT_TRUE(ek_xnode_add_node_int(root.get(), L"A", 1));
    Captured c;
    ek_xml_destroy(nullptr), ek_xml_set_encoding_w(nullptr, L"UTF-8"), ek_xml_set_whitespaces(nullptr, true), ek_xnode_close(nullptr);
    ek_xnode_get_name_adp(nullptr, c.adapter), ek_xnode_get_name_adp(root.get(), nullptr);
    ek_xnode_get_node_str(root.get(), "A", "d", nullptr), ek_xnode_get_node_wstr(root.get(), L"A", L"d", nullptr);
    EXPECT_EQ(c.feeds, 0);
    EXPECT_FALSE(ek_xml_load_from_file_w(nullptr, L"/tmp/x.xml") || ek_xml_save_to_file_w(nullptr, L"/tmp/x.xml") ||
                 ek_xml_load_from_file_w(doc.get(), nullptr) || ek_xml_save_to_file_w(doc.get(), nullptr));
    for (Tek_xml_node* n : {static_cast<Tek_xml_node*>(nullptr), root.get()}) {
        const wchar_t* key = n ? nullptr : L"A";  // a null node, or a good node with a null key
        EXPECT_TRUE(!ek_xnode_get_node_w(n, key) && !ek_xnode_set_node_w(n, key) && ek_xnode_get_node_bool(n, key, true));
        EXPECT_TRUE(ek_xnode_get_node_int(n, key, 3) == 3 && ek_xnode_get_node_int64(n, key, 4) == 4);
        EXPECT_EQ(ek_xnode_get_node_dbl(n, key, 5.5), 5.5);
        EXPECT_TRUE(str_value(n, n ? nullptr : "A", "d") == "d" && wstr_value(n, key, L"w") == L"w");
        EXPECT_FALSE(ek_xnode_add_node_wstr(n, key, L"x") || ek_xnode_add_node_str(n, n ? nullptr : "A", "x") ||
                     ek_xnode_add_node_int(n, key, 1) || ek_xnode_add_node_int64(n, key, 1) ||
                     ek_xnode_add_node_dbl(n, key, 1) || ek_xnode_add_node_bool(n, key, true));
    }
    EXPECT_FALSE(ek_xnode_add_node_wstr(root.get(), L"B", nullptr) || ek_xnode_add_node_str(root.get(), "B", nullptr));
    EXPECT_EQ(wstr_value(root.get(), nullptr, nullptr), L"");
    EXPECT_TRUE(!ek_xnode_get_node_by_no(nullptr, 0) && !ek_xnode_get_node_by_no(root.get(), 1));  // nothing but A was added
    EXPECT_TRUE(!ek_xml_get_root_w(nullptr, nullptr) && !ek_xml_set_root_w(nullptr, L"R") && !ek_xml_set_root_w(doc.get(), nullptr));

    Tek_xml_doc* raw = ek_xml_create();
    Tek_xml_node* top = ek_xml_set_root_w(raw, L"R");
    ek_xnode_close(ek_xnode_set_node_w(top, L"C"));
    Tek_xml_node *child = ek_xnode_get_node_w(top, L"C"), *old = ek_xnode_get_node_by_no(top, 0);
    ASSERT_TRUE(child);
    ek_xnode_close(ek_xml_set_root_w(raw, L"New")), ek_xnode_close(old), ek_xml_destroy(raw), ek_xnode_close(child), ek_xnode_close(top);
}


// Expectations from the code pages themselves: é is in ISO-8859-1 but not in Windows-1251; Cyrillic, № (0xB9) and € (0x88) are in Windows-1251 only;
// CJK is in neither. The XML name rules: no digit, '-' or '.' first, no space or sign anywhere; × and © are no name characters, · only inside.
const struct { const wchar_t *encoding, *name; bool saveable; } k_names[] = {
    {L"Windows-1251", L"Field", true}, {L"Windows-1251", L"Поле", true}, {L"Windows-1251", L"Café", false}, {L"Windows-1251", L"数据", false},
    {L"Windows-1251", L"№1", true},    {L"Windows-1251", L"€uro", true}, {L"UTF-8", L"Café", true},          {L"UTF-8", L"数据", true},
    {L"ISO-8859-1", L"Café", true},    {L"ISO-8859-1", L"Поле", false},  {L"ISO-8859-1", L"№1", false},      {L"US-ASCII", L"Café", false},
    {L"US-ASCII", L"x-y.z_1", true},   {L"UTF-8", L"1st", false},        {L"UTF-8", L"a b", false},          {L"UTF-8", L"", false},
    {L"Windows-1251", L"-Поле", false}, {L"UTF-8", L"<x>", false},       {L"UTF-8", L"a&b", false},          {L"UTF-8", L"a\u00D7b", false},
    {L"UTF-8", L"\u00A9", false},      {L"UTF-8", L"\u2190", false},     {L"UTF-8", L"_a", true},            {L"UTF-8", L"\u00C0\u00B7", true},
    {L"UTF-8", L".x", false}};

// The three routes by which a name enters a tree below the root: a child element, and a value under
// a wide or a narrow key (UTF-8 narrow text holds every name); the typed adders share the wide route.
const struct { const char* label; bool (*add)(Tek_xml_node* parent, const wchar_t* name); } k_adders[] = {
    {"set_node", [](Tek_xml_node* p, const wchar_t* n) { return Node(ek_xnode_set_node_w(p, n)) != nullptr; }},
    {"add_wstr", [](Tek_xml_node* p, const wchar_t* n) { return ek_xnode_add_node_wstr(p, n, L"v"); }},
    {"add_int", [](Tek_xml_node* p, const wchar_t* n) { return ek_xnode_add_node_int(p, n, 7); }},
    {"add_str", [](Tek_xml_node* p, const wchar_t* n) { return ek_xnode_add_node_str(p, ek::text::to_narrow(n).c_str(), "v"); }},
};

TEST(XmlNames, OnlyNamesTheDocumentCanSaveAreTakenAndTheyReadBack) {
    TempDir dir;
    for (const auto& row : k_names) {
        SCOPED_TRACE(ek::text::to_utf8(row.name) + " in " + ek::text::to_utf8(row.encoding));
        Doc doc = new_doc();
        Node root((ek_xml_set_encoding_w(doc.get(), row.encoding), ek_xml_set_root_w(doc.get(), row.name)));
        EXPECT_EQ(root != nullptr, row.saveable) << "set_root";
        if (!root) root.reset(ek_xml_set_root_w(doc.get(), L"R"));
        for (size_t i = 0; i < std::size(k_adders); ++i)
            EXPECT_EQ(k_adders[i].add(Node(ek_xnode_set_node_w(root.get(), (L"S" + std::to_wstring(i)).c_str())).get(), row.name),
                      row.saveable) << k_adders[i].label;
        // Whatever was refused, the document still saves, and every taken name is in the file.
        ASSERT_TRUE(ek_xml_save_to_file_w(doc.get(), dir.file("n.xml").c_str()));
        Doc again = load_file(dir.file("n.xml"));
        Node root2 = root_of(again.get());
        EXPECT_EQ(node_name(root2.get()) == row.name, row.saveable) << "set_root";
        for (size_t i = 0; i < std::size(k_adders); ++i)
            EXPECT_EQ(Node(ek_xnode_get_node_w(Node(ek_xnode_get_node_w(root2.get(), (L"S" + std::to_wstring(i)).c_str())).get(), row.name)) != nullptr,
                      row.saveable) << k_adders[i].label;
    }
}

// A document whose tree already holds a name keeps an encoding that can write it: switching to
// one that lacks a character is refused, and a loaded file's names switch it to UTF-8.
TEST(XmlNames, TheEncodingAlwaysFitsTheNamesInTheTree) {
    const struct { const char* label; bool loaded; const wchar_t *name, *switch_to; const char* declared; } rows[] = {
        {"switch refused", false, L"Café", L"Windows-1251", "UTF-8"}, {"switch taken", false, L"Поле", L"Windows-1251", "Windows-1251"},
        {"switch refused latin", false, L"Поле", L"ISO-8859-1", "UTF-8"}, {"load keeps", true, L"Поле", nullptr, "Windows-1251"},
        {"load falls back", true, L"数据", nullptr, "UTF-8"}};  // loaded, not added; no switch
    TempDir dir;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        Doc doc = new_doc();
        if (row.loaded) {
            write_text(dir.path() / "in.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><R><x><y/></x><" + ek::text::to_utf8(row.name) + "/></R>");
            ASSERT_TRUE((ek_xml_set_encoding_w(doc.get(), L"Windows-1251"), ek_xml_load_from_file_w(doc.get(), dir.file("in.xml").c_str())));
        } else {
            Node root(ek_xml_set_root_w(doc.get(), L"R"));
            Node(ek_xnode_set_node_w(Node(ek_xnode_set_node_w(root.get(), L"x")).get(), L"y"));
            ASSERT_TRUE(ek_xnode_add_node_int(root.get(), row.name, 1));  // after a deeper branch
        }
        if (row.switch_to) ek_xml_set_encoding_w(doc.get(), row.switch_to);
        ASSERT_TRUE(ek_xml_save_to_file_w(doc.get(), dir.file("out.xml").c_str()));
        const std::string bytes = read_text(dir.path() / "out.xml");
        EXPECT_NE(bytes.find(std::string("encoding=\"") + row.declared + "\""), std::string::npos) << bytes;
        EXPECT_TRUE(Node(ek_xnode_get_node_w(root_of(load_file(dir.file("out.xml")).get()).get(), row.name))) << bytes;
    }
}

// Caught by the round-trip check of the XML fuzz target: a reference to a surrogate loaded fine but was saved as bytes
// that are not UTF-8, and the saved document no longer loaded; text split by a comment or a CDATA section read as its
// first piece, and whole after a save; white space that became text beside an element was dropped by the next load.
TEST(XmlNames, LoadedTextReadsTheSameBeforeAndAfterASave) {
    std::string utf32("\xFF\xFE\0\0", 4);  // <R><a>U+110000</a></R> in UTF-32
    for (char32_t c : U"<R><a>\x110000</a></R>")
        for (int k = 0; c && k < 4; ++k) utf32.push_back(static_cast<char>((c >> (8 * k)) & 0xFF));
    const struct { const char* label; std::string file; const wchar_t* value; } rows[] = {  // the value of "a"
        {"surrogate", "<R><a>x&#xD800;y</a></R>", L"x\uFFFDy"}, {"low surrogate, decimal", "<R><a>&#56320;</a></R>", L"\uFFFD"},
        {"past U+10FFFF", "<R><a>&#x110000;z</a></R>", L"\uFFFDz"}, {"in an attribute", "<R a=\"&#xDBFF;&#xDFFF;\"/>", L"\uFFFD\uFFFD"},
        {"in a UTF-32 file", utf32, L"\uFFFD"}, {"highest code point", "<R><a>&#x10FFFF;</a></R>", L"\U0010FFFF"},
        {"ordinary references", "<R><a>&#xE9;&#x6570;</a></R>", L"é数"}, {"text around an element", "<R><a>x<b>inner</b>y</a></R>", L"xy"},
        {"text around a comment", "<R><a>x<!--c-->y<?pi?>z</a></R>", L"xyz"}, {"text and CDATA", "<R><a>A<![CDATA[&B]]></a></R>", L"A&B"},
        {"white space beside an added element", "<R><a> \n\t</a></R>", L" \n\t"}};
    TempDir dir;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        Doc doc = load_text(dir, row.file);
        ASSERT_TRUE(doc);
        if (row.file.find(" \n\t") != std::string::npos) {
            ASSERT_TRUE(Node(ek_xnode_set_node_w(Node(ek_xnode_get_node_w(root_of(doc.get()).get(), L"a")).get(), L"added")));
        }
        EXPECT_EQ(wstr_value(root_of(doc.get()).get(), L"a"), row.value);
        for (const wchar_t* encoding : {L"Windows-1251", L"UTF-8"}) {
            ASSERT_TRUE((ek_xml_set_encoding_w(doc.get(), encoding), ek_xml_save_to_file_w(doc.get(), dir.file("saved.xml").c_str())));
            EXPECT_EQ(wstr_value(root_of(load_file(dir.file("saved.xml")).get()).get(), L"a"), row.value) << ek::text::to_utf8(encoding);
        }
    }
}

}  // namespace
}  // namespace ek::test
