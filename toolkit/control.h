// A control: a real window with an owner, a name, bounds, visibility, enabled state, text and
// hint. Subclasses paint and react through handleMessage.
#pragma once

#include "toolkit/dpi.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace tk {

struct Bounds {
    int x = 0, y = 0, width = 0, height = 0;
};

class Control {
public:
    Control(Control* parent, std::string name);
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    HWND handle() const { return hwnd_; }
    Control* parent() const { return parent_; }
    const std::string& name() const { return name_; }

    // Bounds of a child are given in 96-DPI pixels and placed scaled to the control's DPI; a
    // top-level window's bounds are its screen rectangle, in screen pixels.
    void setBounds(const Bounds& b);
    Bounds bounds() const { return bounds_; }
    // The DPI this control is laid out for: its parent's, for a top-level window the system's
    // until the window learns its monitor's.
    int dpi() const { return dpi_; }
    // A layout length in 96-DPI pixels at this control's DPI.
    int scale(int value) const { return scaled(value, dpi_); }
    // Lays this control and every control inside it out again for another DPI.
    void setDpi(int dpi);
    void setVisible(bool visible);
    bool visible() const;
    void setEnabled(bool enabled);
    bool enabled() const;
    // The window text: caption or text, cp1251.
    void setText(const std::string& text);
    std::string text() const;
    void setHint(const std::string& hint) { hint_ = hint; }
    const std::string& hint() const { return hint_; }
    // Marks the window for painting (erasing its background first), when it is on screen.
    void invalidate(bool erase = true);
    void bringToFront();
    // Directly under a sibling in the Z order.
    void placeBelow(const Control& sibling);
    // The colour the children of this control see behind them.
    virtual COLORREF backgroundColour() const;

    // The object behind a window made by this toolkit, or nullptr.
    static Control* fromHandle(HWND hwnd);

protected:
    // Creates the window of a registered toolkit class (see registerClass) or of a system class.
    void create(const wchar_t* className, DWORD style, DWORD exStyle, int id, const std::string& text);
    static void registerClass(const wchar_t* className, UINT classStyle, HCURSOR cursor, bool topLevel = false);

    virtual LRESULT handleMessage(UINT msg, WPARAM wp, LPARAM lp);
    // Controls that draw themselves: no background erase, and paint() for every WM_PAINT.
    void setSelfPainted() { selfPainted_ = true; }
    // Mouse moves, leaves and presses that show or hide this control's hint.
    void trackHint(UINT msg);
    virtual void paint(HDC dc) { (void)dc; }
    LRESULT defaultProc(UINT msg, WPARAM wp, LPARAM lp);
    // WM_COMMAND / WM_NOTIFY from a child, forwarded to the child that sent it.
    virtual void command(WORD /*notifyCode*/) {}
    // After the DPI changed and the control has its new place: fonts and sizes of its own.
    virtual void dpiChanged() {}

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK subclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    // A message's handler; the window's entry goes with the window.
    static LRESULT dispatch(Control* self, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    Bounds deviceBounds() const;
    void applyDpi(int dpi);
    static BOOL CALLBACK applyDpiToChild(HWND child, LPARAM dpi);

    Control* parent_;
    std::string name_;
    std::string hint_;
    Bounds bounds_;
    int dpi_;
    HWND hwnd_ = nullptr;
    WNDPROC systemProc_ = nullptr; // for system classes such as BUTTON
    bool selfPainted_ = false;
};

// Holds a control's drawing while its children change together: under Wine each show, hide or
// text of a child on screen is a repaint of its own, and the whole is painted once at the end.
class DrawingHeld {
public:
    explicit DrawingHeld(Control& control);
    ~DrawingHeld();
    DrawingHeld(const DrawingHeld&) = delete;
    DrawingHeld& operator=(const DrawingHeld&) = delete;

private:
    HWND held_ = nullptr;
};

// The program's dialog font: MS Sans Serif 8 pt, Russian character set, at that DPI.
HFONT defaultFont(int dpi = kBaseDpi);
// A shared font, made once per face, height (96-DPI pixels, scaled to dpi) and weight for the whole run.
HFONT sharedFont(const std::wstring& face, int pixelHeight, bool bold, int dpi = kBaseDpi);
// A shared brush of one colour; never deleted by the caller.
HBRUSH solidBrush(COLORREF colour);

} // namespace tk
