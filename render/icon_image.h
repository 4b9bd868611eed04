// A path's shell icon as plain pixels, ready to upload as a texture.
#pragma once

#include "platform/win32.h"

#include <optional>
#include <vector>

namespace voxtrel {

struct IconImage {
    int width;
    int height;
    // Blue, green, red and alpha (not premultiplied) per pixel; the bottom row first; rows
    // packed with no padding.
    std::vector<unsigned char> pixels;
};

// The icon of `path` at the largest size the shell has it in (256 pixels where it can),
// read through `referenceDc`, or nothing when the shell has none (an empty path, one it cannot
// resolve, a failed read). Its transparency comes from its alpha, or from its mask where it has
// no alpha. Every handle obtained on the way is released before it returns.
std::optional<IconImage> fetchIconImage(const char* path, HDC referenceDc);

} // namespace voxtrel
