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
    return notifier;
}

Tek_vor_notifier::Tek_vor_notifier(const wchar_t* path) : count_(1), path_(path ? path : L"") {
    f_map()[path_] = this;
    lastTime_ = vor_mtime();
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
    const std::wstring pattern = fs::add_suffix(fs::change_extension(fs::filename(path_), L".property"), L".*");
    for (const std::wstring& file : fs::find(fs::directory(path_), pattern, 2)) t = std::max(t, fs::file_mtime(file));
    return t;
}

void Tek_vor_notifier::event_channel_callback_proc(Tek_table* /*event*/, void* notifier) {
    auto* self = static_cast<Tek_vor_notifier*>(notifier);
    if (!self) return;
    const long long t = self->vor_mtime();
    if (t == 0) return;
    if (t != self->lastTime_) {
        self->begin_update();
        self->broadcast_update_event();
        self->end_update();
    }
    self->lastTime_ = t;
}
