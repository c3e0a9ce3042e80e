// The message dialogs: THTMLDialog (a markup text and up to three buttons) and TProStopDialog
// (a stop picture, a message and Cancel/Help, in one of sixteen languages).
#pragma once

#include "toolkit/core/markup.h"
#include "toolkit/markup_painter.h"

#include <windows.h>

#include <string>
#include <vector>
#include <functional>

namespace fx {

struct TButtonProperties {
    std::string Caption;
    bool Cancel = false;
    bool Default = false;
    int ModalResult = 0;
    bool Visible = false;
};

enum class TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
                       poMainFormCenter, poOwnerFormCenter };

class THTMLDialog {
public:
    std::string Caption;
    uint32_t Color = 0x80000000u + COLOR_BTNFACE;
    Font Font{"MS Sans Serif", 8, false, false, false, false, 0};
    int Width = 180, Height = 90;
    TPosition Position = TPosition::poScreenCenter;
    std::vector<std::string> HTMLText;
    PictureSource* Images = nullptr;
    bool Hover = false;
    uint32_t HoverColor = kNoColour, HoverFontColor = kNoColour;
    uint32_t URLColor = 0xFF0000;
    uint32_t ShadowColor = 0x808080;
    int ShadowOffset = 1;
    TButtonProperties LeftButton{"", false, false, 0, false};
    TButtonProperties CenterButton{"Ok", false, true, 1, true};
    TButtonProperties RightButton{"Cancel", true, false, 2, true};
    std::function<void(const std::string&)> OnAnchorClick, OnAnchorEnter, OnAnchorExit;

    // Modal; the result of the button that closed it, 2 for the close box.
    int Execute();
};

enum class TDialogLanguage { dlEnglish, dlRussian, dlUkranian, dlFrench, dlPortuguese, dlSpanish, dlGerman, dlDanish,
                             dlItalian, dlSwedish, dlDutch, dlPolish, dlHungarian, dlTurkish, dlSlovak, dlKorean };
enum class TSoundType { stNoSound, stStandart, stAsterisk, stExclamation, stSystemHand, stQuestion, stDefault };
enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
enum class TVerticalAlignment { vaTop, vaCenter, vaBottom };

class TProCommonDialog {
public:
    TDialogLanguage Language = TDialogLanguage::dlEnglish;
    TSoundType SoundType = TSoundType::stNoSound;
    int HelpContext = 0;

    // String table ids of a language's title, Cancel and Help texts.
    static UINT titleId(TDialogLanguage l) { return 30510 + 30 * static_cast<UINT>(l); }
    static UINT cancelId(TDialogLanguage l) { return 30101 + 20 * static_cast<UINT>(l); }
    static UINT helpId(TDialogLanguage l) { return 30102 + 20 * static_cast<UINT>(l); }
    static UINT beepType(TSoundType s);
};

class TProStopDialog : public TProCommonDialog {
public:
    std::string Caption;
    std::string StopMessage;
    TAlignment Alignment = TAlignment::taLeftJustify;
    TVerticalAlignment VerticalAlignment = TVerticalAlignment::vaCenter;
    Font Font{"MS Sans Serif", 8, false, false, false, false, 0};
    bool ParentFont = true;
    // The owning form's font, taken when ParentFont is set.
    const fx::Font* ownerFont = nullptr;

    void Execute();
};

} // namespace fx
