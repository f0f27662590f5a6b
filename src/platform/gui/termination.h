// Ending the program from outside: a logout, `kill`, a service manager.
#pragma once

#include "platform/gui/gui.h"

namespace gui {

// From now on SIGTERM, SIGINT and SIGHUP (a closed terminal, a logout) and
// the session manager's request to save before the session ends queue
// `event` (the program's own way out) for waitWindowEvent, and end
// any modal dialog of the UI thread so that the loop gets to it. A second
// signal ends the process at once. UI thread, after `init`.
void endOnTerminationSignals(const Event& event);

}  // namespace gui
