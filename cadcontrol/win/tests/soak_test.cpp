// A short soak of the registered Drafthand.dll against cadsim.exe
// (DRAFTHAND_CADSIM): create/Search/PostCommand/release cycles, posts and
// script runs, measured with meters that work under Wine, whose
// GetProcessMemoryInfo, GetProcessHandleCount and GetGuiResources answer 0.
// Each meter is first proved on a leak planted on purpose. DRAFTHAND_SOAK=long
// chooses the long counts (scripts/soak.sh).
#include "Drafthand_h.h"
#include "drafthand_client.h"

#include "tarn/ansi_text.h"
#include "tarn/process.h"
#include "tarn/unique.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
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
    size_t windows = 0; // this process's windows, top-level and child
};

size_t committed_private() {
    size_t total = 0;
    const auto* address = static_cast<const char*>(nullptr);
    MEMORY_BASIC_INFORMATION region{};
    while (::VirtualQueryEx(::GetCurrentProcess(), address, &region, sizeof region) ==
           sizeof region) {
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
// GetHandleInformation.
size_t open_handles() {
    size_t count = 0;
    for (uintptr_t value = 4; value < 0x10000; value += 4) {
        DWORD flags = 0;
        if (::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
            ++count;
        }
    }
    return count;
}

BOOL CALLBACK count_child(HWND, LPARAM count) {
    ++*reinterpret_cast<size_t*>(count);
    return TRUE;
}

BOOL CALLBACK count_own(HWND window, LPARAM count) {
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process == ::GetCurrentProcessId()) {
        ++*reinterpret_cast<size_t*>(count);
        ::EnumChildWindows(window, count_child, count);
    }
    return TRUE;
}

Usage measure() {
    Usage usage;
    usage.private_bytes = committed_private();
    walk_heaps(usage);
    usage.handles = open_handles();
    ::EnumWindows(count_own, reinterpret_cast<LPARAM>(&usage.windows));
    // Message-only windows are not top-level windows.
    ::EnumChildWindows(HWND_MESSAGE, count_own, reinterpret_cast<LPARAM>(&usage.windows));
    return usage;
}

// ---- each meter sees a leak planted on purpose -----------------------------

TEST(Meters, SeeAPlantedLeakAndItsEnd) {
    const Usage before = measure();
    std::vector<unique_handle> events;
    for (int i = 0; i < 50; ++i) {
        events.emplace_back(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    }
    std::vector<tarn::unique_hwnd> windows;
    for (int i = 0; i < 5; ++i) {
        windows.emplace_back(::CreateWindowExW(0, L"STATIC", L"leak", WS_POPUP, 0, 0, 10, 10,
                                               nullptr, nullptr, nullptr, nullptr));
    }
    constexpr size_t kPages = 1 << 20;
    void* pages = ::VirtualAlloc(nullptr, kPages, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    std::vector<void*> blocks;
    for (int i = 0; i < 100; ++i) {
        blocks.push_back(::HeapAlloc(::GetProcessHeap(), 0, 1000));
    }
    const Usage during = measure();
    EXPECT_GE(during.handles, before.handles + 50);
    EXPECT_GE(during.windows, before.windows + 5);
    EXPECT_GE(during.private_bytes, before.private_bytes + kPages);
    EXPECT_GE(during.heap_blocks, before.heap_blocks + 100);
    EXPECT_GE(during.heap_bytes, before.heap_bytes + 100 * 1000);

    for (void* block : blocks) {
        ::HeapFree(::GetProcessHeap(), 0, block);
    }
    ::VirtualFree(pages, 0, MEM_RELEASE);
    windows.clear();
    events.clear();
    const Usage after = measure();
    EXPECT_LT(after.handles, during.handles - 40);
    EXPECT_LT(after.windows, during.windows);
    EXPECT_LT(after.private_bytes, during.private_bytes - kPages / 2);
    EXPECT_LT(after.heap_blocks, during.heap_blocks - 90);
}

// ---- the soak --------------------------------------------------------------

// Per phase, five phases: the short soak of the test run, or the long one
// (DRAFTHAND_SOAK=long, scripts/soak.sh).
struct Counts {
    int cycles;
    int posts;
    int scripts;
};
Counts counts() {
    const char* kind = std::getenv("DRAFTHAND_SOAK");
    const bool long_soak = kind != nullptr && std::string(kind) == "long";
    return long_soak ? Counts{1000, 20000, 200} : Counts{60, 2000, 20};
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

void expect_flat(const char* workload, const std::vector<Usage>& phases) {
    for (const Limit& limit : kLimits) {
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
        wchar_t cadsim[MAX_PATH] = {};
        if (::GetEnvironmentVariableW(L"DRAFTHAND_CADSIM", cadsim, MAX_PATH) == 0) {
            GTEST_SKIP() << "no cadsim.exe given";
        }
        wchar_t folder[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, folder);
        dxf_ = std::wstring(folder) + L"drafthand_soak.dxf";
        script_ = std::wstring(folder) + L"drafthand_soak.txt";
        tarn::started_process started =
            tarn::start_process(L"\"" + std::wstring(cadsim) + L"\" --dxf \"" + dxf_ + L"\"");
        ASSERT_TRUE(started) << "cadsim.exe did not start: " << started.error;
        cadsim_ = std::move(started.process);
    }
    void TearDown() override {
        if (cadsim_) {
            ::TerminateProcess(cadsim_.get(), 0);
            ::WaitForSingleObject(cadsim_.get(), 10000);
        }
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

    std::wstring dxf_;
    std::wstring script_;
    unique_handle cadsim_;
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
    const std::string bytes = tarn::to_ansi(script);
    {
        const unique_handle file(::CreateFileW(script_.c_str(), GENERIC_WRITE, 0, nullptr,
                                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        ASSERT_TRUE(::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                &written, nullptr));
    }
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

} // namespace
