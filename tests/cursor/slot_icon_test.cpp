// Slot icons as a user sees them: taken from an icon theme at the largest size the shell has
// (a 256-pixel picture, an SVG rendered at that size), sharp on a large cursor, a clean
// reduction on a small one, and transparent where the icon is.
#include "cursor/cursor.h"
#include "cursor/frame_rules.h"

#include "platform/linux/display/headless/headless_control.h"
#include "render/icon_image.h"
#include "render/image_library.h"
#include "tests/support/pictures.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace voxtrel {
namespace {

using testing_support::PictureRgba;
using testing_support::TempDir;
using testing_support::writePngPicture;

constexpr int kIconSide = 256;
constexpr int kGridPeriod = 4; // a one-pixel black line every fourth column

struct Rgb {
    int red, green, blue;
    int luminance() const { return (red * 3 + green * 6 + blue) / 10; }
};

// A window pixel as the surface's DIB holds it after the last GdiFlush.
Rgb surfacePixel(const Cursor& cursor, int x, int y) {
    const int stride = cursor.surfaceWidth * 4; // 32-bit pixels
    const auto* row = static_cast<const unsigned char*>(cursor.bits) +
                      static_cast<long>(cursor.surfaceHeight - 1 - y) * stride;
    return {row[x * 4 + 2], row[x * 4 + 1], row[x * 4]};
}

// A theme of the test's own in XDG_DATA_DIRS, and launchers that name its icons.
class SlotIcons : public testing::Test {
protected:
    static void SetUpTestSuite() {
        theme = new TempDir;
        const std::string apps = "share/icons/hicolor/256x256/apps/";
        gridPicture =
            writePngPicture(*theme, apps + "voxtrel-test-grid.png", kIconSide, [](int x, int) {
                const unsigned char v = x % kGridPeriod == 0 ? 0 : 255;
                return PictureRgba{v, v, v, 255};
            });
        writePngPicture(*theme, apps + "voxtrel-test-dot.png", kIconSide, [](int x, int y) {
            const double dx = x + 0.5 - kIconSide / 2.0, dy = y + 0.5 - kIconSide / 2.0;
            // Transparent pixels keep a colour, as many icons' do; it must never show.
            return std::hypot(dx, dy) < 60 ? PictureRgba{255, 0, 0, 255}
                                           : PictureRgba{255, 255, 255, 0};
        });
        // Small by its own measure: only drawn at the size asked for is its edge sharp.
        theme->write("share/icons/hicolor/scalable/apps/voxtrel-test-vector.svg",
                     R"(<svg xmlns="http://www.w3.org/2000/svg" width="16" height="16">
  <rect x="0" y="0" width="8" height="16" fill="#0000ff"/>
  <rect x="8" y="0" width="8" height="16" fill="#ffffff"/>
</svg>
)");
        setenv("XDG_DATA_DIRS", (theme->path() + "/share:/usr/share").c_str(), 1);
    }
    static void TearDownTestSuite() {
        delete theme;
        theme = nullptr;
    }

    void SetUp() override {
        initImageLibrary();
        headless::setScreenSize(1280, 1024);
        headless::setPointer(5, 5); // away from every cursor: no face highlighted
    }

    static std::string launcherFor(const std::string& icon) {
        return theme->write(icon + ".desktop", "[Desktop Entry]\nType=Application\nName=" + icon +
                                                   "\nExec=true\nIcon=" + icon + "\n");
    }

    // A cursor at rest at `scale`, with `icon` on its front face (slot 0).
    static std::unique_ptr<Cursor> cursorWith(const std::string& icon, double scale) {
        auto cursor = std::make_unique<Cursor>();
        cursor->scale = scale;
        cursor->width = cursor->height = sideForScale(scale);
        cursor->launches[0].assign(launcherFor(icon).c_str());
        EXPECT_TRUE(cursor->create());
        cursor->render(false);
        glFinish();
        GdiFlush();
        return cursor;
    }

    static inline TempDir* theme = nullptr;
    static inline std::string gridPicture;
};

TEST_F(SlotIcons, TheShellGivesTheThemesIconAtItsLargestSizeWithItsTransparency) {
    HDC dc = CreateCompatibleDC(nullptr);
    const auto grid = fetchIconImage(launcherFor("voxtrel-test-grid").c_str(), dc);
    ASSERT_TRUE(grid.has_value());
    EXPECT_EQ(grid->width, kIconSide);
    EXPECT_EQ(grid->height, kIconSide);
    ASSERT_EQ(grid->pixels.size(), static_cast<std::size_t>(kIconSide) * kIconSide * 4);
    EXPECT_EQ(grid->pixels[0], 0) << "column 0 is a line";
    EXPECT_EQ(grid->pixels[4], 255) << "column 1 is not: one-pixel features survive";
    EXPECT_EQ(grid->pixels[3], 255) << "opaque";

    const auto dot = fetchIconImage(launcherFor("voxtrel-test-dot").c_str(), dc);
    ASSERT_TRUE(dot.has_value());
    const auto alphaAt = [&](int x, int y) {
        return dot->pixels[(static_cast<std::size_t>(y) * dot->width + x) * 4 + 3];
    };
    EXPECT_EQ(alphaAt(0, 0), 0) << "a transparent corner stays transparent";
    EXPECT_EQ(alphaAt(128, 128), 255);

    const auto vector = fetchIconImage(launcherFor("voxtrel-test-vector").c_str(), dc);
    ASSERT_TRUE(vector.has_value());
    EXPECT_EQ(vector->width, kIconSide) << "an SVG is rendered at the size asked for";
    // Its edge falls exactly between columns 127 and 128: no ramp of scaled-up pixels.
    const unsigned char* row = &vector->pixels[static_cast<std::size_t>(100) * kIconSide * 4];
    EXPECT_GT(row[127 * 4], 250) << "blue in column 127";
    EXPECT_LT(row[127 * 4 + 2], 5);
    EXPECT_GT(row[128 * 4 + 2], 250) << "white in column 128";

    EXPECT_FALSE(fetchIconImage("", dc).has_value());
    DeleteDC(dc);
}

TEST_F(SlotIcons, OnALargeCursorOnePixelFeaturesStayOneOrTwoPixelsWide) {
    auto cursor = cursorWith("voxtrel-test-grid", 1.0);
    const int centre = cursor->width / 2;
    // Across the inset's middle row: the grid's lines as dark runs.
    std::vector<int> row;
    for (int x = centre - 200; x <= centre + 200; ++x)
        row.push_back(surfacePixel(*cursor, x, centre).luminance());
    const auto [low, high] = std::minmax_element(row.begin(), row.end());
    ASSERT_GT(*high - *low, 80) << "the lines show at all";
    const int threshold = (*low + *high) / 2;
    int runs = 0, widest = 0, run = 0;
    for (int value : row) {
        if (value < threshold) {
            ++run;
        } else if (run > 0) {
            ++runs;
            widest = std::max(widest, run);
            run = 0;
        }
    }
    // About 400 / (4 * 1.95) lines in 400 pixels, none blown up into a block.
    EXPECT_GE(runs, 40);
    EXPECT_LE(widest, 2);
}

TEST_F(SlotIcons, OnASmallCursorTheIconIsACleanReductionAsAnImageToolMakesIt) {
    auto withIcon = cursorWith("voxtrel-test-grid", SCALE_MIN);
    // The icon reduced to the inset's size by ImageMagick: the lines average out to a flat
    // three-quarter grey.
    const int side = withIcon->width; // 102: the inset is about half of it
    FILE* pipe = popen(("convert '" + gridPicture + "' -resize " + std::to_string(side / 2) + "x" +
                        std::to_string(side / 2) + " -colorspace Gray -format '%[fx:mean]' info:")
                           .c_str(),
                       "r");
    ASSERT_NE(pipe, nullptr);
    double reference = -1;
    ASSERT_EQ(std::fscanf(pipe, "%lf", &reference), 1);
    pclose(pipe);
    ASSERT_NEAR(reference, 0.75, 0.05);

    // The same cursor without insets shows the lit face there: the icon's texels scale it.
    std::vector<Rgb> iconPixels;
    const int centre = side / 2, reach = side / 6;
    for (int y = centre - reach; y <= centre + reach; ++y)
        for (int x = centre - reach; x <= centre + reach; ++x)
            iconPixels.push_back(surfacePixel(*withIcon, x, y));
    withIcon->launcherEnabled = 0;
    withIcon->render(false);
    glFinish();
    GdiFlush();
    std::size_t i = 0;
    double worst = 0;
    for (int y = centre - reach; y <= centre + reach; ++y) {
        for (int x = centre - reach; x <= centre + reach; ++x, ++i) {
            const double face = surfacePixel(*withIcon, x, y).luminance();
            ASSERT_GT(face, 50);
            worst = std::max(worst, std::abs(iconPixels[i].luminance() / face - reference));
        }
    }
    EXPECT_LT(worst, 0.08) << "no stripes: every pixel within 8% of the reduced icon";
}

TEST_F(SlotIcons, WhereTheIconIsTransparentTheFaceShowsWithOrWithoutItsBackground) {
    const std::string background =
        testing_support::writeSolidPicture(*theme, "green.ppm", 64, 64, 40, 200, 90);
    for (const bool backgroundOn : {false, true}) {
        SCOPED_TRACE(backgroundOn ? "background image on" : "plain face");
        auto cursor = std::make_unique<Cursor>();
        cursor->launches[0].assign(launcherFor("voxtrel-test-dot").c_str());
        cursor->texturePath = background;
        cursor->bgTextureEnabled = backgroundOn ? 1 : 0;
        ASSERT_TRUE(cursor->create());
        cursor->launcherEnabled = 0;
        cursor->render(false);
        glFinish();
        GdiFlush();
        // At rest the inset spans about 63 pixels either side of the centre; the dot about 30.
        const int points[][2] = {{-50, -50}, {50, -50}, {-50, 50}, {50, 50}, {-45, 0}, {0, 47}};
        std::vector<Rgb> face;
        for (const auto& p : points)
            face.push_back(surfacePixel(*cursor, 128 + p[0], 128 + p[1]));
        cursor->launcherEnabled = 1;
        cursor->render(false);
        glFinish();
        GdiFlush();
        for (std::size_t k = 0; k < face.size(); ++k) {
            const Rgb shown = surfacePixel(*cursor, 128 + points[k][0], 128 + points[k][1]);
            EXPECT_NEAR(shown.red, face[k].red, 1) << "at point " << k;
            EXPECT_NEAR(shown.green, face[k].green, 1) << "at point " << k;
            EXPECT_NEAR(shown.blue, face[k].blue, 1) << "at point " << k;
        }
        const Rgb dot = surfacePixel(*cursor, 128, 128);
        EXPECT_GT(dot.red, dot.green + 60) << "the opaque dot itself";
    }
}

TEST_F(SlotIcons, AScalableIconIsDrawnFromItsVectorsWithASharpEdge) {
    auto cursor = cursorWith("voxtrel-test-vector", 1.0);
    const int centre = cursor->width / 2;
    // Across the edge between the blue and the white half: how many pixels are neither.
    int between = 0, blue = 0, white = 0;
    for (int x = centre - 150; x <= centre + 150; ++x) {
        const Rgb p = surfacePixel(*cursor, x, centre);
        const bool isBlue = p.blue > p.red + 80;
        const bool isWhite = p.red > 100 && std::abs(p.red - p.blue) < 20;
        blue += isBlue;
        white += isWhite;
        between += !isBlue && !isWhite;
    }
    EXPECT_GT(blue, 100);
    EXPECT_GT(white, 100);
    EXPECT_LE(between, 3) << "the edge is not a ramp of a small picture blown up";
}

} // namespace
} // namespace voxtrel
