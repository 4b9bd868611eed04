// The tables of GDI objects and the calls that make, select and delete them.
#include "platform/linux/gdi/gdi_objects.h"

#include "platform/linux/display/display.h"
#include "platform/linux/gdi/gdi_control.h"

#include <atomic>
#include <cstring>
#include <memory>
#include <new>
#include <unordered_set>

namespace voxtrel::gdi {

namespace {

std::unordered_set<GdiObject*>& liveObjects() {
    // Never destroyed: threads may still use it while the process exits.
    static auto* objects = new std::unordered_set<GdiObject*>;
    return *objects;
}
std::unordered_set<DcObject*>& liveDcs() {
    // Never destroyed: threads may still use it while the process exits.
    static auto* dcs = new std::unordered_set<DcObject*>;
    return *dcs;
}
std::unordered_set<IconObject*>& liveIcons() {
    // Never destroyed: threads may still use it while the process exits.
    static auto* icons = new std::unordered_set<IconObject*>;
    return *icons;
}

// The 1 x 1 bitmap every memory DC holds before another is selected, as on Windows: what the
// first SelectObject of a bitmap hands back, and what selecting it again puts back.
GdiObject* defaultBitmap() {
    static auto* stock = new GdiObject;
    return stock;
}

// Larger than any surface or icon the program makes; keeps a corrupt header from asking for
// gigabytes.
constexpr int kMaxSide = 16384;
std::atomic<std::size_t> bitmapByteLimit{0}; // 0: as much as the system gives

} // namespace

std::mutex& gdiLock() {
    // Never destroyed: threads may still use it while the process exits.
    static auto* mutex = new std::mutex;
    return *mutex;
}

BitmapObject* findBitmap(HGDIOBJ object) {
    auto* candidate = reinterpret_cast<GdiObject*>(object);
    if (liveObjects().count(candidate) == 0)
        return nullptr;
    return dynamic_cast<BitmapObject*>(candidate);
}

DcObject* findDc(HDC dc) {
    auto* candidate = reinterpret_cast<DcObject*>(dc);
    return liveDcs().count(candidate) != 0 ? candidate : nullptr;
}

IconObject* findIcon(HICON icon) {
    auto* candidate = reinterpret_cast<IconObject*>(icon);
    return liveIcons().count(candidate) != 0 ? candidate : nullptr;
}

HBITMAP adoptBitmap(BitmapObject* bitmap) {
    liveObjects().insert(bitmap);
    return reinterpret_cast<HBITMAP>(static_cast<GdiObject*>(bitmap));
}

HICON adoptIcon(IconObject* icon) {
    liveIcons().insert(icon);
    return reinterpret_cast<HICON>(icon);
}

HICON makeIcon(display::IconPixels pixels) {
    auto* icon = new IconObject;
    icon->picture = std::make_shared<const display::IconPixels>(std::move(pixels));
    std::lock_guard<std::mutex> guard(gdiLock());
    return adoptIcon(icon);
}

display::IconPicture iconPicture(HICON handle) {
    if (handle == nullptr)
        return nullptr;
    std::lock_guard<std::mutex> guard(gdiLock());
    const IconObject* icon = findIcon(handle);
    return icon != nullptr ? icon->picture : nullptr;
}

bool bitmapSizeUsable(int width, int height, int bitCount) {
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
           (bitCount == 24 || bitCount == 32);
}

BitmapObject* makeBitmap(int width, int height, int bitCount, bool bottomUp) {
    if (!bitmapSizeUsable(width, height, bitCount))
        return nullptr;
    const int stride = ((width * bitCount / 8) + 3) & ~3;
    const std::size_t bytes = static_cast<std::size_t>(stride) * static_cast<std::size_t>(height);
    const std::size_t limit = bitmapByteLimit;
    if (limit != 0 && bytes > limit)
        return nullptr;
    std::unique_ptr<std::uint8_t[]> memory(new (std::nothrow) std::uint8_t[bytes]);
    if (memory == nullptr)
        return nullptr;
    std::memset(memory.get(), 0, bytes);
    auto* bitmap = new BitmapObject;
    bitmap->width = width;
    bitmap->height = height;
    bitmap->bitCount = bitCount;
    bitmap->bottomUp = bottomUp;
    bitmap->stride = stride;
    bitmap->memory = std::move(memory);
    return bitmap;
}

void limitBitmapBytes(std::size_t bytes) {
    bitmapByteLimit = bytes;
}

} // namespace voxtrel::gdi

using namespace voxtrel::gdi;

HDC WINAPI CreateCompatibleDC(HDC) {
    std::lock_guard<std::mutex> guard(gdiLock());
    auto* dc = new DcObject;
    liveDcs().insert(dc);
    return reinterpret_cast<HDC>(dc);
}

BOOL WINAPI DeleteDC(HDC handle) {
    std::lock_guard<std::mutex> guard(gdiLock());
    DcObject* dc = findDc(handle);
    if (dc == nullptr)
        return FALSE;
    if (dc->bitmap != nullptr)
        dc->bitmap->selectedInto = nullptr;
    liveDcs().erase(dc);
    delete dc;
    return TRUE;
}

int WINAPI GetDeviceCaps(HDC handle, int index) {
    {
        std::lock_guard<std::mutex> guard(gdiLock());
        if (findDc(handle) == nullptr)
            return 0;
    }
    switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY:
        return static_cast<int>(voxtrel::display::current().dotsPerInch());
    case HORZRES:
        return voxtrel::display::current().screenSize().width;
    case VERTRES:
        return voxtrel::display::current().screenSize().height;
    case BITSPIXEL:
        return 32;
    default:
        return 0;
    }
}

HBITMAP WINAPI CreateDIBSection(HDC, const BITMAPINFO* info, UINT usage, void** bits,
                                HANDLE section, DWORD) {
    if (bits != nullptr)
        *bits = nullptr;
    if (info == nullptr || usage != DIB_RGB_COLORS || section != nullptr ||
        info->bmiHeader.biCompression != BI_RGB || info->bmiHeader.biPlanes != 1) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const BITMAPINFOHEADER& header = info->bmiHeader;
    const int height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    if (!bitmapSizeUsable(header.biWidth, height, header.biBitCount)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::lock_guard<std::mutex> guard(gdiLock());
    BitmapObject* bitmap =
        makeBitmap(header.biWidth, height, header.biBitCount, header.biHeight > 0);
    if (bitmap == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (bits != nullptr)
        *bits = bitmap->memory.get();
    return adoptBitmap(bitmap);
}

HGDIOBJ WINAPI SelectObject(HDC handle, HGDIOBJ object) {
    std::lock_guard<std::mutex> guard(gdiLock());
    DcObject* dc = findDc(handle);
    const bool stock = object == static_cast<HGDIOBJ>(defaultBitmap());
    BitmapObject* bitmap = stock ? nullptr : findBitmap(object);
    if (dc == nullptr || (bitmap == nullptr && !stock))
        return nullptr;
    // A bitmap can be selected into one DC at a time, as on Windows.
    if (bitmap != nullptr && bitmap->selectedInto != nullptr && bitmap->selectedInto != dc)
        return nullptr;
    BitmapObject* previous = dc->bitmap;
    if (previous != nullptr)
        previous->selectedInto = nullptr;
    dc->bitmap = bitmap;
    if (bitmap != nullptr)
        bitmap->selectedInto = dc;
    return previous != nullptr ? reinterpret_cast<HGDIOBJ>(static_cast<GdiObject*>(previous))
                               : static_cast<HGDIOBJ>(defaultBitmap());
}

BOOL WINAPI DeleteObject(HGDIOBJ object) {
    std::lock_guard<std::mutex> guard(gdiLock());
    BitmapObject* bitmap = findBitmap(object);
    // A bitmap still selected into a DC stays, as on Windows.
    if (bitmap == nullptr || bitmap->selectedInto != nullptr)
        return FALSE;
    liveObjects().erase(bitmap);
    delete bitmap;
    return TRUE;
}

BOOL WINAPI DestroyIcon(HICON handle) {
    std::lock_guard<std::mutex> guard(gdiLock());
    IconObject* icon = findIcon(handle);
    if (icon == nullptr)
        return FALSE;
    liveIcons().erase(icon);
    delete icon;
    return TRUE;
}

BOOL WINAPI GetIconInfo(HICON handle, PICONINFO info) {
    std::lock_guard<std::mutex> guard(gdiLock());
    const IconObject* object = findIcon(handle);
    if (object == nullptr || info == nullptr || object->picture == nullptr ||
        object->picture->bgra.empty())
        return FALSE;
    const voxtrel::display::IconPixels* icon = object->picture.get();
    // The colour image as 32-bit rows, and a mask that is white where the icon is transparent.
    std::unique_ptr<BitmapObject> colour(makeBitmap(icon->width, icon->height, 32, true));
    std::unique_ptr<BitmapObject> mask(makeBitmap(icon->width, icon->height, 32, true));
    if (colour == nullptr || mask == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    for (int y = 0; y < icon->height; ++y) {
        const std::uint8_t* source = &icon->bgra[static_cast<std::size_t>(y) * icon->width * 4];
        std::memcpy(colour->row(y), source, static_cast<std::size_t>(icon->width) * 4);
        std::uint8_t* maskRow = mask->row(y);
        for (int x = 0; x < icon->width; ++x) {
            const std::uint8_t value = source[x * 4 + 3] < 128 ? 0xFF : 0x00;
            std::memset(maskRow + x * 4, value, 3);
        }
    }
    info->fIcon = TRUE;
    info->xHotspot = static_cast<DWORD>(icon->width / 2);
    info->yHotspot = static_cast<DWORD>(icon->height / 2);
    info->hbmColor = adoptBitmap(colour.release());
    info->hbmMask = adoptBitmap(mask.release());
    return TRUE;
}
