// Exported change-notifier functions: a host subscribes to a document path without holding
// the document.
#include "base/Tek_vor_notifier.h"
#include "ekx_file_vor4.h"

extern "C" {

Tek_vor_notifier* ek_create_vor_notifier_w(const wchar_t* path) {
    try {
        return Tek_vor_notifier::get_instance(path);
    } catch (...) {
        return nullptr;
    }
}

void ek_destroy_vor_notifier(Tek_vor_notifier* notifier) {
    if (notifier) notifier->release();
}

Tek_event_channel* ek_vor_notifier_get_update_event_channel(Tek_vor_notifier* notifier) {
    return notifier ? notifier->get_update_event_channel() : nullptr;
}

unsigned int ek_vor_notifier_begin_update(Tek_vor_notifier* notifier) {
    return notifier ? notifier->begin_update() : 0;
}

void ek_vor_notifier_end_update(Tek_vor_notifier* notifier) {
    if (notifier) notifier->end_update();
}

void ek_vor_notifier_changed(Tek_vor_notifier* notifier) {
    if (!notifier) return;
    try {
        notifier->begin_update();
        notifier->broadcast_update_event();
        notifier->end_update();
    } catch (...) {
    }
}

}  // extern "C"
