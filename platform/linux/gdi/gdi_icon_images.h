// Icons made from image files (PNG, SVG, ICO...) through gdk-pixbuf, at a given square size.
#pragma once

#include "platform/win32.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace voxtrel::gdi {

// A new icon from encoded image bytes, or null when they do not decode.
HICON iconFromBytes(const std::uint8_t* data, std::size_t size, int side);
// A new icon from an image file, or null when it cannot be read.
HICON iconFromFile(const std::string& path, int side);
// A new pointer object standing for a named pointer shape ("pointer", "default").
HCURSOR pointerNamed(const char* shape);

} // namespace voxtrel::gdi
