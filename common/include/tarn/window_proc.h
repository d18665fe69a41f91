// The one window procedure of our windows: the owning object is captured from
// CreateWindowEx's parameter at WM_NCCREATE, every message goes to its
// handler, nothing thrown leaves the procedure, and the link is cleared at
// WM_NCDESTROY so no late message reaches a destroyed object. Windows only.
#pragma once

#include <windows.h>

namespace tarn {

// Handler is a member function of Owner taking the message as the window
// procedure does. kAnsi selects the A forms for a window class registered
// with RegisterClassA (its text messages carry ANSI text).
template <typename Owner, LRESULT (Owner::*Handler)(HWND, UINT, WPARAM, LPARAM), bool kAnsi = false>
LRESULT CALLBACK window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) noexcept {
    Owner* owner = nullptr;
    if (message == WM_NCCREATE) {
        // lpCreateParams is the first member of both CREATESTRUCT forms.
        owner = static_cast<Owner*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
        if (kAnsi) {
            ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
        } else {
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
        }
    } else {
        owner = reinterpret_cast<Owner*>(kAnsi ? ::GetWindowLongPtrA(hwnd, GWLP_USERDATA)
                                               : ::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (message == WM_NCDESTROY) {
        if (kAnsi) {
            ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        } else {
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        }
    }
    if (owner != nullptr) {
        try {
            return (owner->*Handler)(hwnd, message, wparam, lparam);
        } catch (...) {
            // Answered as if unhandled: an exception here would cross into
            // the system's message dispatch.
        }
    }
    return kAnsi ? ::DefWindowProcA(hwnd, message, wparam, lparam)
                 : ::DefWindowProcW(hwnd, message, wparam, lparam);
}

} // namespace tarn
