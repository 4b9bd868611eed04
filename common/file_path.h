// A path the program keeps (UTF-8) as the C++ library's file functions take it. On Windows
// that is UTF-16: the C library there reads a narrow path in a code page of its own, not the
// UTF-8 the program's A calls speak, and would miss a file whose name is outside it.
#pragma once

#include <filesystem>
#include <string>

#ifdef _WIN32
#include "common/wide_text.h"
#endif

namespace voxtrel {

inline std::filesystem::path fileSystemPath(const std::string& utf8) {
#ifdef _WIN32
    return std::filesystem::path(wideOf(utf8));
#else
    return std::filesystem::path(utf8);
#endif
}

} // namespace voxtrel
