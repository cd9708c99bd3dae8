// Undo history: a process-wide manager of histories, each a list of items with a position
// that splits it into undoable items (before) and redoable items (after).
//
// Re-entrancy: while a history runs a step (add, undo, redo, clear, destroy) it is busy, and a
// callback that calls back into the same history gets a defined answer instead of corrupting
// the list: undo and redo answer false, clear does nothing, add performs the new item once and
// erases it at once without recording it, and destroy is carried out when the step ends.
#include <algorithm>
#include <vector>

#include "ek_boundary.h"
#include "ekx_basic.h"

namespace {

struct Item {
    ek_history_callback redo;
    ek_history_callback undo;
    ek_history_callback erase;
    void* object;
};

// A host callback; whatever it throws stays here, so the history stays consistent.
void call(ek_history_callback callback, void* object) noexcept {
    if (!callback) return;
    try {
        callback(object);
    } catch (...) {
    }
}

}  // namespace

struct Tek_history {
    ek_history_callback begin_update;
    ek_history_callback end_update;
    void* wrapper;
    std::vector<Item> items;  // oldest first
    size_t done = 0;          // items[0, done) can be undone, items[done, size) redone
    int busy = 0;
    bool destroy_pending = false;
};

struct Tek_history_manager {
    std::vector<Tek_history*> histories;  // creation order
    bool enabled = true;

    ~Tek_history_manager() {
        // At process exit the hosts' objects may be gone already: free the records only.
        for (Tek_history* history : histories) delete history;
    }

    bool owns(const Tek_history* history) const {
        return history && std::find(histories.begin(), histories.end(), history) != histories.end();
    }
    void forget(const Tek_history* history) {
        histories.erase(std::remove(histories.begin(), histories.end(), history), histories.end());
    }
};

namespace {

Tek_history_manager& manager() {
    static Tek_history_manager instance;
    return instance;
}

// Erases every item, newest first. An item leaves the list before its erase callback runs,
// so the callback sees the history without it.
void erase_all(Tek_history& history) noexcept {
    while (!history.items.empty()) {
        const Item item = history.items.back();
        history.items.pop_back();
        if (history.done > history.items.size()) history.done = history.items.size();
        call(item.erase, item.object);
    }
}

// Marks the history busy for one step; frees it afterwards when it was destroyed meanwhile.
class Step {
public:
    explicit Step(Tek_history* history) : history_(history) { ++history_->busy; }
    ~Step() {
        if (--history_->busy == 0 && history_->destroy_pending) {
            ++history_->busy;
            erase_all(*history_);
            delete history_;
        }
    }
    Step(const Step&) = delete;
    Step& operator=(const Step&) = delete;

private:
    Tek_history* history_;
};

// A usable history: one of the manager's own, not being destroyed.
bool valid(const Tek_history* history) { return manager().owns(history); }

bool step(Tek_history* history, size_t steps, bool backwards) {
    if (!valid(history) || history->busy) return false;
    const size_t available = backwards ? history->done : history->items.size() - history->done;
    if (steps > available) return false;
    if (steps == 0) return true;
    Step guard(history);
    call(history->begin_update, history->wrapper);
    // A callback that destroys the history ends the walk; the bracket is still closed.
    for (size_t i = 0; i < steps && !history->destroy_pending; ++i) {
        if (backwards) {
            --history->done;
            const Item item = history->items[history->done];
            call(item.undo, item.object);
        } else {
            const Item item = history->items[history->done];
            ++history->done;
            call(item.redo, item.object);
        }
    }
    call(history->end_update, history->wrapper);
    return true;
}

}  // namespace

using ek::basic::guarded;

extern "C" {

void ek_history_manager_set_enabled(bool enabled) { manager().enabled = enabled; }

Tek_history_manager* ek_history_manager_get_instance(void) {
    Tek_history_manager& instance = manager();
    return instance.enabled ? &instance : nullptr;
}

Tek_history* ek_history_manager_create_history(Tek_history_manager* manager_handle, ek_history_callback begin_update,
                                               ek_history_callback end_update, void* wrapper) {
    if (manager_handle != &manager()) return nullptr;
    return guarded<Tek_history*>(nullptr, [&] {
        Tek_history* history = new Tek_history{begin_update, end_update, wrapper, {}};
        try {
            manager_handle->histories.push_back(history);
        } catch (...) {
            delete history;
            throw;
        }
        return history;
    });
}

size_t ek_history_manager_get_history_count(Tek_history_manager* manager_handle) {
    return manager_handle == &manager() ? manager_handle->histories.size() : 0;
}

Tek_history* ek_history_manager_get_history(Tek_history_manager* manager_handle, size_t index) {
    if (manager_handle != &manager() || index >= manager_handle->histories.size()) return nullptr;
    return manager_handle->histories[index];
}

void ek_history_add_item(Tek_history* history, ek_history_callback redo, ek_history_callback undo,
                         ek_history_callback erase, void* item) {
    if (!valid(history)) return;
    if (history->busy) {
        // Recording in the middle of another step would tear the list apart: the change is
        // made, and the item is discarded, as without a history.
        call(redo, item);
        call(erase, item);
        return;
    }
    Step guard(history);
    while (history->items.size() > history->done) {
        const Item dropped = history->items.back();
        history->items.pop_back();
        call(dropped.erase, dropped.object);
    }
    bool recorded = guarded(false, [&] {
        history->items.push_back(Item{redo, undo, erase, item});
        return true;
    });
    if (!recorded) {
        call(redo, item);
        call(erase, item);
        return;
    }
    history->done = history->items.size();
    call(redo, item);
}

size_t ek_history_get_undo_count(Tek_history* history) { return valid(history) ? history->done : 0; }

size_t ek_history_get_redo_count(Tek_history* history) {
    return valid(history) ? history->items.size() - history->done : 0;
}

bool ek_history_undo(Tek_history* history, size_t steps) { return step(history, steps, true); }

bool ek_history_redo(Tek_history* history, size_t steps) { return step(history, steps, false); }

void ek_history_clear(Tek_history* history) {
    if (!valid(history) || history->busy) return;
    Step guard(history);
    erase_all(*history);
}

void ek_history_destroy(Tek_history* history) {
    if (!valid(history)) return;
    manager().forget(history);
    history->destroy_pending = true;
    if (history->busy) return;  // the running step finishes the job
    Step guard(history);        // erases and frees on leaving
}

}  // extern "C"
