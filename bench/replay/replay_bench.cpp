// The replay benchmark's driver: times one way of typing a polyline into a
// CAD program's window and prints one result line for scripts/bench-replay.sh.
//
//   replay_bench send --class NAME --inputs N    WM_COPYDATA straight to the window
//   replay_bench send-checked ...                the same with the alive check and WM_NULL
//   replay_bench early --inputs N                Drafthand Control.PostCommand, vtable call
//   replay_bench late --inputs N                 the same through IDispatch::Invoke
//   replay_bench draw --pitch P --dxf PATH       tarn2's whole draw of a centre line
//
// Prints "RESULT <inputs> <seconds>"; draw also prints
// "MEMORY <cadsim peak bytes> <tarn2 peak bytes>". Exit status 0 only when
// every input was taken.
#include "Drafthand_h.h"

#include "cadsim/engine.h"
#include "cadsim/window_names.h"
#include "tarn/testsupport/wait.h"
#include "tarn/testsupport/window_text.h"
#include "tarn/unique.h"
#include "tarn2/controls.h"

#include <windows.h>
// commctrl.h and psapi.h need windows.h first.
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using tarn::com_ptr;
using tarn::unique_bstr;
using tarn::testsupport::find_message_box;
using tarn::testsupport::wait_until;
using tarn::testsupport::window_text;

constexpr LONG kSuccess = -1;
constexpr UINT kAnswerLimitMs = 10000;
constexpr DWORD kWaitLimitMs = 600000;

class Stopwatch {
public:
    Stopwatch() {
        ::QueryPerformanceFrequency(&frequency_);
        ::QueryPerformanceCounter(&start_);
    }
    double seconds() const {
        LARGE_INTEGER now;
        ::QueryPerformanceCounter(&now);
        return static_cast<double>(now.QuadPart - start_.QuadPart) /
               static_cast<double>(frequency_.QuadPart);
    }

private:
    LARGE_INTEGER frequency_{};
    LARGE_INTEGER start_{};
};

// The vertices typed: a gentle curve, each number in the curve library's
// format, so that every input has the length and shape of a drawn one.
std::vector<std::string> vertex_texts(int count, const char* enter) {
    std::vector<std::string> texts;
    texts.reserve(static_cast<size_t>(count));
    char buffer[96];
    for (int i = 0; i < count; ++i) {
        const double x = 10.0 + 0.01 * i;
        const double y = 20.0 + 1e-6 * i * i;
        std::snprintf(buffer, sizeof buffer, "%.15e,%.15e%s", x, y, enter);
        texts.emplace_back(buffer);
    }
    return texts;
}

void print_result(int inputs, double seconds) {
    std::printf("RESULT %d %.6f\n", inputs, seconds);
    std::fflush(stdout);
}

bool send_copydata(HWND window, const std::string& text) {
    COPYDATASTRUCT data{};
    data.dwData = 1;
    data.cbData = static_cast<DWORD>(text.size() + 1);
    data.lpData = const_cast<char*>(text.c_str());
    DWORD_PTR answer = 0;
    return ::SendMessageTimeoutA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                                 SMTO_ABORTIFHUNG, kAnswerLimitMs, &answer) != 0 &&
           answer != 0;
}

// checked: each send with the steps the component's send takes around it,
// the windows-alive check (four is-window tests) and the null message after:
// the least that path can cost here.
int run_send(const std::wstring& class_name, int inputs, bool checked) {
    HWND window = nullptr;
    if (!wait_until(
            [&] {
                window = ::FindWindowW(class_name.c_str(), nullptr);
                return window != nullptr;
            },
            30000, 50)) {
        std::fprintf(stderr, "replay_bench: no window of class %ls\n", class_name.c_str());
        return 1;
    }
    const std::vector<std::string> vertices = vertex_texts(inputs, "\r");
    if (!send_copydata(window, "\x03\x03_pline\r")) {
        std::fprintf(stderr, "replay_bench: the window refused the command\n");
        return 1;
    }
    int refused = 0;
    const Stopwatch watch;
    for (const std::string& vertex : vertices) {
        if (checked) {
            for (int i = 0; i < 4; ++i) {
                refused += ::IsWindow(window) ? 0 : 1;
            }
        }
        refused += send_copydata(window, vertex) ? 0 : 1;
        if (checked) {
            ::PostMessageA(window, WM_NULL, 0, 0);
        }
    }
    const double seconds = watch.seconds();
    send_copydata(window, "\r");
    print_result(inputs, seconds);
    if (refused > 0) {
        std::fprintf(stderr, "replay_bench: %d inputs refused\n", refused);
        return 1;
    }
    return 0;
}

class ComScope {
public:
    ComScope() : hr_(::CoInitialize(nullptr)) {}
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope() {
        if (SUCCEEDED(hr_)) {
            ::CoUninitialize();
        }
    }

private:
    HRESULT hr_;
};

std::vector<unique_bstr> bstrs(const std::vector<std::string>& texts) {
    std::vector<unique_bstr> result;
    result.reserve(texts.size());
    for (const std::string& text : texts) {
        // ASCII only: a byte is a character.
        std::wstring wide(text.begin(), text.end());
        result.emplace_back(::SysAllocString(wide.c_str()));
    }
    return result;
}

// The Control of the running stand-in, once Search has found it.
com_ptr<_Control> find_control(com_ptr<_Acad>& acad) {
    com_ptr<_Control> control;
    if (FAILED(::CoCreateInstance(CLSID_Acad, nullptr, CLSCTX_INPROC_SERVER, IID__Acad,
                                  acad.put_void()))) {
        std::fprintf(stderr, "replay_bench: Drafthand.Acad cannot be created (registered?)\n");
        return control;
    }
    const bool found = wait_until(
        [&] {
            LONG result = 0;
            return SUCCEEDED(acad->Search(&result)) && result == kSuccess;
        },
        30000, 100);
    if (!found || FAILED(acad->get_Control(control.put()))) {
        std::fprintf(stderr, "replay_bench: the CAD program was not found\n");
        control.reset();
    }
    return control;
}

LONG post_early(_Control* control, const wchar_t* text) {
    unique_bstr command(::SysAllocString(text));
    LONG result = 0;
    return SUCCEEDED(control->PostCommand(command.get(), &result)) ? result : 0;
}

int run_com(bool late, int inputs) {
    const ComScope com;
    com_ptr<_Acad> acad;
    com_ptr<_Control> control = find_control(acad);
    if (!control) {
        return 1;
    }
    if (post_early(control.get(), L"^C^C_pline^M") != kSuccess) {
        std::fprintf(stderr, "replay_bench: PostCommand failed\n");
        return 1;
    }
    const std::vector<unique_bstr> commands = bstrs(vertex_texts(inputs, "^M"));
    int failed = 0;
    double seconds = 0;
    if (late) {
        // As a script engine calls it: the name looked up once, then Invoke.
        com_ptr<IDispatch> dispatch;
        control->QueryInterface(IID_IDispatch, dispatch.put_void());
        LPOLESTR names[] = {const_cast<LPOLESTR>(L"PostCommand")};
        DISPID id = DISPID_UNKNOWN;
        if (!dispatch ||
            FAILED(dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) {
            std::fprintf(stderr, "replay_bench: no late-bound PostCommand\n");
            return 1;
        }
        const Stopwatch watch;
        for (const unique_bstr& command : commands) {
            VARIANT argument;
            ::VariantInit(&argument);
            argument.vt = VT_BSTR;
            argument.bstrVal = command.get(); // borrowed: not cleared here
            DISPPARAMS params{&argument, nullptr, 1, 0};
            tarn::unique_variant result;
            UINT argument_error = 0;
            const HRESULT hr = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                                                &params, result.get(), nullptr, &argument_error);
            const bool ok =
                SUCCEEDED(hr) && result.get()->vt == VT_I4 && result.get()->lVal == kSuccess;
            failed += ok ? 0 : 1;
        }
        seconds = watch.seconds();
    } else {
        const Stopwatch watch;
        for (const unique_bstr& command : commands) {
            LONG result = 0;
            const HRESULT hr = control->PostCommand(command.get(), &result);
            failed += SUCCEEDED(hr) && result == kSuccess ? 0 : 1;
        }
        seconds = watch.seconds();
    }
    post_early(control.get(), L"^M");
    print_result(inputs, seconds);
    if (failed > 0) {
        std::fprintf(stderr, "replay_bench: %d posts failed\n", failed);
        return 1;
    }
    return 0;
}

std::string read_file(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

size_t count_of(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

size_t peak_working_set(DWORD process_id) {
    tarn::unique_handle process(
        ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, process_id));
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!process || !::GetProcessMemoryInfo(process.get(), &counters, sizeof counters)) {
        return 0;
    }
    return counters.PeakWorkingSetSize;
}

// tarn2's 描画 on the centre line tab, from the press until the CAD program
// shows its idle prompt with the whole polyline in its DXF. The script the
// curve library wrote ("auto_temp.txt" in tarn2's folder) says how many
// lines were sent.
int run_draw(const std::wstring& pitch, const std::string& dxf, const std::string& script) {
    using namespace tarn::app;
    HWND form = nullptr;
    HWND cad = nullptr;
    HWND text_window = nullptr;
    wait_until(
        [&] {
            form = ::FindWindowW(nullptr, L"tarn2");
            cad = ::FindWindowW(cadsim::kMainClass, nullptr);
            text_window = ::FindWindowW(cadsim::kTextClass, nullptr);
            return form != nullptr && cad != nullptr && text_window != nullptr;
        },
        60000, 50);
    HWND command_line = ::FindWindowExW(text_window, nullptr, nullptr, nullptr);
    command_line = command_line
                       ? ::FindWindowExW(command_line, nullptr, cadsim::kCommandClass, nullptr)
                       : nullptr;
    if (form == nullptr || cad == nullptr || command_line == nullptr) {
        std::fprintf(stderr, "replay_bench: tarn2 or cadsim not found\n");
        return 1;
    }
    const auto set_text = [&](int id, const wchar_t* value) {
        DWORD_PTR ignored = 0;
        ::SendMessageTimeoutW(::GetDlgItem(form, id), WM_SETTEXT, 0,
                              reinterpret_cast<LPARAM>(value), SMTO_ABORTIFHUNG, 5000, &ignored);
    };
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutW(::GetDlgItem(form, kSSTab1), TCM_SETCURFOCUS, kTabCentreLine, 0,
                          SMTO_ABORTIFHUNG, 5000, &ignored);
    // KA, KE (the 50 m point of the clothoid A = 100 from KA) and a side point.
    set_text(kX0, L"10");
    set_text(kY0, L"20");
    set_text(kX1, L"59.92193149366025");
    set_text(kY1, L"22.0810093401773635");
    set_text(kX2, L"35");
    set_text(kY2, L"15");
    set_text(kA, L"100");
    set_text(kPitch, pitch.c_str());

    DWORD cad_process = 0;
    DWORD form_process = 0;
    ::GetWindowThreadProcessId(cad, &cad_process);
    ::GetWindowThreadProcessId(form, &form_process);
    HWND button = ::GetDlgItem(form, kCommand5);
    HWND box = nullptr;

    const Stopwatch watch;
    ::PostMessageW(form, WM_COMMAND, MAKEWPARAM(kCommand5, BN_CLICKED),
                   reinterpret_cast<LPARAM>(button));
    wait_until([&] { return !::IsWindowEnabled(button); }, 5000, 1);
    const bool ended = wait_until(
        [&] {
            box = find_message_box(form_process, 0);
            return box != nullptr || ::IsWindowEnabled(button);
        },
        kWaitLimitMs, 2);
    if (!ended || box != nullptr) {
        std::fprintf(stderr, "replay_bench: the draw %s\n",
                     ended ? "ended with a message box" : "did not end");
        return 1;
    }
    const std::string lines = read_file(script);
    const size_t vertices = count_of(lines, ",");
    const bool idle = wait_until(
        [&] {
            return window_text(command_line) == cadsim::kIdlePrompt &&
                   count_of(read_file(dxf), "\nVERTEX") == vertices;
        },
        kWaitLimitMs, 2);
    const double seconds = watch.seconds();
    if (!idle || vertices == 0) {
        std::fprintf(stderr, "replay_bench: the DXF does not hold the %u vertices\n",
                     static_cast<unsigned>(vertices));
        return 1;
    }
    // The script's lines, the OSNAPCOORD before them and the Enter after.
    print_result(static_cast<int>(count_of(lines, "\n") + 1 + 2), seconds);
    std::printf("VERTICES %u\n", static_cast<unsigned>(vertices));
    std::printf("MEMORY %llu %llu\n",
                static_cast<unsigned long long>(peak_working_set(cad_process)),
                static_cast<unsigned long long>(peak_working_set(form_process)));
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: replay_bench send|send-checked|early|late|draw [options]\n");
        return 2;
    }
    const std::wstring mode = argv[1];
    int inputs = 3000;
    std::wstring class_name = L"ReplaySink";
    std::wstring pitch = L"0.005";
    std::string dxf;
    std::string script = "auto_temp.txt";
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::wstring option = argv[i];
        const std::wstring value = argv[i + 1];
        if (option == L"--inputs") {
            inputs = std::max(1, _wtoi(value.c_str()));
        } else if (option == L"--class") {
            class_name = value;
        } else if (option == L"--pitch") {
            pitch = value;
        } else if (option == L"--dxf") {
            dxf.assign(value.begin(), value.end());
        } else if (option == L"--script") {
            script.assign(value.begin(), value.end());
        } else {
            std::fprintf(stderr, "replay_bench: unknown option %ls\n", option.c_str());
            return 2;
        }
    }
    if (mode == L"send" || mode == L"send-checked") {
        return run_send(class_name, inputs, mode == L"send-checked");
    }
    if (mode == L"early" || mode == L"late") {
        return run_com(mode == L"late", inputs);
    }
    if (mode == L"draw") {
        return run_draw(pitch, dxf, script);
    }
    std::fprintf(stderr, "replay_bench: unknown mode %ls\n", mode.c_str());
    return 2;
}
