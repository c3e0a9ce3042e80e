// Control ids of the editor window, shared with the main window's ids and the test driver.
#pragma once

namespace slovo::ids {

inline constexpr int kEditorExit = 1711;

} // namespace slovo::ids
