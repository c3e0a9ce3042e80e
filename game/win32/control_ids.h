// Control and menu ids of the main window, shared with the test driver that finds controls by id.
#pragma once

#include "editor/win32/editor_ids.h"

namespace slovo::ids {

inline constexpr int kLetterButton = 1000; // + 1 .. 30: b1 .. b30
inline constexpr int kCellLabel = 1100;    // + 1 .. 10: Label1 .. Label10
inline constexpr int kCellCover = 1200;    // + 1 .. 10: Close1 .. Close10
inline constexpr int kStatusPane = 1300;   // + 1 .. 4: RzGlyphStatus1 .. RzGlyphStatus4
inline constexpr int kClock = 1305;        // RzClockStatus1
inline constexpr int kHintLabel = 1401;    // Zagolovok
inline constexpr int kGallows = 1402;      // Image1
inline constexpr int kCellStrip = 1403;    // Panel1
inline constexpr int kGallowsPanel = 1404;
inline constexpr int kHintPanel = 1405;
inline constexpr int kLettersPanel = 1406;
inline constexpr int kStatusBar = 1407;
inline constexpr int kHintPanelFold = 1408;
inline constexpr int kToolbar = 1409;
inline constexpr int kToolButton = 1500;   // + 1 .. 6: База, Звуки, Помощь, Редактор, О программе, Выход
inline constexpr int kAboutPanel = 1601;   // AdvPanel4
inline constexpr int kAboutClose = 1602;
inline constexpr int kAboutPicture = 1610; // + 1 .. 3: AdvPicture1 .. AdvPicture3
inline constexpr int kEditorHost = 1701;   // FormPanel
inline constexpr int kBaseChoice = 1801;   // PanelGroup1
inline constexpr int kChoiceStandard = 1802; // Button1
inline constexpr int kChoiceUpdated = 1803;  // Button2
inline constexpr int kChoiceOk = 1804;       // But1
inline constexpr int kStarfieldPanel = 1901; // AdvPanel5

// Menu items; their commands reach the main window as WM_COMMAND.
inline constexpr int kMenuStandard = 2001; // standart
inline constexpr int kMenuUpdated = 2002;  // updateb
inline constexpr int kMenuSoundOn = 2011;  // SoundON
inline constexpr int kMenuSoundOff = 2012; // SoundOFF
inline constexpr int kMenuHelpOn = 2021;   // HelpON
inline constexpr int kMenuHelpOff = 2022;  // HelpOFF

} // namespace slovo::ids
