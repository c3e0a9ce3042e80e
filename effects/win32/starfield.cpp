// The starfield control over a DIB section, and its pacing thread.
#include "effects/win32/starfield.h"

#include <cstring>

namespace fx {

StarfieldThreadShared::~StarfieldThreadShared()
{
    if (running)
        CloseHandle(running);
    if (endRequest)
        CloseHandle(endRequest);
}

TBUStarfieldThread* TBUStarfieldThread::create(std::shared_ptr<StarfieldThreadShared> shared)
{
    auto* thread = new TBUStarfieldThread(std::move(shared));
    const HANDLE handle = CreateThread(nullptr, 0, entry, thread, 0, &thread->id_);
    if (!handle) {
        delete thread;
        return nullptr;
    }
    // Nobody joins it: the thread frees itself when it ends.
    CloseHandle(handle);
    return thread;
}

DWORD WINAPI TBUStarfieldThread::entry(void* self)
{
    auto* thread = static_cast<TBUStarfieldThread*>(self);
    thread->Execute();
    delete thread;
    return 0;
}

void TBUStarfieldThread::Execute()
{
    StarfieldThreadShared& s = *shared_;
    const HANDLE waitRun[2] = {s.running, s.endRequest};
    while (!s.terminated.load()) {
        // Paused while the control is not active; the end request wakes a paused thread.
        WaitForMultipleObjects(2, waitRun, FALSE, INFINITE);
        if (s.terminated.load())
            break;
        // The call-and-wait hand-over. A window that is gone takes nothing, so a destroyed
        // control never runs a step, and the wait returns at once.
        DWORD_PTR result = 0;
        SendMessageTimeoutW(s.target, s.stepMessage, 0, 0, SMTO_NORMAL, INFINITE, &result);
        WaitForSingleObject(s.endRequest, s.delay.load());
    }
}

TBUStarfield::Bitmap::~Bitmap()
{
    if (dc_) {
        SelectObject(dc_, old_);
        DeleteDC(dc_);
    }
    if (bitmap_)
        DeleteObject(bitmap_);
}

void TBUStarfield::Bitmap::resize(int width, int height)
{
    if (!dc_) {
        dc_ = CreateCompatibleDC(nullptr);
        old_ = GetCurrentObject(dc_, OBJ_BITMAP);
    }
    SelectObject(dc_, old_);
    if (bitmap_)
        DeleteObject(bitmap_);
    bitmap_ = nullptr;
    bits_ = nullptr;
    width_ = width;
    height_ = height;
    if (width <= 0 || height <= 0)
        return;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap_)
        return;
    bits_ = static_cast<uint32_t*>(bits);
    SelectObject(dc_, bitmap_);
}

void TBUStarfield::Bitmap::fillBlack()
{
    if (bits_)
        std::memset(bits_, 0, static_cast<size_t>(width_) * static_cast<size_t>(height_) * 4);
}

void TBUStarfield::Bitmap::setPixel(int x, int y, uint32_t color)
{
    if (!bits_ || x < 0 || y < 0 || x >= width_ || y >= height_)
        return;
    // A DIB pixel holds blue in the low byte.
    const uint32_t r = color & 0xFF, g = (color >> 8) & 0xFF, b = (color >> 16) & 0xFF;
    bits_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)] = b | g << 8 | r << 16;
}

void TBUStarfield::Bitmap::drawTo(HDC dc) const
{
    if (bits_)
        BitBlt(dc, 0, 0, width_, height_, dc_, 0, 0, SRCCOPY);
}

TBUStarfield::TBUStarfield(tk::Control* parent, std::string name, const tk::Bounds& bounds)
    : Control(parent, std::move(name)), random_(GetTickCount())
{
    shared_ = std::make_shared<StarfieldThreadShared>();
    shared_->running = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    shared_->endRequest = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    shared_->stepMessage = RegisterWindowMessageW(L"TBUStarfieldStep");
    shared_->delay = delay_;
    registerClass(L"TBUStarfield", 0, nullptr);
    setBounds(tk::Bounds{bounds.x, bounds.y, 100, 100});
    create(L"TBUStarfield", WS_VISIBLE, 0, 0, "");
    setSelfPainted();
    shared_->target = handle();
    thread_ = TBUStarfieldThread::create(shared_);
    core_.setSize(scale(100), scale(100));
    core_.setMaxSpeed(10);
    core_.setStars(100);
    // The stored size; the bitmap stays empty until the first frame sizes it.
    setBounds(bounds);
    loading_ = false;
}

TBUStarfield::~TBUStarfield()
{
    core_.clear();
    // From here on no step runs: the flag is checked in the step, the window goes with the
    // base, and the thread, woken from any pause, ends by itself.
    shared_->terminated = true;
    SetEvent(shared_->endRequest);
}

void TBUStarfield::setDelay(uint32_t milliseconds)
{
    delay_ = milliseconds;
    shared_->delay = milliseconds;
}

void TBUStarfield::setActive(bool on)
{
    active_ = on;
    if (on)
        SetEvent(shared_->running);
    else
        ResetEvent(shared_->running);
}

void TBUStarfield::sizeChanged()
{
    if (onResize)
        onResize();
    // The field is drawn in the window's own pixels, crisp at every DPI.
    RECT r;
    GetClientRect(handle(), &r);
    bitmap_.resize(r.right, r.bottom);
    core_.placeAll();
}

void TBUStarfield::StepFrame()
{
    ++frames_;
    if (!core_.StepFrame(bitmap_)) {
        // The core has sized the bitmap and placed the stars: the change of size, undrawn.
        if (onResize)
            onResize();
        return;
    }
    const HDC dc = GetDC(handle());
    bitmap_.drawTo(dc);
    ReleaseDC(handle(), dc);
}

void TBUStarfield::paint(HDC dc)
{
    // No picture of its own: until the next frame the parent's background shows.
    RECT r;
    GetClientRect(handle(), &r);
    FillRect(dc, &r, tk::solidBrush(parent() ? parent()->backgroundColour() : RGB(0, 0, 0)));
}

LRESULT TBUStarfield::handleMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    if (shared_ && msg == shared_->stepMessage) {
        if (!shared_->terminated.load() && active_)
            StepFrame();
        return 0;
    }
    if (msg == WM_SIZE) {
        core_.setSize(LOWORD(lp), HIWORD(lp));
        if (!loading_)
            sizeChanged();
    }
    return Control::handleMessage(msg, wp, lp);
}

} // namespace fx
