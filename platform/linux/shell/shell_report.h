// How the shell layer tells the user that something could not be opened.
#pragma once

#include "platform/win32.h"

#include <string>

namespace voxtrel::shell {

// Shown on behalf of the shell, owned by `owner` where there is one.
void reportOpenFailure(HWND owner, const std::string& path, const std::string& reason);

} // namespace voxtrel::shell
