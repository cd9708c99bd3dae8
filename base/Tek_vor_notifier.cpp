#include "base/Tek_vor_notifier.h"

#include <algorithm>

#include "ek_text.h"
#include "filesystem/paths.h"

bool Tek_vor_notifier::icmp::operator()(const std::wstring& a, const std::wstring& b) const {
    return ek::text::compare_nocase(std::wstring_view(a), std::wstring_view(b)) < 0;
}

Tek_vor_notifier::registry_t& Tek_vor_notifier::f_map() {
    // Never destroyed: notifiers still registered at unload are left as they are.
    static registry_t* map = new registry_t();
    return *map;
}

const Tek_vor_notifier::registry_t& Tek_vor_notifier::registry() { return f_map(); }

Tek_vor_notifier* Tek_vor_notifier::get_instance(const wchar_t* path) {
    const std::wstring key = path ? path : L"";
    Tek_vor_notifier*& entry = f_map()[key];
    if (!entry) new Tek_vor_notifier(key.c_str());  // stores itself in the entry
    Tek_vor_notifier* notifier = f_map()[key];
    ++notifier->count_;
    // A notifier asked for before its folder existed starts watching once it does.
    notifier->watch_folder();
    return notifier;
}

Tek_vor_notifier::Tek_vor_notifier(const wchar_t* path) : count_(1), path_(path ? path : L"") {
    f_map()[path_] = this;
    lastTime_ = vor_mtime();
}

std::wstring Tek_vor_notifier::data_file_pattern() const {
    namespace fs = ek::filesystem;
    return fs::add_suffix(fs::change_extension(fs::filename(path_), L".property"), L".*");
}

// The watcher reports the metadata file and the data files only, so other files of a shared
// folder raise nothing. Its reports reach the host when the host dispatches them
// (ek_folder_watcher_dispatch of ekx_path), on the host's thread.
void Tek_vor_notifier::watch_folder() {
    namespace fs = ek::filesystem;
    if (folderWatcher_ || path_.empty()) return;
    Tek_folder_watcher* watcher = ek_folder_watcher_create_w(fs::directory(path_).c_str());
    if (!watcher) return;
    if (!ek_folder_watcher_add_mask_w(watcher, fs::filename(path_).c_str()) ||
        !ek_folder_watcher_add_mask_w(watcher, data_file_pattern().c_str())) {
        ek_folder_watcher_destroy(watcher);
        return;
    }
    folderWatcher_ = watcher;
    watchedChannel_ = ek_folder_watcher_get_event_channel(watcher);
    ek_event_channel_add_client(watchedChannel_, &event_channel_callback_proc, this);
}

Tek_vor_notifier::~Tek_vor_notifier() {
    if (watchedChannel_) ek_event_channel_del_client(watchedChannel_, &event_channel_callback_proc, this);
    if (folderWatcher_) ek_folder_watcher_destroy(folderWatcher_);
    auto it = f_map().find(path_);
    if (it != f_map().end() && it->second == this) f_map().erase(it);
}

void Tek_vor_notifier::release() {
    if (count_ == 0) return;
    if (--count_ == 0) delete this;
}

long long Tek_vor_notifier::vor_mtime() const {
    namespace fs = ek::filesystem;
    long long t = fs::file_mtime(path_);
    for (const std::wstring& file : fs::find(fs::directory(path_), data_file_pattern(), 2))
        t = std::max(t, fs::file_mtime(file));
    return t;
}

// Called with the folder watcher's report (an update event) or directly, without an event.
// The report itself counts as a change: it comes only for the document's own files, and times
// cannot tell every change apart — they are stored in whole seconds, and even the file
// system's finer times advance in clock ticks of some milliseconds, so a rewrite soon after
// the last one (a second save, another process's write right after ours) keeps the time.
// Without a report the times decide, as before. A report that finds every file gone is
// announced too: the document was deleted.
void Tek_vor_notifier::event_channel_callback_proc(Tek_table* event, void* notifier) {
    auto* self = static_cast<Tek_vor_notifier*>(notifier);
    if (!self) return;
    const bool reported = event && ek_event_queue_get_size(event) > 0 && ek_event_queue_get_update_event(event, 0);
    const long long t = self->vor_mtime();
    if (t == 0 && !reported) return;
    if (reported || t != self->lastTime_) {
        // A subscriber may release the last reference: the notifier stays until the end here.
        ++self->count_;
        self->begin_update();
        self->broadcast_update_event();
        self->end_update();
        if (t != 0) self->lastTime_ = t;
        self->release();
        return;
    }
    self->lastTime_ = t;
}
