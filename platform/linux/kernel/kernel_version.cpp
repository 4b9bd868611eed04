// VerSetConditionMask and VerifyVersionInfoA against the version the layer reports (10.0).
// Major, minor and service-pack numbers compare as one ordered value, as on Windows.
#include "platform/linux/kernel/kernel_control.h"

#include <atomic>
#include <initializer_list>
#include <tuple>

namespace {

std::atomic<DWORD> reportedMajor{10};
std::atomic<DWORD> reportedMinor{0};
constexpr DWORD kReportedBuild = 19045;

int typeIndex(DWORD typeBit) {
    int index = 0;
    while (typeBit > 1) {
        typeBit >>= 1;
        ++index;
    }
    return index;
}

BYTE conditionFor(DWORDLONG mask, DWORD typeBit) {
    return static_cast<BYTE>((mask >> (3 * typeIndex(typeBit))) & 0x7);
}

template <typename T> bool compare(const T& actual, const T& wanted, BYTE condition) {
    switch (condition) {
    case VER_EQUAL:
        return actual == wanted;
    case VER_GREATER:
        return actual > wanted;
    case VER_GREATER_EQUAL:
        return actual >= wanted;
    case VER_LESS:
        return actual < wanted;
    case VER_LESS_EQUAL:
        return actual <= wanted;
    default:
        return false;
    }
}

} // namespace

void voxtrel::kernel::setReportedVersion(DWORD major, DWORD minor) {
    reportedMajor = major;
    reportedMinor = minor;
}

ULONGLONG WINAPI VerSetConditionMask(ULONGLONG conditionMask, DWORD typeMask, BYTE condition) {
    for (DWORD bit = VER_MINORVERSION; bit <= VER_PRODUCT_TYPE; bit <<= 1) {
        if ((typeMask & bit) != 0) {
            const int shift = 3 * typeIndex(bit);
            conditionMask &= ~(ULONGLONG{0x7} << shift);
            conditionMask |= ULONGLONG{static_cast<BYTE>(condition & 0x7)} << shift;
        }
    }
    return conditionMask;
}

BOOL WINAPI VerifyVersionInfoA(LPOSVERSIONINFOEXA info, DWORD typeMask, DWORDLONG conditionMask) {
    if (info == nullptr || typeMask == 0 || conditionMask == 0 ||
        info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOEXA)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    bool ok = true;
    // The version numbers compare as one value, most significant first, under the condition of
    // the most significant one asked for; a field not asked for counts as equal.
    const DWORD versionBits =
        VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR | VER_SERVICEPACKMINOR;
    if ((typeMask & versionBits) != 0) {
        auto pick = [&](DWORD bit, DWORD value) { return (typeMask & bit) != 0 ? value : 0u; };
        const auto actual = std::make_tuple(
            pick(VER_MAJORVERSION, reportedMajor), pick(VER_MINORVERSION, reportedMinor),
            pick(VER_SERVICEPACKMAJOR, 0), pick(VER_SERVICEPACKMINOR, 0));
        const auto wanted = std::make_tuple(pick(VER_MAJORVERSION, info->dwMajorVersion),
                                            pick(VER_MINORVERSION, info->dwMinorVersion),
                                            pick(VER_SERVICEPACKMAJOR, info->wServicePackMajor),
                                            pick(VER_SERVICEPACKMINOR, info->wServicePackMinor));
        DWORD leading = VER_MAJORVERSION;
        for (DWORD bit :
             {VER_MAJORVERSION, VER_MINORVERSION, VER_SERVICEPACKMAJOR, VER_SERVICEPACKMINOR}) {
            if ((typeMask & bit) != 0) {
                leading = bit;
                break;
            }
        }
        ok = compare(actual, wanted, conditionFor(conditionMask, leading));
    }
    if (ok && (typeMask & VER_BUILDNUMBER) != 0)
        ok = compare(kReportedBuild, info->dwBuildNumber,
                     conditionFor(conditionMask, VER_BUILDNUMBER));
    if (ok && (typeMask & VER_PLATFORMID) != 0)
        ok = compare(DWORD{VER_PLATFORM_WIN32_NT}, info->dwPlatformId,
                     conditionFor(conditionMask, VER_PLATFORMID));
    if (!ok)
        SetLastError(ERROR_OLD_WIN_VERSION);
    return ok ? TRUE : FALSE;
}
