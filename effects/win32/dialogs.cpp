// Building, laying out and running the two dialogs.
#include "effects/win32/dialogs.h"

#include "toolkit/application.h"
#include "toolkit/dialog_window.h"
#include "toolkit/html_label.h"

#include <algorithm>
#include "toolkit/picture.h"
#include "common/win32/text.h"

#include <cmath>
#include <memory>

namespace fx {

namespace {

int nearest(double v)
{
    return static_cast<int>(std::lround(v));
}

// The stop picture, drawn without the grey of its lower left pixel.
class StopPicture : public tk::Control {
public:
    StopPicture(tk::Control* parent, const tk::Bounds& b) : Control(parent, "StopPicture")
    {
        registerClass(L"TProStopPicture", 0, nullptr);
        setBounds(b);
        create(L"TProStopPicture", WS_VISIBLE, 0, 0, "");
        setSelfPainted();
        bitmap_ = tk::bitmapAtDpi(L"STOPICON", dpi());
    }

protected:
    void paint(HDC dc) override
    {
        RECT r;
        GetClientRect(handle(), &r);
        FillRect(dc, &r, tk::solidBrush(parent()->backgroundColour()));
        if (!bitmap_)
            return; // a missing picture leaves the place empty
        BITMAP bm{};
        GetObjectW(bitmap_, sizeof bm, &bm);
        const HDC mem = CreateCompatibleDC(dc);
        const HGDIOBJ old = SelectObject(mem, bitmap_);
        const COLORREF ground = GetPixel(mem, 0, bm.bmHeight - 1);
        GdiTransparentBlt(dc, 0, 0, bm.bmWidth, bm.bmHeight, mem, 0, 0, bm.bmWidth, bm.bmHeight, ground);
        SelectObject(mem, old);
        DeleteDC(mem);
    }

private:
    HBITMAP bitmap_ = nullptr;
};

// The stop message: word-wrapped in a fixed box, aligned, "&" marking an accelerator.
class StopMessageLabel : public tk::Control {
public:
    StopMessageLabel(tk::Control* parent, const tk::Bounds& b, HFONT font, UINT align, TVerticalAlignment v)
        : Control(parent, "Message"), font_(font), align_(align), vertical_(v)
    {
        registerClass(L"TProStopMessage", 0, nullptr);
        setBounds(b);
        create(L"TProStopMessage", WS_VISIBLE, 0, 0, "");
        setSelfPainted();
    }

protected:
    void paint(HDC dc) override
    {
        RECT r;
        GetClientRect(handle(), &r);
        FillRect(dc, &r, tk::solidBrush(parent()->backgroundColour()));
        const std::wstring text = tk::wide(this->text());
        const HGDIOBJ old = SelectObject(dc, font_);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        RECT box = r;
        if (vertical_ != TVerticalAlignment::vaTop) {
            RECT measure = r;
            DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measure, DT_WORDBREAK | DT_CALCRECT | align_);
            const int spare = std::max(0L, (r.bottom - r.top) - (measure.bottom - measure.top));
            box.top += vertical_ == TVerticalAlignment::vaCenter ? spare / 2 : spare;
        }
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box, DT_WORDBREAK | align_);
        SelectObject(dc, old);
    }

private:
    HFONT font_;
    UINT align_;
    TVerticalAlignment vertical_;
};

std::wstring loadString(UINT id)
{
    const wchar_t* text = nullptr;
    const int n = LoadStringW(tk::Application::instance().module(), id, reinterpret_cast<wchar_t*>(&text), 0);
    return n > 0 ? std::wstring(text, static_cast<size_t>(n)) : std::wstring();
}

HFONT fontOf(const Font& f, int ppi)
{
    return CreateFontW(-MulDiv(f.size, ppi, 72), 0, 0, 0, f.bold ? FW_BOLD : FW_NORMAL, f.italic, f.underline, f.strikeOut,
                       RUSSIAN_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                       tk::wide(f.name).c_str());
}

} // namespace

int THTMLDialog::Execute()
{
    tk::DialogWindow window(Caption, Width, Height, tk::resolveColour(Color));

    // Base units from the window's own font.
    const HDC dc = GetDC(window.handle());
    const HGDIOBJ old = SelectObject(dc, tk::defaultFont());
    SIZE extent{};
    GetTextExtentPoint32W(dc, L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &extent);
    SelectObject(dc, old);
    ReleaseDC(window.handle(), dc);
    const int cx = extent.cx / 52, cy = extent.cy;

    switch (Position) {
    case TPosition::poScreenCenter:
    case TPosition::poDesktopCenter:
    case TPosition::poMainFormCenter:
    case TPosition::poOwnerFormCenter: window.centre(); break;
    default: break;
    }

    const int bw = nearest(50.0 * cx / 4), bh = nearest(14.0 * cy / 8);
    const int buttonTop = Height - bh - 4;
    const int left = nearest(8.0 * cx / 4), top = nearest(8.0 * cy / 8);

    tk::MarkupStyle style;
    style.font = Font;
    style.wordWrap = true;
    style.shadowColour = ShadowColor;
    style.shadowOffset = ShadowOffset;
    style.linkColour = URLColor;
    style.pictures = false;
    std::string text;
    for (const auto& line : HTMLText)
        text += line;
    const int windowWidth = MulDiv(window.bounds().width, tk::kBaseDpi, window.dpi());
    tk::HtmlLabel label(&window, "HTMLabel", tk::Bounds{left, top, windowWidth - 2 * left, Height - top}, style);
    label.setImages(Images);
    label.setText(text);
    label.OnAnchorClick = OnAnchorClick;
    label.OnAnchorEnter = OnAnchorEnter;
    label.OnAnchorExit = OnAnchorExit;
    label.autoSize();
    // A text taller than the room above the buttons is cut there rather than laid over them.
    if (tk::Bounds b = label.bounds(); b.y + b.height > buttonTop - 4) {
        b.height = std::max(0, buttonTop - 4 - b.y);
        label.setBounds(b);
    }

    const TButtonProperties* buttons[] = {&LeftButton, &CenterButton, &RightButton};
    for (int i = 0; i < 3; ++i) {
        const TButtonProperties& b = *buttons[i];
        if (b.Visible)
            window.addButton(b.Caption, tk::Bounds{Width - (3 - i) * (bw + 10), buttonTop, bw, bh}, b.ModalResult, b.Default,
                             b.Cancel, 101 + i);
    }
    return window.showModal(2);
}

UINT TProCommonDialog::beepType(TSoundType s)
{
    switch (s) {
    case TSoundType::stAsterisk: return MB_ICONASTERISK;
    case TSoundType::stExclamation: return MB_ICONEXCLAMATION;
    case TSoundType::stSystemHand: return MB_ICONHAND;
    case TSoundType::stQuestion: return MB_ICONQUESTION;
    default: return 0;
    }
}

void TProStopDialog::Execute()
{
    // The layout is given at 120 pixels per inch: brought to the toolkit's 96, which scales it to the window's DPI.
    const auto s = [](int v) { return nearest(v * 96.0 / 120.0); };

    tk::DialogWindow window("", s(402), s(169), GetSysColor(COLOR_BTNFACE));
    const int ppi = window.dpi();
    std::wstring title = loadString(titleId(TDialogLanguage::dlEnglish));
    TDialogLanguage buttons = TDialogLanguage::dlEnglish;
    if (Language != TDialogLanguage::dlEnglish) {
        title = loadString(titleId(Language));
        buttons = Language;
    }
    if (!Caption.empty())
        title = tk::wide(Caption);
    SetWindowTextW(window.handle(), title.c_str());
    window.centre();

    const fx::Font& font = ParentFont && ownerFont ? *ownerFont : Font;
    const HFONT hfont = fontOf(font, ppi);

    window.addFrame(tk::Bounds{s(10), s(10), s(381), s(106)});
    const int frameTop = s(10), frameHeight = s(106);
    StopPicture picture(&window, tk::Bounds{s(15), (frameTop + frameHeight - 64) / 2, 48, 64});
    const UINT align = Alignment == TAlignment::taCenter ? DT_CENTER : Alignment == TAlignment::taRightJustify ? DT_RIGHT : DT_LEFT;
    StopMessageLabel message(&window, tk::Bounds{s(70), s(20), s(311), s(86)}, hfont, align, VerticalAlignment);
    message.setText(StopMessage);
    // The picture keeps its 96-DPI size where the layout shrinks from 120: it reaches under the
    // message's left edge, and its own right margin is blank, so the message lies above it.
    message.bringToFront();

    const int cancelLeft = HelpContext == 0 ? 151 : 94;
    tk::Button& cancel = window.addButton(tk::narrow(loadString(cancelId(buttons))), tk::Bounds{s(cancelLeft), s(128), s(100), s(30)},
                                          2, false, true, IDCANCEL);
    SetWindowTextW(cancel.handle(), loadString(cancelId(buttons)).c_str());
    if (HelpContext != 0) {
        tk::Button& help = window.addButton("", tk::Bounds{s(208), s(128), s(100), s(30)}, 0, false, false, IDHELP);
        SetWindowTextW(help.handle(), loadString(helpId(buttons)).c_str());
        // No help file comes with the program: the button keeps the window open and does nothing.
        help.onClick = nullptr;
    }
    for (HWND child = GetWindow(window.handle(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(hfont), TRUE);
    SetWindowContextHelpId(window.handle(), static_cast<DWORD>(HelpContext));

    if (SoundType != TSoundType::stNoSound)
        MessageBeep(beepType(SoundType));
    window.showModal(2);
    DeleteObject(hfont);
}

} // namespace fx
