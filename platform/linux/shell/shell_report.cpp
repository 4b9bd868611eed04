// Open failures go to standard error until the layer has message boxes to show them in.
#include "platform/linux/shell/shell_report.h"

#include <cstdio>

namespace voxtrel::shell {

void reportOpenFailure(HWND, const std::string& path, const std::string& reason) {
    std::fprintf(stderr, "voxtrel: cannot open \"%s\": %s\n", path.c_str(), reason.c_str());
}

} // namespace voxtrel::shell
