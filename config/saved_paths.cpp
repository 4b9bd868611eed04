// Reading paths saved in UTF-8 or, by earlier Windows versions, in the ANSI code page.
#include "config/saved_paths.h"

#ifdef _WIN32
#include "common/wide_text.h"
#include "platform/win32.h"
#endif

namespace voxtrel {

namespace {

#ifdef _WIN32
// The code page the system's A functions spoke before the program declared UTF-8 its own.
UINT systemAnsiCodePage() {
    DWORD codePage = 0;
    if (GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                       reinterpret_cast<LPWSTR>(&codePage), sizeof codePage / sizeof(WCHAR)) == 0 ||
        codePage == 0)
        return 1252;
    return static_cast<UINT>(codePage);
}

std::string fromAnsi(const std::string& stored) {
    const UINT codePage = systemAnsiCodePage();
    const int size = static_cast<int>(stored.size());
    const int length = MultiByteToWideChar(codePage, 0, stored.data(), size, nullptr, 0);
    if (length <= 0)
        return stored;
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, stored.data(), size, wide.data(), length);
    return utf8Of(wide);
}
#endif

} // namespace

bool isUtf8(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int more = 0;
        unsigned long value = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            more = 1;
            value = lead & 0x1Fu;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            more = 2;
            value = lead & 0x0Fu;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            more = 3;
            value = lead & 0x07u;
        } else {
            return false;
        }
        if (text.size() - i <= static_cast<std::size_t>(more))
            return false; // cut short
        for (int k = 1; k <= more; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0u) != 0x80u)
                return false;
            value = value << 6 | (next & 0x3Fu);
        }
        const bool overlong = (more == 2 && value < 0x800) || (more == 3 && value < 0x10000);
        if (overlong || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF)
            return false;
        i += static_cast<std::size_t>(more) + 1;
    }
    return true;
}

std::string loadedPath(const std::string& stored) {
#ifdef _WIN32
    if (!isUtf8(stored))
        return fromAnsi(stored);
#endif
    return stored;
}

} // namespace voxtrel
