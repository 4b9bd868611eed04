// Menus and message boxes as GTK menus and dialogs. Display thread only. The answer goes back
// to the waiting thread through display::completeModal; a request cancelled by its thread is
// taken down without an answer.
#pragma once

#include "platform/linux/display/display.h"

namespace voxtrel::display::gtk {

void popUpMenu(MenuRequest request);
void presentMessageBox(const BoxRequest& request);
void takeDownModal(std::uint64_t token);

} // namespace voxtrel::display::gtk
