#include "vor4/proxy/Tek_history_wrapper.h"

Tek_history_wrapper::Tek_history_wrapper() : manager_(ek_history_manager_get_instance()) {
    if (manager_)
        history_ = ek_history_manager_create_history(manager_, &begin_update_callback, &end_update_callback,
                                                     static_cast<void*>(this));
}

Tek_history_wrapper::~Tek_history_wrapper() {
    if (Tek_history* history = history_) {
        history_ = nullptr;
        ek_history_destroy(history);
    }
}

void Tek_history_wrapper::begin_update_callback(void* wrapper) {
    if (wrapper) static_cast<Tek_history_wrapper*>(wrapper)->begin_update();
}

void Tek_history_wrapper::end_update_callback(void* wrapper) {
    if (wrapper) static_cast<Tek_history_wrapper*>(wrapper)->end_update();
}

Tek_history* Tek_history_wrapper::live_handle() const {
    if (!history_ || !manager_) return nullptr;
    const size_t n = ek_history_manager_get_history_count(manager_);
    for (size_t i = 0; i < n; ++i)
        if (ek_history_manager_get_history(manager_, i) == history_) return history_;
    return nullptr;
}
