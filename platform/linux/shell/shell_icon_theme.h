// Finding an icon file by name in the freedesktop icon themes.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace voxtrel::shell {

// The first of `names` found in the icon themes (the user's base folders, then the system's),
// preferring pictures near `side` pixels; nothing when none of them exists.
std::optional<std::string> findThemeIcon(const std::vector<std::string>& names, int side);

} // namespace voxtrel::shell
