// A path the program keeps (UTF-8) as the C++ library's file functions take it. On Windows
// that is UTF-16: the C library there reads a narrow path in a code page of its own, not the
// UTF-8 the program's A calls speak, and would miss a file whose name is outside it.
#pragma once

#include <filesystem>
#include <string>

#ifdef _WIN32
#include "platform/win32.h"
#endif

namespace voxtrel {

inline std::filesystem::path fileSystemPath(const std::string& utf8) {
#ifdef _WIN32
    const int size = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
    return std::filesystem::path(wide);
#else
    return std::filesystem::path(utf8);
#endif
}

} // namespace voxtrel
