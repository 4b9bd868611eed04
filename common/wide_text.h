// Text between the program's own UTF-8 and Windows' UTF-16, where a Windows call speaks only
// UTF-16 (the command line) or its ANSI form would lose characters (file names). Windows only.
#pragma once

#include <string>

namespace voxtrel {

// Invalid input (a lone surrogate, broken UTF-8) becomes U+FFFD, never a shortened string.
std::string utf8Of(const std::wstring& wide);
std::wstring wideOf(const std::string& utf8);

} // namespace voxtrel
