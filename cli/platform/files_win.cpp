#include "output_files.h"

#include <windows.h>

namespace tarn_cli {

// Symbolic links need a privilege ordinary users lack on Windows; paths are
// taken as they are.
std::string link_target(const std::string& path) {
    return path;
}

// rename() of the C runtime refuses an existing target on Windows.
// ReplaceFileA keeps the replaced file's attributes and security.
bool replace_file(const std::string& from, const std::string& to) {
    if (GetFileAttributesA(to.c_str()) != INVALID_FILE_ATTRIBUTES &&
        ReplaceFileA(to.c_str(), from.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                     nullptr)) {
        return true;
    }
    return MoveFileExA(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

// The console's code page would show the degree sign of the summary as two
// wrong characters.
void prepare_console() {
    SetConsoleOutputCP(CP_UTF8);
}

} // namespace tarn_cli
