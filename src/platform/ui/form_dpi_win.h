#pragma once
// The form's scale: its label font at any DPI, and the DPI messages it answers.
#include <windows.h>

#include "platform/ui/dpi_win.h"

namespace notify::ui {

// The message font of the user's interface language, as the system's own dialogs use it,
// at 96 DPI.
LOGFONTW MessageFontAt96();
// That font at `dpi`; the stock GUI font when it cannot be made.
HFONT CreateFontAt(LOGFONTW font, int dpi);

}  // namespace notify::ui
