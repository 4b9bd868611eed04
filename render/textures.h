// The texture names of a cursor and the upload of a slot's icon.
#pragma once

#include "render/icon_image.h"

#include <GL/gl.h>

#include <vector>

namespace voxtrel {

// Generates `count` names with repeat wrapping and nearest filtering, so one level-0 image
// makes each complete.
void setupTextureNames(GLuint* textures, int count);

// Uploads the icon into `texture` as premultiplied RGBA texels with their mipmap chain, its
// bottom row at t = 0, filtered smoothly at every size. Drawn with blending
// (GL_ONE, GL_ONE_MINUS_SRC_ALPHA) its transparent parts leave what lies beneath.
void uploadIcon(GLuint texture, const IconImage& image);

// The icon's texels as uploaded: colour multiplied by alpha, so that the reduced levels and the
// filtering never mix in the colour of transparent pixels.
std::vector<unsigned char> premultiplied(const IconImage& image);

} // namespace voxtrel
