// The one change notifier of a document path: where the code that changes a document and the
// code that watches it meet. Registered per path without regard to letter case; counted
// references; the registry itself holds one reference that is never released.
#pragma once

#include <map>
#include <string>

#include "base/Tek_extensible_obj.h"
#include "ekx_path.h"

class Tek_vor_notifier : public Tek_extensible_obj {
public:
    struct icmp {
        bool operator()(const std::wstring& a, const std::wstring& b) const;
    };
    using registry_t = std::map<std::wstring, Tek_vor_notifier*, icmp>;

    // The notifier of the path, created on first request; adds one reference.
    static Tek_vor_notifier* get_instance(const wchar_t* path);
    // Releases one reference; the last one deletes the notifier.
    void release();

    // Latest modification time, in seconds since 1970, of the metadata file and every data
    // file of the document; 0 when none can be read.
    long long vor_mtime() const;
    // The external-change check: announces a change when the document's files changed since
    // the time last seen, or when the event is the folder watcher's report that they changed.
    static void event_channel_callback_proc(Tek_table* event, void* notifier);

    const std::wstring& path() const { return path_; }
    unsigned int count() const { return count_; }
    long long last_time() const { return lastTime_; }
    static const registry_t& registry();

    ~Tek_vor_notifier() override;

private:
    explicit Tek_vor_notifier(const wchar_t* path);
    static registry_t& f_map();
    // The name pattern of the document's data files (field.*.property for field.xml).
    std::wstring data_file_pattern() const;
    // Watches the document's folder for changes of its files, unless it already does or the
    // folder cannot be watched (yet).
    void watch_folder();

    unsigned int count_;
    std::wstring path_;
    Tek_event_channel* watchedChannel_ = nullptr;
    Tek_folder_watcher* folderWatcher_ = nullptr;
    long long lastTime_ = 0;
};
