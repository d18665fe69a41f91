// Lifetimes of the registered Drafthand.dll in a client process: threads that
// are its only user end, the loader stays usable after them, and the DLL
// unloads through CoFreeUnusedLibraries and loads again.
//
// Each case runs in a child process of this program (--case NAME): a thread
// stuck at its exit holds the loader lock, and its process can then neither
// load a library nor exit. The child bounds every step itself and ends itself
// at once when one overruns; the parent ends a child that outlives its limit,
// so a hang fails the case instead of hanging the run. DRAFTHAND_CADSIM (a
// Windows path) gives the stand-in CAD program for the cases that drive it.
#include "Drafthand_h.h"
#include "drafthand_client.h"

#include "tarn/ansi_text.h"
#include "tarn/process.h"
#include "tarn/testsupport/cadsim_process.h"
#include "tarn/testsupport/files.h"
#include "tarn/unique.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

namespace {

using tarn::com_ptr;
using tarn::unique_bstr;
using tarn::unique_handle;
using tarn::testsupport::temp_path;
using tarn::testsupport::write_ansi_file;

using drafthand::kSuccess;
constexpr wchar_t kDll[] = L"Drafthand.dll";

// Generous for an emulated machine, short against a hang.
constexpr DWORD kStepLimitMs = 20000;
constexpr DWORD kChildLimitMs = 240000;

// Child exit codes.
constexpr int kPassed = 0;
constexpr int kCheckFailed = 1;
constexpr int kStepHung = 3;
constexpr int kUnknownCase = 4;

// ---- the child's side --------------------------------------------------

// Ends the child at once: after a hang, a normal exit would block on the
// loader lock.
[[noreturn]] void abandon(const char* what) {
    std::printf("lifetime: %s did not end within %lu ms\n", what,
                static_cast<unsigned long>(kStepLimitMs));
    std::fflush(stdout);
    ::TerminateProcess(::GetCurrentProcess(), kStepHung);
    for (;;) {
        ::Sleep(INFINITE);
    }
}

DWORD WINAPI run_body(void* body) {
    (*static_cast<std::function<void()>*>(body))();
    return 0;
}

// Runs body on a new thread and waits, within the limit, for that thread to
// have ended completely (its detach callbacks included).
void on_own_thread(const char* what, std::function<void()> body) {
    unique_handle thread(::CreateThread(nullptr, 0, run_body, &body, 0, nullptr));
    if (!thread) {
        std::printf("lifetime: no thread for %s\n", what);
        std::fflush(stdout);
        ::TerminateProcess(::GetCurrentProcess(), kCheckFailed);
    }
    if (::WaitForSingleObject(thread.get(), kStepLimitMs) != WAIT_OBJECT_0) {
        abandon(what);
    }
}

bool g_failed = false;

void check(bool condition, const char* what) {
    if (!condition) {
        std::printf("lifetime: check failed: %s\n", what);
        std::fflush(stdout);
        g_failed = true;
    }
}

// A loader that answers: a library loads and unloads, on a thread of its own
// (a new thread's start alone needs the loader lock).
void loader_answers() {
    on_own_thread("loading a library after the DLL's users", [] {
        const tarn::unique_hmodule library(::LoadLibraryW(L"version.dll"));
        check(static_cast<bool>(library), "version.dll loads");
    });
}

bool dll_loaded() {
    return ::GetModuleHandleW(kDll) != nullptr;
}

com_ptr<_Acad> create_acad() {
    com_ptr<_Acad> acad;
    const HRESULT hr =
        ::CoCreateInstance(CLSID_Acad, nullptr, CLSCTX_INPROC_SERVER, IID__Acad, acad.put_void());
    if (FAILED(hr) || !acad) {
        std::printf("lifetime: CoCreateInstance: 0x%08lX\n", static_cast<unsigned long>(hr));
        check(false, "CoCreateInstance of Drafthand.Acad");
    }
    return acad;
}

// A fresh Acad answers with its empty last error.
void create_and_release() {
    com_ptr<_Acad> acad = create_acad();
    if (acad) {
        LONG number = 1;
        check(acad->get_ErrNumber(&number) == S_OK && number == 0, "a fresh Acad's ErrNumber");
    }
}

// Search, PostCommand and RunScript against the running cadsim.exe.
void drive_cad() {
    com_ptr<_Acad> acad = create_acad();
    if (!acad) {
        return;
    }
    LONG result = drafthand::testing::search_until_found(acad.get());
    check(result == kSuccess, "Search finds cadsim");
    com_ptr<_Control> control;
    check(acad->get_Control(control.put()) == S_OK && control, "the Control after Search");
    if (!control) {
        return;
    }
    const unique_bstr line(::SysAllocString(L"^C^Cline^M0,0^M1,1^M^M"));
    check(control->PostCommand(line.get(), &result) == S_OK && result == kSuccess, "PostCommand");

    const std::wstring script = temp_path(L"drafthand_lifetime.txt");
    check(write_ansi_file(script, L"%USER0% = ran\r\n"
                                  L"SEND_COMMAND\t\"^C^Cline^M2,2^M3,3^M^M\"\r\n"),
          "the script file is written");
    SAFEARRAYBOUND bound{1, 0};
    SAFEARRAY* variables = ::SafeArrayCreate(VT_BSTR, 1, &bound);
    const unique_bstr name(::SysAllocString(script.c_str()));
    check(control->RunScript(name.get(), &variables, &result) == S_OK && result == kSuccess,
          "RunScript");
    tarn::unique_safearray owned(variables);
    unique_bstr value;
    LONG index = 0;
    check(::SafeArrayGetElement(owned.get(), &index, value.put()) == S_OK && value &&
              std::wcscmp(value.get(), L"ran") == 0,
          "the script's variable comes back");
    ::DeleteFileW(script.c_str());
}

// A client thread as a background job makes it: its own apartment, its use,
// the apartment closed, the thread returns.
std::function<void()> client_thread(DWORD model, void (*use)()) {
    return [model, use] {
        const HRESULT hr = ::CoInitializeEx(nullptr, model);
        check(SUCCEEDED(hr), "CoInitializeEx on the worker");
        if (FAILED(hr)) {
            return;
        }
        use();
        ::CoUninitialize();
    };
}

HRESULT can_unload_now() {
    const HMODULE dll = ::GetModuleHandleW(kDll); // COM's load, not ours
    if (dll == nullptr) {
        return E_FAIL;
    }
    using CanUnload = HRESULT(STDAPICALLTYPE*)();
    const auto entry = reinterpret_cast<CanUnload>(
        reinterpret_cast<void (*)()>(::GetProcAddress(dll, "DllCanUnloadNow")));
    return entry != nullptr ? entry() : E_FAIL;
}

struct MainApartment {
    MainApartment() { ok = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)); }
    MainApartment(const MainApartment&) = delete;
    MainApartment& operator=(const MainApartment&) = delete;
    ~MainApartment() {
        if (ok) {
            ::CoUninitialize();
        }
    }
    bool ok = false;
};

void worker_creates_and_releases() {
    on_own_thread("an STA worker that created an Acad",
                  client_thread(COINIT_APARTMENTTHREADED, create_and_release));
    loader_answers();
}

void worker_drives_cad() {
    on_own_thread("an STA worker that drove cadsim",
                  client_thread(COINIT_APARTMENTTHREADED, drive_cad));
    loader_answers();
}

void main_first_then_worker() {
    {
        MainApartment apartment;
        check(apartment.ok, "CoInitializeEx on the main thread");
        create_and_release();
    }
    worker_drives_cad();
}

void main_holds_while_worker_runs() {
    MainApartment apartment;
    check(apartment.ok, "CoInitializeEx on the main thread");
    create_and_release();
    worker_drives_cad();
}

void hundred_workers() {
    for (int i = 0; i < 100; ++i) {
        on_own_thread("one of 100 STA workers",
                      client_thread(COINIT_APARTMENTTHREADED, create_and_release));
    }
    loader_answers();
}

// From an MTA, COM creates the object on a host apartment's thread and hands
// out a proxy, made from the registered type library.
void create_through_host_apartment() {
    com_ptr<_Acad> acad;
    const HRESULT hr =
        ::CoCreateInstance(CLSID_Acad, nullptr, CLSCTX_INPROC_SERVER, IID__Acad, acad.put_void());
    check(SUCCEEDED(hr) && acad, "CoCreateInstance from an MTA");
    if (acad) {
        LONG number = 1;
        check(acad->get_ErrNumber(&number) == S_OK && number == 0,
              "a fresh Acad's ErrNumber through the proxy");
    }
}

void mta_worker() {
    on_own_thread("an MTA worker that created an Acad",
                  client_thread(COINIT_MULTITHREADED, create_through_host_apartment));
    loader_answers();
}

void unload_and_reload() {
    MainApartment apartment;
    check(apartment.ok, "CoInitializeEx on the main thread");
    {
        com_ptr<_Acad> acad = create_acad();
        check(dll_loaded(), "loaded by CoCreateInstance");
        check(can_unload_now() == S_FALSE, "DllCanUnloadNow with an Acad alive");
        ::CoFreeUnusedLibraries();
        check(dll_loaded(), "kept while an Acad is alive");
        LONG number = 1;
        check(acad && acad->get_ErrNumber(&number) == S_OK && number == 0,
              "the Acad still answers");
    }
    check(can_unload_now() == S_OK, "DllCanUnloadNow once the Acad is gone");
    {
        com_ptr<IClassFactory> factory;
        check(::CoGetClassObject(CLSID_Acad, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                 factory.put_void()) == S_OK,
              "CoGetClassObject");
        check(can_unload_now() == S_FALSE, "DllCanUnloadNow with the class object held");
    }
    ::CoFreeUnusedLibraries();
    check(!dll_loaded(), "unloaded by CoFreeUnusedLibraries");
    create_and_release();
    check(dll_loaded(), "loaded again by the next CoCreateInstance");
    ::CoFreeUnusedLibraries();
    check(!dll_loaded(), "unloaded again");
    loader_answers();
}

// The DLL unloads from the thread that used it, while that thread lives.
void worker_unloads() {
    on_own_thread("an STA worker that unloaded the DLL", [] {
        if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
            check(false, "CoInitializeEx on the worker");
            return;
        }
        drive_cad();
        ::CoFreeUnusedLibraries();
        check(!dll_loaded(), "unloaded by the worker's CoFreeUnusedLibraries");
        ::CoUninitialize();
    });
    loader_answers();
}

struct LifetimeCase {
    const char* name;
    void (*run)();
    const char* proves;
};

constexpr LifetimeCase kCases[] = {
    {"WorkerCreatesAndReleases", worker_creates_and_releases,
     "an STA worker that alone created and released an Acad ends"},
    {"WorkerDrivesCad", worker_drives_cad,
     "an STA worker that alone ran Search, PostCommand and RunScript ends"},
    {"MainFirstThenWorker", main_first_then_worker,
     "the same after the main thread used the DLL and closed its apartment"},
    {"MainHoldsWhileWorkerRuns", main_holds_while_worker_runs,
     "the same while the main thread's apartment keeps the DLL"},
    {"HundredWorkers", hundred_workers, "100 STA workers, one after another, each the only user"},
    {"MtaWorker", mta_worker, "an MTA worker that alone created and released an Acad ends"},
    {"UnloadAndReload", unload_and_reload,
     "DllCanUnloadNow tells the truth; the DLL unloads and loads again"},
    {"WorkerUnloads", worker_unloads, "the thread that used the DLL can unload it"},
};

int run_case(const char* name) {
    for (const LifetimeCase& row : kCases) {
        if (std::strcmp(row.name, name) == 0) {
            row.run();
            std::fflush(stdout);
            return g_failed ? kCheckFailed : kPassed;
        }
    }
    return kUnknownCase;
}

// ---- the parent's side -------------------------------------------------

std::wstring own_path() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

// The child shares our output, so its messages land in the test's log.
DWORD run_child(const char* name) {
    std::wstring command = L"\"" + own_path() + L"\" --case " + tarn::from_ansi(name);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                          &startup, &info)) {
        ADD_FAILURE() << "the child did not start: " << ::GetLastError();
        return static_cast<DWORD>(-1);
    }
    const unique_handle process(info.hProcess);
    const unique_handle thread(info.hThread);
    if (::WaitForSingleObject(process.get(), kChildLimitMs) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.get(), 99);
        ::WaitForSingleObject(process.get(), kStepLimitMs);
        ADD_FAILURE() << "the child hung past " << kChildLimitMs << " ms";
        return static_cast<DWORD>(-1);
    }
    DWORD code = 0;
    ::GetExitCodeProcess(process.get(), &code);
    return code;
}

// One cadsim.exe for the whole run; the cases find it by Search.
class Cadsim : public ::testing::Environment {
public:
    void SetUp() override {
        const std::wstring program = tarn::testsupport::environment(L"DRAFTHAND_CADSIM");
        ASSERT_FALSE(program.empty()) << "DRAFTHAND_CADSIM names no cadsim.exe";
        process_.emplace(program, L"--dxf \"" + dxf_ + L"\"");
        ASSERT_TRUE(process_->started()) << "cadsim.exe did not start: " << process_->start_error();
        ASSERT_TRUE(process_->wait_ready()) << "cadsim.exe did not show its prompt";
    }
    void TearDown() override {
        process_.reset();
        ::DeleteFileW(dxf_.c_str());
    }

private:
    const std::wstring dxf_ = temp_path(L"drafthand_lifetime.dxf");
    std::optional<tarn::testsupport::CadsimProcess> process_;
};

// Rows print as their names.
void PrintTo(const LifetimeCase& row, std::ostream* out) {
    *out << row.name;
}

class Lifetime : public ::testing::TestWithParam<LifetimeCase> {};

TEST_P(Lifetime, EndsWithinTheLimit) {
    const LifetimeCase& row = GetParam();
    const DWORD start = ::GetTickCount();
    const DWORD code = run_child(row.name);
    std::printf("lifetime: %s: exit %lu after %lu ms\n", row.name, static_cast<unsigned long>(code),
                static_cast<unsigned long>(::GetTickCount() - start));
    EXPECT_EQ(code, static_cast<DWORD>(kPassed)) << row.proves;
}

INSTANTIATE_TEST_SUITE_P(Cases, Lifetime, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<LifetimeCase>& test) {
                             return std::string(test.param.name);
                         });

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--case") == 0) {
        return run_case(argv[2]);
    }
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new Cadsim); // owned by GoogleTest
    return RUN_ALL_TESTS();
}
