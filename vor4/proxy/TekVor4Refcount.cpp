#include "vor4/proxy/TekVor4Refcount.h"

void TekVor4Refcount::free() { remove_ref(); }

void TekVor4Refcount::add_ref() { ++count_; }

void TekVor4Refcount::remove_ref() {
    if (--count_ == 0) delete this;
}
