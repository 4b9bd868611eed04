// What the Windows program says to whoever started it: a program of the Windows subsystem has
// no console of its own. Windows only.
#pragma once

#include <string>

namespace voxtrel {

// Writes `text` where the start's output goes (a redirection, or the console it was started
// from); with neither, as from the Start menu, a message box shows it. `problem` picks the
// error output and the box's icon.
void say(const std::string& text, bool problem);

} // namespace voxtrel
