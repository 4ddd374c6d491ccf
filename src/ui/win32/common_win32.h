// What the parts of the Win32 backend share: the window classes it registers and a few small helpers.
#pragma once
#include <windows.h>

#include <string>

#include "ui/types.h"

namespace qs::win32 {

// The window classes of forms and of the containers the backend paints itself.
inline constexpr char kFormClass[] = "QsForm";
inline constexpr char kPanelClass[] = "QsPanel";

inline bool Has(TSet set, int v) { return (set & SetOf(v)) != 0; }

// The whole text of a window, however long.
std::string WindowText(HWND w);

// The rectangle a text needs in a font: width limited to maxWidth when wrapping.
SIZE TextExtent(HFONT font, const std::string& text, int maxWidth, bool wrap);

}  // namespace qs::win32
