// A cursor's background image and slot icons.
#include "cursor/cursor.h"

#include "render/image_library.h"

namespace voxtrel {

namespace {
constexpr const char* MIPMAP_FAILURE_CAPTION = "Mipmap generation failed...";
}

void Cursor::loadBackgroundTexture() {
    if (texturePath.empty())
        return;
    GLuint texture = 0;
    switch (loadMipmappedTexture(texturePath, texture)) {
    case TextureLoad::NotAnImage:
        return; // a background that no longer loads is passed over silently
    case TextureLoad::MipmapsFailed:
        MessageBoxA(nullptr, texturePath.c_str(), MIPMAP_FAILURE_CAPTION, MB_ICONERROR);
        break;
    case TextureLoad::Made:
        break;
    }
    // Nothing draws with the replaced background again.
    if (bgTexture != 0 && bgTexture != texture)
        glDeleteTextures(1, &bgTexture);
    bgTexture = texture;
}

void Cursor::loadSlotIcon(int slot) {
    const auto image = fetchIconImage(launches[slot].c_str(), memDC);
    // Without an icon the slot keeps the picture it had.
    if (image)
        uploadIcon(textures[slot + 1], *image);
}

} // namespace voxtrel
