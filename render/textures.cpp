// Texture names and icon uploads.
#include "render/textures.h"

namespace voxtrel {

void setupTextureNames(GLuint (&textures)[TEXTURE_NAME_COUNT]) {
    glGenTextures(TEXTURE_NAME_COUNT, textures);
    for (GLuint name : textures) {
        glBindTexture(GL_TEXTURE_2D, name);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    }
}

void uploadIcon(GLuint texture, const IconImage& image) {
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1); // packed rows; left so afterwards
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, image.width, image.height, 0, GL_BGR_EXT,
                 GL_UNSIGNED_BYTE, image.pixels.data());
}

} // namespace voxtrel
