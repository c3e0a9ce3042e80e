// The hook procedures' decisions, driven through a recording platform.
#include "hooklib/core/hook_decisions.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace snovid;

struct Post {
    uint32_t window, message;
    uintptr_t wp;
    intptr_t lp;
    bool operator==(const Post&) const = default;
};

struct RecordingPlatform {
    uint32_t now = 1000;
    std::vector<Post> posts;
    std::vector<int> passedOn;
    std::vector<HookKind> installed;
    std::vector<uintptr_t> removed;
    bool failMouse = false;
    uint32_t tick() { return now; }
    void post(uint32_t w, uint32_t m, uintptr_t wp, intptr_t lp) { posts.push_back({w, m, wp, lp}); }
    intptr_t callNext(int code, uintptr_t, intptr_t) { passedOn.push_back(code); return 77; }
    uintptr_t install(HookKind k) { installed.push_back(k); return k == HookKind::Mouse && failMouse ? 0 : 10 + installed.size(); }
    void uninstall(uintptr_t h) { removed.push_back(h); }
};

struct Fixture {
    TSharedActivity record{0x1234, 5, 0, {0, 0, 0}};
    ProcessState state{&record, {}, 0xC123};
    RecordingPlatform p;
};

TEST(KeyboardHook, NegativeCodePassesOnAndLeavesTheRecord)
{
    Fixture f;
    f.record.Armed = 1;
    EXPECT_EQ(keyboardEvent(f.state, f.p, -1, 65, 0), 77);
    EXPECT_EQ(f.p.passedOn, std::vector<int>{-1});
    EXPECT_EQ(f.record.LastTick, 5u);
    EXPECT_EQ(f.record.Armed, 1);
    EXPECT_TRUE(f.p.posts.empty());
}

TEST(KeyboardHook, UnarmedStampsOnlyArmedPostsOnceThenStamps)
{
    Fixture f;
    for (int code : {0, 3}) { // HC_ACTION and HC_NOREMOVE alike
        f.p.now += 10;
        EXPECT_EQ(keyboardEvent(f.state, f.p, code, 65, 1), 0);
        EXPECT_EQ(f.record.LastTick, f.p.now);
        EXPECT_TRUE(f.p.posts.empty()) << "posted while unarmed";
    }
    f.record.Armed = 1;
    f.p.now = 2000;
    keyboardEvent(f.state, f.p, 0, 66, 0x20001);
    keyboardEvent(f.state, f.p, 0, 66, 0xC0020001);
    ASSERT_EQ(f.p.posts.size(), 1u);
    EXPECT_EQ(f.p.posts[0], (Post{0x1234, 0xC123, 66, 0x20001}));
    EXPECT_EQ(f.record.Armed, 0);
    EXPECT_EQ(f.record.LastTick, 2000u);
    EXPECT_TRUE(f.p.passedOn.empty());
}

TEST(HookProcedures, NoRecordMeansNothingIsTouched)
{
    RecordingPlatform p;
    ProcessState s{nullptr, {}, 1};
    const Point pt{3, 4};
    EXPECT_EQ(keyboardEvent(s, p, 0, 1, 2), 0);
    EXPECT_EQ(mouseEvent(s, p, 0, kMouseMove, 0, &pt), 0);
    EXPECT_EQ(mouseEvent(s, p, -2, kMouseMove, 0, &pt), 77);
    EXPECT_TRUE(p.posts.empty());
}

TEST(MouseHook, FirstPointRuleAndMoves)
{
    struct Event {
        uint32_t message;
        Point pt;
        bool wakes;
        Point remembered;
    };
    // Armed before each row that follows a wake.
    const std::vector<Event> events = {
        {0x201, {100, 200}, false, {100, 200}}, // first event after arming: only remembered
        {0x200, {100, 200}, false, {100, 200}}, // the same point again
        {0x200, {101, 200}, true, {0, 0}},      // moved in x
        {0x200, {5, 5}, false, {5, 5}},
        {0x200, {5, 6}, true, {0, 0}},          // moved in y
        {0x201, {7, 7}, false, {7, 7}},
        {0x202, {7, 7}, true, {0, 0}},          // a button release at the same point wakes
        {0x20A, {0, 0}, false, {0, 0}},         // a cursor at (0, 0) counts as nothing remembered
        {0x20A, {0, 0}, false, {0, 0}},
        {0x200, {0, 5}, false, {0, 5}},         // one coordinate 0 is still a point
        {0x200, {1, 5}, true, {0, 0}},
        {0x200, {5, 0}, false, {5, 0}},
        {0x200, {5, 1}, true, {0, 0}},
    };
    Fixture f;
    f.record.Armed = 1;
    for (size_t i = 0; i < events.size(); ++i) {
        const Event& e = events[i];
        const size_t before = f.p.posts.size();
        f.p.now += 7;
        EXPECT_EQ(mouseEvent(f.state, f.p, 0, e.message, 42, &e.pt), 0) << "row " << i;
        EXPECT_EQ(f.record.LastTick, f.p.now) << "row " << i;
        EXPECT_EQ(f.p.posts.size() - before, e.wakes ? 1u : 0u) << "row " << i;
        EXPECT_EQ(f.state.lastMousePoint.x, e.remembered.x) << "row " << i;
        EXPECT_EQ(f.state.lastMousePoint.y, e.remembered.y) << "row " << i;
        if (e.wakes) {
            EXPECT_EQ(f.p.posts.back(), (Post{0x1234, 0xC123, e.message, 42})) << "row " << i;
            EXPECT_EQ(f.record.Armed, 0) << "row " << i;
            f.record.Armed = 1;
        }
    }
}

TEST(MouseHook, UnarmedOnlyStampsAndKeepsTheRememberedPointIntoTheNextSleep)
{
    Fixture f;
    f.state.lastMousePoint = {9, 9};
    const Point pt{50, 50};
    f.p.now = 3000;
    mouseEvent(f.state, f.p, 0, 0x201, 0, &pt);
    EXPECT_EQ(f.record.LastTick, 3000u);
    EXPECT_TRUE(f.p.posts.empty());
    EXPECT_EQ(f.state.lastMousePoint.x, 9);
    f.record.Armed = 1;
    const Point same{9, 9};
    mouseEvent(f.state, f.p, 0, kMouseMove, 0, &same);
    EXPECT_TRUE(f.p.posts.empty()) << "the point kept from the last sleep matched";
}

TEST(HookState, InstallsOnceRetriesFailuresAndRemovesAll)
{
    Fixture f;
    HookHandles h;
    f.p.failMouse = true;
    f.p.now = 4000;
    EXPECT_FALSE(hookState(h, f.state, f.p, true));
    EXPECT_EQ(f.record.LastTick, 5u) << "stamped although a hook is missing";
    f.p.failMouse = false;
    EXPECT_TRUE(hookState(h, f.state, f.p, true));
    EXPECT_EQ(f.p.installed, (std::vector<HookKind>{HookKind::Keyboard, HookKind::Mouse, HookKind::Mouse}));
    EXPECT_EQ(f.record.LastTick, 4000u);
    f.p.now = 4500;
    EXPECT_TRUE(hookState(h, f.state, f.p, true));
    EXPECT_EQ(f.p.installed.size(), 3u) << "installed again while held";
    EXPECT_EQ(f.record.LastTick, 4500u);
    EXPECT_TRUE(hookState(h, f.state, f.p, false));
    EXPECT_EQ(f.p.removed, (std::vector<uintptr_t>{11, 13}));
    EXPECT_EQ(h.keyboard, 0u);
    EXPECT_EQ(h.mouse, 0u);
    EXPECT_TRUE(hookState(h, f.state, f.p, false));
    EXPECT_EQ(f.p.removed.size(), 2u);
}

TEST(SharedRecord, TwelveBytesWithTheFieldsAtTheirOffsets)
{
    EXPECT_EQ(sizeof(TSharedActivity), 12u);
    EXPECT_EQ(offsetof(TSharedActivity, NotifyWnd), 0u);
    EXPECT_EQ(offsetof(TSharedActivity, LastTick), 4u);
    EXPECT_EQ(offsetof(TSharedActivity, Armed), 8u);
}

} // namespace
