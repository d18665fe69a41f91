// Win32 implementations of the operations' platform interfaces: the shell
// and started processes (shell32, shlwapi, kernel32), the foreground switch
// (user32) and the locale-aware number conversion (oleaut32).
#pragma once

#include "drafthand/launcher.h"
#include "drafthand/operations.h"

namespace drafthand {

class Win32Shell : public Shell {
public:
    bool file_exists(const std::wstring& path) override;
    bool execute(const ShellRequest& request, std::unique_ptr<StartedProcess>& process) override;
    void sleep(uint32_t milliseconds) override;
    void path_quote_spaces(std::wstring& buffer) override;
};

class Win32ForegroundWindows : public ForegroundWindows {
public:
    WindowHandle last_active_popup(WindowHandle window) override;
    bool set_foreground(WindowHandle window) override;
};

// VarR8FromStr with the user's locale, as the runtime converts text to Double.
class VariantNumberReader : public NumberReader {
public:
    int32_t to_double(std::wstring_view text, double& value) override;
};

} // namespace drafthand
