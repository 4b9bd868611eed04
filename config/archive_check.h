// A check of a configuration file before the archive library reads it. The library's text
// archive crashes, hangs or allocates without bound on some damaged inputs (a class id out of
// range, an object id that refers back, a count of 10^12, a string longer than the file), and
// catching exceptions does not help there. So a file is read here first, token by token, against
// the one shape this program writes, and anything else is refused with a description.
#pragma once

#include <string>

namespace voxtrel {

struct ArchiveCheck {
    std::string problem; // empty when the text may be handed to the library
    std::string text;    // the text to hand over: the file, with a scale the library cannot
                         // read ("nan", "inf") replaced by one it can
};

ArchiveCheck checkArchive(const std::string& file);

// The archive formats read: 3, which this design writes, up to the installed library's own.
constexpr unsigned OLDEST_ARCHIVE_FORMAT = 3;
unsigned installedArchiveFormat();

} // namespace voxtrel
