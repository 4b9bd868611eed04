// Icon theme look-up without GTK (which may only run on the display thread): the theme folders
// of the XDG data folders are searched directly, in the user's theme first, then the themes it
// inherits from (each theme's index.theme, breadth first, as the icon theme rules say), then
// hicolor, then GTK's default theme, then pixmaps.
#include "platform/linux/shell/shell_icon_theme.h"

#include "platform/linux/display/display.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace voxtrel::shell {

namespace {

bool isFile(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::vector<std::string> iconBases() {
    std::vector<std::string> bases;
    const char* home = std::getenv("HOME");
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome != nullptr && *dataHome == '/')
        bases.push_back(std::string(dataHome) + "/icons");
    else if (home != nullptr)
        bases.push_back(std::string(home) + "/.local/share/icons");
    if (home != nullptr)
        bases.push_back(std::string(home) + "/.icons");
    const char* dataDirs = std::getenv("XDG_DATA_DIRS");
    std::istringstream dirs(
        dataDirs != nullptr && *dataDirs != '\0' ? dataDirs : "/usr/local/share:/usr/share");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (!dir.empty())
            bases.push_back(dir + "/icons");
    }
    return bases;
}

// Size folders in order of preference for a picture of `side` pixels: the exact size, then
// larger ones (scaled down well), then scalable (rendered at the size), then smaller ones from
// the largest down.
std::vector<std::string> sizeFolders(int side) {
    constexpr int kThemeSizes[] = {16, 22, 24, 32, 48, 64, 96, 128, 192, 256, 512};
    std::vector<std::string> folders{std::to_string(side) + "x" + std::to_string(side)};
    for (int larger : kThemeSizes)
        if (larger > side)
            folders.push_back(std::to_string(larger) + "x" + std::to_string(larger));
    folders.push_back("scalable");
    for (auto smaller = std::rbegin(kThemeSizes); smaller != std::rend(kThemeSizes); ++smaller)
        if (*smaller < side)
            folders.push_back(std::to_string(*smaller) + "x" + std::to_string(*smaller));
    return folders;
}

// The value of `key` in the [`group`] of an ini-style file (index.theme, GTK's settings.ini).
std::string iniValue(const std::string& path, const std::string& group, const std::string& key) {
    std::ifstream in(path);
    std::string line, current;
    while (std::getline(in, line)) {
        line.erase(0, line.find_first_not_of(" \t"));
        if (!line.empty() && line[0] == '[') {
            current = line.substr(1, line.find(']') - 1);
            continue;
        }
        const auto equals = line.find('=');
        if (current != group || equals == std::string::npos)
            continue;
        std::string name = line.substr(0, equals);
        name.erase(name.find_last_not_of(" \t") + 1);
        if (name != key)
            continue;
        std::string value = line.substr(equals + 1);
        value.erase(0, value.find_first_not_of(" \t"));
        value.erase(value.find_last_not_of(" \t\r") + 1);
        return value;
    }
    return {};
}

std::vector<std::string> splitList(const std::string& list, char separator) {
    std::vector<std::string> items;
    std::istringstream in(list);
    for (std::string item; std::getline(in, item, separator);) {
        item.erase(0, item.find_first_not_of(" \t"));
        item.erase(item.find_last_not_of(" \t") + 1);
        if (!item.empty())
            items.push_back(item);
    }
    return items;
}

// The theme GTK's settings file names, where no display says which theme the desktop chose:
// the user's file, then the system's.
std::string themeOfSettingsFiles() {
    std::vector<std::string> folders;
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    if (configHome != nullptr && *configHome == '/')
        folders.emplace_back(configHome);
    else if (home != nullptr)
        folders.push_back(std::string(home) + "/.config");
    const char* configDirs = std::getenv("XDG_CONFIG_DIRS");
    for (const std::string& dir :
         splitList(configDirs != nullptr && *configDirs != '\0' ? configDirs : "/etc/xdg", ':'))
        folders.push_back(dir);
    for (const std::string& folder : folders) {
        const std::string theme =
            iniValue(folder + "/gtk-3.0/settings.ini", "Settings", "gtk-icon-theme-name");
        if (!theme.empty())
            return theme;
    }
    return {};
}

// The user's theme and those it inherits from, each once, breadth first, then hicolor and
// Adwaita.
std::vector<std::string> themeChain(const std::vector<std::string>& bases) {
    std::string user = display::current().iconThemeName();
    if (user.empty())
        user = themeOfSettingsFiles();
    if (user.empty())
        user = "Adwaita"; // GTK's own choice where nothing names one
    std::vector<std::string> chain{user};
    for (std::size_t next = 0; next < chain.size(); ++next) {
        for (const std::string& base : bases) {
            const std::string index = base + "/" + chain[next] + "/index.theme";
            if (!isFile(index))
                continue;
            for (const std::string& parent :
                 splitList(iniValue(index, "Icon Theme", "Inherits"), ','))
                if (std::find(chain.begin(), chain.end(), parent) == chain.end())
                    chain.push_back(parent);
            break; // the first folder that holds the theme's index describes it
        }
    }
    // hicolor closes every chain; then GTK's default theme, so that a name the chosen themes
    // lack still finds a picture where one is installed.
    for (const char* last : {"hicolor", "Adwaita"})
        if (std::find(chain.begin(), chain.end(), last) == chain.end())
            chain.emplace_back(last);
    return chain;
}

const char* const kContexts[] = {"mimetypes", "places", "apps", "devices", "legacy", "categories"};

} // namespace

std::optional<std::string> findThemeIcon(const std::vector<std::string>& names, int side) {
    const std::vector<std::string> bases = iconBases();
    const std::vector<std::string> themes = themeChain(bases);
    const std::vector<std::string> sizes = sizeFolders(side);
    for (const std::string& name : names) {
        if (!name.empty() && name[0] == '/') { // an icon given by its file
            if (isFile(name))
                return name;
            continue;
        }
        for (const std::string& theme : themes) {
            for (const std::string& size : sizes) {
                for (const std::string& base : bases) {
                    for (const char* context : kContexts) {
                        const std::string stem =
                            base + "/" + theme + "/" + size + "/" + context + "/" + name;
                        for (const char* extension : {".png", ".svg"}) {
                            if (isFile(stem + extension))
                                return stem + extension;
                        }
                    }
                }
            }
        }
        for (const char* pixmaps : {"/usr/share/pixmaps/"}) {
            for (const char* extension : {".png", ".svg", ".xpm"}) {
                const std::string path = pixmaps + name + extension;
                if (isFile(path))
                    return path;
            }
        }
    }
    return std::nullopt;
}

} // namespace voxtrel::shell
