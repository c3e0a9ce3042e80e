// THTMLHint, the form's hint component, and THTMLHintWindow, the rounded window that shows
// every hint of the program through the markup engine.
#pragma once

#include "toolkit/form.h"
#include "toolkit/hints.h"
#include "toolkit/markup_painter.h"

namespace fx {

enum class HintStyle { hsRectangle, hsRounded };

class THTMLHintWindow : public tk::HintDisplay {
public:
    explicit THTMLHintWindow(class THTMLHint& settings);
    ~THTMLHintWindow() override;
    THTMLHintWindow(const THTMLHintWindow&) = delete;
    THTMLHintWindow& operator=(const THTMLHintWindow&) = delete;

    void showHint(const std::string& markup, POINT cursor) override;
    void hideHint() override;
    // nullptr until the first hint is shown.
    HWND handle() const { return hwnd_; }

    static constexpr int kMaxHintWidth = 400;

private:
    static LRESULT CALLBACK windowProc(HWND, UINT, WPARAM, LPARAM);
    void createWindow();
    void paint(HDC dc);
    tk::MarkupStyle style() const;
    int scale(int value) const;

    THTMLHint& settings_;
    HWND hwnd_ = nullptr;
    std::string text_;
    int measuredHeight_ = 0;
};

class THTMLHint {
public:
    // Refuses a second hint on the same form and an owner that is not a form.
    explicit THTMLHint(tk::Control* owner);
    ~THTMLHint();
    THTMLHint(const THTMLHint&) = delete;
    THTMLHint& operator=(const THTMLHint&) = delete;

    HintStyle HintStyle = HintStyle::hsRounded;
    Font HintFont{"Tahoma", 8, false, false, false, false, 0x80000017};
    uint32_t HintColor = 0x80000018;
    uint32_t ShadowColor = 0;
    int ShadowOffset = 0;
    uint32_t URLColor = 13602864;
    int XMargin = 0, YMargin = 0;

    THTMLHintWindow& window() { return window_; }
    // The hint shows at its form's DPI; margins, offsets and the width limit are at 96 DPI.
    int dpi() const { return form_->dpi(); }

private:
    tk::Form* form_;
    THTMLHintWindow window_;
};

} // namespace fx
