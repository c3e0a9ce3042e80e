// Control ids of the main window, shared with the test driver that finds controls by id.
#pragma once

namespace slovo::ids {

inline constexpr int kLetterButton = 1000; // + 1 .. 30: b1 .. b30
inline constexpr int kCellLabel = 1100;    // + 1 .. 10: Label1 .. Label10
inline constexpr int kCellCover = 1200;    // + 1 .. 10: Close1 .. Close10
inline constexpr int kStatusPane = 1300;   // + 1 .. 4: RzGlyphStatus1 .. RzGlyphStatus4
inline constexpr int kHintLabel = 1401;    // Zagolovok
inline constexpr int kGallows = 1402;      // Image1
inline constexpr int kCellStrip = 1403;    // Panel1
inline constexpr int kGallowsPanel = 1404;
inline constexpr int kHintPanel = 1405;
inline constexpr int kLettersPanel = 1406;
inline constexpr int kStatusBar = 1407;

} // namespace slovo::ids
