// Handles: null everywhere, and documents and node handles released in any order.
#include "xml_test_support.h"

namespace ek::test {
namespace {

TEST(XmlHandles, NullDocumentsAndNodesGiveTheFailureValue) {
    ek_xml_destroy(nullptr);
    ek_xml_set_encoding_w(nullptr, L"UTF-8");
    ek_xml_set_whitespaces(nullptr, true);
    EXPECT_FALSE(ek_xml_load_from_file_w(nullptr, L"/tmp/x.xml"));
    EXPECT_FALSE(ek_xml_save_to_file_w(nullptr, L"/tmp/x.xml"));
    EXPECT_EQ(ek_xml_get_root_w(nullptr, nullptr), nullptr);
    EXPECT_EQ(ek_xml_set_root_w(nullptr, L"R"), nullptr);

    Captured c;
    ek_xnode_close(nullptr);
    ek_xnode_get_name_adp(nullptr, c.adapter());
    EXPECT_EQ(c.feeds, 0);
    EXPECT_EQ(ek_xnode_get_node_w(nullptr, L"A"), nullptr);
    EXPECT_EQ(ek_xnode_get_node_by_no(nullptr, 0), nullptr);
    EXPECT_EQ(ek_xnode_set_node_w(nullptr, L"A"), nullptr);
    EXPECT_TRUE(ek_xnode_get_node_bool(nullptr, L"A", true));
    EXPECT_EQ(ek_xnode_get_node_int(nullptr, L"A", 3), 3);
    EXPECT_EQ(ek_xnode_get_node_int64(nullptr, L"A", 4), 4);
    EXPECT_EQ(ek_xnode_get_node_dbl(nullptr, L"A", 5.5), 5.5);
    EXPECT_EQ(str_value(nullptr, "A", "d"), "d");
    EXPECT_EQ(wstr_value(nullptr, L"A", L"w"), L"w");
    EXPECT_FALSE(ek_xnode_add_node_wstr(nullptr, L"A", L"x"));
    EXPECT_FALSE(ek_xnode_add_node_str(nullptr, "A", "x"));
    EXPECT_FALSE(ek_xnode_add_node_int(nullptr, L"A", 1));
    EXPECT_FALSE(ek_xnode_add_node_int64(nullptr, L"A", 1));
    EXPECT_FALSE(ek_xnode_add_node_dbl(nullptr, L"A", 1));
    EXPECT_FALSE(ek_xnode_add_node_bool(nullptr, L"A", true));
}

TEST(XmlHandles, NullKeysTextsPathsAndAdaptersChangeNothing) {
    Doc doc = new_doc();
    EXPECT_FALSE(ek_xml_load_from_file_w(doc.get(), nullptr));
    EXPECT_FALSE(ek_xml_save_to_file_w(doc.get(), nullptr));
    EXPECT_EQ(ek_xml_set_root_w(doc.get(), nullptr), nullptr);
    Node root(ek_xml_set_root_w(doc.get(), L"R"));
    ASSERT_TRUE(root);
    Tek_xml_node* r = root.get();
    EXPECT_EQ(ek_xnode_get_node_w(r, nullptr), nullptr);
    EXPECT_EQ(ek_xnode_set_node_w(r, nullptr), nullptr);
    EXPECT_FALSE(ek_xnode_add_node_wstr(r, nullptr, L"x"));
    EXPECT_FALSE(ek_xnode_add_node_wstr(r, L"A", nullptr));
    EXPECT_FALSE(ek_xnode_add_node_str(r, nullptr, "x"));
    EXPECT_FALSE(ek_xnode_add_node_str(r, "A", nullptr));
    EXPECT_FALSE(ek_xnode_add_node_int(r, nullptr, 1));
    EXPECT_FALSE(ek_xnode_add_node_int64(r, nullptr, 1));
    EXPECT_FALSE(ek_xnode_add_node_dbl(r, nullptr, 1));
    EXPECT_FALSE(ek_xnode_add_node_bool(r, nullptr, true));
    EXPECT_EQ(ek_xnode_get_node_by_no(r, 0), nullptr);  // nothing was added

    ASSERT_TRUE(ek_xnode_add_node_int(r, L"A", 1));
    EXPECT_EQ(ek_xnode_get_node_int(r, nullptr, 9), 9);
    EXPECT_EQ(str_value(r, nullptr, "d"), "d");
    EXPECT_EQ(wstr_value(r, nullptr, nullptr), L"");
    ek_xnode_get_node_str(r, "A", "d", nullptr);
    ek_xnode_get_node_wstr(r, L"A", L"d", nullptr);
    ek_xnode_get_name_adp(r, nullptr);
}

TEST(XmlHandles, NodeHandlesOutliveTheirDocument) {
    Tek_xml_doc* doc = ek_xml_create();
    Tek_xml_node* root = ek_xml_set_root_w(doc, L"R");
    Tek_xml_node* child = ek_xnode_set_node_w(root, L"C");
    Tek_xml_node* again = ek_xml_get_root_w(doc, nullptr);
    ASSERT_TRUE(root && child && again);
    ek_xnode_close(again);
    ek_xml_destroy(doc);
    // Closing after the document is gone touches nothing of it (the sanitizers would see it).
    ek_xnode_close(child);
    ek_xnode_close(root);
}

TEST(XmlHandles, ClosingAHandleLeavesTheDocument) {
    Doc doc = new_doc();
    Node(ek_xml_set_root_w(doc.get(), L"R"));  // closed at once
    Node root = root_of(doc.get());
    Tek_xml_node* child = ek_xnode_set_node_w(root.get(), L"C");
    ek_xnode_close(child);
    Node found(ek_xnode_get_node_w(root.get(), L"C"));
    EXPECT_TRUE(found);
    // Handles of a tree that set_root or a load replaced may still be closed.
    Tek_xml_node* old = ek_xnode_get_node_by_no(root.get(), 0);
    Node(ek_xml_set_root_w(doc.get(), L"New"));
    ek_xnode_close(old);
}

}  // namespace
}  // namespace ek::test
