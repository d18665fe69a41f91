#include "drafthand/script/win32_script_platform.h"

#include "tarn/ansi_text.h"
#include "tarn/unique.h"

#include <windows.h>

#include <algorithm>

namespace drafthand::script {
namespace {

class Win32ScriptFile final : public ScriptFile {
public:
    explicit Win32ScriptFile(tarn::unique_handle file) : file_(std::move(file)) {}

    bool read(char* buffer, std::size_t capacity, std::size_t& count, ErrorRecord& error) override {
        const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(capacity, 1u << 20));
        DWORD got = 0;
        if (!::ReadFile(file_.get(), buffer, wanted, &got, nullptr)) {
            error = ErrorRecord{runtime_error::DeviceIoError, kComponentName,
                                general_error_description(runtime_error::DeviceIoError)};
            return false;
        }
        count = got;
        return true;
    }

private:
    tarn::unique_handle file_;
};

} // namespace

int32_t file_error_number(unsigned long win32_error) {
    switch (win32_error) {
    case ERROR_FILE_NOT_FOUND:
        return runtime_error::FileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_INVALID_DRIVE:
        return runtime_error::PathNotFound;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return runtime_error::PermissionDenied;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
        return runtime_error::BadFileName;
    default:
        return runtime_error::PathFileAccess;
    }
}

int32_t Win32ScriptPlatform::message_box(WindowHandle owner, const std::wstring& message,
                                         int32_t style, const std::wstring& title) {
    // The owner is AutoCAD's window; we do not own it.
    HWND owner_window = reinterpret_cast<HWND>(owner);
    if (owner_window != nullptr && !::IsWindow(owner_window)) {
        owner_window = nullptr;
    }
    const std::string text = tarn::to_ansi(message);
    const std::string caption = tarn::to_ansi(title);
    return ::MessageBoxA(owner_window, text.c_str(), caption.c_str(), static_cast<UINT>(style));
}

std::unique_ptr<ScriptFile> Win32ScriptPlatform::open_script(const std::wstring& path,
                                                             ErrorRecord& error) {
    if (path.empty() || path.find(L'\0') != std::wstring::npos) {
        error = ErrorRecord{runtime_error::BadFileName, kComponentName,
                            general_error_description(runtime_error::BadFileName)};
        return nullptr;
    }
    tarn::unique_handle file = tarn::adopt_file(
        ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        const int32_t number = file_error_number(::GetLastError());
        error = ErrorRecord{number, kComponentName, general_error_description(number)};
        return nullptr;
    }
    return std::make_unique<Win32ScriptFile>(std::move(file));
}

std::wstring Win32ScriptPlatform::decode_ansi(std::string_view bytes) {
    return tarn::from_ansi(bytes);
}

} // namespace drafthand::script
