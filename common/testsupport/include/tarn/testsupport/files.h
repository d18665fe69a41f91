// Paths, the environment and whole files, as the Windows tests use them.
// Windows only.
#pragma once

#include <string>

namespace tarn::testsupport {

// The folder of this program, with its trailing separator.
std::wstring program_folder();

// name in the user's temporary folder.
std::wstring temp_path(const std::wstring& name);

// The value of an environment variable; empty when it is not set.
std::wstring environment(const wchar_t* name);

// The whole file, empty when it cannot be opened; shared with a writer that
// still holds it open, as cadsim holds its drawing.
std::string read_file(const std::wstring& path);

// content in the ANSI code page, as a user's editor writes a script; false
// when the file could not be written whole.
bool write_ansi_file(const std::wstring& path, const std::wstring& content);

} // namespace tarn::testsupport
