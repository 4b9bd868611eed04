// SHGetFileInfoA: a path's icon from its content type through the icon theme (a desktop
// launcher shows its application's icon), its display name and type name. A path that does not
// exist, or an empty one, has no icon.
#include "platform/win32.h"

#include "platform/linux/gdi/gdi_icon_images.h"
#include "platform/linux/shell/shell_icon_theme.h"

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

#include <cstring>
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

HICON iconFor(const char* path, GFileInfo* info) {
    const int side = GetSystemMetrics(SM_CXICON);
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
    const auto file = voxtrel::shell::findThemeIcon(names, side);
    return file ? voxtrel::gdi::iconFromFile(*file, side) : nullptr;
}

} // namespace

DWORD_PTR WINAPI SHGetFileInfoA(LPCSTR path, DWORD, SHFILEINFOA* info, UINT infoSize, UINT flags) {
    if (info == nullptr || infoSize < sizeof(SHFILEINFOA) || path == nullptr || *path == '\0')
        return 0;
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
    if ((flags & SHGFI_ICON) != 0) {
        info->hIcon = iconFor(path, fileInfo);
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
