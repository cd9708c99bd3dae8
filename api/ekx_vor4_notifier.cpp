// Exported change-notifier functions: a host subscribes to a document path without holding
// the document. A null handle is ignored.
#include "api/ek_vor4_boundary.h"
#include "base/Tek_vor_notifier.h"
#include "ekx_file_vor4.h"

using ek::vor4_api::guarded;
using ek::vor4_api::with;
using N = Tek_vor_notifier;

extern "C" {

Tek_vor_notifier* ek_create_vor_notifier_w(const wchar_t* path) {
    return guarded((N*)nullptr, [&] { return N::get_instance(path); });
}

void ek_destroy_vor_notifier(Tek_vor_notifier* notifier) {
    with(notifier, [](N& n) { n.release(); });
}

Tek_event_channel* ek_vor_notifier_get_update_event_channel(Tek_vor_notifier* notifier) {
    return with(notifier, (Tek_event_channel*)nullptr, [](N& n) { return n.get_update_event_channel(); });
}

unsigned int ek_vor_notifier_begin_update(Tek_vor_notifier* notifier) {
    return with(notifier, 0u, [](N& n) { return n.begin_update(); });
}

void ek_vor_notifier_end_update(Tek_vor_notifier* notifier) {
    with(notifier, [](N& n) { n.end_update(); });
}

void ek_vor_notifier_changed(Tek_vor_notifier* notifier) {
    with(notifier, [](N& n) {
        n.begin_update();
        try {
            n.broadcast_update_event();
        } catch (...) {
            n.end_update();  // the group must close even when the announcement fails
            throw;
        }
        n.end_update();
    });
}

}  // extern "C"
