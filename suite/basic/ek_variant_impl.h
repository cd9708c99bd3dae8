// Internal C++ side of variants, tuples and tables, shared by the files of this library.
// These helpers may throw std::bad_alloc; the exported functions catch at the boundary.
#pragma once

#include <deque>

#include "ekx_basic.h"

struct Tek_table {
    // A deque keeps row addresses stable while rows are appended, so a row pointer taken
    // before the table grows stays valid.
    std::deque<Tek_tuple> rows;
};

namespace ek::basic {

// No tuple or table grows beyond this many bytes of records: a larger request is a bad size,
// refused before the allocator sees it.
constexpr size_t max_storage_bytes = size_t{1} << 38;

// Frees what the variant owns and leaves it empty. Unknown kinds own nothing.
void any_release(Tek_any& any) noexcept;
// A deep copy; on failure nothing is left allocated.
Tek_any any_clone(const Tek_any& src);
// Replaces dst by a deep copy of src; dst is unchanged when the copy fails.
void any_copy_into(Tek_any& dst, const Tek_any& src);
// Orders first by kind, then by value; 0 for equal values.
int any_cmp(const Tek_any& a, const Tek_any& b) noexcept;

void tuple_release(Tek_tuple& tuple) noexcept;
Tek_tuple tuple_clone(const Tek_tuple& src);
void tuple_copy_into(Tek_tuple& dst, const Tek_tuple& src);
void tuple_set_size(Tek_tuple& tuple, size_t size);
int tuple_cmp(const Tek_tuple& a, const Tek_tuple& b) noexcept;

void table_copy_into(Tek_table& dst, const Tek_table& src);
void table_set_size(Tek_table& table, size_t rows);
void table_release_rows(Tek_table& table) noexcept;
int table_cmp(const Tek_table& a, const Tek_table& b) noexcept;

}  // namespace ek::basic
