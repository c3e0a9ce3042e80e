// The editor's instruction text, shown by its markup dialog.
#include "editor/core/instruction_text.h"

namespace slovo {

const std::vector<std::string>& instructionLines()
{
    static const std::vector<std::string> lines = {
        "<IMG src=\"idx:6\" align=\"top\"> <P align=\"center\"><B> Редактор базы слов к игре \"СЛОВОЛОВКА\".</B></P>",
        "<P align=\"left\"><HR></P>",
        "<P align=\"left\"><IMG src=\"idx:7\" align=\"midlle\"><FONT color=\"#0080C0\"><B> <SHAD>ДОБАВИТЬ</SHAD></B></FONT> строку в ",
        "таблицу можно ",
        "через меню, вызываемое правой кнопкой мыши.</P><BR>",
        "<P align=\"left\"><IMG src=\"idx:7\" align=\"midlle\"><FONT color=\"#0080C0\"><B> <SHAD>ВСТАВИТЬ</SHAD></B></FONT> строку в ",
        "таблицу можно, ",
        "выделив любую строку <B>правого</B> столбца таблицы и нажав кнопку <B>       \"Insert\"</B>.</P><BR>",
        "<P align=\"left\"><IMG src=\"idx:7\" align=\"midlle\"><FONT color=\"#0080C0\"><B> <SHAD>УДАЛИТЬ</SHAD></B></FONT> строку из ",
        "таблицы можно, ",
        "выделив любую строку <B>правого</B> столбца таблицы и нажав кнопку <B>      \"Delete\"</B>.</P><BR>",
        "<P align=\"left\"><IMG src=\"idx:7\" align=\"midlle\"><FONT color=\"#0080C0\"><B> <SHAD>РЕДАКТИРОВАНИЕ ЗАПИСЕЙ В ",
        "СТРОКЕ:</SHAD></B></FONT></P>",
        "                 <P align=\"left\"><IMG src=\"idx:2\" align=\"midlle\"> Кликнете по любой строке <B>левого</B> столбца таблицы. При ",
        "появлении ",
        "кнопки нажмите на нее,                                   запись переместится в два верхних поля ввода, которые предназначены ",
        "для редактирования                                записей.</P>",
        "                 <P align=\"left\"><IMG src=\"idx:2\" align=\"midlle\"> Отредактируйте запись в полях ввода по своему усмотрению.</P>",
        "                 <P align=\"left\"><IMG src=\"idx:2\" align=\"midlle\"> Нажмите на кнопку в <B>правом поле ввода</B>. Запись переместится ",
        "в таблицу.</P><BR>",
        "<P align=\"left\"><IMG src=\"idx:7\" align=\"midlle\"><FONT color=\"#0080C0\"><B> <SHAD>СОХРАНИТЬ ТАБЛИЦУ</SHAD> ",
        "</B></FONT> можно через ",
        "меню, генерируемое правой кнопкой мыши.</P><HR><BR>",
        "<P align=\"left\"><IMG src=\"idx:8\" align=\"midlle\"> <FONT color=\"#FF0000\"><B><SHAD>ВНИМАНИЕ!</SHAD></B></FONT>  Таблицу ",
        "можно сохранить ",
        "только если в ней отсутствуют пустые строки! Таблица,                        содержащая хотя бы одну пустую строку, <B>не ",
        "сохранится!</B> ",
        "Перед сохранением таблицы удалите пустые             строки клавишей <B>\"Delete\"</B>.</P>",
        "<BR>",
    };
    return lines;
}

} // namespace slovo
