// Tables: growable sequences of tuples (rows) with deep copies and a total order.
#include <new>

#include "ek_boundary.h"
#include "ek_variant_impl.h"

namespace ek::basic {

void table_release_rows(Tek_table& table) noexcept {
    for (Tek_tuple& row : table.rows) tuple_release(row);
    table.rows.clear();
}

void table_set_size(Tek_table& table, size_t rows) {
    if (rows > max_storage_bytes / sizeof(Tek_tuple)) throw std::bad_alloc();
    while (table.rows.size() > rows) {
        tuple_release(table.rows.back());
        table.rows.pop_back();
    }
    while (table.rows.size() < rows) table.rows.push_back(Tek_tuple{nullptr, 0, 0});
}

void table_copy_into(Tek_table& dst, const Tek_table& src) {
    if (&dst == &src) return;
    Tek_table copy;
    try {
        for (const Tek_tuple& row : src.rows) {
            copy.rows.push_back(Tek_tuple{nullptr, 0, 0});
            copy.rows.back() = tuple_clone(row);
        }
    } catch (...) {
        table_release_rows(copy);
        throw;
    }
    table_release_rows(dst);
    dst.rows.swap(copy.rows);
}

int table_cmp(const Tek_table& a, const Tek_table& b) noexcept {
    const size_t common = a.rows.size() < b.rows.size() ? a.rows.size() : b.rows.size();
    for (size_t i = 0; i < common; ++i) {
        const int r = tuple_cmp(a.rows[i], b.rows[i]);
        if (r) return r;
    }
    return a.rows.size() < b.rows.size() ? -1 : (a.rows.size() > b.rows.size() ? 1 : 0);
}

}  // namespace ek::basic

using namespace ek::basic;

extern "C" {

Tek_table* table_create(void) {
    return guarded<Tek_table*>(nullptr, [] { return new Tek_table; });
}

void table_destroy(Tek_table* table) {
    if (!table) return;
    table_release_rows(*table);
    delete table;
}

void table_assign(Tek_table* dst, const Tek_table* src) {
    if (!dst) return;
    guarded([&] {
        if (src) table_copy_into(*dst, *src);
        else table_release_rows(*dst);
    });
}

int table_compare(const Tek_table* a, const Tek_table* b) {
    static const Tek_table empty;
    return table_cmp(a ? *a : empty, b ? *b : empty);
}

void table_resize(Tek_table* table, size_t rows) {
    if (!table) return;
    guarded([&] { table_set_size(*table, rows); });
}

size_t table_get_size(const Tek_table* table) { return table ? table->rows.size() : 0; }

Tek_tuple* table_get_row(Tek_table* table, size_t index) {
    if (!table || index >= table->rows.size()) return nullptr;
    return &table->rows[index];
}

}  // extern "C"
