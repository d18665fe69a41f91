#include "desktop.h"

namespace tarn_cli {

// A file manager starts programs without a terminal only on Windows; here
// tarn always has its caller's terminal or pipes, and prints to them.
bool console_closes_at_exit() {
    return false;
}

bool open_document(const std::string&) {
    return false;
}

void show_error(const std::string&, const std::string&) {}

} // namespace tarn_cli
