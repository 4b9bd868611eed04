// Reading a shell icon's colour image as 24-bit rows. The read pads rows to 4 bytes, so it goes
// into a padded buffer and comes out packed whatever the icon's width.
#include "render/icon_image.h"

#include <cstring>

namespace voxtrel {

std::optional<IconImage> fetchIconImage(const char* path, HDC referenceDc) {
    SHFILEINFOA info = {};
    if (SHGetFileInfoA(path, 0, &info, sizeof info, SHGFI_ICON | SHGFI_DISPLAYNAME) == 0 ||
        info.hIcon == nullptr)
        return std::nullopt;
    const int width = GetSystemMetrics(SM_CXICON);
    const int height = GetSystemMetrics(SM_CYICON);

    std::optional<IconImage> image;
    ICONINFO parts = {};
    if (GetIconInfo(info.hIcon, &parts)) {
        BITMAPINFO format = {};
        format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        format.bmiHeader.biWidth = width;
        format.bmiHeader.biHeight = height; // positive: bottom row first
        format.bmiHeader.biPlanes = 1;
        format.bmiHeader.biBitCount = 24;
        format.bmiHeader.biCompression = BI_RGB;
        const int packedRow = width * 3;
        const int paddedRow = (packedRow + 3) & ~3;
        std::vector<unsigned char> padded(static_cast<std::size_t>(paddedRow) * height);
        if (GetDIBits(referenceDc, parts.hbmColor, 0, static_cast<UINT>(height), padded.data(),
                      &format, DIB_RGB_COLORS) != 0) {
            image =
                IconImage{width, height,
                          std::vector<unsigned char>(static_cast<std::size_t>(packedRow) * height)};
            for (int row = 0; row < height; ++row)
                std::memcpy(&image->pixels[static_cast<std::size_t>(row) * packedRow],
                            &padded[static_cast<std::size_t>(row) * paddedRow],
                            static_cast<std::size_t>(packedRow));
        }
        DeleteObject(parts.hbmColor);
        DeleteObject(parts.hbmMask);
    }
    DestroyIcon(info.hIcon);
    return image;
}

} // namespace voxtrel
