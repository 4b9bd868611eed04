// Reading a shell icon at the largest size the shell has it in, with its transparency, as
// 32-bit rows. The system's jumbo image list comes first; the extra-large and large lists, then
// the plain large icon, follow where it has nothing.
#include "render/icon_image.h"

#include "common/utf8_calls.h"

#include <algorithm>
#include <cstring>

namespace voxtrel {

namespace {

constexpr int IMAGE_LISTS[] = {SHIL_JUMBO, SHIL_EXTRALARGE, SHIL_LARGE};
// Windows hands out a jumbo icon for file types that have no 256-pixel picture as their
// 48-pixel one in the top-left corner of a transparent square; such an icon is read from the
// extra-large list instead.
constexpr int SMALL_PICTURE_SIDE = 48;

using GetImageList = HRESULT(WINAPI*)(int, REFIID, void**);
constexpr WORD GET_IMAGE_LIST_ORDINAL = 727; // how Windows 2000 exports it, without a name

// The shell's SHGetImageList, looked up once: Windows exports it by name since XP, only by
// ordinal before. Null where the shell has neither.
GetImageList shellImageLists() {
    static const GetImageList function = [] {
        const HMODULE shell = GetModuleHandleA("shell32.dll");
        if (shell == nullptr)
            return GetImageList{};
        FARPROC found = GetProcAddress(shell, "SHGetImageList");
        if (found == nullptr)
            found = GetProcAddress(shell, MAKEINTRESOURCEA(GET_IMAGE_LIST_ORDINAL));
        return reinterpret_cast<GetImageList>(reinterpret_cast<void*>(found));
    }();
    return function;
}

// The icon numbered `index` in the system image list of `size`, or null.
HICON iconFromImageList(int index, int size) {
    const GetImageList getImageList = shellImageLists();
    IImageList* list = nullptr;
    if (getImageList == nullptr ||
        FAILED(getImageList(size, IID_IImageList, reinterpret_cast<void**>(&list))) ||
        list == nullptr)
        return nullptr;
    HICON icon = nullptr;
    if (FAILED(list->GetIcon(index, ILD_TRANSPARENT, &icon)))
        icon = nullptr;
    list->Release();
    return icon;
}

// Reads `bitmap` as 32-bit rows, bottom row first; empty when the read fails.
std::vector<unsigned char> readBitmap(HDC referenceDc, HBITMAP bitmap, int width, int height) {
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = height; // positive: bottom row first
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32; // rows of 32-bit pixels need no padding
    format.bmiHeader.biCompression = BI_RGB;
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * 4);
    if (GetDIBits(referenceDc, bitmap, 0, static_cast<UINT>(height), pixels.data(), &format,
                  DIB_RGB_COLORS) == 0)
        pixels.clear();
    return pixels;
}

bool hasAlpha(const std::vector<unsigned char>& pixels) {
    for (std::size_t i = 3; i < pixels.size(); i += 4)
        if (pixels[i] != 0)
            return true;
    return false;
}

// Whether only the top-left corner of a jumbo picture is drawn (see SMALL_PICTURE_SIDE).
bool onlyTopLeftCornerDrawn(const IconImage& image) {
    if (image.width <= SMALL_PICTURE_SIDE || image.height <= SMALL_PICTURE_SIDE)
        return false;
    for (int y = 0; y < image.height; ++y) {
        const int top = image.height - 1 - y; // rows are stored bottom-up
        for (int x = 0; x < image.width; ++x) {
            if (top < SMALL_PICTURE_SIDE && x < SMALL_PICTURE_SIDE)
                continue;
            if (image.pixels[(static_cast<std::size_t>(y) * image.width + x) * 4 + 3] != 0)
                return false;
        }
    }
    return true;
}

std::optional<IconImage> readIcon(HICON icon, HDC referenceDc) {
    ICONINFO parts = {};
    if (!GetIconInfo(icon, &parts))
        return std::nullopt;
    std::optional<IconImage> image;
    // The colour bitmap's size is the icon's.
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    if (parts.hbmColor != nullptr &&
        GetDIBits(referenceDc, parts.hbmColor, 0, 0, nullptr, &format, DIB_RGB_COLORS) != 0 &&
        format.bmiHeader.biWidth > 0 && format.bmiHeader.biHeight != 0) {
        const int width = format.bmiHeader.biWidth;
        const int height = std::abs(format.bmiHeader.biHeight);
        std::vector<unsigned char> pixels = readBitmap(referenceDc, parts.hbmColor, width, height);
        if (!pixels.empty() && !hasAlpha(pixels)) {
            // An icon without alpha: its mask says where it is transparent (white there).
            const std::vector<unsigned char> mask =
                readBitmap(referenceDc, parts.hbmMask, width, height);
            for (std::size_t i = 0; i < pixels.size(); i += 4)
                pixels[i + 3] = mask.empty() || mask[i] == 0 ? 255 : 0;
        }
        if (!pixels.empty())
            image = IconImage{width, height, std::move(pixels)};
    }
    if (parts.hbmColor != nullptr)
        DeleteObject(parts.hbmColor);
    if (parts.hbmMask != nullptr)
        DeleteObject(parts.hbmMask);
    return image;
}

} // namespace

std::optional<IconImage> fetchIconImage(const char* path, HDC referenceDc) {
    // An empty slot has no icon. The shell would take an empty path as the current folder.
    if (path == nullptr || *path == '\0')
        return std::nullopt;
    SHFILEINFOA info = {};
    if (shellFileInfo(path, SHGFI_SYSICONINDEX, info) != 0) {
        for (int size : IMAGE_LISTS) {
            HICON icon = iconFromImageList(info.iIcon, size);
            if (icon == nullptr)
                continue;
            std::optional<IconImage> image = readIcon(icon, referenceDc);
            DestroyIcon(icon);
            if (image && !(size == SHIL_JUMBO && onlyTopLeftCornerDrawn(*image)))
                return image;
        }
    }
    // No image list answered: the shell's large icon.
    info = {};
    if (shellFileInfo(path, SHGFI_ICON, info) == 0 || info.hIcon == nullptr)
        return std::nullopt;
    std::optional<IconImage> image = readIcon(info.hIcon, referenceDc);
    DestroyIcon(info.hIcon);
    return image;
}

} // namespace voxtrel
