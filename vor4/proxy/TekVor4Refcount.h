// A reference count over the document interface. The last remove_ref() destroys the object
// through its most derived class.
#pragma once

#include "vor4/TekVor4.h"

class TekVor4Refcount : public virtual TekVor4 {
public:
    // Releases the caller's reference.
    virtual void free();
    virtual void add_ref();
    virtual void remove_ref();

    int ref_count() const { return count_; }

protected:
    TekVor4Refcount() = default;
    ~TekVor4Refcount() override = default;

private:
    int count_ = 0;
};
