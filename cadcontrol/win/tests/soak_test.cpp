// A short soak of the registered Drafthand.dll against cadsim.exe
// (DRAFTHAND_CADSIM): create/Search/PostCommand/release cycles, posts and
// script runs in this process, and draws by tarn2.exe measured from outside,
// with meters that work under Wine, whose GetProcessMemoryInfo,
// GetProcessHandleCount and GetGuiResources answer 0. Each meter is first
// proved on a leak planted on purpose, here and in a child process.
// DRAFTHAND_SOAK=long chooses the long counts (scripts/soak.sh).
#include "Drafthand_h.h"
#include "drafthand_client.h"

#include "tarn/message_pump.h"
#include "tarn/process.h"
#include "tarn/testsupport/cadsim_process.h"
#include "tarn/testsupport/com_tests.h"
#include "tarn/testsupport/files.h"
#include "tarn/testsupport/wait.h"
#include "tarn/testsupport/window_text.h"
#include "tarn/unique.h"
#include "tarn2/controls.h"

#include <gtest/gtest.h>

#include <windows.h>
// commctrl.h and winternl.h need windows.h first.
#include <commctrl.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

using tarn::com_ptr;
using tarn::unique_bstr;
using tarn::unique_handle;

using drafthand::kSuccess;

struct Usage {
    size_t private_bytes = 0; // committed private pages
    size_t heap_bytes = 0;
    size_t heap_blocks = 0;
    size_t handles = 0;
    size_t gdi_objects = 0;
    size_t windows = 0; // this process's windows, top-level and child
};

size_t committed_private(HANDLE process) {
    size_t total = 0;
    const auto* address = static_cast<const char*>(nullptr);
    MEMORY_BASIC_INFORMATION region{};
    while (::VirtualQueryEx(process, address, &region, sizeof region) == sizeof region) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) {
            total += region.RegionSize;
        }
        address = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
    }
    return total;
}

void walk_heaps(Usage& usage) {
    std::vector<HANDLE> heaps(256);
    const DWORD count = ::GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
    heaps.resize(count < heaps.size() ? count : heaps.size());
    for (HANDLE heap : heaps) { // the process's heaps, not ours to close
        if (!::HeapLock(heap)) {
            continue;
        }
        PROCESS_HEAP_ENTRY entry{};
        while (::HeapWalk(heap, &entry)) {
            if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0) {
                usage.heap_bytes += entry.cbData;
                ++usage.heap_blocks;
            }
        }
        ::HeapUnlock(heap);
    }
}

// Handle values are multiples of four; a value in use answers
// GetHandleInformation here, and can be duplicated out of another process.
size_t open_handles(HANDLE process) {
    const bool own = process == ::GetCurrentProcess();
    size_t count = 0;
    for (uintptr_t value = 4; value < 0x10000; value += 4) {
        const auto handle = reinterpret_cast<HANDLE>(value);
        if (own) {
            DWORD flags = 0;
            count += ::GetHandleInformation(handle, &flags) ? 1 : 0;
            continue;
        }
        HANDLE copy = nullptr;
        if (::DuplicateHandle(process, handle, ::GetCurrentProcess(), &copy, 0, FALSE,
                              DUPLICATE_SAME_ACCESS)) {
            const unique_handle owned(copy);
            ++count;
        }
    }
    return count;
}

// Wine keeps each process's GDI handles in a table that the PEB points to, as
// Windows once did; a 32-bit process under 64-bit Wine has it in its 64-bit
// PEB, found through the 64-bit TEB whose address Wine keeps in the 32-bit
// TEB's GdiBatchCount.
constexpr size_t kGdiTableEntries = 0x10000;
struct GdiTableEntry { // the same 24 bytes in 32- and 64-bit processes
    uint64_t object;
    uint32_t owner;
    uint16_t unique;
    uint8_t type; // 0: a free entry
    uint8_t extra_type;
    uint64_t user_data;
};
static_assert(sizeof(GdiTableEntry) == 24);

template <typename Value> bool read_remote(HANDLE process, uint64_t address, Value& value) {
    SIZE_T read = 0;
    return address != 0 && static_cast<uintptr_t>(address) == address &&
           ::ReadProcessMemory(process, reinterpret_cast<const void*>(address), &value,
                               sizeof value, &read) &&
           read == sizeof value;
}

#ifndef _WIN64
// A thread's TEB: this thread's for this process, else the first thread's.
uint64_t teb_of(HANDLE process, DWORD process_id) {
    if (process == ::GetCurrentProcess()) {
        return reinterpret_cast<uintptr_t>(NtCurrentTeb());
    }
    const unique_handle threads =
        tarn::adopt_file(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = threads && ::Thread32First(threads.get(), &entry); more;
         more = ::Thread32Next(threads.get(), &entry)) {
        if (entry.th32OwnerProcessID != process_id) {
            continue;
        }
        const unique_handle thread(
            ::OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID));
        struct {
            NTSTATUS exit_status;
            void* teb;
            void* client_id[2];
            ULONG_PTR affinity;
            LONG priority;
            LONG base_priority;
        } basic{};
        if (thread && ::NtQueryInformationThread(thread.get(), static_cast<THREADINFOCLASS>(0),
                                                 &basic, sizeof basic, nullptr) == 0) {
            return reinterpret_cast<uintptr_t>(basic.teb);
        }
    }
    return 0;
}

#endif

uint64_t gdi_table_of(HANDLE process, [[maybe_unused]] DWORD process_id) {
    PROCESS_BASIC_INFORMATION basic{};
    if (::NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic,
                                    nullptr) != 0) {
        return 0;
    }
    const auto peb = reinterpret_cast<uintptr_t>(basic.PebBaseAddress);
#ifdef _WIN64
    uint64_t table = 0;
    read_remote(process, peb + 0xF8, table);
    return table;
#else
    uint32_t table = 0;
    if (read_remote(process, peb + 0x94, table) && table != 0) {
        return table;
    }
    uint32_t teb64 = 0;
    uint64_t peb64 = 0;
    uint64_t table64 = 0;
    return read_remote(process, teb_of(process, process_id) + 0xF70, teb64) &&
                   read_remote(process, uint64_t{teb64} + 0x60, peb64) &&
                   read_remote(process, peb64 + 0xF8, table64)
               ? table64
               : 0;
#endif
}

size_t gdi_objects_of(HANDLE process, DWORD process_id) {
    if (const DWORD reported = ::GetGuiResources(process, GR_GDIOBJECTS); reported != 0) {
        return reported;
    }
    const uint64_t table = gdi_table_of(process, process_id);
    std::vector<GdiTableEntry> entries(kGdiTableEntries);
    SIZE_T read = 0;
    if (table == 0 ||
        !::ReadProcessMemory(process, reinterpret_cast<const void*>(static_cast<uintptr_t>(table)),
                             entries.data(), entries.size() * sizeof entries[0], &read)) {
        return 0;
    }
    size_t count = 0;
    for (const GdiTableEntry& entry : entries) {
        count += entry.type != 0 ? 1 : 0;
    }
    return count;
}

struct WindowCount {
    DWORD process;
    size_t count;
};

BOOL CALLBACK count_child(HWND, LPARAM data) {
    ++reinterpret_cast<WindowCount*>(data)->count;
    return TRUE;
}

BOOL CALLBACK count_own(HWND window, LPARAM data) {
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process == reinterpret_cast<WindowCount*>(data)->process) {
        ++reinterpret_cast<WindowCount*>(data)->count;
        ::EnumChildWindows(window, count_child, data);
    }
    return TRUE;
}

size_t windows_of(DWORD process_id) {
    WindowCount windows = {process_id, 0};
    ::EnumWindows(count_own, reinterpret_cast<LPARAM>(&windows));
    // Message-only windows are not top-level windows.
    ::EnumChildWindows(HWND_MESSAGE, count_own, reinterpret_cast<LPARAM>(&windows));
    return windows.count;
}

Usage measure() {
    Usage usage;
    usage.private_bytes = committed_private(::GetCurrentProcess());
    walk_heaps(usage);
    usage.handles = open_handles(::GetCurrentProcess());
    usage.gdi_objects = gdi_objects_of(::GetCurrentProcess(), ::GetCurrentProcessId());
    usage.windows = windows_of(::GetCurrentProcessId());
    return usage;
}

// Another process's heaps cannot be walked from outside; their growth shows
// in its committed private memory.
Usage measure(HANDLE process, DWORD process_id) {
    Usage usage;
    usage.private_bytes = committed_private(process);
    usage.handles = open_handles(process);
    usage.gdi_objects = gdi_objects_of(process, process_id);
    usage.windows = windows_of(process_id);
    return usage;
}

// The leak that the meters must see, planted and ended in steps.
class PlantedLeak {
public:
    static constexpr size_t kPages = 1 << 20;
    void plant() {
        for (int i = 0; i < 50; ++i) {
            events_.emplace_back(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        }
        for (int i = 0; i < 50; ++i) {
            brushes_.emplace_back(::CreateSolidBrush(RGB(i, 0, 0)));
        }
        for (int i = 0; i < 5; ++i) {
            windows_.emplace_back(::CreateWindowExW(0, L"STATIC", L"leak", WS_POPUP, 0, 0, 10, 10,
                                                    nullptr, nullptr, nullptr, nullptr));
        }
        pages_ = ::VirtualAlloc(nullptr, kPages, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        for (int i = 0; i < 100; ++i) {
            blocks_.push_back(::HeapAlloc(::GetProcessHeap(), 0, 1000));
        }
    }
    void end() {
        for (void* block : blocks_) {
            ::HeapFree(::GetProcessHeap(), 0, block);
        }
        blocks_.clear();
        if (pages_ != nullptr) {
            ::VirtualFree(pages_, 0, MEM_RELEASE);
            pages_ = nullptr;
        }
        windows_.clear();
        brushes_.clear();
        events_.clear();
    }
    PlantedLeak() = default;
    PlantedLeak(const PlantedLeak&) = delete;
    PlantedLeak& operator=(const PlantedLeak&) = delete;
    ~PlantedLeak() { end(); }

private:
    std::vector<unique_handle> events_;
    std::vector<tarn::unique_hgdiobj> brushes_;
    std::vector<tarn::unique_hwnd> windows_;
    void* pages_ = nullptr;
    std::vector<void*> blocks_;
};

// The child's side of the remote meters' proof: at each signal it takes the
// next step (plant, end, leave) and answers when done.
int run_planted_leak_child(const wchar_t* step_name, const wchar_t* done_name) {
    const unique_handle step(::OpenEventW(SYNCHRONIZE, FALSE, step_name));
    const unique_handle done(::OpenEventW(EVENT_MODIFY_STATE, FALSE, done_name));
    if (!step || !done) {
        return 3;
    }
    PlantedLeak leak;
    for (int stage = 0; stage < 3; ++stage) {
        if (::WaitForSingleObject(step.get(), 60000) != WAIT_OBJECT_0) {
            return 4;
        }
        if (stage == 0) {
            leak.plant();
        } else if (stage == 1) {
            leak.end();
        }
        ::SetEvent(done.get());
    }
    return 0;
}

// ---- each meter sees a leak planted on purpose -----------------------------

void expect_leak_seen(const Usage& before, const Usage& during, const Usage& after, bool heaps) {
    constexpr size_t kPages = PlantedLeak::kPages;
    EXPECT_GE(during.handles, before.handles + 50);
    EXPECT_GE(during.gdi_objects, before.gdi_objects + 50);
    EXPECT_GE(during.windows, before.windows + 5);
    EXPECT_GE(during.private_bytes, before.private_bytes + kPages);
    EXPECT_LT(after.handles, during.handles - 40);
    EXPECT_LT(after.gdi_objects, during.gdi_objects - 40);
    EXPECT_LT(after.windows, during.windows);
    EXPECT_LT(after.private_bytes, during.private_bytes - kPages / 2);
    if (heaps) {
        EXPECT_GE(during.heap_blocks, before.heap_blocks + 100);
        EXPECT_GE(during.heap_bytes, before.heap_bytes + 100 * 1000);
        EXPECT_LT(after.heap_blocks, during.heap_blocks - 90);
    }
}

TEST(Meters, SeeAPlantedLeakAndItsEnd) {
    const Usage before = measure();
    PlantedLeak leak;
    leak.plant();
    const Usage during = measure();
    leak.end();
    expect_leak_seen(before, during, measure(), true);
}

TEST(Meters, SeeAnotherProcesssPlantedLeakAndItsEnd) {
    const std::wstring tag = std::to_wstring(::GetCurrentProcessId());
    const std::wstring step_name = L"tarn_soak_step_" + tag;
    const std::wstring done_name = L"tarn_soak_done_" + tag;
    const unique_handle step(::CreateEventW(nullptr, FALSE, FALSE, step_name.c_str()));
    const unique_handle done(::CreateEventW(nullptr, FALSE, FALSE, done_name.c_str()));
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    tarn::started_process child = tarn::start_process(
        L"\"" + std::wstring(self) + L"\" --planted-leak " + step_name + L" " + done_name);
    ASSERT_TRUE(child) << "the child did not start: " << child.error;
    const unique_handle process(::OpenProcess(
        PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_DUP_HANDLE, FALSE, child.id));
    ASSERT_TRUE(process);
    const auto next_step = [&] {
        ::SetEvent(step.get());
        return ::WaitForSingleObject(done.get(), 60000) == WAIT_OBJECT_0;
    };
    ::WaitForInputIdle(child.process.get(), 10000);
    const Usage before = measure(process.get(), child.id);
    ASSERT_TRUE(next_step()) << "the child did not plant its leak";
    const Usage during = measure(process.get(), child.id);
    ASSERT_TRUE(next_step()) << "the child did not end its leak";
    const Usage after = measure(process.get(), child.id);
    ASSERT_TRUE(next_step());
    EXPECT_EQ(::WaitForSingleObject(child.process.get(), 60000), WAIT_OBJECT_0);
    DWORD code = 1;
    ::GetExitCodeProcess(child.process.get(), &code);
    EXPECT_EQ(code, 0u);
    expect_leak_seen(before, during, after, false);
}

// ---- the soak --------------------------------------------------------------

// Per phase, five phases: the short soak of the test run, or the long one
// (DRAFTHAND_SOAK=long, scripts/soak.sh).
// tarn2's draws are counted whole, not per phase.
struct Counts {
    int cycles;
    int posts;
    int scripts;
    int draws;
};
Counts counts() {
    const char* kind = std::getenv("DRAFTHAND_SOAK");
    const bool long_soak = kind != nullptr && std::string(kind) == "long";
    return long_soak ? Counts{1000, 20000, 200, 20} : Counts{60, 2000, 20, 3};
}

// How far each meter may rise over the soak's phases.
struct Limit {
    const char* meter;
    size_t Usage::*field;
    size_t allowed_rise;
};
constexpr Limit kLimits[] = {
    {"committed private bytes", &Usage::private_bytes, 8u << 20},
    {"heap bytes", &Usage::heap_bytes, 1u << 20},
    {"heap blocks", &Usage::heap_blocks, 500},
    {"handles", &Usage::handles, 20},
    {"GDI objects", &Usage::gdi_objects, 20},
    {"windows", &Usage::windows, 3},
};

// Growth that keeps rising: every reading above the one before it, and the
// whole rise past what a cache or a heap's own growth explains.
bool keeps_rising(const std::vector<size_t>& readings, size_t allowed_rise) {
    for (size_t i = 1; i < readings.size(); ++i) {
        if (readings[i] <= readings[i - 1]) {
            return false;
        }
    }
    return readings.size() > 1 && readings.back() - readings.front() > allowed_rise;
}

struct RiseCase {
    const char* proves;
    std::vector<size_t> readings;
    bool rising;
};

TEST(KeepsRising, TellsALeakFromNoise) {
    const RiseCase rows[] = {
        {"flat", {37, 37, 37, 37}, false},
        {"one step past the allowance, then flat", {37, 90, 90, 90}, false},
        {"up and down", {100, 140, 120, 160}, false},
        {"rising within the allowance", {37, 38, 39, 40}, false},
        {"rising past the allowance", {37, 50, 63, 76}, true},
    };
    for (const RiseCase& row : rows) {
        EXPECT_EQ(keeps_rising(row.readings, 20), row.rising) << row.proves;
    }
}

// heaps: whether the heap meters were read (only in this process).
void expect_flat(const char* workload, const std::vector<Usage>& phases, bool heaps = true) {
    for (const Limit& limit : kLimits) {
        if (!heaps && (limit.field == &Usage::heap_bytes || limit.field == &Usage::heap_blocks)) {
            continue;
        }
        std::vector<size_t> readings;
        std::string figures;
        for (const Usage& phase : phases) {
            readings.push_back(phase.*limit.field);
            figures += (figures.empty() ? "" : " ") + std::to_string(phase.*limit.field);
        }
        std::printf("soak: %s: %s: %s\n", workload, limit.meter, figures.c_str());
        EXPECT_FALSE(keeps_rising(readings, limit.allowed_rise))
            << workload << ": " << limit.meter << " keeps rising: " << figures;
    }
}

class Soak : public ::testing::Test {
protected:
    void SetUp() override {
        const std::wstring program = tarn::testsupport::environment(L"DRAFTHAND_CADSIM");
        ASSERT_FALSE(program.empty()) << "DRAFTHAND_CADSIM names no cadsim.exe";
        cadsim_.emplace(program, L"--dxf \"" + dxf_ + L"\"");
        ASSERT_TRUE(cadsim_->started()) << "cadsim.exe did not start: " << cadsim_->start_error();
        ASSERT_TRUE(cadsim_->wait_ready()) << "cadsim.exe did not show its prompt";
    }
    void TearDown() override {
        cadsim_.reset();
        ::DeleteFileW(dxf_.c_str());
        ::DeleteFileW(script_.c_str());
    }

    // An Acad linked to cadsim and its Control.
    void link(com_ptr<_Acad>& acad, com_ptr<_Control>& control) {
        ASSERT_TRUE(drafthand::testing::link_to_cad(acad, control)) << "no Control of cadsim";
    }

    // Runs body count times in each of five phases; the first is the warm-up.
    template <typename Body> void soak(const char* workload, int count, Body body) {
        std::vector<Usage> phases;
        phases.reserve(5); // no growth of our own between the readings
        for (int phase = 0; phase < 5 && !HasFailure(); ++phase) {
            for (int i = 0; i < count && !HasFailure(); ++i) {
                body();
            }
            if (phase > 0) {
                phases.push_back(measure());
            }
        }
        if (!HasFailure()) {
            expect_flat(workload, phases);
        }
    }

    const std::wstring dxf_ = tarn::testsupport::temp_path(L"drafthand_soak.dxf");
    const std::wstring script_ = tarn::testsupport::temp_path(L"drafthand_soak.txt");
    std::optional<tarn::testsupport::CadsimProcess> cadsim_;
};

TEST_F(Soak, CreateSearchPostRelease) {
    const unique_bstr cancel(::SysAllocString(L"^C"));
    soak("create/Search/PostCommand/release", counts().cycles, [&] {
        com_ptr<_Acad> acad;
        com_ptr<_Control> control;
        link(acad, control);
        LONG result = 0;
        ASSERT_EQ(control->PostCommand(cancel.get(), &result), S_OK);
        ASSERT_EQ(result, kSuccess);
    });
}

TEST_F(Soak, Posts) {
    com_ptr<_Acad> acad;
    com_ptr<_Control> control;
    link(acad, control);
    if (HasFatalFailure()) {
        return;
    }
    const unique_bstr cancel(::SysAllocString(L"^C"));
    soak("PostCommand", counts().posts, [&] {
        LONG result = 0;
        ASSERT_EQ(control->PostCommand(cancel.get(), &result), S_OK);
        ASSERT_EQ(result, kSuccess);
    });
}

TEST_F(Soak, ScriptRuns) {
    std::wstring script;
    for (int i = 0; i < 10; ++i) {
        script += L"%USER0% = line " + std::to_wstring(i) + L"\r\n";
        script += L"SEND_COMMAND\t\"^C^C\"\r\n";
    }
    ASSERT_TRUE(tarn::testsupport::write_ansi_file(script_, script));
    com_ptr<_Acad> acad;
    com_ptr<_Control> control;
    link(acad, control);
    if (HasFatalFailure()) {
        return;
    }
    const unique_bstr name(::SysAllocString(script_.c_str()));
    soak("RunScript", counts().scripts, [&] {
        SAFEARRAYBOUND bound{1, 0};
        SAFEARRAY* variables = ::SafeArrayCreate(VT_BSTR, 1, &bound);
        LONG result = 0;
        ASSERT_EQ(control->RunScript(name.get(), &variables, &result), S_OK);
        tarn::unique_safearray owned(variables);
        ASSERT_EQ(result, kSuccess);
    });
}

// ---- tarn2's draws, measured from outside ----------------------------------

// Generous: under emulation one draw of some 5,000 vertices takes a minute.
constexpr DWORD kStepMs = 300000;
constexpr UINT kAnswerMs = 60000;

void CALLBACK count_handled(HWND, UINT, ULONG_PTR handled, LRESULT) {
    ++*reinterpret_cast<int*>(handled);
}

// The results of presses come back as callbacks, delivered while this
// thread reads its queue.
bool wait_pumping(const std::function<bool()>& done, DWORD limit_ms) {
    return tarn::testsupport::wait_until(
        [&done] {
            tarn::pump_pending_messages();
            return done();
        },
        limit_ms, 20);
}

// tarn2.exe in a fresh working folder, closed at the end.
class Tarn2Process {
public:
    explicit Tarn2Process(const std::wstring& folder) : folder_(folder) {
        ::CreateDirectoryW(folder_.c_str(), nullptr);
        const std::wstring program = tarn::testsupport::program_folder() + L"tarn2.exe";
        started_ = tarn::start_process(L"\"" + program + L"\"", folder_.c_str());
        if (started_) {
            process_.reset(
                ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_DUP_HANDLE,
                              FALSE, started_.id));
            wait_pumping(
                [this] {
                    form_ = find_form();
                    return form_ != nullptr && ::GetDlgItem(form_, tarn::app::kCommand5);
                },
                kStepMs);
        }
    }
    Tarn2Process(const Tarn2Process&) = delete;
    Tarn2Process& operator=(const Tarn2Process&) = delete;
    ~Tarn2Process() {
        if (started_) {
            ::PostMessageW(form_, WM_CLOSE, 0, 0);
            if (::WaitForSingleObject(started_.process.get(), 60000) != WAIT_OBJECT_0) {
                ::TerminateProcess(started_.process.get(), 1);
            }
        }
        ::DeleteFileW((folder_ + L"\\auto_temp.txt").c_str());
        ::DeleteFileW((folder_ + L"\\auto_temp2.txt").c_str());
        ::RemoveDirectoryW(folder_.c_str());
    }

    bool ready() const { return started_ && process_ && form_ != nullptr; }
    Usage measure() const { return ::measure(process_.get(), started_.id); }

    bool set_text(tarn::app::ControlId id, const wchar_t* value) const {
        DWORD_PTR set = 0;
        return ::SendMessageTimeoutW(::GetDlgItem(form_, id), WM_SETTEXT, 0,
                                     reinterpret_cast<LPARAM>(value), SMTO_NORMAL, kAnswerMs,
                                     &set) != 0 &&
               set == TRUE;
    }
    bool select_tab(int tab) const {
        DWORD_PTR ignored = 0;
        return ::SendMessageTimeoutW(::GetDlgItem(form_, tarn::app::kSSTab1), TCM_SETCURFOCUS,
                                     static_cast<WPARAM>(tab), 0, SMTO_NORMAL, kAnswerMs,
                                     &ignored) != 0;
    }
    // Presses 描画 and waits until its handler has returned; false when it
    // timed out or tarn2 showed a message instead.
    bool draw() {
        const int before = handled_;
        const HWND button = ::GetDlgItem(form_, tarn::app::kCommand5);
        if (!::SendMessageCallbackW(form_, WM_COMMAND, MAKEWPARAM(tarn::app::kCommand5, BN_CLICKED),
                                    reinterpret_cast<LPARAM>(button), count_handled,
                                    reinterpret_cast<ULONG_PTR>(&handled_))) {
            return false;
        }
        bool message = false;
        wait_pumping(
            [&] {
                message = tarn::testsupport::find_message_box(started_.id, 0) != nullptr;
                return message || handled_ > before;
            },
            kStepMs);
        return !message && handled_ > before;
    }

private:
    HWND find_form() const {
        HWND window = nullptr;
        while ((window = ::FindWindowExW(nullptr, window, nullptr, L"tarn2")) != nullptr) {
            DWORD process = 0;
            ::GetWindowThreadProcessId(window, &process);
            if (process == started_.id) {
                return window;
            }
        }
        return nullptr;
    }

    std::wstring folder_;
    tarn::started_process started_;
    unique_handle process_; // the rights the meters need
    HWND form_ = nullptr;
    int handled_ = 0;
};

// Centre lines of some 5,000 vertices each; tarn2 measured after every draw,
// the first being the warm-up.
TEST_F(Soak, Tarn2Draws) {
    {
        com_ptr<_Acad> acad; // cadsim answers before tarn2 is pressed
        com_ptr<_Control> control;
        link(acad, control);
    }
    if (HasFatalFailure()) {
        return;
    }
    Tarn2Process tarn2(tarn::testsupport::temp_path(L"drafthand_soak_tarn2_" +
                                                    std::to_wstring(::GetCurrentProcessId())));
    ASSERT_TRUE(tarn2.ready()) << "tarn2 did not start";
    using namespace tarn::app;
    const std::pair<ControlId, const wchar_t*> boxes[] = {
        {kX0, L"10"}, {kY0, L"20"}, {kX1, L"60.5"}, {kY1, L"25"},
        {kX2, L"30"}, {kY2, L"0"},  {kA, L"100"},   {kPitch, L"0.01"},
    };
    for (const auto& [id, value] : boxes) {
        ASSERT_TRUE(tarn2.set_text(id, value)) << "box " << id;
    }
    ASSERT_TRUE(tarn2.select_tab(kTabCentreLine));
    std::vector<Usage> draws;
    for (int i = 0; i <= counts().draws; ++i) {
        ASSERT_TRUE(tarn2.draw()) << "draw " << i << " did not end without a message";
        if (i > 0) {
            draws.push_back(tarn2.measure());
        }
    }
    expect_flat("tarn2 draws", draws, false);
    // Each draw really landed: cadsim's drawing holds one polyline a draw.
    const auto polylines = [this] {
        const std::string text = tarn::testsupport::read_file(dxf_);
        size_t count = 0;
        for (size_t at = text.find("\nPOLYLINE"); at != std::string::npos;
             at = text.find("\nPOLYLINE", at + 1)) {
            ++count;
        }
        return count;
    };
    const size_t expected = static_cast<size_t>(counts().draws) + 1;
    EXPECT_TRUE(wait_pumping([&] { return polylines() == expected; }, kStepMs))
        << "cadsim's drawing holds " << polylines() << " polylines, not " << expected;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 &&
        std::wstring(::GetCommandLineW()).find(L"--planted-leak") != std::wstring::npos) {
        // The child of the remote meters' proof; its event names are ASCII.
        const std::wstring step(argv[2], argv[2] + std::strlen(argv[2]));
        const std::wstring done(argv[3], argv[3] + std::strlen(argv[3]));
        return run_planted_leak_child(step.c_str(), done.c_str());
    }
    return tarn::testsupport::run_com_tests(argc, argv);
}
