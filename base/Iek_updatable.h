// What an observer needs of an object that announces its changes: the grouping brackets and
// the channel the announcements go out on.
#pragma once

#include "ekx_basic.h"

class Iek_updatable {
public:
    virtual ~Iek_updatable() = default;
    virtual unsigned int begin_update() = 0;
    virtual void end_update() = 0;
    virtual Tek_event_channel* get_update_event_channel() = 0;
};
