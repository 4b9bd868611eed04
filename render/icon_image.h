// A path's shell icon as plain pixels, ready to upload as a texture.
#pragma once

#include "platform/win32.h"

#include <optional>
#include <vector>

namespace voxtrel {

struct IconImage {
    int width;
    int height;
    // Blue, green, red per pixel; the bottom row first; rows packed with no padding.
    std::vector<unsigned char> pixels;
};

// The icon of `path` at the system's large-icon size, read through `referenceDc`, or nothing
// when the shell has none (an empty path, one it cannot resolve, a failed read). Every handle
// obtained on the way is released before it returns.
std::optional<IconImage> fetchIconImage(const char* path, HDC referenceDc);

} // namespace voxtrel
