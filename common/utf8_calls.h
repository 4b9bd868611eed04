// The Win32 calls whose text is a file name, or may carry one, in the program's own UTF-8.
// Windows 10 1903 and later speak UTF-8 through the A calls, as the program's manifest asks;
// earlier versions (and a system that ignores the manifest) speak the ANSI code page there and
// turn every character outside it into '?'. On Windows these calls therefore go through the W
// calls; the Linux layer's A calls speak UTF-8 already.
#pragma once

#include "platform/win32.h"

#include <optional>
#include <string>

namespace voxtrel {

// The whole name of file `index` of a drop, however long; empty when there is none.
std::string droppedFileName(HDROP drop, UINT index);

// ShellExecuteEx with the record's verb, file, parameters and folder in UTF-8.
BOOL shellExecute(SHELLEXECUTEINFOA& info);

// SHGetFileInfo for `path`'s icon (SHGFI_ICON, SHGFI_SYSICONINDEX): the display and type names
// are not given back.
DWORD_PTR shellFileInfo(const char* path, UINT flags, SHFILEINFOA& info);

DWORD fileAttributes(const std::string& path);
bool makeFolder(const std::string& path);
// The process's current folder; empty when it cannot be read.
std::string currentFolder();
bool enterFolder(const std::string& path);
std::optional<std::string> environmentVariable(const char* name);

int messageBox(HWND owner, const std::string& text, const std::string& caption, UINT type);

} // namespace voxtrel
