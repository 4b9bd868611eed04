// LoadIconA and LoadCursorA. The program's icon comes from the ICON statement of its resource
// script, decoded from the built-in file; standard icons and pointers are made once and shared.
#include "platform/linux/gdi/gdi_icon_images.h"
#include "platform/linux/gdi/gdi_objects.h"
#include "platform/linux/kernel/kernel_objects.h"
#include "platform/linux/user/user_resources.h"

#include <cstdio>
#include <exception>
#include <map>
#include <mutex>
#include <utility>

namespace {

constexpr int kIconSide = 32;
constexpr unsigned kGenericIconId = 32512; // IDI_APPLICATION, the one predefined icon here

// A plain framed square for IDI_APPLICATION, the generic program icon.
HICON makeGenericIcon() {
    voxtrel::display::IconPixels icon;
    icon.width = icon.height = kIconSide;
    icon.bgra.resize(kIconSide * kIconSide * 4);
    for (int y = 0; y < kIconSide; ++y) {
        for (int x = 0; x < kIconSide; ++x) {
            std::uint8_t* pixel = &icon.bgra[(y * kIconSide + x) * 4];
            const bool frame = x < 3 || y < 3 || x >= kIconSide - 3 || y >= kIconSide - 3 || y < 8;
            pixel[0] = frame ? 0x80 : 0xF0;
            pixel[1] = frame ? 0x50 : 0xF0;
            pixel[2] = frame ? 0x30 : 0xF0;
            pixel[3] = 0xFF;
        }
    }
    return voxtrel::gdi::makeIcon(std::move(icon));
}

HICON loadResourceIcon(unsigned id) {
    try {
        const auto file = voxtrel::user::programResources().iconFile(id);
        if (!file)
            return nullptr;
        const voxtrel::user::EmbeddedFile* embedded = voxtrel::user::findEmbedded(*file);
        if (embedded == nullptr)
            return nullptr;
        return voxtrel::gdi::iconFromBytes(embedded->data, embedded->size, kIconSide);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "voxtrel: the icon resources cannot be read: %s\n", error.what());
        return nullptr;
    }
}

} // namespace

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name) {
    if (name == nullptr || !IS_INTRESOURCE(name)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    const unsigned id = static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(name));
    // As on Windows: a null instance names the system's predefined icons, the program's module
    // its own resources.
    const bool systemIcon = instance == nullptr;
    if (systemIcon ? id != kGenericIconId : !voxtrel::kernel::isProgramModule(instance)) {
        SetLastError(systemIcon ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    // Icons from resources are shared, as Windows shares them: loading twice gives one handle.
    static std::mutex mutex;
    static auto& loaded = *new std::map<std::pair<bool, unsigned>, HICON>; // for the whole run
    std::lock_guard<std::mutex> guard(mutex);
    const std::pair<bool, unsigned> key{systemIcon, id};
    auto found = loaded.find(key);
    if (found != loaded.end())
        return found->second;
    HICON icon = systemIcon ? makeGenericIcon() : loadResourceIcon(id);
    if (icon == nullptr) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    loaded[key] = icon;
    return icon;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE, LPCSTR name) {
    if (name == nullptr || !IS_INTRESOURCE(name))
        return nullptr;
    const unsigned id = static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(name));
    static std::mutex mutex;
    static auto& loaded = *new std::map<unsigned, HCURSOR>; // kept for the whole run
    std::lock_guard<std::mutex> guard(mutex);
    auto found = loaded.find(id);
    if (found != loaded.end())
        return found->second;
    // The hand is "pointer" in the CSS names GTK uses; anything else is the ordinary arrow.
    HCURSOR pointer = voxtrel::gdi::pointerNamed(id == 32649 ? "pointer" : "default");
    loaded[id] = pointer;
    return pointer;
}
