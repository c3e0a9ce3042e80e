// The editor's instruction window: the markup dialog with the instruction text.
#pragma once

#include "effects/win32/dialogs.h"

namespace slovo {

fx::THTMLDialog instructionDialog();

} // namespace slovo
