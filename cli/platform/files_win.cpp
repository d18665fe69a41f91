// rename() of the C runtime refuses an existing target on Windows.
#include "output_files.h"

#include <windows.h>

namespace tarn_cli {

bool replace_file(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

// The console's code page would show the degree sign of the summary as two
// wrong characters.
void prepare_console() {
    SetConsoleOutputCP(CP_UTF8);
}

} // namespace tarn_cli
