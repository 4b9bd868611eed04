// Turning a drawn surface block into premultiplied BGRA, whatever the driver drew it as.
#include "cursor/surface_pixels.h"

#include <cstring>
#include <utility>

namespace voxtrel {

namespace {
constexpr BYTE LOW_BYTE_SHIFT = 0;
constexpr BYTE THIRD_BYTE_SHIFT = 16;
constexpr BYTE FULL_ALPHA_BITS = 8;
} // namespace

PixelLayout pixelLayoutOf(const PIXELFORMATDESCRIPTOR& format) {
    PixelLayout layout;
    layout.alpha = format.cAlphaBits >= FULL_ALPHA_BITS;
    layout.redFirst = format.cRedShift == LOW_BYTE_SHIFT && format.cBlueShift == THIRD_BYTE_SHIFT;
    return layout;
}

bool needsConversion(const PixelLayout& layout) {
    return !layout.alpha || layout.redFirst;
}

void convertFramePixels(std::uint8_t* firstRow, std::ptrdiff_t rowStep, int width, int height,
                        const PixelLayout& layout, COLORREF key) {
    if (!needsConversion(layout))
        return;
    // The key as it lies in memory: bytes 0, 1 and 2 of a pixel.
    const BYTE low = layout.redFirst ? GetRValue(key) : GetBValue(key);
    const BYTE high = layout.redFirst ? GetBValue(key) : GetRValue(key);
    const BYTE keyBytes[3] = {low, GetGValue(key), high};
    for (int y = 0; y < height; ++y) {
        std::uint8_t* pixel = firstRow + rowStep * y;
        for (int x = 0; x < width; ++x, pixel += 4) {
            if (!layout.alpha) {
                if (std::memcmp(pixel, keyBytes, sizeof keyBytes) == 0) {
                    std::memset(pixel, 0, 4);
                    continue;
                }
                pixel[3] = 255;
            }
            if (layout.redFirst)
                std::swap(pixel[0], pixel[2]);
        }
    }
}

} // namespace voxtrel
