// A libFuzzer target for the configuration archive: every input must load or be refused with
// a message, without a crash, a hang or a leak. Built by scripts/fuzz-config with clang; the
// suite's own ArchiveFuzz test covers the same ground for a fixed set of inputs.
#include "config/archive.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("VOXTREL_DISPLAY", "headless", 1); // cursors are made without a window system
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    voxtrel::Desktop registry;
    const auto problem =
        voxtrel::readArchive(std::string(reinterpret_cast<const char*>(data), size), registry);
    if (problem && problem->empty())
        std::abort(); // a refusal always says why
    registry.discardUnstarted();
    return 0;
}
