// Icon theme look-up without GTK (which may only run on the display thread): the theme folders
// of the XDG data folders are searched directly, Adwaita first, then hicolor, then pixmaps.
#include "platform/linux/shell/shell_icon_theme.h"

#include <sys/stat.h>

#include <cstdlib>
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

const char* const kThemes[] = {"Adwaita", "hicolor"};
const char* const kContexts[] = {"mimetypes", "places", "apps", "devices", "legacy", "categories"};

} // namespace

std::optional<std::string> findThemeIcon(const std::vector<std::string>& names, int side) {
    const std::vector<std::string> bases = iconBases();
    const std::vector<std::string> sizes = sizeFolders(side);
    for (const std::string& name : names) {
        if (!name.empty() && name[0] == '/') { // an icon given by its file
            if (isFile(name))
                return name;
            continue;
        }
        for (const char* theme : kThemes) {
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
