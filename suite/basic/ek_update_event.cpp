// Events as tuples (element 0 the id, element 1 the data), the update event's property list,
// and the readers of an event queue.
//
// A property list is a tuple of entries; each entry is a variant holding a tuple of two
// elements: the key (an integer or a narrow string) and its nested list (a tuple) or nothing.
// A key without a nested list stands for the whole key: nothing narrower is known. So when
// lists are aggregated, a key that is already whole stays whole, and a key merged with a
// list that names nothing becomes whole.
#include <cstring>
#include <utility>

#include "ek_boundary.h"
#include "ek_variant_impl.h"

using namespace ek::basic;

namespace {

constexpr size_t npos = static_cast<size_t>(-1);

struct OwnedTuple {
    Tek_tuple tuple{nullptr, 0, 0};
    OwnedTuple() = default;
    explicit OwnedTuple(Tek_tuple t) : tuple(t) {}
    ~OwnedTuple() { tuple_release(tuple); }
    OwnedTuple(const OwnedTuple&) = delete;
    OwnedTuple& operator=(const OwnedTuple&) = delete;
};

struct OwnedAny {
    Tek_any any{EK_ANY_EMPTY, {0}};
    ~OwnedAny() { any_release(any); }
};

// The entry at i when it is well formed, else null.
const Tek_tuple* entry_at(const Tek_tuple& list, size_t i) {
    const Tek_any& item = list.items[i];
    if (item.kind != EK_ANY_TUPLE || !item.value.tuple || !item.value.tuple->items || item.value.tuple->size < 1)
        return nullptr;
    return item.value.tuple;
}

const Tek_tuple* nested_of(const Tek_tuple& entry) {
    if (entry.size < 2 || entry.items[1].kind != EK_ANY_TUPLE) return nullptr;
    return entry.items[1].value.tuple;
}

size_t list_size(const Tek_tuple* list) { return list && list->items ? list->size : 0; }

bool names_no_key(const Tek_tuple* list) {
    for (size_t i = 0; i < list_size(list); ++i)
        if (entry_at(*list, i)) return false;
    return true;
}

size_t find_key(const Tek_tuple& list, const Tek_any& key) {
    for (size_t i = 0; i < list_size(&list); ++i) {
        const Tek_tuple* entry = entry_at(list, i);
        if (entry && any_cmp(entry->items[0], key) == 0) return i;
    }
    return npos;
}

// Appends the entry (key, nothing) and returns it; the list is unchanged when this fails.
Tek_tuple& append_entry(Tek_tuple& list, const Tek_any& key) {
    OwnedAny entry;
    entry.any.value.tuple = new Tek_tuple{nullptr, 0, 0};
    entry.any.kind = EK_ANY_TUPLE;
    tuple_set_size(*entry.any.value.tuple, 2);
    any_copy_into(entry.any.value.tuple->items[0], key);
    const size_t at = list_size(&list);
    tuple_set_size(list, at + 1);
    list.items[at] = entry.any;
    entry.any.kind = EK_ANY_EMPTY;  // ownership moved into the list
    return *list.items[at].value.tuple;
}

void aggregate(Tek_tuple& list, const Tek_any& key, const Tek_tuple* details);

// Merges every entry of details into target.
void merge_entries(Tek_tuple& target, const Tek_tuple& details) {
    for (size_t i = 0; i < list_size(&details); ++i) {
        const Tek_tuple* entry = entry_at(details, i);
        if (entry) aggregate(target, entry->items[0], nested_of(*entry));
    }
}

void aggregate(Tek_tuple& list, const Tek_any& key, const Tek_tuple* details) {
    const size_t found = find_key(list, key);
    if (found == npos) {
        Tek_tuple& entry = append_entry(list, key);
        if (names_no_key(details)) return;  // the whole key
        OwnedTuple nested;
        merge_entries(nested.tuple, *details);
        entry.items[1].kind = EK_ANY_TUPLE;
        entry.items[1].value.tuple = new Tek_tuple(nested.tuple);
        nested.tuple = Tek_tuple{nullptr, 0, 0};
        return;
    }
    Tek_tuple& entry = *list.items[found].value.tuple;
    if (entry.size < 2) tuple_set_size(entry, 2);
    Tek_any& nested = entry.items[1];
    if (nested.kind != EK_ANY_TUPLE || !nested.value.tuple) {
        any_release(nested);  // already the whole key
        return;
    }
    if (names_no_key(details)) {
        any_release(nested);  // merged with "anything": the whole key
        return;
    }
    merge_entries(*nested.value.tuple, *details);
}

// Aggregation works on a copy that replaces the list only when complete, so a failure leaves
// the list unchanged and details may even point into the list itself.
void aggregate_into(Tek_tuple& list, const Tek_any& key, const Tek_tuple* details) {
    OwnedTuple work(tuple_clone(list));
    aggregate(work.tuple, key, details);
    std::swap(list, work.tuple);
}

void add_key(Tek_tuple& list, const Tek_any& key) {
    if (find_key(list, key) == npos) append_entry(list, key);
}

Tek_any integer_key(int key) {
    Tek_any any;
    any.kind = EK_ANY_INTEGER;
    any.value.integer = key;
    return any;
}

Tek_any string_key(const char* key) {
    Tek_any any;
    any.kind = EK_ANY_STRING;
    any.value.string = const_cast<char*>(key);  // only read: copied when stored
    return any;
}

void init_event(Tek_tuple* event, int id) {
    if (!event) return;
    *event = Tek_tuple{nullptr, 0, 0};
    guarded([&] {
        tuple_set_size(*event, 2);
        event->items[0].kind = EK_ANY_INTEGER;
        event->items[0].value.integer = id;
    });
}

bool has_id(const Tek_tuple* event, int id) {
    return event && event->items && event->size >= 1 && event->items[0].kind == EK_ANY_INTEGER &&
           event->items[0].value.integer == id;
}

// The event's property list, created empty when it has none; null for a non-update event.
Tek_tuple* details_for_change(Tek_tuple* event) {
    if (!has_id(event, EK_UPDATE_EVENT_ID)) return nullptr;
    if (event->size < 2) tuple_set_size(*event, 2);
    Tek_any& data = event->items[1];
    if (data.kind != EK_ANY_TUPLE || !data.value.tuple) {
        any_release(data);
        data.value.tuple = new Tek_tuple{nullptr, 0, 0};
        data.kind = EK_ANY_TUPLE;
    }
    return data.value.tuple;
}

Tek_tuple* queue_event_of_kind(Tek_table* queue, size_t index, int id) {
    if (!queue || index >= queue->rows.size()) return nullptr;
    Tek_tuple* event = &queue->rows[index];
    return has_id(event, id) ? event : nullptr;
}

}  // namespace

extern "C" {

void ek_update_event_init(Tek_tuple* event) { init_event(event, EK_UPDATE_EVENT_ID); }
void ek_update_event_clear(Tek_tuple* event) {
    if (event) tuple_release(*event);
}

void ek_update_event_init_details(Tek_tuple* event) {
    guarded([&] {
        Tek_tuple* details = details_for_change(event);
        if (details) tuple_release(*details);
    });
}

Tek_update_prop_list* ek_update_event_get_details(Tek_tuple* event) {
    if (!has_id(event, EK_UPDATE_EVENT_ID) || event->size < 2) return nullptr;
    Tek_any& data = event->items[1];
    return data.kind == EK_ANY_TUPLE ? data.value.tuple : nullptr;
}

void ek_update_event_add_prop_integer(Tek_tuple* event, int key) {
    guarded([&] {
        if (Tek_tuple* details = details_for_change(event)) add_key(*details, integer_key(key));
    });
}

void ek_update_event_add_prop_string(Tek_tuple* event, const char* key) {
    if (!key) return;
    guarded([&] {
        if (Tek_tuple* details = details_for_change(event)) add_key(*details, string_key(key));
    });
}

void ek_update_event_aggr_prop_integer(Tek_tuple* event, int key, const Tek_update_prop_list* details) {
    guarded([&] {
        if (Tek_tuple* list = details_for_change(event)) aggregate_into(*list, integer_key(key), details);
    });
}

void ek_update_event_aggr_prop_string(Tek_tuple* event, const char* key, const Tek_update_prop_list* details) {
    if (!key) return;
    guarded([&] {
        if (Tek_tuple* list = details_for_change(event)) aggregate_into(*list, string_key(key), details);
    });
}

void ek_update_event_prop_list_add_integer(Tek_update_prop_list* list, int key) {
    if (!list) return;
    guarded([&] { add_key(*list, integer_key(key)); });
}

void ek_update_event_prop_list_add_string(Tek_update_prop_list* list, const char* key) {
    if (!list || !key) return;
    guarded([&] { add_key(*list, string_key(key)); });
}

void ek_update_event_prop_list_aggr_integer(Tek_update_prop_list* list, int key, const Tek_update_prop_list* details) {
    if (!list) return;
    guarded([&] { aggregate_into(*list, integer_key(key), details); });
}

void ek_update_event_prop_list_aggr_string(Tek_update_prop_list* list, const char* key,
                                           const Tek_update_prop_list* details) {
    if (!list || !key) return;
    guarded([&] { aggregate_into(*list, string_key(key), details); });
}

bool ek_update_event_prop_list_find(const Tek_update_prop_list* list, const Tek_any* key) {
    if (!key) return false;
    if (names_no_key(list)) return true;  // "anything may have changed"
    return find_key(*list, *key) != npos;
}

bool ek_update_event_prop_list_find_integer(const Tek_update_prop_list* list, int key) {
    const Tek_any any = integer_key(key);
    return ek_update_event_prop_list_find(list, &any);
}

bool ek_update_event_prop_list_find_string(const Tek_update_prop_list* list, const char* key) {
    if (!key) return false;
    const Tek_any any = string_key(key);
    return ek_update_event_prop_list_find(list, &any);
}

size_t ek_update_event_prop_list_get_size(const Tek_update_prop_list* list) { return list_size(list); }

const Tek_any* ek_update_event_prop_list_get_key(const Tek_update_prop_list* list, size_t index) {
    if (index >= list_size(list)) return nullptr;
    const Tek_tuple* entry = entry_at(*list, index);
    return entry ? &entry->items[0] : nullptr;
}

const Tek_update_prop_list* ek_update_event_prop_list_get_nested(const Tek_update_prop_list* list, size_t index) {
    if (index >= list_size(list)) return nullptr;
    const Tek_tuple* entry = entry_at(*list, index);
    return entry ? nested_of(*entry) : nullptr;
}

void ek_begin_update_event_init(Tek_tuple* event) { init_event(event, EK_BEGIN_UPDATE_EVENT_ID); }
void ek_begin_update_event_clear(Tek_tuple* event) {
    if (event) tuple_release(*event);
}
void ek_end_update_event_init(Tek_tuple* event) { init_event(event, EK_END_UPDATE_EVENT_ID); }
void ek_end_update_event_clear(Tek_tuple* event) {
    if (event) tuple_release(*event);
}

size_t ek_event_queue_get_size(const Tek_table* queue) { return queue ? queue->rows.size() : 0; }

Tek_tuple* ek_event_queue_get_event(Tek_table* queue, size_t index) {
    if (!queue || index >= queue->rows.size()) return nullptr;
    return &queue->rows[index];
}

Tek_tuple* ek_event_queue_get_update_event(Tek_table* queue, size_t index) {
    return queue_event_of_kind(queue, index, EK_UPDATE_EVENT_ID);
}

Tek_tuple* ek_event_queue_get_begin_update_event(Tek_table* queue, size_t index) {
    return queue_event_of_kind(queue, index, EK_BEGIN_UPDATE_EVENT_ID);
}

Tek_tuple* ek_event_queue_get_end_update_event(Tek_table* queue, size_t index) {
    return queue_event_of_kind(queue, index, EK_END_UPDATE_EVENT_ID);
}

int ek_event_get_id(const Tek_tuple* event) {
    if (!event || !event->items || event->size < 1 || event->items[0].kind != EK_ANY_INTEGER) return 0;
    return static_cast<int>(event->items[0].value.integer);
}

}  // extern "C"
