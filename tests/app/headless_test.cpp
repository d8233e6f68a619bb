// The headless backend's window, message queue, timers and screen.
#include <climits>
#include <vector>

#include "platform/headless/headless.h"
#include "support/testutil.h"

namespace vortella::test {
namespace {

std::vector<MSG> seen;

LRESULT record_proc(HWND w, unsigned msg, WPARAM wp, LPARAM lp) {
    seen.push_back({w, msg, wp, lp});
    if (msg == WM_CLOSE) return sys()->def_window_proc(w, msg, wp, lp);
    if (msg == WM_DESTROY) sys()->post_quit_message(0);
    return 0;
}

struct headless : ::testing::Test {
    headless_services svc;
    HWND w = 0;
    void SetUp() override {
        seen.clear();
        set_sys(&svc);
        ASSERT_TRUE(svc.register_class("VORTELLA", record_proc));
        w = svc.create_window("VORTELLA", 0, 0, 640, 480);
        ASSERT_NE(w, 0);
    }
    void TearDown() override { set_sys(nullptr); }
    MSG next() {
        MSG m{};
        svc.get_message(m);
        return m;
    }
};

TEST_F(headless, TimersTickOnTheVirtualClockAfterQueuedMessagesAndInput) {
    svc.set_timer(w, 1, 100);
    svc.key_at(150);
    svc.post_message(w, WM_SIZE, 0, 0);
    EXPECT_EQ(next().message, WM_SIZE);
    EXPECT_EQ(svc.now, 0u);
    MSG m = next();
    EXPECT_EQ(m.message, WM_TIMER);
    EXPECT_EQ(m.wParam, 1u);
    EXPECT_EQ(svc.now, 100u);
    EXPECT_EQ(next().message, WM_KEYDOWN);
    EXPECT_EQ(svc.now, 150u);
    next();
    EXPECT_EQ(svc.now, 200u);
    // A slow frame: the missed ticks merge into one.
    svc.advance(1000);
    next();
    next();
    EXPECT_EQ(svc.now, 1300u);
    svc.set_timer(w, 1, 50);   // restarting resets the period
    next();
    EXPECT_EQ(svc.now, 1350u);
    svc.kill_timer(w, 1);
    svc.limit = 5000;
    EXPECT_THROW(next(), headless_idle);
}

TEST_F(headless, CloseDestroysAndQuitEndsTheLoop) {
    svc.set_timer(w, 1, 10);
    svc.post_message(w, WM_CLOSE, 0, 0);
    MSG m{};
    ASSERT_TRUE(svc.get_message(m));
    svc.dispatch_message(m);
    EXPECT_EQ(seen.back().message, WM_DESTROY);
    EXPECT_FALSE(svc.get_message(m));
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_TRUE(svc.timers.empty());
    EXPECT_EQ(svc.dispatch_message({w, WM_TIMER, 1, 0}), 0);   // gone
}

TEST_F(headless, PicturesAreCopiedOneToOneAndClipped) {
    // Asked for top-down rows, the picture shows its first row on top.
    svc.orientation = -1;
    uint8_t *p = svc.create_picture(32, 4);
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 32 * 4; ++i) p[i] = uint8_t(i + 1);
    svc.blit_picture(w, 620, 478, 1);
    EXPECT_EQ(svc.pixel(620, 478), 1);
    EXPECT_EQ(svc.pixel(639, 479), 32 + 20);
    svc.blit_picture(w, -10, 0, 1);
    EXPECT_EQ(svc.pixel(0, 0), 11);
    svc.fill_black(w, -5, -5, 10, 10);
    EXPECT_EQ(svc.pixel(4, 4), 0);
    EXPECT_EQ(svc.pixel(5, 0), 16);
    svc.picture_fails = true;
    EXPECT_EQ(svc.create_picture(64, 4), nullptr);
    EXPECT_EQ(svc.pic_w, 32);   // the old picture stays

    // With no preference (the default) the rows are bottom-up: the first
    // row in memory shows at the bottom.
    svc.picture_fails = false;
    svc.orientation = 0;
    p = svc.create_picture(32, 4);
    for (int i = 0; i < 32 * 4; ++i) p[i] = uint8_t(i + 1);
    svc.blit_picture(w, 0, 10, 1);
    EXPECT_EQ(svc.pixel(0, 13), 1);
    EXPECT_EQ(svc.pixel(0, 10), 3 * 32 + 1);
}

// Dialog item numbers, read alike by both backends.
TEST(ItemNumbers, SignedDecimalsOrNothing) {
    bool ok;
    EXPECT_EQ(parse_item_int("  -12", &ok), -12);
    EXPECT_TRUE(ok);
    EXPECT_EQ(parse_item_int("-2147483648", &ok), INT_MIN);
    EXPECT_TRUE(ok);
    for (const char *bad : {"", "-", "12x", "1 2", "2147483648", "99999999999999999999"}) {
        EXPECT_EQ(parse_item_int(bad, &ok), 0) << bad;
        EXPECT_FALSE(ok) << bad;
    }
}

}  // namespace
}  // namespace vortella::test
