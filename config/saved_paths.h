// The encoding of paths in saved configurations: UTF-8, as the program takes, stores and opens
// them on both systems.
#pragma once

#include <string>

namespace voxtrel {

// A path as read from a saved configuration. Windows versions before paths were kept in UTF-8
// saved them in the system's ANSI code page: on Windows such a path, which is not valid UTF-8,
// is read in that code page, so the file it names is found again. Elsewhere a path is bytes, as
// the file system knows it, and stays as it was saved.
std::string loadedPath(const std::string& stored);

// Whether `text` is well-formed UTF-8: no stray continuation, overlong form, surrogate or value
// past U+10FFFF.
bool isUtf8(const std::string& text);

} // namespace voxtrel
