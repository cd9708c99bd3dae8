// The per-path change notifier: one per path without regard to letter case, counted references
// with one kept by the registry, the documents' modification time and the external-change check.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/Tek_vor_notifier.h"
#include "base/event_log.h"
#include "support/temp_dir.h"

namespace {

using ek::test::EventLog;
namespace fs = std::filesystem;

void touch(const fs::path& file, std::chrono::seconds sinceEpoch) {
    if (!fs::exists(file)) std::ofstream(file) << "x";
    fs::last_write_time(file, fs::file_time_type::clock::from_sys(std::chrono::sys_seconds(sinceEpoch)));
}

// Releases a reference when the test ends.
struct Held {
    Tek_vor_notifier* n;
    explicit Held(const std::wstring& path) : n(Tek_vor_notifier::get_instance(path.c_str())) {}
    ~Held() { n->release(); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
};

TEST(VorNotifier, PathsDifferingInLetterCaseShareOneNotifier) {
    ek::test::TempDir dir;
    Held a(dir.file("Field.xml"));
    Held b(dir.file("FIELD.XML"));
    Held c(dir.file("field.xml"));
    EXPECT_EQ(a.n, b.n);
    EXPECT_EQ(a.n, c.n);
    EXPECT_EQ(a.n->path(), dir.file("Field.xml")) << "the path as first given";
}

TEST(VorNotifier, LatinAndCyrillicLettersFoldAlike) {
    ek::test::TempDir dir;
    Held a(dir.file("") + L"Поле.xml");
    Held b(dir.file("") + L"пОЛЕ.XML");
    EXPECT_EQ(a.n, b.n);
}

TEST(VorNotifier, OtherSeparatorsRelativeFormsAndTrailingSeparatorsGiveOtherNotifiers) {
    const std::wstring path = L"C:\\data\\ekx_notifier_sep\\doc.xml";
    Held a(path);
    Held b(L"C:/data/ekx_notifier_sep/doc.xml");
    Held c(L"C:\\data\\ekx_notifier_sep\\.\\doc.xml");
    Held d(L"C:\\data\\ekx_notifier_sep\\doc.xml\\");
    EXPECT_NE(a.n, b.n);
    EXPECT_NE(a.n, c.n);
    EXPECT_NE(a.n, d.n);
    EXPECT_NE(b.n, c.n);
}

TEST(VorNotifier, TheRegistryKeepsOneReferenceOfItsOwn) {
    ek::test::TempDir dir;
    const std::wstring path = dir.file("kept.xml");
    Tek_vor_notifier* first = Tek_vor_notifier::get_instance(path.c_str());
    EXPECT_EQ(first->count(), 2u) << "one for the registry, one for the caller";
    EventLog log(first->get_update_event_channel());
    first->release();
    ASSERT_EQ(Tek_vor_notifier::registry().count(path), 1u) << "the registry's reference keeps it alive";

    Tek_vor_notifier* again = Tek_vor_notifier::get_instance(path.c_str());
    EXPECT_EQ(again, first);
    again->begin_update();
    again->broadcast_update_event();
    again->end_update();
    EXPECT_EQ(log.text(), "B U{} E") << "a subscriber from before the release still hears the changes";
    again->release();
}

TEST(VorNotifier, ReleasingOneReferenceMoreThanObtainedUnregistersIt) {
    ek::test::TempDir dir;
    const std::wstring path = dir.file("gone.xml");
    Tek_vor_notifier* n = Tek_vor_notifier::get_instance(path.c_str());
    n->release();
    n->release();  // the registry's own
    EXPECT_EQ(Tek_vor_notifier::registry().count(path), 0u);
    Tek_vor_notifier* fresh = Tek_vor_notifier::get_instance(path.c_str());
    EXPECT_EQ(fresh->count(), 2u);
    fresh->release();
}

TEST(VorNotifier, AGroupOpenedFromOutsideHoldsTheChangeUntilItsEnd) {
    ek::test::TempDir dir;
    Held h(dir.file("group.xml"));
    EventLog log(h.n->get_update_event_channel());
    EXPECT_EQ(h.n->begin_update(), 1u);
    h.n->begin_update();
    h.n->broadcast_update_event();
    h.n->end_update();
    EXPECT_EQ(log.text(), "B");
    h.n->end_update();
    EXPECT_EQ(log.text(), "B U{} E");
}

TEST(VorNotifier, ModificationTimeIsTheLatestOfTheMetadataAndDataFiles) {
    ek::test::TempDir dir;
    const fs::path doc = dir.path() / "field.xml";
    touch(doc, std::chrono::seconds(1'600'000'000));
    Held h(doc.wstring());
    EXPECT_EQ(h.n->vor_mtime(), 1'600'000'000);
    EXPECT_EQ(h.n->last_time(), 1'600'000'000) << "the time seen at construction";

    touch(dir.path() / "field.Depth.property", std::chrono::seconds(1'600'000'500));
    touch(dir.path() / "field.Age.property", std::chrono::seconds(1'600'000'200));
    EXPECT_EQ(h.n->vor_mtime(), 1'600'000'500);

    // Files of other documents or of other kinds do not count.
    touch(dir.path() / "fields.Depth.property", std::chrono::seconds(1'700'000'000));
    touch(dir.path() / "field.Depth.bak", std::chrono::seconds(1'700'000'000));
    touch(dir.path() / "other.xml", std::chrono::seconds(1'700'000'000));
    EXPECT_EQ(h.n->vor_mtime(), 1'600'000'500);
}

TEST(VorNotifier, ADocumentWithoutFilesHasTimeZero) {
    ek::test::TempDir dir;
    Held h(dir.file("missing.xml"));
    EXPECT_EQ(h.n->vor_mtime(), 0);
    // A data file alone still counts.
    touch(dir.path() / "missing.A.property", std::chrono::seconds(1'650'000'000));
    EXPECT_EQ(h.n->vor_mtime(), 1'650'000'000);
}

TEST(VorNotifier, TheExternalChangeCheckAnnouncesOnlyChangedTimes) {
    ek::test::TempDir dir;
    const fs::path doc = dir.path() / "watched.xml";
    touch(doc, std::chrono::seconds(1'600'000'000));
    Held h(doc.wstring());
    EventLog log(h.n->get_update_event_channel());

    Tek_vor_notifier::event_channel_callback_proc(nullptr, h.n);
    EXPECT_TRUE(log.events().empty()) << "nothing changed since the notifier was made";

    touch(dir.path() / "watched.P.property", std::chrono::seconds(1'600'000'100));
    Tek_vor_notifier::event_channel_callback_proc(nullptr, h.n);
    EXPECT_EQ(log.text(), "B U{} E");
    EXPECT_EQ(h.n->last_time(), 1'600'000'100);

    Tek_vor_notifier::event_channel_callback_proc(nullptr, h.n);
    EXPECT_EQ(log.text(), "B U{} E") << "the same time is not announced twice";

    // An earlier time is a change too.
    fs::remove(dir.path() / "watched.P.property");
    Tek_vor_notifier::event_channel_callback_proc(nullptr, h.n);
    EXPECT_EQ(log.text(), "B U{} E B U{} E");
}

TEST(VorNotifier, TheExternalChangeCheckIgnoresMissingDocuments) {
    ek::test::TempDir dir;
    const fs::path doc = dir.path() / "vanishing.xml";
    touch(doc, std::chrono::seconds(1'600'000'000));
    Held h(doc.wstring());
    EventLog log(h.n->get_update_event_channel());
    fs::remove(doc);
    Tek_vor_notifier::event_channel_callback_proc(nullptr, h.n);
    EXPECT_TRUE(log.events().empty());
    EXPECT_EQ(h.n->last_time(), 1'600'000'000) << "time 0 is not stored";
    Tek_vor_notifier::event_channel_callback_proc(nullptr, nullptr);  // no notifier: nothing
}

}  // namespace
