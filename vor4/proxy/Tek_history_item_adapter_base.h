// The base of every undo item: the history performs redo() and undo() through the static
// callbacks and destroys the item through erase_callback.
#pragma once

#include <memory>

#include "ekx_basic.h"

class Tek_history_item_adapter_base {
public:
    virtual ~Tek_history_item_adapter_base() = default;
    virtual void redo() {}
    virtual void undo() {}

    static void redo_callback(void* item);
    static void undo_callback(void* item);
    static void erase_callback(void* item);

    // Hands the item to the history, which performs it once and owns it from then on; without
    // a history the item is performed at once and destroyed. If performing it throws without a
    // history, the item is freed and the exception passes on.
    static void record(Tek_history* history, std::unique_ptr<Tek_history_item_adapter_base> item);

protected:
    Tek_history_item_adapter_base() = default;
    Tek_history_item_adapter_base(const Tek_history_item_adapter_base&) = delete;
    Tek_history_item_adapter_base& operator=(const Tek_history_item_adapter_base&) = delete;
};
