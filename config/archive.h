// The registry as a text archive of Boost.Serialization: written from the one registry, and
// read into a registry after the text has passed the archive check.
#pragma once

#include "registry/desktop.h"

#include <optional>
#include <string>

namespace voxtrel {

// The archive of `desktop`, header and all. Throws what the archive library throws.
std::string writeArchive(Desktop& desktop);

// Reads `text` and appends its cursors to `desktop`'s list, not started. On failure nothing is
// added and the description of what went wrong is returned: the archive library's own words,
// or the archive check's for a file this program can never have written.
std::optional<std::string> readArchive(const std::string& text, Desktop& desktop);

} // namespace voxtrel
