// A cursor's background image and slot icons.
#include "cursor/cursor.h"

#include "common/utf8_calls.h"
#include "render/image_library.h"

namespace voxtrel {

namespace {
constexpr const char* MIPMAP_FAILURE_CAPTION = "Mipmap generation failed...";
}

void Cursor::loadBackgroundTexture() {
    if (texturePath.empty())
        return;
    GLuint texture = 0;
    const TextureLoad result = loadMipmappedTexture(texturePath, texture);
    if (result == TextureLoad::NotAnImage)
        return; // a background that no longer loads is passed over silently
    // Stored before any report: frames and drops handled while the box is open must already
    // see the new texture, and nothing draws with the replaced one again.
    if (bgTexture != 0 && bgTexture != texture)
        glDeleteTextures(1, &bgTexture);
    bgTexture = texture;
    if (result == TextureLoad::MipmapsFailed)
        messageBox(nullptr, texturePath, MIPMAP_FAILURE_CAPTION, MB_ICONERROR);
}

void Cursor::loadSlotIcon(int slot) {
    const auto image = fetchIconImage(launches[slot].c_str(), memDC);
    // Without an icon the slot keeps the picture it had, or stays without one.
    if (image) {
        uploadIcon(textures[slot + 1], *image);
        slotHasIcon[slot] = true;
    }
}

} // namespace voxtrel
