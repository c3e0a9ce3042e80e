// Control and menu ids of the editor window, shared with the main window's ids and the test driver.
#pragma once

namespace slovo::ids {

inline constexpr int kEditorForm = 2001;        // Form2
inline constexpr int kEditorWord = 2002;        // Edit1
inline constexpr int kEditorHint = 2003;        // Edit2; its button is 2004
inline constexpr int kEditorHintButton = 2004;
inline constexpr int kEditorButton1 = 2005;     // Button1
inline constexpr int kEditorUpdatePanel = 2006; // Panel1
inline constexpr int kEditorStatusList = 2007;  // ListBox1 on Panel1
inline constexpr int kEditorResultLine = 2008;  // Label1 on Panel1
inline constexpr int kEditorUpdateCancel = 2009; // HTMLButton1 on Panel1
inline constexpr int kEditorGrid = 2010;        // Grid; its cell editor 2011, the ellipsis button 2012
inline constexpr int kEditorCellEditor = 2011;
inline constexpr int kEditorEllipsis = 2012;

// PopupMenu1, in menu order.
inline constexpr int kMenuN1 = 2101;      // Добавить строку
inline constexpr int kMenuN4 = 2102;      // Печать
inline constexpr int kMenuUpdate = 2103;  // Обновить из Интернет
inline constexpr int kMenuStandar = 2104; // "Стандартная" база
inline constexpr int kMenuObnovl = 2105;  // База с сервера
inline constexpr int kMenuOtmena = 2106;  // Отменить и выйти
inline constexpr int kMenuSave = 2107;    // Сохранить и выйти
inline constexpr int kMenuSavexls = 2108; // Сохранить в файл (*.doc)
inline constexpr int kMenuDoc1 = 2109;    // Сохранить в файл (*.txt)
inline constexpr int kMenuN5 = 2110;      // Инструкция
inline constexpr int kMenuN10 = 2111;     // Выход из программы

inline constexpr int kEditorImportTimer = 2201; // Timer1

} // namespace slovo::ids
