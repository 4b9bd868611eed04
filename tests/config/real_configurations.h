// Configurations as the program saves them, written by the archive writer itself: the fuzzers
// start from these, never from a file the program's own check would refuse.
#pragma once

#include <string>
#include <vector>

namespace voxtrel::testing_support {

// Three cursors with launchers and a picture; one tetrahedron with every flag off, far off the
// screen; none at all.
std::vector<std::string> realConfigurations();

} // namespace voxtrel::testing_support
