// Folder watchers: masks, channels and the dispatch that turns the system's changes into one
// announcement per watcher and burst. The system side is in ek_folder_watch_<platform>.cpp.
#include <algorithm>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "ek_folder_watch_os.h"
#include "ek_text.h"
#include "ekx_path.h"

struct Tek_folder_watcher {
    uint64_t id = 0;
    long watch = -1;  // -1 once the system ended the watch
    std::vector<std::wstring> masks;
    Tek_event_channel* channel = nullptr;
};

namespace {

namespace os = ek::path::os;

// Every living watcher by creation order, and the number of watchers on each system watch.
// Never freed: a host may still dispatch or destroy from its own static destructors.
struct Registry {
    std::map<uint64_t, Tek_folder_watcher*> watchers;
    std::map<long, int> users;
    uint64_t next_id = 1;
    bool dispatching = false;
};

Registry& registry() {
    static Registry* r = new Registry();
    return *r;
}

wchar_t fold(wchar_t c, bool case_sensitive) { return case_sensitive ? c : ek::text::to_lower(c); }

// '*' any run, '?' one character; greedy with one point of return, which suffices for masks of
// this form.
bool matches(std::wstring_view mask, std::wstring_view name, bool case_sensitive) {
    size_t m = 0, n = 0, star = std::wstring_view::npos, resume = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == L'*') {
            star = m++;
            resume = n;
        } else if (m < mask.size() &&
                   (mask[m] == L'?' || fold(mask[m], case_sensitive) == fold(name[n], case_sensitive))) {
            ++m;
            ++n;
        } else if (star != std::wstring_view::npos) {
            m = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == L'*') ++m;
    return m == mask.size();
}

bool wants(const Tek_folder_watcher& w, const std::wstring& name) {
    if (w.masks.empty()) return true;
    const bool cs = os::names_case_sensitive();
    return std::any_of(w.masks.begin(), w.masks.end(), [&](const std::wstring& m) { return matches(m, name, cs); });
}

// The system watch loses one user; the last one removes it.
void release_watch(long watch) {
    auto it = registry().users.find(watch);
    if (it == registry().users.end()) return;
    if (--it->second > 0) return;
    registry().users.erase(it);
    os::remove_watch(watch);
}

// Marks the watchers that the changes concern.
void collect(std::vector<uint64_t>& touched) {
    std::vector<os::Change> changes;
    os::read_pending(changes);
    for (const os::Change& c : changes) {
        if (c.kind == os::Change::ended) {
            registry().users.erase(c.watch);
            for (auto& [id, w] : registry().watchers)
                if (w->watch == c.watch) w->watch = -1;
            continue;
        }
        for (auto& [id, w] : registry().watchers) {
            const bool concerned = c.kind == os::Change::lost || (w->watch == c.watch && w->watch >= 0 && wants(*w, c.name));
            if (concerned && std::find(touched.begin(), touched.end(), id) == touched.end()) touched.push_back(id);
        }
    }
}

constexpr int k_max_settle_rounds = 16;

}  // namespace

extern "C" {

Tek_folder_watcher* ek_folder_watcher_create_w(const wchar_t* folder) {
    if (!folder) return nullptr;
    try {
        auto* w = new Tek_folder_watcher();
        w->watch = os::add_watch(folder);
        if (w->watch < 0) {
            delete w;
            return nullptr;
        }
        w->channel = ek_event_channel_create();
        w->id = registry().next_id++;
        ++registry().users[w->watch];
        registry().watchers[w->id] = w;
        return w;
    } catch (...) {
        return nullptr;
    }
}

bool ek_folder_watcher_add_mask_w(Tek_folder_watcher* watcher, const wchar_t* mask) {
    if (!watcher || !mask) return false;
    try {
        watcher->masks.emplace_back(mask);
        return true;
    } catch (...) {
        return false;
    }
}

Tek_event_channel* ek_folder_watcher_get_event_channel(Tek_folder_watcher* watcher) {
    return watcher ? watcher->channel : nullptr;
}

intptr_t ek_folder_watcher_get_wait_handle(void) { return os::wait_handle(); }

int ek_folder_watcher_dispatch(unsigned int settle_ms) {
    Registry& r = registry();
    if (r.dispatching) return 0;
    struct Busy {
        bool& flag;
        explicit Busy(bool& f) : flag(f) { flag = true; }
        ~Busy() { flag = false; }
    } busy(r.dispatching);
    try {
        std::vector<uint64_t> touched;
        if (os::wait(0)) {
            collect(touched);
            const int settle = static_cast<int>(std::min(settle_ms, 60'000u));
            // Also after changes that touched no watcher yet: a burst's own file may come next.
            for (int round = 0; round < k_max_settle_rounds && os::wait(settle); ++round)
                collect(touched);
        }
        // Each announcement may destroy or create watchers: look each one up again.
        int announced = 0;
        std::sort(touched.begin(), touched.end());
        for (uint64_t id : touched) {
            auto it = r.watchers.find(id);
            if (it == r.watchers.end()) continue;
            Tek_tuple event;
            ek_update_event_init(&event);
            ek_event_channel_broadcast(it->second->channel, &event);
            ek_update_event_clear(&event);
            ++announced;
        }
        return announced;
    } catch (...) {
        return 0;
    }
}

void ek_folder_watcher_destroy(Tek_folder_watcher* watcher) {
    if (!watcher) return;
    try {
        registry().watchers.erase(watcher->id);
        if (watcher->watch >= 0) release_watch(watcher->watch);
    } catch (...) {
    }
    // A channel destroyed while it delivers is freed when its delivery ends.
    ek_event_channel_destroy(watcher->channel);
    delete watcher;
}

}  // extern "C"
