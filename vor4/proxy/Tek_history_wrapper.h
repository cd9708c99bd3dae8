// Links an object to one history of the host's undo service. The service brackets each group
// of undo or redo steps with the two callbacks, which reach the wrapper's begin_update() and
// end_update().
#pragma once

#include "ekx_basic.h"

class Tek_history_wrapper {
public:
    // Creates the history when the service offers a manager; without one there is no history
    // and every change is made at once, unrecorded.
    Tek_history_wrapper();
    // Discards the history and, through their erase callbacks, its items.
    virtual ~Tek_history_wrapper();
    Tek_history_wrapper(const Tek_history_wrapper&) = delete;
    Tek_history_wrapper& operator=(const Tek_history_wrapper&) = delete;

    virtual void begin_update() {}
    virtual void end_update() {}

    static void begin_update_callback(void* wrapper);
    static void end_update_callback(void* wrapper);

    Tek_history_manager* manager() const { return manager_; }
    // Null when there is no history.
    Tek_history* handle() const { return history_; }
    // The history when its manager still lists it (a host may have destroyed it), else null.
    Tek_history* live_handle() const;

private:
    Tek_history_manager* manager_ = nullptr;
    Tek_history* history_ = nullptr;
};
