// The Win32 side of a script run: the message box (user32), the script file
// (kernel32) and the ANSI code page (through tarn/ansi_text.h).
#pragma once

#include "drafthand/script/channel_script_control.h"

namespace drafthand::script {

class Win32ScriptPlatform final : public ScriptPlatform {
public:
    // MessageBoxA; an owner that is no longer a window is left out, so that
    // the user still sees the box.
    int32_t message_box(WindowHandle owner, const std::wstring& message, int32_t style,
                        const std::wstring& title) override;
    // Read-only, sharing reads and writes. Failures carry the runtime's file
    // error numbers: 53 file not found, 76 path not found, 75 path/file
    // access (a folder, no access), 70 permission denied (locked), 52 bad
    // file name.
    std::unique_ptr<ScriptFile> open_script(const std::wstring& path, ErrorRecord& error) override;
    std::wstring decode_ansi(std::string_view bytes) override;
};

// The runtime's file error number for a Win32 error code of opening a file.
int32_t file_error_number(unsigned long win32_error);

} // namespace drafthand::script
