// Sharing: one instance per path spelling in each pool, the handle's choice between the
// undo-recording and the direct instance, the access mode fixed by the first open, reference
// counts, and the identity of property handles.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "proxy_test_support.h"

namespace {

using ek::test::Loaded;
using ek::test::UndoEnvironment;
using DirectPool = TekVor4PoolProxy<TekVor4DirectProxy>;
using CachedPool = TekVor4PoolProxy<TekVor4CachedProxy>;

class Sharing : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ek::test::make_document(path, 4, 3, {{L"A", 0}, {L"B", 2}, {L"C", 4}}));
    }
    std::unique_ptr<TekVor4StrategyProxy> open(const std::wstring& p, bool readOnly) {
        auto h = std::make_unique<TekVor4StrategyProxy>();
        return h->open(p, readOnly) ? std::move(h) : nullptr;
    }
    UndoEnvironment env;
    std::wstring path = env.file("doc.xml");
};

TEST_F(Sharing, TwoHandlesOnOnePathShareOneDocument) {
    auto a = open(path, false);
    auto b = open(path, false);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->instance(), b->instance());
    EXPECT_EQ(a->instance()->ref_count(), 2);
    a->setX0(12.5);
    EXPECT_EQ(b->getX0(), 12.5);
    a.reset();
    EXPECT_EQ(b->instance()->ref_count(), 1);
    b->setY0(-3.0);
    EXPECT_EQ(b->getX0(), 12.5) << "closing one handle leaves the other working";
    b.reset();
    EXPECT_EQ(DirectPool::find_instance(path), nullptr) << "the last close destroys the instance";

    TekVor4Impl disk;
    ASSERT_TRUE(disk.open(path, true));
    EXPECT_EQ(disk.getX0(), 12.5) << "destroying the instance saved the document";
    EXPECT_EQ(disk.getY0(), -3.0);
}

TEST_F(Sharing, EverySpellingOfAPathIsAnInstanceOfItsOwn) {
    const std::wstring other = env.folder().wstring() + L"/./doc.xml";  // the same file
    const std::wstring doubled = env.folder().wstring() + L"//doc.xml";
    auto a = open(path, true);
    auto b = open(other, true);
    auto c = open(doubled, true);
    ASSERT_TRUE(a && b && c);
    EXPECT_NE(a->instance(), b->instance());
    EXPECT_NE(a->instance(), c->instance());
    EXPECT_NE(b->instance(), c->instance());
    EXPECT_EQ(a->getNumProps(), 3u);
    EXPECT_EQ(b->getNumProps(), 3u);
}

TEST_F(Sharing, PathsDifferingOnlyInLetterCaseAreSeparateInstances) {
    ASSERT_TRUE(ek::test::make_document(env.file("DOC.xml"), 2, 2, {}));
    auto lower = open(path, true);
    auto upper = open(env.file("DOC.xml"), true);
    ASSERT_TRUE(lower && upper);
    EXPECT_NE(lower->instance(), upper->instance());
    EXPECT_EQ(upper->getNumProps(), 0u);
    EXPECT_EQ(lower->getNumProps(), 3u);
}

TEST_F(Sharing, TheFirstOpenFixesTheAccessMode) {
    auto ro = open(path, true);
    ASSERT_TRUE(ro);
    EXPECT_TRUE(ro->readonly());
    auto rw = std::make_unique<TekVor4StrategyProxy>();
    EXPECT_FALSE(rw->open(path, false)) << "write access to a document shared read-only";
    EXPECT_EQ(rw->instance(), ro->instance()) << "the failed handle still holds the shared instance";
    rw.reset();
    auto ro2 = open(path, true);
    ASSERT_TRUE(ro2);
    EXPECT_EQ(ro2->instance(), ro->instance());
    EXPECT_EQ(ro->instance()->ref_count(), 2);
}

TEST_F(Sharing, AReadOnlyOpenSharesAWritableDocument) {
    auto rw = open(path, false);
    ASSERT_TRUE(rw);
    auto ro = open(path, true);
    ASSERT_TRUE(ro);
    EXPECT_FALSE(ro->readonly()) << "the document stays writable for every user";
    ASSERT_NE(ro->addProperty(std::wstring(L"D"), 0, 0, false), nullptr);
    EXPECT_EQ(rw->getNumProps(), 4u);
}

TEST_F(Sharing, AFailedOpenLeavesNoInstanceBehind) {
    const std::wstring missing = env.file("missing.xml");
    auto h = std::make_unique<TekVor4StrategyProxy>();
    EXPECT_FALSE(h->open(missing, true));
    EXPECT_NE(DirectPool::find_instance(missing), nullptr) << "the handle keeps its reference until destroyed";
    h.reset();
    EXPECT_EQ(DirectPool::find_instance(missing), nullptr);
    EXPECT_FALSE(std::filesystem::exists(env.folder() / "missing.xml"));
}

TEST_F(Sharing, CreateThroughAHandleDoesNotCountAsTheOpen) {
    const std::wstring fresh = env.file("fresh.xml");
    auto creator = std::make_unique<TekVor4StrategyProxy>();
    ASSERT_TRUE(creator->create(fresh));
    auto pooled = dynamic_cast<TekVor4DirectProxy*>(creator->instance());
    ASSERT_NE(pooled, nullptr);
    EXPECT_FALSE(pooled->opened());
    auto reader = open(fresh, true);
    ASSERT_TRUE(reader);
    EXPECT_TRUE(pooled->opened());
}

TEST_F(Sharing, ASecondOpenOnOneHandleReleasesTheFirstInstance) {
    ASSERT_TRUE(ek::test::make_document(env.file("second.xml"), 1, 1, {}));
    auto h = open(path, true);
    ASSERT_TRUE(h);
    ASSERT_TRUE(h->open(env.file("second.xml"), true));
    EXPECT_EQ(DirectPool::find_instance(path), nullptr);
    EXPECT_EQ(h->getNumProps(), 0u);
}

TEST_F(Sharing, NarrowPathsReachTheSameInstanceAsWideOnes) {
    auto wide = open(path, false);
    ASSERT_TRUE(wide);
    auto narrow = std::make_unique<TekVor4StrategyProxy>();
    ASSERT_TRUE(narrow->open(std::string(env.folder().string() + "/doc.xml"), false));
    EXPECT_EQ(narrow->instance(), wide->instance());
}

TEST_F(Sharing, ALoadedPathGivesNewHandlesTheRecordingInstance) {
    auto before = open(path, false);
    ASSERT_TRUE(before);
    {
        Loaded loaded(path);
        auto after = open(path, false);
        ASSERT_TRUE(after);
        EXPECT_EQ(after->instance(), CachedPool::find_instance(path));
        EXPECT_NE(after->instance(), before->instance()) << "a direct handle is never promoted";
        after->setX0(7.0);
        EXPECT_EQ(ek_history_get_undo_count(loaded.history()), 1u) << "the change went into the history";
        EXPECT_EQ(before->getX0(), 0.0) << "the two instances are separate document objects";
        EXPECT_EQ(loaded->getX0(), 7.0);
        EXPECT_EQ(loaded->ref_count(), 2);
    }
    EXPECT_EQ(CachedPool::find_instance(path), nullptr) << "handle and load both released";
}

TEST_F(Sharing, CreateInstanceSharesAndFreeReleases) {
    TekVor4Refcount* a = CachedPool::create_instance(path);
    TekVor4Refcount* b = CachedPool::create_instance(path);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a->ref_count(), 2);
    EXPECT_EQ(CachedPool::find_instance(path), a);
    EXPECT_EQ(a->ref_count(), 2) << "looking up touches no count";
    EXPECT_EQ(DirectPool::find_instance(path), nullptr) << "each class has its own pool";
    a->free();
    EXPECT_EQ(CachedPool::find_instance(path), b);
    b->free();
    EXPECT_EQ(CachedPool::find_instance(path), nullptr);
}

TEST_F(Sharing, TheInterfaceViewsOfAnInstanceAreOneObject) {
    TekVor4Refcount* r = DirectPool::create_instance(path);
    TekVor4* asDocument = r;
    auto* back = dynamic_cast<TekVor4Refcount*>(asDocument);
    EXPECT_EQ(back, r);
    EXPECT_TRUE(asDocument->open(path, true));
    EXPECT_EQ(r->getNumProps(), 3u);
    r->free();
}

TEST(PoolKeys, CodeUnitsCompareAsUnsignedNumbersAndPrefixesComeFirst) {
    CachedPool::key_comp less;
    const std::wstring a = L"abc", ab = L"ab", b = L"abd", upper = L"ABC";
    EXPECT_TRUE(less(&ab, &a));
    EXPECT_FALSE(less(&a, &ab));
    EXPECT_TRUE(less(&a, &b));
    EXPECT_TRUE(less(&upper, &a)) << "no case folding: 'A' is below 'a'";
    EXPECT_FALSE(less(&a, &a));
    std::wstring high(1, static_cast<wchar_t>(-1));  // the largest code unit
    const std::wstring low = L"z";
    EXPECT_TRUE(less(&low, &high));
    EXPECT_FALSE(less(&high, &low));
}

TEST_F(Sharing, PropertyHandlesKeepTheirIdentityAcrossADeletion) {
    auto h = open(path, false);
    ASSERT_TRUE(h);
    TekVor4Property* a = h->getProperty(0);
    TekVor4Property* c = h->getProperty(2);
    ASSERT_TRUE(h->deleteProperty(1));
    EXPECT_EQ(h->getProperty(0), a);
    EXPECT_EQ(h->getProperty(1), c);
    EXPECT_EQ(h->getProperty(2), nullptr) << "an index the document rejects gives null";
    EXPECT_EQ(h->getProperty(1000), nullptr);
}

TEST_F(Sharing, RecordingPropertyHandlesKeepTheirIdentityAcrossDeletions) {
    Loaded loaded(path);
    auto h = open(path, false);
    ASSERT_TRUE(h);
    TekVor4Property* a = h->getProperty(0);
    TekVor4Property* c = h->getProperty(2);
    ASSERT_NE(dynamic_cast<TekVor4PropertyCachedProxy*>(a), nullptr) << "the recording path wraps properties";
    EXPECT_EQ(a, loaded->getProperty(0)) << "both views hand out the instance's one proxy";
    ASSERT_TRUE(h->deleteProperty(1));
    EXPECT_EQ(h->getProperty(0), a);
    EXPECT_EQ(h->getProperty(1), c);
    EXPECT_EQ(loaded->property_proxies().size(), 2u) << "the deleted property's proxy is gone";
    ASSERT_TRUE(h->deletePropertyList(0));
    EXPECT_EQ(h->getProperty(0), c);
    EXPECT_EQ(loaded->property_proxies().size(), 1u);
    EXPECT_EQ(c->getNameW(), L"C");
}

TEST_F(Sharing, AForwardedDeletionNeverDestroysTheDocumentsProperty) {
    Loaded loaded(path);
    // No proxy was handed out for B: the forwarded deletion must not destroy anything itself.
    ASSERT_TRUE(loaded->deletePropertyList(1));
    EXPECT_EQ(loaded->getNumProps(), 2u);
    // A refused deletion keeps the handed-out proxy alive and working.
    TekVor4Property* a = loaded->getProperty(0);
    EXPECT_FALSE(loaded->deletePropertyList(5));
    EXPECT_EQ(loaded->getProperty(0), a);
    EXPECT_EQ(a->getNameW(), L"A");
}

TEST_F(Sharing, AHandleWithoutDocumentAnswersWithFailureValues) {
    TekVor4StrategyProxy h;
    EXPECT_EQ(h.instance(), nullptr);
    EXPECT_EQ(h.getNumProps(), 0u);
    EXPECT_EQ(h.getProperty(0), nullptr);
    EXPECT_EQ(h.getIndexByName(std::wstring(L"A")), -1);
    EXPECT_EQ(h.addProperty(std::wstring(L"A"), 0, 0, true), nullptr);
    EXPECT_FALSE(h.deleteProperty(0));
    EXPECT_FALSE(h.deleteVor());
    EXPECT_FALSE(h.save());
    h.setX0(3.0);
    h.assign(static_cast<TekVor4*>(nullptr));
    h.pack();
    long long dims[3] = {9, 9, 9};
    h.getDimensions64(dims);
    EXPECT_EQ(dims[0], 9);
    EXPECT_EQ(h.read_index(0, 1, nullptr, 0, 1, 1), 2);
}

TEST_F(Sharing, AssignThroughTheBaseObjectInterfaceTakesOnlyDocuments) {
    auto src = open(path, true);
    ASSERT_TRUE(src);
    auto dst = std::make_unique<TekVor4StrategyProxy>();
    ASSERT_TRUE(dst->create(env.file("copy.xml")));
    src->getX0();
    Tek_basic_obj* asBase = src.get();
    dst->assign(asBase);
    EXPECT_EQ(dst->getSizeX(), 4) << "the source's description was taken";
    Tek_extensible_obj plain;
    dst->assign(static_cast<Tek_basic_obj*>(&plain));  // not a document: nothing
    EXPECT_EQ(dst->getSizeX(), 4);
}

// --- the pooled open tries a failed read-only open twice ----------------------------------------

class CountingDocument : public TekVor4Impl {
public:
    bool open(const std::wstring& p, bool readOnly) override {
        ++opens;
        return TekVor4Impl::open(p, readOnly);
    }
    using TekVor4Impl::open;
    int opens = 0;
};

class CountingProxy : public TekVor4PoolProxy<CountingProxy> {
public:
    explicit CountingProxy(const std::wstring& p) : TekVor4PoolProxy<CountingProxy>(p) {}
    ~CountingProxy() override = default;
    TekVor4* subject() override { return &document; }
    CountingDocument document;
};

TEST(PooledOpen, AFailedReadOnlyOpenIsTriedTwice) {
    ek::test::TempDir dir;
    TekVor4Refcount* r = CountingProxy::create_instance(dir.file("missing.xml"));
    auto* proxy = dynamic_cast<CountingProxy*>(r);
    ASSERT_NE(proxy, nullptr);
    EXPECT_FALSE(r->open(dir.file("missing.xml"), true));
    EXPECT_EQ(proxy->document.opens, 2);
    EXPECT_FALSE(r->open(dir.file("missing.xml"), false));
    EXPECT_EQ(proxy->document.opens, 3) << "a failed write open is tried once";
    EXPECT_FALSE(proxy->opened());
    r->free();
}

TEST(PooledOpen, ASuccessfulOpenIsNotRepeated) {
    ek::test::TempDir dir;
    ASSERT_TRUE(ek::test::make_document(dir.file("d.xml"), 2, 2, {}));
    TekVor4Refcount* r = CountingProxy::create_instance(dir.file("d.xml"));
    auto* proxy = dynamic_cast<CountingProxy*>(r);
    EXPECT_TRUE(r->open(dir.file("d.xml"), false));
    EXPECT_TRUE(r->open(dir.file("d.xml"), true));
    EXPECT_TRUE(r->open(dir.file("d.xml"), false));
    EXPECT_EQ(proxy->document.opens, 1);
    r->free();
}

}  // namespace

namespace {

// --- exception safety of the update brackets ------------------------------------------------------

class ThrowingDocument : public TekVor4Impl {
public:
    using TekVor4Impl::addProperty;
    TekVor4Property* addProperty(const std::wstring&, unsigned char, unsigned char, bool) override {
        throw std::runtime_error("refused");
    }
    bool deleteProperty(unsigned int) override { throw std::runtime_error("refused"); }
};

class ForwardingProxy : public TekVor4Proxy {
public:
    TekVor4* subject() override { return &document; }
    ThrowingDocument document;
};

TEST(UpdateBrackets, AnExceptionStillClosesTheUpdateAndPassesOn) {
    ForwardingProxy proxy;
    EXPECT_THROW(proxy.addProperty(std::wstring(L"A"), 0, 0, false), std::runtime_error);
    EXPECT_EQ(proxy.update_depth(), 0u);
    EXPECT_EQ(proxy.update_nesting(), 0u);
    EXPECT_THROW(proxy.deleteProperty(0), std::runtime_error);
    EXPECT_EQ(proxy.update_depth(), 0u);
    // The next bracket works as usual.
    proxy.begin_update();
    EXPECT_EQ(proxy.update_nesting(), 1u);
    proxy.end_update();
    EXPECT_EQ(proxy.update_nesting(), 0u);
}

struct ThrowingItem : Tek_history_item_adapter_base {
    void redo() override { throw std::runtime_error("failed"); }
};

TEST(UpdateBrackets, AnItemThatFailsWithoutAHistoryIsFreedAndTheErrorPassesOn) {
    EXPECT_THROW(Tek_history_item_adapter_base::record(nullptr, std::make_unique<ThrowingItem>()),
                 std::runtime_error);
    // The sanitizer build reports the item if it was leaked.
}

}  // namespace
