// The per-path change notifier: one per path without regard to letter case, counted references
// with one kept by the registry, the document's modification time and the external-change check.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "base/Tek_vor_notifier.h"
#include "base/event_log.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using N = Tek_vor_notifier;

// One notifier per path, letter case ignored and nothing else normalised; it keeps the path as first
// given. The registry's own reference keeps a released notifier alive, with its subscribers.
TEST(VorNotifier, OnePerPathAndTheRegistrysOwnReference) {
    ek::test::TempDir dir;
    const std::wstring base = dir.file("Field.xml"), folder = dir.file(""), sep = L"C:\\data\\ekx_sep\\doc.xml";
    const std::tuple<std::wstring, std::wstring, bool> rows[] = {
        {base, dir.file("FIELD.XML"), true}, {folder + L"Поле.xml", folder + L"пОЛЕ.XML", true},
        {sep, L"C:/data/ekx_sep/doc.xml", false}, {sep, L"C:\\data\\ekx_sep\\.\\doc.xml", false}, {sep, sep + L"\\", false}};
    for (const auto& [a, b, same] : rows) {
        N *first = N::get_instance(a.c_str()), *second = N::get_instance(b.c_str());
        EXPECT_EQ(first == second, same) << std::string(b.begin(), b.end());
        EXPECT_EQ(first->path(), a) << "the path as first given";
        first->release(), second->release();
    }
    const std::wstring path = dir.file("kept.xml");
    N* first = N::get_instance(path.c_str());
    EXPECT_EQ(first->count(), 2u) << "one for the registry, one for the caller";
    {
        ek::test::EventLog log(first->get_update_event_channel());
        first->release();
        N* again = N::get_instance(path.c_str());
        EXPECT_TRUE(again == first && again->count() == 2);
        again->begin_update(), again->broadcast_update_event(), again->end_update(), again->release();
        EXPECT_EQ(log.text(), "B U{} E") << "a subscriber from before the release still hears the changes";
    }
    first->release();  // one more than obtained: the registry's own
    EXPECT_EQ(N::registry().count(path), 0u);
}

// The modification time is the latest of the metadata file and the document's data files
// (field.*.property); missing files count as 0. The external-change check announces a time that
// differs from the last one seen, and stores it unless it is 0.
TEST(VorNotifier, ModificationTimeAndTheExternalChangeCheck) {
    ek::test::TempDir dir;
    auto touch = [&](const char* file, long long seconds) {
        if (!fs::exists(dir.path() / file)) std::ofstream(dir.path() / file) << "x";
        fs::last_write_time(dir.path() / file, fs::file_time_type::clock::from_sys(std::chrono::sys_seconds{std::chrono::seconds(seconds)}));
    };
    touch("field.xml", 1'600'000'000);
    N* n = N::get_instance(dir.file("field.xml").c_str());
    EXPECT_EQ(n->last_time(), 1'600'000'000) << "the time seen at construction";
    ek::test::EventLog log(n->get_update_event_channel());
    const struct { const char* file; long long time, mtime; const char* events; } steps[] = {
        {nullptr, 0, 1'600'000'000, ""},  // nothing changed since construction
        {"field.Depth.property", 1'600'000'500, 1'600'000'500, "B U{} E"}, {"field.Age.property", 1'600'000'200, 1'600'000'500, ""},
        {"fields.Depth.property", 1'700'000'000, 1'600'000'500, ""},  // another document
        {"field.Depth.bak", 1'700'000'000, 1'600'000'500, ""}, {"other.xml", 1'700'000'000, 1'600'000'500, ""},
        {"-field.Depth.property", 0, 1'600'000'200, "B U{} E"},  // an earlier time is news
        {"-field.xml", 0, 1'600'000'200, ""},                     // a data file alone still counts
        {"-field.Age.property", 0, 0, ""}};                       // no files: 0, not stored
    for (const auto& s : steps) {
        if (s.file && s.file[0] == '-') fs::remove(dir.path() / (s.file + 1));
        else if (s.file) touch(s.file, s.time);
        log.clear();
        EXPECT_EQ(n->vor_mtime(), s.mtime) << (s.file ? s.file : "-");
        N::event_channel_callback_proc(nullptr, n);
        EXPECT_EQ(log.text(), s.events) << (s.file ? s.file : "-");
    }
    EXPECT_EQ(n->last_time(), 1'600'000'200) << "time 0 is not stored";
    N::event_channel_callback_proc(nullptr, nullptr);  // no notifier: nothing
    n->release();
}

}  // namespace
