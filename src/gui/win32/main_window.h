// The graphical role on Windows: one custom-drawn window that lives in the tray.
#pragma once

#include "app/options.h"

namespace gui::win32 {

// 0 when the window closed normally or an earlier copy was brought to the front, 1 when
// the drawing layer could not start.
int RunGui(const Options& options, const Arguments& args);

}  // namespace gui::win32
