// OpenGL through WGL on a memory DC: drawing lands in the DIB as bottom-up BGR rows, selection
// mode names what is under a point, and DevIL builds textures in such a context. No X server.
#include "platform/win32.h"

#include "platform/linux/gdi/gdi_control.h"
#include "tests/support/gl_surface.h"
#include "tests/support/temp_dir.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <IL/il.h>
#include <IL/ilu.h>
#define ILUT_USE_OPENGL // declares the OpenGL calls of ILUT
#include <IL/ilut.h>
#include <gtest/gtest.h>

namespace {

using voxtrel::testing_support::GlSurface;

void expectBgr(const unsigned char* pixel, int blue, int green, int red) {
    EXPECT_EQ(pixel[0], blue);
    EXPECT_EQ(pixel[1], green);
    EXPECT_EQ(pixel[2], red);
}

// Blue everywhere, a red quad over the top-left quarter of the surface.
void drawQuarter() {
    glViewport(0, 0, 1024, 1024);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3d(0, 0, 1);
    glRectd(-1, -1, 1, 1);
    glColor3d(1, 0, 0);
    glRectd(-1, 0, 0, 1);
}

TEST(Wgl, DrawingLandsInTheDibAsBottomUpBgrRows) {
    GlSurface surface;
    ASSERT_NE(surface.context, nullptr);
    EXPECT_EQ(wglGetCurrentContext(), surface.context);
    drawQuarter();
    glFinish();
    GdiFlush();

    expectBgr(surface.pixel(10, 10), 0, 0, 255); // top-left: red
    expectBgr(surface.pixel(511, 511), 0, 0, 255);
    expectBgr(surface.pixel(512, 10), 255, 0, 0); // top-right: blue
    expectBgr(surface.pixel(10, 512), 255, 0, 0); // bottom-left: blue
    expectBgr(surface.pixel(1023, 1023), 255, 0, 0);
    // The first bytes of the memory are the bottom row.
    expectBgr(surface.bits, 255, 0, 0);
    expectBgr(surface.bits + 1023L * 3072, 0, 0, 255);
}

TEST(Wgl, AMemoryDcHandsBackItsDefaultBitmapAndDescribesItsOneFormat) {
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 8, 8, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    // As on Windows, a new memory DC holds a bitmap of its own, which the first selection
    // hands back and which selecting again puts back.
    HGDIOBJ original = SelectObject(dc, dib);
    EXPECT_NE(original, nullptr);
    EXPECT_EQ(SelectObject(dc, original), static_cast<HGDIOBJ>(dib));
    EXPECT_EQ(SelectObject(dc, dib), original);

    EXPECT_EQ(DescribePixelFormat(dc, 0, 0, nullptr), 1);
    PIXELFORMATDESCRIPTOR format = {};
    ASSERT_EQ(DescribePixelFormat(dc, 1, sizeof format, &format), 1);
    EXPECT_EQ(format.cColorBits, 32);
    EXPECT_EQ(format.cAlphaBits, 8);
    EXPECT_EQ(format.cRedShift, 16);
    EXPECT_EQ(format.cBlueShift, 0);
    EXPECT_EQ(DescribePixelFormat(dc, 2, sizeof format, &format), 0);
    voxtrel::gdi::simulatePixelFormat(false, true);
    ASSERT_EQ(DescribePixelFormat(dc, 1, sizeof format, &format), 1);
    voxtrel::gdi::simulatePixelFormat(true, false);
    EXPECT_EQ(format.cAlphaBits, 0);
    EXPECT_EQ(format.cRedShift, 0);
    EXPECT_EQ(format.cBlueShift, 16);
    DeleteDC(dc);
    DeleteObject(dib);
}

TEST(Wgl, SelectionModeReportsTheNameUnderThePickPoint) {
    GlSurface surface;
    GLuint buffer[64];
    for (const auto& [x, y, expectedHits] :
         {std::tuple{256.0, 768.0, 1}, std::tuple{768.0, 256.0, 0}}) {
        glSelectBuffer(64, buffer);
        glRenderMode(GL_SELECT);
        glInitNames();
        glPushName(0);
        glViewport(0, 0, 1024, 1024);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        GLint viewport[4];
        glGetIntegerv(GL_VIEWPORT, viewport);
        gluPickMatrix(x, y, 1.0, 1.0, viewport);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glLoadName(5);
        glRectd(-1, 0, 0, 1); // the top-left quarter, in OpenGL's bottom-up window coordinates
        const GLint hits = glRenderMode(GL_RENDER);
        EXPECT_EQ(hits, expectedHits);
        if (hits == 1) {
            EXPECT_EQ(buffer[0], 1u); // one name in the record
            EXPECT_EQ(buffer[3], 5u);
        }
    }
}

TEST(Wgl, GetDibitsReadsTheDrawingWithPaddedRows) {
    GlSurface surface(30); // 90 bytes of pixels a row, padded to 92
    glViewport(0, 0, 30, 30);
    glColor3d(0, 1, 0);
    glRectd(-1, -1, 1, 1);
    glFinish();
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 30;
    info.bmiHeader.biHeight = 30;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    std::vector<unsigned char> rows(92 * 30, 0xEE);
    EXPECT_EQ(GetDIBits(surface.dc, surface.dib, 0, 30, rows.data(), &info, DIB_RGB_COLORS), 30);
    expectBgr(&rows[0], 0, 255, 0);
    expectBgr(&rows[92 + 29 * 3], 0, 255, 0);
    EXPECT_EQ(rows[90], 0) << "padding is zeroed";
}

TEST(Wgl, GetDibitsWritesRowsOfTheCallersSizeOnly) {
    GlSurface surface(30);
    glViewport(0, 0, 30, 30);
    glColor3d(0, 1, 0);
    glRectd(-1, -1, 1, 1);
    glColor3d(1, 0, 0);
    glRectd(-1, -1, 0, 0); // the bottom-left quarter red
    glFinish();
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;

    // Smaller than the bitmap: 8 x 8 rows of 24 bytes, and not one byte beyond them.
    info.bmiHeader.biWidth = 8;
    info.bmiHeader.biHeight = 8;
    std::vector<unsigned char> small(24 * 8 + 64, 0xEE);
    EXPECT_EQ(GetDIBits(surface.dc, surface.dib, 0, 30, small.data(), &info, DIB_RGB_COLORS), 8);
    {
        SCOPED_TRACE("scan line 0 is the bitmap's bottom row");
        expectBgr(&small[0], 0, 0, 255);
    }
    expectBgr(&small[7 * 24 + 7 * 3], 0, 0, 255);
    for (std::size_t i = 24 * 8; i < small.size(); ++i)
        ASSERT_EQ(small[i], 0xEE) << "written past the caller's rows at " << i;

    // Larger: the bitmap's pixels where it has them, black elsewhere, top-down this time.
    info.bmiHeader.biWidth = 40;
    info.bmiHeader.biHeight = -40;
    std::vector<unsigned char> large(120 * 40, 0xEE);
    EXPECT_EQ(GetDIBits(surface.dc, surface.dib, 0, 40, large.data(), &info, DIB_RGB_COLORS), 30);
    {
        SCOPED_TRACE("the top row, green");
        expectBgr(&large[0], 0, 255, 0);
    }
    {
        SCOPED_TRACE("the bottom row's left, red");
        expectBgr(&large[29 * 120], 0, 0, 255);
    }
    {
        SCOPED_TRACE("beyond the bitmap's width");
        expectBgr(&large[35 * 3], 0, 0, 0);
    }
}

TEST(DevIl, BuildsAMipmappedTextureInTheContext) {
    GlSurface surface(64);
    ilInit();
    iluInit();
    ilutInit();
    ilutRenderer(ILUT_OPENGL);
    voxtrel::testing_support::TempDir dir;
    // A 4 x 2 picture in the plain PPM format, which DevIL reads without any extra library.
    const std::string picture =
        dir.write("picture.ppm", std::string("P6\n4 2\n255\n") + std::string(24, '\x7f'));
    ILuint image;
    ilGenImages(1, &image);
    ilBindImage(image);
    ASSERT_TRUE(ilLoadImage(picture.c_str()));
    EXPECT_EQ(ilGetInteger(IL_IMAGE_WIDTH), 4);
    const GLuint texture = ilutGLBindMipmaps();
    EXPECT_NE(texture, 0u);
    EXPECT_TRUE(glIsTexture(texture));
    EXPECT_FALSE(ilLoadImage((dir.path() + "/missing.png").c_str()));
}

} // namespace
