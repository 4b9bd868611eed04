// Frames turned into premultiplied BGRA whatever pixel format the driver drew them in: the
// layouts pixel formats describe, the key made transparent where there is no alpha, red and blue
// put back in their places, and nothing touched outside the shown block.
#include "cursor/surface_pixels.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace voxtrel {
namespace {

using Pixel = std::array<std::uint8_t, 4>;
constexpr COLORREF KEY = 0x00FF0000; // pure blue

PIXELFORMATDESCRIPTOR formatWith(BYTE redShift, BYTE blueShift, BYTE alphaBits) {
    PIXELFORMATDESCRIPTOR format = {};
    format.cColorBits = 32;
    format.cRedShift = redShift;
    format.cGreenShift = 8;
    format.cBlueShift = blueShift;
    format.cAlphaBits = alphaBits;
    return format;
}

// Converts one row of pixels as a 1-row block.
std::vector<Pixel> converted(std::vector<Pixel> row, const PixelLayout& layout) {
    convertFramePixels(row.front().data(), 0, static_cast<int>(row.size()), 1, layout, KEY);
    return row;
}

TEST(SurfacePixels, LayoutsAsPixelFormatsDescribeThem) {
    // Windows' software renderer: blue first, no alpha.
    const PixelLayout windows = pixelLayoutOf(formatWith(16, 0, 0));
    EXPECT_FALSE(windows.alpha);
    EXPECT_FALSE(windows.redFirst);
    EXPECT_TRUE(needsConversion(windows));
    // Red first with alpha, as some of Wine's formats are.
    const PixelLayout redFirst = pixelLayoutOf(formatWith(0, 16, 8));
    EXPECT_TRUE(redFirst.alpha);
    EXPECT_TRUE(redFirst.redFirst);
    EXPECT_TRUE(needsConversion(redFirst));
    // Blue first with alpha: drawn as shown, nothing to do.
    const PixelLayout ready = pixelLayoutOf(formatWith(16, 0, 8));
    EXPECT_FALSE(needsConversion(ready));
    const std::vector<Pixel> row = {Pixel{1, 2, 3, 0}, Pixel{4, 5, 6, 255}};
    EXPECT_EQ(converted(row, ready), row);
}

TEST(SurfacePixels, WithoutAlphaOnlyTheExactKeyIsTransparentAndTheRestOpaque) {
    const PixelLayout layout{false, false};
    const auto out = converted({Pixel{255, 0, 0, 0},   // the key, blue first
                                Pixel{0, 0, 0, 0},     // black: part of the solid
                                Pixel{254, 0, 0, 0},   // nearly the key
                                Pixel{0, 0, 255, 0},   // pure red
                                Pixel{90, 90, 90, 7}}, // grey, with whatever the fourth byte held
                               layout);
    EXPECT_EQ(out[0], (Pixel{0, 0, 0, 0})) << "transparent and premultiplied";
    EXPECT_EQ(out[1], (Pixel{0, 0, 0, 255}));
    EXPECT_EQ(out[2], (Pixel{254, 0, 0, 255}));
    EXPECT_EQ(out[3], (Pixel{0, 0, 255, 255}));
    EXPECT_EQ(out[4], (Pixel{90, 90, 90, 255}));
}

TEST(SurfacePixels, RedFirstPixelsComeOutBlueFirstAndTheKeyIsFoundInTheirOrder) {
    // With alpha: only the order changes.
    EXPECT_EQ(converted({Pixel{10, 20, 30, 255}, Pixel{0, 0, 0, 0}}, PixelLayout{true, true}),
              (std::vector<Pixel>{Pixel{30, 20, 10, 255}, Pixel{0, 0, 0, 0}}));
    // Without: the key lies as red 0, green 0, blue 255 in memory; pure red does not match it.
    EXPECT_EQ(converted({Pixel{0, 0, 255, 0}, Pixel{255, 0, 0, 0}}, PixelLayout{false, true}),
              (std::vector<Pixel>{Pixel{0, 0, 0, 0}, Pixel{0, 0, 255, 255}}));
}

TEST(SurfacePixels, OnlyTheShownBlockOfABottomUpBitmapChanges) {
    // A 4 x 3 bitmap stored bottom-up; the block is its top-left 2 x 2.
    constexpr int kWidth = 4, kHeight = 3;
    std::vector<Pixel> bitmap(kWidth * kHeight, Pixel{255, 0, 0, 0}); // all key
    const std::ptrdiff_t stride = kWidth * 4;
    auto* topRow = bitmap.front().data() + stride * (kHeight - 1);
    convertFramePixels(topRow, -stride, 2, 2, PixelLayout{false, false}, KEY);
    for (int stored = 0; stored < kHeight; ++stored) {
        for (int x = 0; x < kWidth; ++x) {
            const bool inBlock = stored >= kHeight - 2 && x < 2;
            const Pixel expected = inBlock ? Pixel{0, 0, 0, 0} : Pixel{255, 0, 0, 0};
            EXPECT_EQ(bitmap[stored * kWidth + x], expected)
                << "stored row " << stored << ", column " << x;
        }
    }
}

} // namespace
} // namespace voxtrel
