// Reading another process's windows: their texts, classes and message boxes,
// and pressing OK. Windows only.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tarn::testsupport {

// What window_text gives for a window that did not answer in time.
inline constexpr wchar_t kNoAnswer[] = L"<no answer>";
// The limit of one question to a window that may be busy.
inline constexpr DWORD kAnswerLimitMs = 5000;

// WM_GETTEXT, which a live-text window answers with what it shows now.
std::wstring window_text(HWND window, DWORD limit_ms = kAnswerLimitMs);
std::wstring class_of(HWND window);
// Every descendant, in the order EnumChildWindows gives.
std::vector<HWND> child_windows(HWND parent);

// A visible message box of the process, waited for up to limit_ms; null when
// none shows.
HWND find_message_box(DWORD process_id, DWORD limit_ms);
// The box's words. A program that spent seconds inside one call counts as
// hung until its message box's loop runs, so this asks until the box answers.
std::wstring message_box_text(HWND box);
// Presses OK; true once the box is gone.
bool press_ok(HWND box);

} // namespace tarn::testsupport
