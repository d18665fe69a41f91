// DLL-wide state of Drafthand.dll: the module handle, the count of live
// objects, class-object references and server locks that DllCanUnloadNow
// answers from, and every client thread's records.
#pragma once

#include "drafthand/records.h"

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

// DllMain's share: the records are created when the module loads, a thread's
// records are freed when the thread ends, and all of them when the module
// unloads. At process exit they are left to the process's end: other threads
// are gone by then, perhaps in the middle of the store's lock.
void open_thread_records();
void thread_records_ended();
void close_thread_records(bool process_ending);
// The store every object takes its thread's records from (in a program
// without DllMain, created on first use).
ThreadRecordStore& thread_records();

} // namespace drafthand::win
