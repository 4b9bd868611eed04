// SHGetFileInfoA: a path's icon from its content type through the icon theme (a desktop
// launcher shows its application's icon), its display name and type name. A path that does not
// exist has no icon; an empty one is the current folder. The system image lists: SHGFI_SYSICONINDEX
// numbers the icon names of a path, and SHGetImageList's lists make icons of them at their own
// size, with scalable icons rendered at it.
#include "platform/win32.h"

#include "platform/linux/gdi/gdi_icon_images.h"
#include "platform/linux/shell/shell_icon_theme.h"

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace {

void copyText(char* target, std::size_t size, const char* text) {
    if (text == nullptr)
        text = "";
    const std::size_t length = std::min(size - 1, std::strlen(text));
    std::memcpy(target, text, length);
    target[length] = '\0';
}

// The icon names GIO gives for a file, most specific first, or the file of a file icon.
std::vector<std::string> iconNames(GIcon* icon) {
    std::vector<std::string> names;
    if (icon == nullptr)
        return names;
    if (G_IS_THEMED_ICON(icon)) {
        for (const gchar* const* name = g_themed_icon_get_names(G_THEMED_ICON(icon));
             *name != nullptr; ++name)
            names.emplace_back(*name);
    } else if (G_IS_FILE_ICON(icon)) {
        if (char* path = g_file_get_path(g_file_icon_get_file(G_FILE_ICON(icon)))) {
            names.emplace_back(path);
            g_free(path);
        }
    }
    return names;
}

std::vector<std::string> iconNamesFor(const char* path, GFileInfo* info) {
    std::vector<std::string> names;
    const char* type = g_file_info_get_content_type(info);
    if (type != nullptr && g_content_type_is_a(type, "application/x-desktop")) {
        if (GDesktopAppInfo* launcher = g_desktop_app_info_new_from_filename(path)) {
            names = iconNames(g_app_info_get_icon(G_APP_INFO(launcher)));
            g_object_unref(launcher);
        }
    }
    for (const std::string& name : iconNames(g_file_info_get_icon(info)))
        names.push_back(name);
    // Every existing file gets at least the generic picture of its kind.
    names.push_back(g_file_info_get_file_type(info) == G_FILE_TYPE_DIRECTORY ? "folder"
                                                                             : "text-x-generic");
    names.push_back("application-x-generic");
    return names;
}

HICON iconOfSize(const std::vector<std::string>& names, int side) {
    const auto file = voxtrel::shell::findThemeIcon(names, side);
    return file ? voxtrel::gdi::iconFromFile(*file, side) : nullptr;
}

// The process's image list: each different list of icon names gets a number, kept for the life
// of the process as Windows keeps its system image list.
std::mutex imageListMutex;
std::vector<std::vector<std::string>>& imageListEntries() {
    static auto* entries = new std::vector<std::vector<std::string>>;
    return *entries;
}

int imageListIndexOf(std::vector<std::string> names) {
    std::lock_guard<std::mutex> guard(imageListMutex);
    auto& entries = imageListEntries();
    const auto found = std::find(entries.begin(), entries.end(), names);
    if (found != entries.end())
        return static_cast<int>(found - entries.begin());
    entries.push_back(std::move(names));
    return static_cast<int>(entries.size() - 1);
}

class ImageList final : public IImageList {
public:
    explicit ImageList(int side) : side_(side) {}
    HRESULT GetIcon(int index, UINT, HICON* icon) override {
        if (icon == nullptr)
            return E_INVALIDARG;
        std::vector<std::string> names;
        {
            std::lock_guard<std::mutex> guard(imageListMutex);
            if (index < 0 || static_cast<std::size_t>(index) >= imageListEntries().size())
                return E_INVALIDARG;
            names = imageListEntries()[static_cast<std::size_t>(index)];
        }
        *icon = iconOfSize(names, side_);
        return *icon != nullptr ? S_OK : E_INVALIDARG;
    }
    // The lists live as long as the process, as the system's do.
    ULONG Release() override { return 1; }

private:
    int side_;
};

} // namespace

DWORD_PTR WINAPI SHGetFileInfoA(LPCSTR path, DWORD, SHFILEINFOA* info, UINT infoSize, UINT flags) {
    if (info == nullptr || infoSize < sizeof(SHFILEINFOA) || path == nullptr)
        return 0;
    // Relative paths start from the current directory; an empty one names that folder itself,
    // as on Windows.
    if (*path == '\0')
        path = ".";
    GFile* file = g_file_new_for_path(path);
    GFileInfo* fileInfo =
        g_file_query_info(file,
                          G_FILE_ATTRIBUTE_STANDARD_TYPE "," G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE
                                                         "," G_FILE_ATTRIBUTE_STANDARD_ICON
                                                         "," G_FILE_ATTRIBUTE_STANDARD_DISPLAY_NAME,
                          G_FILE_QUERY_INFO_NONE, nullptr, nullptr);
    g_object_unref(file);
    if (fileInfo == nullptr)
        return 0;
    DWORD_PTR result = 1;
    if ((flags & SHGFI_SYSICONINDEX) != 0)
        info->iIcon = imageListIndexOf(iconNamesFor(path, fileInfo));
    if ((flags & SHGFI_ICON) != 0) {
        info->hIcon = iconOfSize(iconNamesFor(path, fileInfo), GetSystemMetrics(SM_CXICON));
        info->iIcon = 0;
        if (info->hIcon == nullptr)
            result = 0;
    }
    if ((flags & SHGFI_DISPLAYNAME) != 0)
        copyText(info->szDisplayName, sizeof info->szDisplayName,
                 g_file_info_get_display_name(fileInfo));
    if ((flags & SHGFI_TYPENAME) != 0) {
        const char* type = g_file_info_get_content_type(fileInfo);
        char* description = type != nullptr ? g_content_type_get_description(type) : nullptr;
        copyText(info->szTypeName, sizeof info->szTypeName, description);
        g_free(description);
    }
    g_object_unref(fileInfo);
    return result;
}

// {46EB5926-582E-4017-9FDF-E8998DAA0950}, as Windows names the interface.
const IID IID_IImageList = {
    0x46eb5926, 0x582e, 0x4017, {0x9f, 0xdf, 0xe8, 0x99, 0x8d, 0xaa, 0x09, 0x50}};

HRESULT WINAPI SHGetImageList(int imageList, REFIID riid, void** object) {
    if (object == nullptr)
        return E_INVALIDARG;
    *object = nullptr;
    if (std::memcmp(&riid, &IID_IImageList, sizeof(IID)) != 0)
        return E_NOINTERFACE;
    static ImageList large(32), small(16), extraLarge(48), jumbo(256);
    switch (imageList) {
    case SHIL_LARGE:
        *object = static_cast<IImageList*>(&large);
        return S_OK;
    case SHIL_SMALL:
    case SHIL_SYSSMALL:
        *object = static_cast<IImageList*>(&small);
        return S_OK;
    case SHIL_EXTRALARGE:
        *object = static_cast<IImageList*>(&extraLarge);
        return S_OK;
    case SHIL_JUMBO:
        *object = static_cast<IImageList*>(&jumbo);
        return S_OK;
    default:
        return E_INVALIDARG;
    }
}
