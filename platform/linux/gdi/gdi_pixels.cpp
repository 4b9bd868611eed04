// Reading bitmaps: GetDIBits, GdiFlush and the block a layered update shows. Where OpenGL draws
// into a bitmap, its pixels are read back first, so the DIB memory holds what was drawn, as on
// Windows. Read-backs ask for BGRA, the format llvmpipe hands out fastest, and convert once.
#include "platform/linux/gdi/gdi_control.h"
#include "platform/linux/gdi/gdi_objects.h"
#include "platform/linux/gdi/gdi_wgl.h"

#include <GL/gl.h>

#include <algorithm>
#include <atomic>
#include <cstring>

namespace voxtrel::gdi {

namespace {

thread_local std::vector<std::uint8_t> readBuffer;

std::atomic<bool> formatHasAlpha{true};
std::atomic<bool> formatRedFirst{false};

// Clamps a block to the bitmap; false when nothing of it is inside.
bool clampBlock(const BitmapObject& bitmap, int& left, int& top, int& width, int& height) {
    const int right = std::min(left + width, bitmap.width);
    const int bottom = std::min(top + height, bitmap.height);
    left = std::max(left, 0);
    top = std::max(top, 0);
    width = right - left;
    height = bottom - top;
    return width > 0 && height > 0;
}

// Reads the block from OpenGL into readBuffer: BGRA rows, the block's bottom row first.
void readFromOpenGl(const BitmapObject& bitmap, int left, int top, int width, int height) {
    readBuffer.resize(static_cast<std::size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(left, bitmap.height - top - height, width, height, GL_BGRA, GL_UNSIGNED_BYTE,
                 readBuffer.data());
}

const std::uint8_t* readBufferRow(int topDownIndex, int width, int height) {
    return readBuffer.data() + static_cast<std::size_t>(height - 1 - topDownIndex) * width * 4;
}

// Stores OpenGL's BGRA pixels into the bitmap as the pixel format keeps them.
void storeRow(BitmapObject& bitmap, int topDownIndex, int left, const std::uint8_t* bgra,
              int width) {
    std::uint8_t* target = bitmap.row(topDownIndex) + left * (bitmap.bitCount / 8);
    const PixelFormatModel format = pixelFormatModel();
    if (bitmap.bitCount == 32) {
        std::memcpy(target, bgra, static_cast<std::size_t>(width) * 4);
        for (int x = 0; x < width && (format.redFirst || !format.alpha); ++x) {
            if (format.redFirst)
                std::swap(target[x * 4], target[x * 4 + 2]);
            if (!format.alpha)
                target[x * 4 + 3] = 0;
        }
        return;
    }
    if (format.redFirst) {
        for (int x = 0; x < width; ++x) {
            target[x * 3] = bgra[x * 4 + 2];
            target[x * 3 + 1] = bgra[x * 4 + 1];
            target[x * 3 + 2] = bgra[x * 4];
        }
        return;
    }
    for (int x = 0; x < width; ++x) {
        target[x * 3] = bgra[x * 4];
        target[x * 3 + 1] = bgra[x * 4 + 1];
        target[x * 3 + 2] = bgra[x * 4 + 2];
    }
}

} // namespace

PixelFormatModel pixelFormatModel() {
    return PixelFormatModel{formatHasAlpha, formatRedFirst};
}

void simulatePixelFormat(bool alpha, bool redFirst) {
    formatHasAlpha = alpha;
    formatRedFirst = redFirst;
}

void syncFromOpenGl(BitmapObject& bitmap, int left, int top, int width, int height) {
    if (contextDrawingInto(bitmap) == nullptr || !clampBlock(bitmap, left, top, width, height))
        return;
    readFromOpenGl(bitmap, left, top, width, height);
    for (int y = 0; y < height; ++y)
        storeRow(bitmap, top + y, left, readBufferRow(y, width, height), width);
}

namespace {

constexpr GLenum PACK_INVERT_MESA = 0x8758; // GL_MESA_pack_invert: rows come top-down

std::atomic<bool> packInvertAllowed{true};

bool hasPackInvert() {
    // The same driver serves every context of the process, so asking once is enough.
    static const bool supported = [] {
        const auto* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
        return extensions != nullptr && std::strstr(extensions, "GL_MESA_pack_invert") != nullptr;
    }();
    return supported && packInvertAllowed;
}

// Reads the whole frame block from OpenGL straight into the frame's rows, top-down. False when
// the driver cannot turn the rows around, or the block does not lie wholly on the bitmap.
bool readFrameFromOpenGl(const BitmapObject& bitmap, int left, int top,
                         display::LayeredFrame& frame) {
    if (left < 0 || top < 0 || left + frame.width > bitmap.width ||
        top + frame.height > bitmap.height || !hasPackInvert())
        return false;
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(PACK_INVERT_MESA, GL_TRUE);
    glReadPixels(left, bitmap.height - top - frame.height, frame.width, frame.height, GL_BGRA,
                 GL_UNSIGNED_BYTE, frame.bgra.data());
    glPixelStorei(PACK_INVERT_MESA, GL_FALSE);
    return true;
}

// Copies the block into the frame from wherever the pixels are: the bitmap's memory, or what
// OpenGL drew when the driver cannot read rows top-down. Parts outside the bitmap stay black.
void copyFrame(BitmapObject& bitmap, bool fromOpenGl, int left, int top,
               display::LayeredFrame& frame) {
    std::fill(frame.bgra.begin(), frame.bgra.end(), std::uint8_t{0});
    int blockLeft = left, blockTop = top, blockWidth = frame.width, blockHeight = frame.height;
    if (!clampBlock(bitmap, blockLeft, blockTop, blockWidth, blockHeight))
        return;
    if (fromOpenGl)
        readFromOpenGl(bitmap, blockLeft, blockTop, blockWidth, blockHeight);
    const int bytesPerPixel = bitmap.bitCount / 8;
    for (int y = 0; y < blockHeight; ++y) {
        const std::uint8_t* source = fromOpenGl
                                         ? readBufferRow(y, blockWidth, blockHeight)
                                         : bitmap.row(blockTop + y) + blockLeft * bytesPerPixel;
        const int step = fromOpenGl ? 4 : bytesPerPixel;
        std::uint8_t* target =
            frame.bgra.data() +
            (static_cast<std::size_t>(blockTop - top + y) * frame.width + (blockLeft - left)) * 4;
        for (int x = 0; x < blockWidth; ++x, source += step, target += 4) {
            std::memcpy(target, source, 3);
            target[3] = step == 4 ? source[3] : 255; // a 24-bit bitmap is opaque
        }
    }
}

} // namespace

void allowPackInvert(bool allowed) {
    packInvertAllowed = allowed;
}

bool readLayeredBlock(HDC handle, int left, int top, int width, int height,
                      display::LayeredFrame& frame) {
    std::lock_guard<std::mutex> guard(gdiLock());
    DcObject* dc = findDc(handle);
    if (dc == nullptr || dc->bitmap == nullptr)
        return false;
    BitmapObject& bitmap = *dc->bitmap;
    frame.width = std::max(width, 0);
    frame.height = std::max(height, 0);
    frame.bgra.resize(static_cast<std::size_t>(frame.width) * frame.height * 4);
    // What OpenGL drew is read here for the frame only; the DIB memory itself is brought up to
    // date when something reads it (GdiFlush, GetDIBits), so a frame converts its pixels once.
    // After a GdiFlush the memory is what counts: the program may have written it since.
    const bool fromOpenGl = contextDrawingInto(bitmap) != nullptr && !bitmap.flushed;
    bitmap.flushed = false;
    if (!fromOpenGl || !readFrameFromOpenGl(bitmap, left, top, frame))
        copyFrame(bitmap, fromOpenGl, left, top, frame);
    return true;
}

} // namespace voxtrel::gdi

using namespace voxtrel::gdi;

BOOL WINAPI GdiFlush() {
    std::lock_guard<std::mutex> guard(gdiLock());
    // Only the bitmap of this thread's current context can be behind what was drawn.
    if (BitmapObject* bitmap = currentDrawingBitmap()) {
        syncFromOpenGl(*bitmap, 0, 0, bitmap->width, bitmap->height);
        bitmap->flushed = true;
    }
    return TRUE;
}

int WINAPI GetDIBits(HDC, HBITMAP handle, UINT start, UINT lines, LPVOID bits, LPBITMAPINFO info,
                     UINT usage) {
    std::lock_guard<std::mutex> guard(gdiLock());
    BitmapObject* bitmap = findBitmap(handle);
    if (bitmap == nullptr || info == nullptr || usage != DIB_RGB_COLORS) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    BITMAPINFOHEADER& header = info->bmiHeader;
    if (bits == nullptr) {
        // Asked only for the format.
        header.biWidth = bitmap->width;
        header.biHeight = bitmap->height;
        header.biPlanes = 1;
        header.biBitCount = static_cast<WORD>(bitmap->bitCount);
        header.biCompression = BI_RGB;
        header.biSizeImage = static_cast<DWORD>(bitmap->stride * bitmap->height);
        return bitmap->height;
    }
    const int bitCount = header.biBitCount;
    if ((bitCount != 24 && bitCount != 32) || header.biCompression != BI_RGB ||
        header.biWidth <= 0 || header.biHeight == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    syncFromOpenGl(*bitmap, 0, 0, bitmap->width, bitmap->height);

    // The caller's header says how large its buffer is: rows of its width padded to 4 bytes,
    // as many as its height, scan line 0 at the bottom for a positive height. Where the
    // bitmap is smaller the rest stays black; where it is larger it is cut.
    const int targetWidth = header.biWidth;
    const long targetRows =
        header.biHeight > 0 ? header.biHeight : -static_cast<long>(header.biHeight);
    const std::size_t stride =
        ((static_cast<std::size_t>(targetWidth) * bitCount / 8) + 3) & ~std::size_t{3};
    const bool bottomUp = header.biHeight > 0;
    const int height = bitmap->height;
    const long rowsBoth = std::min<long>(targetRows, height);
    const UINT available =
        start < static_cast<UINT>(rowsBoth) ? static_cast<UINT>(rowsBoth) - start : 0;
    const UINT count = std::min(lines, available);
    const int width = std::min(targetWidth, bitmap->width);
    auto* out = static_cast<std::uint8_t*>(bits);
    const int sourceBytes = bitmap->bitCount / 8;
    const int targetBytes = bitCount / 8;
    for (UINT line = 0; line < count; ++line) {
        const int scan = static_cast<int>(start + line);
        const int topDown = bottomUp ? height - 1 - scan : scan;
        const std::uint8_t* source = bitmap->row(topDown);
        std::uint8_t* target = out + static_cast<std::size_t>(line) * stride;
        std::memset(target, 0, stride);
        for (int x = 0; x < width; ++x) {
            std::memcpy(target + x * targetBytes, source + x * sourceBytes, 3);
            if (targetBytes == 4)
                target[x * 4 + 3] = sourceBytes == 4 ? source[x * 4 + 3] : 0;
        }
    }
    return static_cast<int>(count);
}
