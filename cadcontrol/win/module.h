// DLL-wide state of Drafthand.dll: the module handle and the count of live
// objects and server locks that DllCanUnloadNow answers from.
#pragma once

#include <windows.h>

#include <string>

namespace drafthand::win {

HMODULE module_handle();
std::wstring module_path();
void module_add_ref();
void module_release();

} // namespace drafthand::win
