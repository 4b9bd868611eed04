// The test surface.
#include "tests/support/gl_surface.h"

namespace voxtrel::testing_support {

GlSurface::GlSurface(int side_) : side(side_) {
    dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = side;
    info.bmiHeader.biHeight = side;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* memory = nullptr;
    dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &memory, nullptr, 0);
    bits = static_cast<unsigned char*>(memory);
    SelectObject(dc, dib);
    PIXELFORMATDESCRIPTOR format = {};
    format.nSize = sizeof format;
    format.nVersion = 1;
    format.dwFlags = PFD_DRAW_TO_BITMAP | PFD_SUPPORT_OPENGL | PFD_DEPTH_DONTCARE;
    format.iPixelType = PFD_TYPE_RGBA;
    format.cColorBits = 24;
    SetPixelFormat(dc, ChoosePixelFormat(dc, &format), &format);
    context = wglCreateContext(dc);
    wglMakeCurrent(dc, context);
}

GlSurface::~GlSurface() {
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(context);
    DeleteDC(dc);
    DeleteObject(dib);
}

const unsigned char* GlSurface::pixel(int x, int y) const {
    const int stride = (side * 3 + 3) & ~3;
    return bits + static_cast<long>(side - 1 - y) * stride + x * 3; // rows stored bottom-up
}

} // namespace voxtrel::testing_support
