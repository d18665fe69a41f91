// Finding AutoCAD's four windows by their captions.
#pragma once

#include "drafthand/platform.h"
#include "drafthand/records.h"

namespace drafthand {

// Body of FindTopWindowsProc: examines one top-level window and may record it
// as main or text window. Returns false only on an unexpected error.
bool find_top_window(WindowSystem& system, const CompareTitles& titles, WindowTable& table,
                     WindowHandle window) noexcept;

// Body of FindChildWindowsProc: examines one descendant of the text window and
// may record it as command or history window.
bool find_child_window(WindowSystem& system, const CompareTitles& titles, WindowTable& table,
                       WindowHandle window) noexcept;

// True only if all four recorded handles are still windows.
bool windows_alive(WindowSystem& system, const WindowTable& table);

} // namespace drafthand
