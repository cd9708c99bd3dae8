#include "vor4/proxy/Tek_history_item_adapter_base.h"

void Tek_history_item_adapter_base::redo_callback(void* item) {
    if (item) static_cast<Tek_history_item_adapter_base*>(item)->redo();
}

void Tek_history_item_adapter_base::undo_callback(void* item) {
    if (item) static_cast<Tek_history_item_adapter_base*>(item)->undo();
}

void Tek_history_item_adapter_base::erase_callback(void* item) {
    delete static_cast<Tek_history_item_adapter_base*>(item);
}

void Tek_history_item_adapter_base::record(Tek_history* history, std::unique_ptr<Tek_history_item_adapter_base> item) {
    if (!item) return;
    if (history) {
        // From here on the history owns the item.
        ek_history_add_item(history, &redo_callback, &undo_callback, &erase_callback,
                            static_cast<void*>(item.release()));
        return;
    }
    item->redo();
}
