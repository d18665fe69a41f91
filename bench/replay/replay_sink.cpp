// The transport floor of the replay benchmark: a window that answers every
// WM_COPYDATA at once and does nothing else, so that a sender measures only
// what Windows (here Wine) costs per input.
#include <windows.h>

namespace {

LRESULT CALLBACK sink_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_COPYDATA:
        return TRUE;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        return ::DefWindowProcW(window, message, wparam, lparam);
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = sink_procedure;
    window_class.hInstance = instance;
    window_class.lpszClassName = L"ReplaySink";
    if (::RegisterClassW(&window_class) == 0) {
        return 1;
    }
    // Shown, as the CAD program's main window is.
    HWND window =
        ::CreateWindowExW(0, L"ReplaySink", L"replay sink", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                          CW_USEDEFAULT, 320, 200, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        return 1;
    }
    ::ShowWindow(window, SW_SHOWNORMAL);
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return 0;
}
