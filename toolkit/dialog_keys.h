// Enter, Escape and Tab as in a dialog, for the panels shown inside the program's windows.
#pragma once

#include <windows.h>

namespace tk {

// Takes a key message before it is dispatched: Enter presses the default button and Escape the
// cancel button of the nearest panel around the focus that names one (when it shows and is
// enabled); Tab and Shift+Tab move the focus among the controls that take it there. A control
// that asks for the key itself (an edit field, the grid's cell editor) keeps it. True when taken.
bool handleDialogKey(const MSG& msg);

} // namespace tk
