// What a file dropped on tarn.exe in Explorer needs of the desktop (platform
// part): whether tarn runs in a console of its own, which closes as soon as
// it ends, the user's program for a document, and a message box.
#pragma once

#include <string>

namespace tarn_cli {

// True when no one would read what tarn prints: its output neither
// redirected nor in a console other than one made for tarn alone (as
// Explorer's launch makes).
bool console_closes_at_exit();

// Opens the file in the program the user has for its type (the browser for
// a report); false when none could be started.
bool open_document(const std::string& path);

// A modal message box with the text, as an error.
void show_error(const std::string& title, const std::string& text);

} // namespace tarn_cli
