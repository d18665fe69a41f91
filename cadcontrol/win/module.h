// DLL-wide state of Drafthand.dll: the module handle and the count of live
// objects and server locks that DllCanUnloadNow answers from.
#pragma once

#include <windows.h>

#include <string>

namespace drafthand::win {

// Set by DllMain; null (the program itself) when the code runs in a program.
void set_module_handle(HMODULE module);
HMODULE module_handle();
std::wstring module_path();
void module_add_ref();
void module_release();
bool module_in_use();

} // namespace drafthand::win
