// The tree: the root, children in the order they were made, lookup by name, values held as
// attributes.
#include "xml_test_support.h"

namespace ek::test {
namespace {

TEST(XmlStructure, EverySetNodeMakesANewChildAndTheOrderHolds) {
    Doc doc = new_doc();
    Node root(ek_xml_set_root_w(doc.get(), L"TGrDoc"));
    Node props(ek_xnode_set_node_w(root.get(), L"Properties"));
    ASSERT_TRUE(props);
    const wchar_t* names[] = {L"TGrDocProp", L"TGrDocProp", L"Other", L"TGrDocProp"};
    int k = 0;
    for (const wchar_t* name : names) {
        Node child(ek_xnode_set_node_w(props.get(), name));
        ASSERT_TRUE(child);
        ASSERT_TRUE(ek_xnode_add_node_int(child.get(), L"No", k++));
    }
    auto check = [&](Tek_xml_node* p) {
        for (int i = 0; i < 4; ++i) {
            Node child(ek_xnode_get_node_by_no(p, i));
            ASSERT_TRUE(child) << i;
            EXPECT_EQ(node_name(child.get()), names[i]);
            EXPECT_EQ(ek_xnode_get_node_int(child.get(), L"No", -1), i);
        }
        EXPECT_EQ(ek_xnode_get_node_by_no(p, 4), nullptr);
        EXPECT_EQ(ek_xnode_get_node_by_no(p, -1), nullptr);
        // Out-of-order and repeated indexes give the same children.
        for (int i : {3, 0, 2, 2, 1}) {
            Node child(ek_xnode_get_node_by_no(p, i));
            EXPECT_EQ(ek_xnode_get_node_int(child.get(), L"No", -1), i);
        }
        Node first(ek_xnode_get_node_w(p, L"TGrDocProp"));
        EXPECT_EQ(ek_xnode_get_node_int(first.get(), L"No", -1), 0);
        Node other(ek_xnode_get_node_w(p, L"Other"));
        EXPECT_EQ(ek_xnode_get_node_int(other.get(), L"No", -1), 2);
        EXPECT_EQ(ek_xnode_get_node_w(p, L"tgrdocprop"), nullptr);  // names are case-sensitive
    };
    check(props.get());

    TempDir dir;
    ASSERT_TRUE(ek_xml_save_to_file_w(doc.get(), dir.file("s.xml").c_str()));
    Doc again = new_doc();
    ASSERT_TRUE(ek_xml_load_from_file_w(again.get(), dir.file("s.xml").c_str()));
    Node root2 = root_of(again.get());
    Node props2(ek_xnode_get_node_w(root2.get(), L"Properties"));
    ASSERT_TRUE(props2);
    check(props2.get());
}

TEST(XmlStructure, ChildrenAddedDuringAWalkAreFound) {
    Doc doc = new_doc();
    Node root(ek_xml_set_root_w(doc.get(), L"R"));
    for (int i = 0; i < 3; ++i) Node(ek_xnode_set_node_w(root.get(), L"C"));
    Node last(ek_xnode_get_node_by_no(root.get(), 2));
    ASSERT_TRUE(last);
    EXPECT_EQ(ek_xnode_get_node_by_no(root.get(), 3), nullptr);
    ASSERT_TRUE(ek_xnode_add_node_int(root.get(), L"V", 9));  // a value is a child element too
    Node added(ek_xnode_get_node_by_no(root.get(), 3));
    ASSERT_TRUE(added);
    EXPECT_EQ(node_name(added.get()), L"V");
}

// A node with many values: lookups by name give the first of duplicates and see values added
// later, also through another handle of the same node.
TEST(XmlStructure, LookupsOnAWideNodeStayExactAsItGrows) {
    Doc doc = new_doc();
    Node root(ek_xml_set_root_w(doc.get(), L"TGrDoc"));
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(ek_xnode_add_node_int(root.get(), (L"K" + std::to_wstring(i)).c_str(), i));
    ASSERT_TRUE(ek_xnode_add_node_int(root.get(), L"K3", 333));  // a duplicate: the first one counts
    EXPECT_EQ(ek_xnode_get_node_int(root.get(), L"K3", -1), 3);
    EXPECT_EQ(ek_xnode_get_node_int(root.get(), L"K19", -1), 19);
    EXPECT_EQ(ek_xnode_get_node_int(root.get(), L"K20", -1), -1);

    Node same(ek_xml_get_root_w(doc.get(), nullptr));
    ASSERT_TRUE(ek_xnode_add_node_int(same.get(), L"K20", 20));
    Node child(ek_xnode_set_node_w(same.get(), L"Child"));
    ASSERT_TRUE(child);
    Node found(ek_xnode_get_node_w(root.get(), L"Child"));
    EXPECT_TRUE(found) << "a child element made through another handle is found";
    EXPECT_EQ(ek_xnode_get_node_int(root.get(), L"K20", -1), 20) << "added through another handle";
    ASSERT_TRUE(ek_xnode_add_node_int(root.get(), L"K21", 21));
    EXPECT_EQ(ek_xnode_get_node_int(same.get(), L"K21", -1), 21);
    EXPECT_EQ(ek_xnode_get_node_int(root.get(), L"K0", -1), 0);
    // Names that share a hash bucket by chance still compare by text.
    EXPECT_EQ(ek_xnode_get_node_int(root.get(), L"K", -1), -1);
}

TEST(XmlStructure, ReadingSkipsTextAndTakesAttributes) {
    TempDir dir;
    Doc doc = load_text(dir,
                        "<TGrDoc GridType=\"gt2D\" ObjCount=\"12\" X0=\"1.5\" EarthPlane=\"false\">"
                        "text<X0>2.5</X0><!-- note -->more<A/>tail<B/></TGrDoc>");
    ASSERT_TRUE(doc);
    Node root = root_of(doc.get());
    EXPECT_EQ(wstr_value(root.get(), L"GridType"), L"gt2D");
    EXPECT_EQ(ek_xnode_get_node_int64(root.get(), L"ObjCount", 0), 12);
    EXPECT_FALSE(ek_xnode_get_node_bool(root.get(), L"EarthPlane", true));
    EXPECT_EQ(ek_xnode_get_node_dbl(root.get(), L"X0", 0), 2.5);  // the element wins
    const wchar_t* order[] = {L"X0", L"A", L"B"};
    for (int i = 0; i < 3; ++i) {
        Node c(ek_xnode_get_node_by_no(root.get(), i));
        ASSERT_TRUE(c);
        EXPECT_EQ(node_name(c.get()), order[i]);
    }
    EXPECT_EQ(ek_xnode_get_node_by_no(root.get(), 3), nullptr);

    // Mixed content is written back without added indentation, so its text stays as it was.
    ek_xml_set_whitespaces(doc.get(), true);
    ASSERT_TRUE(ek_xml_save_to_file_w(doc.get(), dir.file("out.xml").c_str()));
    EXPECT_NE(read_bytes(dir.path() / "out.xml").find(">text<X0>2.5</X0>more<A/>tail<B/></TGrDoc>"), std::string::npos);
}

TEST(XmlStructure, RootLookupIgnoresCaseAndSetRootReplacesTheTree) {
    Doc doc = new_doc();
    EXPECT_EQ(ek_xml_get_root_w(doc.get(), nullptr), nullptr);  // a new document is empty
    Node first(ek_xml_set_root_w(doc.get(), L"TGrDoc"));
    ASSERT_TRUE(ek_xnode_add_node_int(first.get(), L"V", 1));
    first.reset();
    Node any(ek_xml_get_root_w(doc.get(), nullptr));
    Node same(ek_xml_get_root_w(doc.get(), L"tgrdoc"));
    ASSERT_TRUE(any);
    ASSERT_TRUE(same);
    EXPECT_EQ(node_name(same.get()), L"TGrDoc");  // the file's own spelling
    EXPECT_EQ(ek_xml_get_root_w(doc.get(), L"TGrDocX"), nullptr);
    any.reset();
    same.reset();

    Node cyr(ek_xml_set_root_w(doc.get(), L"Документ"));
    ASSERT_TRUE(cyr);
    Node found(ek_xml_get_root_w(doc.get(), L"ДОКУМЕНТ"));
    ASSERT_TRUE(found);
    EXPECT_EQ(ek_xnode_get_node_int(found.get(), L"V", -1), -1);  // the old tree is gone
    EXPECT_EQ(ek_xml_set_root_w(doc.get(), L"bad name"), nullptr);
    Node still(ek_xml_get_root_w(doc.get(), nullptr));
    EXPECT_EQ(node_name(still.get()), L"Документ");  // a refused name leaves the tree
}

}  // namespace
}  // namespace ek::test
