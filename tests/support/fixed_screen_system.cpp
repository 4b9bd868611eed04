// On Windows the tests take the system's screen as it is.
#include "tests/support/fixed_screen.h"

namespace voxtrel::testing_support {

void useFixedScreen() {}

} // namespace voxtrel::testing_support
