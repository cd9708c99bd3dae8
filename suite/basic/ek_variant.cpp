// Variants and tuples: owned values with deep copies and a total order.
#include <cmath>
#include <compare>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <functional>
#include <new>
#include <utility>

#include "ek_boundary.h"
#include "ek_variant_impl.h"

namespace ek::basic {

namespace {

template <class Char>
Char* copy_text(const Char* text) {
    size_t length = 0;
    while (text[length]) ++length;
    Char* copy = new Char[length + 1];
    std::memcpy(copy, text, (length + 1) * sizeof(Char));
    return copy;
}

template <class T>
int three_way(const T& a, const T& b) noexcept {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// Doubles in a total order: NaN equals NaN and sorts after every number, so that a value
// copied from another always compares equal to it.
int compare_doubles(double a, double b) noexcept {
    const bool a_nan = std::isnan(a), b_nan = std::isnan(b);
    if (a_nan || b_nan) return three_way(a_nan, b_nan);
    return three_way(a, b);
}

int compare_narrow(const char* a, const char* b) noexcept {
    const int r = std::strcmp(a ? a : "", b ? b : "");
    return three_way(r, 0);
}

int compare_wide(const wchar_t* a, const wchar_t* b) noexcept {
    const int r = std::wcscmp(a ? a : L"", b ? b : L"");
    return three_way(r, 0);
}

bool is_known_kind(int kind) noexcept { return kind >= EK_ANY_EMPTY && kind <= EK_ANY_POINTER; }

// Grows the element storage to at least 'wanted' elements; existing elements keep their values.
void reserve(Tek_tuple& tuple, size_t wanted) {
    if (wanted <= tuple.capacity) return;
    if (wanted > max_storage_bytes / sizeof(Tek_any)) throw std::bad_alloc();
    size_t capacity = tuple.capacity ? tuple.capacity : 4;
    while (capacity < wanted) capacity *= 2;
    if (capacity > max_storage_bytes / sizeof(Tek_any)) capacity = wanted;
    // Tek_any is a plain record whose owned memory hangs off pointers, so moving the records
    // bytewise keeps every value intact.
    void* grown = std::realloc(static_cast<void*>(tuple.items), capacity * sizeof(Tek_any));
    if (!grown) throw std::bad_alloc();
    tuple.items = static_cast<Tek_any*>(grown);
    tuple.capacity = capacity;
}

}  // namespace

void any_release(Tek_any& any) noexcept {
    switch (any.kind) {
        case EK_ANY_STRING: delete[] any.value.string; break;
        case EK_ANY_WSTRING: delete[] any.value.wstring; break;
        case EK_ANY_TUPLE:
            if (any.value.tuple) {
                tuple_release(*any.value.tuple);
                delete any.value.tuple;
            }
            break;
        default: break;
    }
    any.kind = EK_ANY_EMPTY;
    any.value.integer = 0;
}

Tek_any any_clone(const Tek_any& src) {
    Tek_any copy;
    copy.kind = EK_ANY_EMPTY;
    copy.value.integer = 0;
    switch (src.kind) {
        case EK_ANY_INTEGER:
        case EK_ANY_DOUBLE:
        case EK_ANY_POINTER:
            copy = src;
            break;
        case EK_ANY_STRING:
            copy.value.string = copy_text(src.value.string ? src.value.string : "");
            copy.kind = EK_ANY_STRING;
            break;
        case EK_ANY_WSTRING:
            copy.value.wstring = copy_text(src.value.wstring ? src.value.wstring : L"");
            copy.kind = EK_ANY_WSTRING;
            break;
        case EK_ANY_TUPLE: {
            Tek_tuple* tuple = new Tek_tuple{nullptr, 0, 0};
            try {
                if (src.value.tuple) *tuple = tuple_clone(*src.value.tuple);
            } catch (...) {
                delete tuple;
                throw;
            }
            copy.value.tuple = tuple;
            copy.kind = EK_ANY_TUPLE;
            break;
        }
        default: break;  // empty, or a kind this library does not know: copied as empty
    }
    return copy;
}

void any_copy_into(Tek_any& dst, const Tek_any& src) {
    if (&dst == &src) return;
    Tek_any copy = any_clone(src);  // first, so that src may live inside dst
    any_release(dst);
    dst = copy;
}

int any_cmp(const Tek_any& a, const Tek_any& b) noexcept {
    const int ka = is_known_kind(a.kind) ? a.kind : EK_ANY_EMPTY;
    const int kb = is_known_kind(b.kind) ? b.kind : EK_ANY_EMPTY;
    if (ka != kb) return three_way(ka, kb);
    switch (ka) {
        case EK_ANY_INTEGER: return three_way(a.value.integer, b.value.integer);
        case EK_ANY_DOUBLE: return compare_doubles(a.value.real, b.value.real);
        case EK_ANY_STRING: return compare_narrow(a.value.string, b.value.string);
        case EK_ANY_WSTRING: return compare_wide(a.value.wstring, b.value.wstring);
        case EK_ANY_TUPLE: {
            static const Tek_tuple none{nullptr, 0, 0};
            return tuple_cmp(a.value.tuple ? *a.value.tuple : none, b.value.tuple ? *b.value.tuple : none);
        }
        case EK_ANY_POINTER:
            return std::less<const void*>()(a.value.pointer, b.value.pointer)   ? -1
                   : std::less<const void*>()(b.value.pointer, a.value.pointer) ? 1
                                                                                 : 0;
        default: return 0;
    }
}

void tuple_release(Tek_tuple& tuple) noexcept {
    for (size_t i = 0; i < tuple.size; ++i) any_release(tuple.items[i]);
    std::free(tuple.items);
    tuple.items = nullptr;
    tuple.size = 0;
    tuple.capacity = 0;
}

Tek_tuple tuple_clone(const Tek_tuple& src) {
    Tek_tuple copy{nullptr, 0, 0};
    if (!src.size || !src.items) return copy;
    try {
        reserve(copy, src.size);
        for (size_t i = 0; i < src.size; ++i) {
            copy.items[i] = any_clone(src.items[i]);
            copy.size = i + 1;
        }
    } catch (...) {
        tuple_release(copy);
        throw;
    }
    return copy;
}

void tuple_copy_into(Tek_tuple& dst, const Tek_tuple& src) {
    if (&dst == &src) return;
    Tek_tuple copy = tuple_clone(src);
    tuple_release(dst);
    dst = copy;
}

void tuple_set_size(Tek_tuple& tuple, size_t size) {
    if (size < tuple.size) {
        for (size_t i = size; i < tuple.size; ++i) any_release(tuple.items[i]);
        tuple.size = size;
        return;
    }
    reserve(tuple, size);
    for (size_t i = tuple.size; i < size; ++i) {
        tuple.items[i].kind = EK_ANY_EMPTY;
        tuple.items[i].value.integer = 0;
    }
    tuple.size = size;
}

int tuple_cmp(const Tek_tuple& a, const Tek_tuple& b) noexcept {
    const size_t na = a.items ? a.size : 0, nb = b.items ? b.size : 0;
    const size_t common = na < nb ? na : nb;
    for (size_t i = 0; i < common; ++i) {
        const int r = any_cmp(a.items[i], b.items[i]);
        if (r) return r;
    }
    return three_way(na, nb);
}

}  // namespace ek::basic

using namespace ek::basic;

extern "C" {

void any_init(Tek_any* any) {
    if (!any) return;
    any->kind = EK_ANY_EMPTY;
    any->value.integer = 0;
}

void any_clear(Tek_any* any) {
    if (any) any_release(*any);
}

void any_assign(Tek_any* dst, const Tek_any* src) {
    if (!dst) return;
    guarded([&] {
        if (src) any_copy_into(*dst, *src);
        else any_release(*dst);
    });
}

void any_assign_integer(Tek_any* any, long long value) {
    if (!any) return;
    any_release(*any);
    any->kind = EK_ANY_INTEGER;
    any->value.integer = value;
}

void any_assign_double(Tek_any* any, double value) {
    if (!any) return;
    any_release(*any);
    any->kind = EK_ANY_DOUBLE;
    any->value.real = value;
}

void any_assign_string(Tek_any* any, const char* text) {
    if (!any) return;
    guarded([&] {
        Tek_any src;
        src.kind = EK_ANY_STRING;
        src.value.string = const_cast<char*>(text ? text : "");
        any_copy_into(*any, src);
    });
}

void any_assign_wstring(Tek_any* any, const wchar_t* text) {
    if (!any) return;
    guarded([&] {
        Tek_any src;
        src.kind = EK_ANY_WSTRING;
        src.value.wstring = const_cast<wchar_t*>(text ? text : L"");
        any_copy_into(*any, src);
    });
}

void any_assign_tuple(Tek_any* any, const Tek_tuple* tuple) {
    if (!any) return;
    guarded([&] {
        Tek_any src;
        src.kind = EK_ANY_TUPLE;
        src.value.tuple = const_cast<Tek_tuple*>(tuple);  // null copies as an empty tuple
        any_copy_into(*any, src);
    });
}

void any_assign_pointer(Tek_any* any, void* pointer) {
    if (!any) return;
    any_release(*any);
    any->kind = EK_ANY_POINTER;
    any->value.pointer = pointer;
}

int any_get_kind(const Tek_any* any) {
    if (!any || any->kind < EK_ANY_EMPTY || any->kind > EK_ANY_POINTER) return EK_ANY_EMPTY;
    return any->kind;
}

long long any_get_integer(const Tek_any* any) { return any && any->kind == EK_ANY_INTEGER ? any->value.integer : 0; }

double any_get_double(const Tek_any* any) {
    if (!any) return 0.0;
    if (any->kind == EK_ANY_DOUBLE) return any->value.real;
    if (any->kind == EK_ANY_INTEGER) return static_cast<double>(any->value.integer);
    return 0.0;
}

const char* any_get_string(const Tek_any* any) { return any && any->kind == EK_ANY_STRING ? any->value.string : nullptr; }

const wchar_t* any_get_wstring(const Tek_any* any) {
    return any && any->kind == EK_ANY_WSTRING ? any->value.wstring : nullptr;
}

Tek_tuple* any_get_tuple(Tek_any* any) { return any && any->kind == EK_ANY_TUPLE ? any->value.tuple : nullptr; }

void* any_get_pointer(const Tek_any* any) { return any && any->kind == EK_ANY_POINTER ? any->value.pointer : nullptr; }

int any_compare(const Tek_any* a, const Tek_any* b) {
    // A missing variant compares as an empty one.
    static const Tek_any empty{EK_ANY_EMPTY, {0}};
    return any_cmp(a ? *a : empty, b ? *b : empty);
}

void tuple_init(Tek_tuple* tuple) {
    if (!tuple) return;
    tuple->items = nullptr;
    tuple->size = 0;
    tuple->capacity = 0;
}

void tuple_clear(Tek_tuple* tuple) {
    if (tuple) tuple_release(*tuple);
}

void tuple_resize(Tek_tuple* tuple, size_t size) {
    if (!tuple) return;
    guarded([&] { tuple_set_size(*tuple, size); });
}

size_t tuple_get_size(const Tek_tuple* tuple) { return tuple && tuple->items ? tuple->size : 0; }

Tek_any* tuple_get(Tek_tuple* tuple, size_t index) {
    if (!tuple || !tuple->items || index >= tuple->size) return nullptr;
    return &tuple->items[index];
}

void tuple_assign(Tek_tuple* dst, const Tek_tuple* src) {
    if (!dst) return;
    guarded([&] {
        if (src) tuple_copy_into(*dst, *src);
        else tuple_release(*dst);
    });
}

int tuple_compare(const Tek_tuple* a, const Tek_tuple* b) {
    static const Tek_tuple empty{nullptr, 0, 0};
    return tuple_cmp(a ? *a : empty, b ? *b : empty);
}

}  // extern "C"
