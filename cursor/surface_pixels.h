// The pixels of a cursor's off-screen surface as the layered update wants them: premultiplied
// blue, green, red, alpha, with the backdrop fully transparent. Drivers differ in what they
// draw: some keep an alpha channel (the backdrop is then drawn transparent and needs nothing
// more), the system's software renderer on Windows has none (the backdrop is drawn in the key
// colour and made transparent here), and some keep red in the lowest byte.
#pragma once

#include "platform/win32.h"

#include <cstddef>
#include <cstdint>

namespace voxtrel {

struct PixelLayout {
    bool alpha = true;     // OpenGL writes an alpha channel into the surface
    bool redFirst = false; // red in the lowest byte of a pixel, blue in the third
};

// What a pixel format keeps in a 32-bit pixel.
PixelLayout pixelLayoutOf(const PIXELFORMATDESCRIPTOR& format);

// Whether frames drawn with `layout` need convertFramePixels before they are shown.
bool needsConversion(const PixelLayout& layout);

// Converts a block of `width` x `height` 32-bit pixels in place: `firstRow` is the block's top
// row and `rowStep` the byte distance to the row below it (negative for bottom-up bitmaps).
// Without alpha, pixels of exactly `key` become transparent and the rest opaque.
void convertFramePixels(std::uint8_t* firstRow, std::ptrdiff_t rowStep, int width, int height,
                        const PixelLayout& layout, COLORREF key);

} // namespace voxtrel
