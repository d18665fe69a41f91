// tarn2: clothoid drafting for AutoCAD (LT). One window, Form1.
#include "form1_window.h"

#include <commctrl.h>
#include <objbase.h>
#include <windows.h>

namespace {

// COM for the Drafthand objects, apartment-threaded: they run on this thread.
class ComApartment {
public:
    ComApartment() : result_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (SUCCEEDED(result_)) {
            ::CoUninitialize();
        }
    }

private:
    HRESULT result_;
};

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command) {
    // Twips become pixels at the real system DPI, not a scaled 96.
    ::SetProcessDPIAware();
    ComApartment apartment;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);

    // Destroyed before the apartment ends: it holds the Drafthand objects.
    tarn::app::win::Form1Window form;
    if (!form.create(instance, show_command)) {
        return 1;
    }
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!form.hwnd() || !::IsDialogMessageW(form.hwnd(), &message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    return static_cast<int>(message.wParam);
}
