// The application title: the application window's text, the error box title, part of the
// single-instance mutex name.
#pragma once

namespace slovo {

inline constexpr char kApplicationTitle[] = "Игра <<СЛОВОЛОВКА>>.";

} // namespace slovo
