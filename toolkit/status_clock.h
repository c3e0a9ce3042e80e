// The status bar clock: a pane that shows the local time as "h:nn:ss am/pm" and keeps it current.
#pragma once

#include "toolkit/status_pane.h"

namespace tk {

class StatusClock : public StatusPane {
public:
    StatusClock(Control* parent, std::string name, const Bounds& bounds, int id = 0);

protected:
    LRESULT handleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void tick();
};

} // namespace tk
