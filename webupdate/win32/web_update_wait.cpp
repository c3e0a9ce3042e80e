// TWebUpdate's network waits: each blocking WinINet call runs on a thread of the pool while the
// main thread goes on handling its messages, and is given up after the stall limit or when the
// program ends.
#include "webupdate/win32/web_update_shared.h"

#include "toolkit/dialog_keys.h"

#include <atomic>

namespace wu::detail {

namespace {

struct Pending {
    std::function<void(BlockingCall&)> work;
    BlockingCall call;
    HANDLE returned = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    // Taken by whichever side is done with the call first: its thread when the call returned, the
    // waiting thread when it gave the call up. Only a call that returned first hands its results on.
    std::atomic<bool> taken{false};
    Pending() = default;
    Pending(const Pending&) = delete;
    Pending& operator=(const Pending&) = delete;
    ~Pending()
    {
        if (returned != nullptr)
            CloseHandle(returned);
    }
};

DWORD WINAPI runPending(void* arg)
{
    auto* holder = static_cast<std::shared_ptr<Pending>*>(arg);
    const std::shared_ptr<Pending> pending = std::move(*holder);
    delete holder;
    pending->work(pending->call);
    // Given up before it returned: nobody takes what it opened.
    if (pending->taken.exchange(true) && pending->call.opened != nullptr)
        InternetCloseHandle(pending->call.opened);
    SetEvent(pending->returned);
    return 0;
}

// Handles this thread's messages until the event is set (true), the limit has passed or the
// program is ending (false, unless the event was set by then).
bool waitHandlingMessages(HANDLE event, DWORD limit)
{
    const ULONGLONG until = GetTickCount64() + limit;
    for (;;) {
        const bool going = pumpMessages();
        const ULONGLONG now = GetTickCount64();
        if (!going || now >= until)
            return WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
        const DWORD r = MsgWaitForMultipleObjectsEx(1, &event, static_cast<DWORD>(until - now), QS_ALLINPUT,
                                                    MWMO_INPUTAVAILABLE);
        if (r == WAIT_OBJECT_0)
            return true;
        if (r == WAIT_FAILED)
            return false;
    }
}

} // namespace

bool pumpMessages()
{
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(m.wParam));
            return false;
        }
        if (tk::handleDialogKey(m))
            continue;
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    return true;
}

std::shared_ptr<const BlockingCall> callAndWait(std::function<void(BlockingCall&)> work, HINTERNET& abort)
{
    auto pending = std::make_shared<Pending>();
    pending->work = std::move(work);
    auto* holder = new std::shared_ptr<Pending>(pending);
    if (pending->returned == nullptr || !QueueUserWorkItem(runPending, holder, WT_EXECUTELONGFUNCTION)) {
        // Without the pool the call is made on this thread.
        delete holder;
        pending->work(pending->call);
        return std::shared_ptr<const BlockingCall>(pending, &pending->call);
    }
    if (waitHandlingMessages(pending->returned, stallLimitMs) || pending->taken.exchange(true))
        return std::shared_ptr<const BlockingCall>(pending, &pending->call);
    // Closing the handle ends a call blocked on it; the thread then finds the call given up.
    if (abort != nullptr)
        InternetCloseHandle(abort);
    abort = nullptr;
    return nullptr;
}

} // namespace wu::detail
