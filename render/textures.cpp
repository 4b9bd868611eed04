// Texture names and icon uploads.
#include "render/textures.h"

#include <GL/glu.h>

namespace voxtrel {

namespace {
// GL_CLAMP_TO_EDGE (OpenGL 1.2), which every driver has; the 1.1 headers do not name it.
constexpr GLint ICON_WRAP = 0x812F;
} // namespace

void setupTextureNames(GLuint* textures, int count) {
    glGenTextures(count, textures);
    for (int i = 0; i < count; ++i) {
        glBindTexture(GL_TEXTURE_2D, textures[i]);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    }
}

std::vector<unsigned char> premultiplied(const IconImage& image) {
    std::vector<unsigned char> texels(image.pixels);
    for (std::size_t i = 0; i + 3 < texels.size(); i += 4) {
        const unsigned alpha = texels[i + 3];
        for (std::size_t c = 0; c < 3; ++c)
            texels[i + c] = static_cast<unsigned char>((texels[i + c] * alpha + 127) / 255);
    }
    return texels;
}

void uploadIcon(GLuint texture, const IconImage& image) {
    const std::vector<unsigned char> texels = premultiplied(image);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1); // packed rows; left so afterwards
    // The edge texels are not blended with the opposite edge's.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, ICON_WRAP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, ICON_WRAP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    // The box-filtered chain keeps small cursors free of the stripes a single level would alias
    // into; where it cannot be built the icon is kept as one smooth level.
    if (gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, image.width, image.height, GL_BGRA_EXT,
                          GL_UNSIGNED_BYTE, texels.data()) == 0) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    } else {
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, image.width, image.height, 0, GL_BGRA_EXT,
                     GL_UNSIGNED_BYTE, texels.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    }
}

} // namespace voxtrel
