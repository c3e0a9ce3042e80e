// TBUStarfield: the starfield control, and TBUStarfieldThread, the worker that paces its frames
// and hands each one to the user-interface thread.
#pragma once

#include "effects/core/starfield.h"
#include "toolkit/control.h"

#include <atomic>
#include <functional>
#include <memory>

namespace fx {

// What the control and its thread share. The thread holds it to the end, so the control can go
// first without waiting for the thread.
struct StarfieldThreadShared {
    std::atomic<bool> terminated{false};
    std::atomic<uint32_t> delay{50};
    HANDLE running = nullptr;  // manual-reset: set while the thread may step
    HANDLE endRequest = nullptr; // set once the thread is told to end; cuts the pause short
    HWND target = nullptr;     // the control's window, which runs the steps
    UINT stepMessage = 0;
    ~StarfieldThreadShared();
};

class TBUStarfieldThread {
public:
    // Created paused; frees itself when it ends.
    static TBUStarfieldThread* create(std::shared_ptr<StarfieldThreadShared> shared);
    DWORD id() const { return id_; }

private:
    explicit TBUStarfieldThread(std::shared_ptr<StarfieldThreadShared> shared) : shared_(std::move(shared)) {}
    static DWORD WINAPI entry(void* self);
    void Execute();

    std::shared_ptr<StarfieldThreadShared> shared_;
    DWORD id_ = 0;
};

class TBUStarfield : public tk::Control {
public:
    TBUStarfield(tk::Control* parent, std::string name, const tk::Bounds& bounds);
    ~TBUStarfield() override;

    uint32_t Delay() const { return delay_; }
    void setDelay(uint32_t milliseconds);
    bool Active() const { return active_; }
    void setActive(bool on);
    uint16_t Stars() const { return core_.Stars(); }
    void setStars(uint16_t count) { core_.setStars(count); }
    uint8_t MaxSpeed() const { return core_.MaxSpeed(); }
    void setMaxSpeed(uint8_t speed) { core_.setMaxSpeed(speed); }

    // Raised after a change of size has been applied.
    std::function<void()> onResize;

    void StepFrame();
    const StarfieldCore& core() const { return core_; }
    // Frames run so far; and the worker's thread id, for whoever must see it end.
    unsigned frames() const { return frames_; }
    DWORD threadId() const { return thread_ ? thread_->id() : 0; }

private:
    LRESULT handleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void paint(HDC dc) override;
    void sizeChanged();

    // The off-screen bitmap: a 32-bit DIB section written directly.
    class Bitmap final : public StarSurface {
    public:
        ~Bitmap();
        int width() const override { return width_; }
        int height() const override { return height_; }
        void resize(int width, int height) override;
        void fillBlack() override;
        void setPixel(int x, int y, uint32_t color) override;
        void drawTo(HDC dc) const;

    private:
        HDC dc_ = nullptr;
        HBITMAP bitmap_ = nullptr;
        HGDIOBJ old_ = nullptr;
        uint32_t* bits_ = nullptr;
        int width_ = 0, height_ = 0;
    };

    LinearRandom random_;
    StarfieldCore core_{random_};
    Bitmap bitmap_;
    std::shared_ptr<StarfieldThreadShared> shared_;
    TBUStarfieldThread* thread_ = nullptr;
    uint32_t delay_ = 50;
    bool active_ = false;
    bool loading_ = true;
    unsigned frames_ = 0;
};

} // namespace fx
