// The texture names of a cursor and the upload of a slot's icon.
#pragma once

#include "render/icon_image.h"

#include <GL/gl.h>

namespace voxtrel {

constexpr int TEXTURE_NAME_COUNT = 7; // slot i uses entry i + 1; entry 0 is unused

// Generates the names with repeat wrapping and nearest filtering, so one level-0 image makes
// each complete.
void setupTextureNames(GLuint (&textures)[TEXTURE_NAME_COUNT]);

// Uploads the icon into `texture` as 24-bit texels, its bottom row at t = 0, without mipmaps.
void uploadIcon(GLuint texture, const IconImage& image);

} // namespace voxtrel
