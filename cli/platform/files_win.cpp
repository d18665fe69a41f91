#include "output_files.h"

#include <tarn/ansi_text.h>
#include <tarn/atomic_file.h>

#include <windows.h>

namespace tarn_cli {

// Symbolic links need a privilege ordinary users lack on Windows; paths are
// taken as they are.
std::string link_target(const std::string& path) {
    return path;
}

// rename() of the C runtime refuses an existing target on Windows; the
// shared replacement keeps the replaced file's attributes and security.
bool replace_file(const std::string& from, const std::string& to) {
    return tarn::replace_file(tarn::from_ansi(from), tarn::from_ansi(to));
}

// The console's code page would show the degree sign of the summary as two
// wrong characters.
void prepare_console() {
    SetConsoleOutputCP(CP_UTF8);
}

} // namespace tarn_cli
