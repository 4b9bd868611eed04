// Window sizes and styles of a cursor: pure rules, the same on every platform.
#include "cursor/cursor.h"
#include "cursor/frame_rules.h"

#include <gtest/gtest.h>

#include <limits>
#include <utility>

namespace voxtrel {
namespace {

TEST(Zoom, SidesFollowTheScaleAndStayWithinTheSurface) {
    EXPECT_EQ(sideForScale(0.1), 102);
    EXPECT_EQ(sideForScale(0.25), 256);
    EXPECT_EQ(sideForScale(1.0), 1024);
    // Stored values out of range never make a window larger than the surface.
    EXPECT_EQ(sideForScale(5.0), 1024);
    EXPECT_EQ(sideForScale(0.01), 102);
    EXPECT_EQ(sideForScale(-3), 102);
    EXPECT_EQ(sideForScale(std::numeric_limits<double>::infinity()), 1024);
    EXPECT_EQ(sideForScale(std::numeric_limits<double>::quiet_NaN()), 256);
}

TEST(ExtendedStyle, FollowsOnTopAndShowInTaskbar) {
    Cursor cursor;
    const std::pair<int, int> settings[] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    const DWORD styles[] = {0x08080010, 0x08080018, 0x080C0010, 0x080C0018};
    for (int i = 0; i < 4; ++i) {
        cursor.onTop = settings[i].first;
        cursor.showInTaskbar = settings[i].second;
        EXPECT_EQ(cursor.extendedStyle(), styles[i]) << i;
    }
}

} // namespace
} // namespace voxtrel
