/* ekx_basic — basic services of the ekx suite: variants, tuples and tables; event channels
 * and update events; the undo history; string transfer; options; transliteration of names;
 * floating-point exception control.
 *
 * Plain C interface, usable from C99 and C++. Every function accepts null handles and null
 * texts and then answers with its failure value (null, false, 0) or does nothing. No C++
 * exception leaves any function of this library. */
#ifndef EKX_BASIC_H
#define EKX_BASIC_H

#include <stdbool.h>
#include <stddef.h>
#include <wchar.h>

#if defined(_WIN32)
#  if defined(EKX_BASIC_BUILD)
#    define EKX_BASIC_API __declspec(dllexport)
#  else
#    define EKX_BASIC_API __declspec(dllimport)
#  endif
#else
#  define EKX_BASIC_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ------------------------------------------------------------------------------------------
 * Variants, tuples and tables.
 *
 * A Tek_any holds one value of the kinds below and owns what it points to. A Tek_tuple is a
 * growable sequence of variants; a Tek_table is a growable sequence of tuples (its rows).
 * Tek_any and Tek_tuple are complete types so that callers may embed them by value; their
 * fields belong to this library: use the functions. A variant or tuple must be initialised
 * (any_init, tuple_init) before any other use and released (any_clear, tuple_clear) after.
 * ------------------------------------------------------------------------------------------ */

enum {
    EK_ANY_EMPTY = 0,
    EK_ANY_INTEGER = 1,  /* signed 64-bit */
    EK_ANY_DOUBLE = 2,
    EK_ANY_STRING = 3,   /* narrow text, owned copy */
    EK_ANY_WSTRING = 4,  /* wide text, owned copy */
    EK_ANY_TUPLE = 5,    /* owned tuple */
    EK_ANY_POINTER = 6   /* opaque pointer, not owned */
};

struct Tek_tuple;

typedef struct Tek_any {
    int kind;
    union {
        long long integer;
        double real;
        char* string;
        wchar_t* wstring;
        struct Tek_tuple* tuple;
        void* pointer;
    } value;
} Tek_any;

typedef struct Tek_tuple {
    Tek_any* items;
    size_t size;
    size_t capacity;
} Tek_tuple;

typedef struct Tek_table Tek_table;

EKX_BASIC_API void any_init(Tek_any* any);
EKX_BASIC_API void any_clear(Tek_any* any);                          /* back to empty */
EKX_BASIC_API void any_assign(Tek_any* dst, const Tek_any* src);     /* deep copy; null src empties */
EKX_BASIC_API void any_assign_integer(Tek_any* any, long long value);
EKX_BASIC_API void any_assign_double(Tek_any* any, double value);
EKX_BASIC_API void any_assign_string(Tek_any* any, const char* text);       /* null: "" */
EKX_BASIC_API void any_assign_wstring(Tek_any* any, const wchar_t* text);   /* null: L"" */
EKX_BASIC_API void any_assign_tuple(Tek_any* any, const Tek_tuple* tuple);  /* deep copy */
EKX_BASIC_API void any_assign_pointer(Tek_any* any, void* pointer);
EKX_BASIC_API int any_get_kind(const Tek_any* any);                   /* EK_ANY_EMPTY for null */
EKX_BASIC_API long long any_get_integer(const Tek_any* any);          /* 0 unless integer */
EKX_BASIC_API double any_get_double(const Tek_any* any);              /* integer widened; else 0 */
EKX_BASIC_API const char* any_get_string(const Tek_any* any);         /* null unless narrow text */
EKX_BASIC_API const wchar_t* any_get_wstring(const Tek_any* any);     /* null unless wide text */
EKX_BASIC_API Tek_tuple* any_get_tuple(Tek_any* any);                 /* null unless tuple */
EKX_BASIC_API void* any_get_pointer(const Tek_any* any);              /* null unless pointer */
EKX_BASIC_API int any_compare(const Tek_any* a, const Tek_any* b);    /* 0 when equal */

EKX_BASIC_API void tuple_init(Tek_tuple* tuple);
EKX_BASIC_API void tuple_clear(Tek_tuple* tuple);                       /* size 0, memory freed */
EKX_BASIC_API void tuple_resize(Tek_tuple* tuple, size_t size);         /* new elements empty */
EKX_BASIC_API size_t tuple_get_size(const Tek_tuple* tuple);
EKX_BASIC_API Tek_any* tuple_get(Tek_tuple* tuple, size_t index);       /* null past the end */
EKX_BASIC_API void tuple_assign(Tek_tuple* dst, const Tek_tuple* src);  /* deep copy */
EKX_BASIC_API int tuple_compare(const Tek_tuple* a, const Tek_tuple* b);

EKX_BASIC_API Tek_table* table_create(void);
EKX_BASIC_API void table_destroy(Tek_table* table);
EKX_BASIC_API void table_assign(Tek_table* dst, const Tek_table* src);  /* deep copy */
EKX_BASIC_API int table_compare(const Tek_table* a, const Tek_table* b); /* 0 when equal */
EKX_BASIC_API void table_resize(Tek_table* table, size_t rows);         /* new rows empty */
EKX_BASIC_API size_t table_get_size(const Tek_table* table);
EKX_BASIC_API Tek_tuple* table_get_row(Tek_table* table, size_t index); /* null past the end */

/* ------------------------------------------------------------------------------------------
 * Events.
 *
 * An event is a tuple: element 0 is its integer id, element 1 its data. Update events carry
 * a property list as data: keys (integers or narrow strings), each with an optional nested
 * list. An update event whose property list names no key, or that has none, stands for
 * "anything may have changed"; every find on such a list answers true.
 *
 * A broadcast delivers, synchronously and to every client in the order they were added, an
 * event queue (a table whose rows are events) holding a copy of the one event broadcast.
 * A client may add or remove clients, or broadcast, from inside its callback; a client removed
 * during a broadcast is not called after its removal, and one added during it is not called
 * for that broadcast.
 * ------------------------------------------------------------------------------------------ */

#define EK_UPDATE_EVENT_ID 0x45550001
#define EK_BEGIN_UPDATE_EVENT_ID 0x45550002
#define EK_END_UPDATE_EVENT_ID 0x45550003

typedef struct Tek_event_channel Tek_event_channel;
typedef Tek_tuple Tek_update_prop_list;
typedef void (*ek_event_callback)(Tek_table* queue, void* client);

EKX_BASIC_API Tek_event_channel* ek_event_channel_create(void);
EKX_BASIC_API void ek_event_channel_destroy(Tek_event_channel* channel);
/* A (callback, client) pair is registered once; adding it again changes nothing. A null callback is ignored. */
EKX_BASIC_API void ek_event_channel_add_client(Tek_event_channel* channel, ek_event_callback callback, void* client);
/* Removes the client registered with this callback and client pointer; (NULL, NULL) removes every client. */
EKX_BASIC_API void ek_event_channel_del_client(Tek_event_channel* channel, ek_event_callback callback, void* client);
EKX_BASIC_API size_t ek_event_channel_get_client_count(const Tek_event_channel* channel);
EKX_BASIC_API void ek_event_channel_broadcast(Tek_event_channel* channel, const Tek_tuple* event);

EKX_BASIC_API void ek_update_event_init(Tek_tuple* event);          /* an update event without a property list */
EKX_BASIC_API void ek_update_event_clear(Tek_tuple* event);
EKX_BASIC_API void ek_update_event_init_details(Tek_tuple* event);  /* gives the event an empty property list */
EKX_BASIC_API Tek_update_prop_list* ek_update_event_get_details(Tek_tuple* event);  /* null when it has none */
EKX_BASIC_API void ek_update_event_add_prop_integer(Tek_tuple* event, int key);
EKX_BASIC_API void ek_update_event_add_prop_string(Tek_tuple* event, const char* key);
EKX_BASIC_API void ek_update_event_aggr_prop_integer(Tek_tuple* event, int key, const Tek_update_prop_list* details);
EKX_BASIC_API void ek_update_event_aggr_prop_string(Tek_tuple* event, const char* key, const Tek_update_prop_list* details);

/* add: the key is added once (adding a present key changes nothing).
 * aggr: the key is added if missing, and the keys of details are merged into its nested list.
 * A key without a nested list (get_nested answers null) stands for the whole key: aggregating
 * into it leaves it whole, and aggregating details that name no key (or null) makes it whole. */
EKX_BASIC_API void ek_update_event_prop_list_add_integer(Tek_update_prop_list* list, int key);
EKX_BASIC_API void ek_update_event_prop_list_add_string(Tek_update_prop_list* list, const char* key);
EKX_BASIC_API void ek_update_event_prop_list_aggr_integer(Tek_update_prop_list* list, int key, const Tek_update_prop_list* details);
EKX_BASIC_API void ek_update_event_prop_list_aggr_string(Tek_update_prop_list* list, const char* key, const Tek_update_prop_list* details);
EKX_BASIC_API bool ek_update_event_prop_list_find(const Tek_update_prop_list* list, const Tek_any* key);
EKX_BASIC_API bool ek_update_event_prop_list_find_integer(const Tek_update_prop_list* list, int key);
EKX_BASIC_API bool ek_update_event_prop_list_find_string(const Tek_update_prop_list* list, const char* key);
EKX_BASIC_API size_t ek_update_event_prop_list_get_size(const Tek_update_prop_list* list);
EKX_BASIC_API const Tek_any* ek_update_event_prop_list_get_key(const Tek_update_prop_list* list, size_t index);
EKX_BASIC_API const Tek_update_prop_list* ek_update_event_prop_list_get_nested(const Tek_update_prop_list* list, size_t index);

EKX_BASIC_API void ek_begin_update_event_init(Tek_tuple* event);
EKX_BASIC_API void ek_begin_update_event_clear(Tek_tuple* event);
EKX_BASIC_API void ek_end_update_event_init(Tek_tuple* event);
EKX_BASIC_API void ek_end_update_event_clear(Tek_tuple* event);

EKX_BASIC_API size_t ek_event_queue_get_size(const Tek_table* queue);
EKX_BASIC_API Tek_tuple* ek_event_queue_get_event(Tek_table* queue, size_t index);  /* any kind */
EKX_BASIC_API Tek_tuple* ek_event_queue_get_update_event(Tek_table* queue, size_t index);
EKX_BASIC_API Tek_tuple* ek_event_queue_get_begin_update_event(Tek_table* queue, size_t index);
EKX_BASIC_API Tek_tuple* ek_event_queue_get_end_update_event(Tek_table* queue, size_t index);
EKX_BASIC_API int ek_event_get_id(const Tek_tuple* event);  /* element 0 as integer; 0 for null */

/* ------------------------------------------------------------------------------------------
 * Undo history.
 * ------------------------------------------------------------------------------------------ */

typedef struct Tek_history_manager Tek_history_manager;
typedef struct Tek_history Tek_history;
typedef void (*ek_history_callback)(void* object);

/* Off: ek_history_manager_get_instance returns NULL. On by default. */
EKX_BASIC_API void ek_history_manager_set_enabled(bool enabled);
EKX_BASIC_API Tek_history_manager* ek_history_manager_get_instance(void);
EKX_BASIC_API Tek_history* ek_history_manager_create_history(Tek_history_manager* manager,
                                                             ek_history_callback begin_update,
                                                             ek_history_callback end_update, void* wrapper);
EKX_BASIC_API size_t ek_history_manager_get_history_count(Tek_history_manager* manager);
EKX_BASIC_API Tek_history* ek_history_manager_get_history(Tek_history_manager* manager, size_t index); /* creation order */

/* Erases every redoable item first (newest first), then performs the item once (redo) and
 * takes ownership of it. */
EKX_BASIC_API void ek_history_add_item(Tek_history* history, ek_history_callback redo, ek_history_callback undo,
                                       ek_history_callback erase, void* item);
EKX_BASIC_API size_t ek_history_get_undo_count(Tek_history* history);
EKX_BASIC_API size_t ek_history_get_redo_count(Tek_history* history);
/* Steps back (forward) by the given number of items, all bracketed by one begin-update and one
 * end-update callback; false, doing nothing, when fewer steps are available. Zero steps: true,
 * and no callback is called.
 * A callback (of an item or of the bracket) that calls into the history it runs from: undo and
 * redo answer false and clear does nothing; add performs the new item once and erases it at
 * once without recording it; destroy removes the history from its manager at once, ends a
 * running walk after the current step (the bracket is still closed), and erases the items when
 * the running call returns. */
EKX_BASIC_API bool ek_history_undo(Tek_history* history, size_t steps);
EKX_BASIC_API bool ek_history_redo(Tek_history* history, size_t steps);
/* Erases every item through its erase callback, newest first. */
EKX_BASIC_API void ek_history_clear(Tek_history* history);
/* Erases every item (newest first), then removes the history from its manager. */
EKX_BASIC_API void ek_history_destroy(Tek_history* history);

/* ------------------------------------------------------------------------------------------
 * String transfer.
 * A feed calls the callback of its own form when the adapter has one, otherwise converts the
 * text through the code page (Windows-1251 on Linux) and calls the other; null is fed as "".
 * ------------------------------------------------------------------------------------------ */

typedef struct Tek_string_adapter Tek_string_adapter;
typedef void (*ek_string_callback_c)(const char* text, void* context);
typedef void (*ek_string_callback_w)(const wchar_t* text, void* context);

EKX_BASIC_API Tek_string_adapter* ek_string_adp_create(ek_string_callback_c narrow, ek_string_callback_w wide,
                                                       void* context);
EKX_BASIC_API void ek_string_adp_feed_c(Tek_string_adapter* adapter, const char* text);
EKX_BASIC_API void ek_string_adp_feed(Tek_string_adapter* adapter, const wchar_t* text);
EKX_BASIC_API void ek_string_adp_destroy(Tek_string_adapter* adapter);

/* ------------------------------------------------------------------------------------------
 * Options.
 * ------------------------------------------------------------------------------------------ */

/* The folder for temporary files; the system temporary folder until set. The text stays valid
 * until the next set. */
EKX_BASIC_API const wchar_t* ek_options_get_temp_wpath(void);
/* null or "": back to the default. A folder without a trailing separator gets one. */
EKX_BASIC_API void ek_options_set_temp_wpath(const wchar_t* path);

/* ------------------------------------------------------------------------------------------
 * Transliteration: feeds one name made only of ASCII letters, digits and '_': Cyrillic letters
 * transliterated to Latin (Глубина -> Glubina), every other character not allowed becomes '_'.
 * ------------------------------------------------------------------------------------------ */

EKX_BASIC_API void ek_translit(const wchar_t* text, Tek_string_adapter* adapter);

/* ------------------------------------------------------------------------------------------
 * Floating-point exception control over the processor's exception mask.
 * ------------------------------------------------------------------------------------------ */

EKX_BASIC_API unsigned int ek_math_fpe_get_state(void);
EKX_BASIC_API void ek_math_fpe_disable(void);                 /* masks every exception */
EKX_BASIC_API void ek_math_fpe_restore(unsigned int state);

#ifdef __cplusplus
}
#endif

#endif /* EKX_BASIC_H */
