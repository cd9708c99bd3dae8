// The tree: the root, children in the order they were made, lookups by name, values held as
// attributes, and handles: null everywhere, and released in any order.
#include "xml_test_support.h"

namespace ek::test {
namespace {

// Every set_node makes a new child; the order holds through a file; a walk by index sees a child
// added after it began. Lookups by name give the first of duplicates, case-sensitively, and see
// values added later, also through another handle of the same node.
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
            EXPECT_EQ(node_name(child.get()), names[i]);
            EXPECT_EQ(ek_xnode_get_node_int(child.get(), L"No", -1), i);
        }
        EXPECT_TRUE(!ek_xnode_get_node_by_no(p, 4) && !ek_xnode_get_node_by_no(p, -1) && !ek_xnode_get_node_w(p, L"tgrdocprop"));
        EXPECT_EQ(ek_xnode_get_node_int(Node(ek_xnode_get_node_w(p, L"TGrDocProp")).get(), L"No", -1), 0);  // the first
        EXPECT_EQ(ek_xnode_get_node_int(Node(ek_xnode_get_node_w(p, L"Other")).get(), L"No", -1), 2);
    };
    check(props.get());
    ASSERT_TRUE(ek_xml_save_to_file_w(doc.get(), dir.file("s.xml").c_str()));
    Doc again = load_file(dir.file("s.xml").c_str());
    ASSERT_TRUE(again);
    check(Node(ek_xnode_get_node_w(root_of(again.get()).get(), L"Properties")).get());
    Node last(ek_xnode_get_node_by_no(props.get(), 3));
    ASSERT_TRUE(ek_xnode_add_node_int(props.get(), L"V", 9));
    EXPECT_EQ(node_name(Node(ek_xnode_get_node_by_no(props.get(), 4)).get()), L"V");

    for (int i = 0; i < 20; ++i) ASSERT_TRUE(ek_xnode_add_node_int(root.get(), (L"K" + std::to_wstring(i)).c_str(), i));
    ASSERT_TRUE(ek_xnode_add_node_int(root.get(), L"K3", 333));
    for (auto [key, want] : {std::pair{L"K3", 3}, {L"K19", 19}, {L"K20", -1}, {L"K", -1}})
        EXPECT_EQ(ek_xnode_get_node_int(root.get(), key, -1), want) << ::testing::PrintToString(std::wstring(key));
    ASSERT_TRUE(ek_xnode_add_node_int(same.get(), L"K20", 20));
    Node(ek_xnode_set_node_w(same.get(), L"Child"));
    EXPECT_TRUE(Node(ek_xnode_get_node_w(root.get(), L"Child")) && ek_xnode_get_node_int(root.get(), L"K20", -1) == 20);
    ASSERT_TRUE(ek_xnode_add_node_int(root.get(), L"K21", 21));
    EXPECT_TRUE(ek_xnode_get_node_int(same.get(), L"K21", -1) == 21 && ek_xnode_get_node_int(root.get(), L"K0", -1) == 0);
}

// Reading skips text and takes attributes (an element of the same name wins); mixed content is
// written back without added indentation, so its text stays as it was. The root is looked up
// without regard to case; set_root replaces the tree unless the name is refused.
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
    ek_xml_set_whitespaces(doc.get(), true);
    ASSERT_TRUE(ek_xml_save_to_file_w(doc.get(), dir.file("out.xml").c_str()));
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

}  // namespace
}  // namespace ek::test
