// A newly constructed cursor: every field at its initial value, centred on the virtual screen.
#include "cursor/cursor.h"

#include "platform/linux/display/headless/headless_control.h"

#include <gtest/gtest.h>

namespace voxtrel {
namespace {

TEST(CursorDefaults, CentredOnTheVirtualScreenWithDefaultSize) {
    headless::setScreenSize(1280, 1024);
    Cursor cursor;
    EXPECT_EQ(cursor.centerX, 640);
    EXPECT_EQ(cursor.centerY, 512);
    EXPECT_EQ(cursor.width, 256);
    EXPECT_EQ(cursor.height, 256);
    EXPECT_EQ(cursor.scale, 0.25);
    EXPECT_EQ(cursor.surfaceWidth, 1024);
    EXPECT_EQ(cursor.surfaceHeight, 1024);
}

TEST(CursorDefaults, OddScreenSidesAreHalvedByIntegerDivision) {
    headless::setScreenSize(1279, 1023);
    Cursor cursor;
    EXPECT_EQ(cursor.centerX, 639);
    EXPECT_EQ(cursor.centerY, 511);
}

TEST(CursorDefaults, SettingsFlagsAndBlend) {
    Cursor cursor;
    EXPECT_EQ(cursor.alphaBlend, 1);
    EXPECT_EQ(cursor.launcherEnabled, 1);
    EXPECT_EQ(cursor.bgTextureEnabled, 1);
    EXPECT_EQ(cursor.onTop, 1);
    EXPECT_EQ(cursor.showInTaskbar, 0);
    EXPECT_EQ(cursor.shape, 40030u);
    EXPECT_TRUE(cursor.texturePath.empty());
    EXPECT_EQ(cursor.blend.BlendOp, AC_SRC_OVER);
    EXPECT_EQ(cursor.blend.BlendFlags, 0);
    EXPECT_EQ(cursor.blend.SourceConstantAlpha, 192);
    EXPECT_EQ(cursor.blend.AlphaFormat, AC_SRC_ALPHA);
}

TEST(CursorDefaults, NoWindowNoSurfaceNoMeshNoHover) {
    Cursor cursor;
    EXPECT_EQ(cursor.hwnd, nullptr);
    EXPECT_EQ(cursor.memDC, nullptr);
    EXPECT_EQ(cursor.dib, nullptr);
    EXPECT_EQ(cursor.bits, nullptr);
    EXPECT_EQ(cursor.mesh, nullptr);
    for (const auto& mesh : cursor.meshes)
        EXPECT_EQ(mesh, nullptr);
    EXPECT_EQ(cursor.bgTexture, 0u);
    for (GLuint name : cursor.textures)
        EXPECT_EQ(name, 0u);
    EXPECT_FALSE(cursor.hover);
    EXPECT_EQ(cursor.hoverSlot, 0);
}

TEST(CursorDefaults, AnimationStartsAtRestWithTheDefaultSpin) {
    Cursor cursor;
    EXPECT_EQ(cursor.lastTime, 0.0);
    EXPECT_EQ(cursor.rotation.x, 0.0);
    EXPECT_EQ(cursor.rotation.y, 0.0);
    EXPECT_EQ(cursor.rotation.z, 0.0);
    EXPECT_EQ(cursor.spinAxis.x, 0.1);
    EXPECT_EQ(cursor.spinAxis.y, 1.0);
    EXPECT_EQ(cursor.spinAxis.z, 0.0);
    EXPECT_EQ(cursor.spinSpeed, 0.0);
    EXPECT_EQ(cursor.spinAccel, 10.0);
    EXPECT_EQ(cursor.zoomStartTick, 0u);
    EXPECT_EQ(cursor.zoomDirection, 0);
}

TEST(CursorDefaults, SixEmptyLaunchEntriesWhateverTheShape) {
    Cursor cursor;
    cursor.shape = SHAPE_TETRAHEDRON;
    ASSERT_EQ(std::size(cursor.launches), 6u);
    for (const Launch& entry : cursor.launches) {
        EXPECT_TRUE(entry.empty());
        EXPECT_STREQ(entry.c_str(), "");
    }
}

} // namespace
} // namespace voxtrel
