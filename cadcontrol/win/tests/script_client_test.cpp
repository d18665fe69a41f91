// A C++ client of Control.RunScript, Control.ShowMessage and Control.Terminate
// on the registered Drafthand.dll, early-bound through the generated header
// (and late-bound for ShowMessage's defaults), against cadsim.exe
// (DRAFTHAND_CADSIM, a Windows path).
#include "Drafthand_h.h"
#include "drafthand_client.h"

#include "tarn/ansi_text.h"
#include "tarn/process.h"
#include "tarn/testsupport/cadsim_process.h"
#include "tarn/testsupport/files.h"
#include "tarn/unique.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using tarn::com_ptr;
using tarn::from_bstr;
using tarn::unique_bstr;
using tarn::testsupport::read_file;
using tarn::testsupport::temp_path;

using drafthand::kSuccess;
constexpr LONG kCancelByUser = drafthand::acPrivateError::CancelByUser;
constexpr LONG kCommandFailed = drafthand::acPrivateError::CommandFailed;
constexpr LONG kScriptFailed = drafthand::acPrivateError::ScriptFailed;
constexpr LONG kLinkFailed = drafthand::acPrivateError::LinkFailed;
const std::wstring kNotRunning = L"AutoCADが起動していないか、応答がありません。";
const std::wstring kRunFailed = L"スクリプト実行中にエラーが発生しました。\r\n";

std::string utf8(const std::wstring& value) {
    return tarn::to_utf8(value);
}

// In the ANSI code page, as a user's editor writes a script.
std::wstring write_script(const std::wstring& name, const std::wstring& script) {
    const std::wstring path = temp_path(name);
    EXPECT_TRUE(tarn::testsupport::write_ansi_file(path, script));
    return path;
}

// Group code -> value of the drawing's first LINE (R12 ASCII DXF).
std::map<int, double> first_line(const std::string& dxf) {
    std::vector<std::string> lines;
    std::string line;
    for (char c : dxf) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (c != '\r') {
            line += c;
        }
    }
    std::map<int, double> groups;
    for (size_t i = 0; i + 1 < lines.size(); i += 2) {
        if (lines[i].find_first_not_of(' ') == std::string::npos) {
            continue;
        }
        const int code = std::stoi(lines[i]);
        if (code == 0 && !groups.empty()) {
            break;
        }
        if (code == 0 && lines[i + 1] == "LINE") {
            groups[0] = 0;
        } else if (!groups.empty() && (code == 10 || code == 20 || code == 11 || code == 21)) {
            groups[code] = std::stod(lines[i + 1]);
        }
    }
    return groups;
}

// The caller's UserVariable: a SAFEARRAY of BSTR from index 0.
class Variables {
public:
    explicit Variables(const std::vector<std::wstring>& values) {
        SAFEARRAYBOUND bound{static_cast<ULONG>(values.size()), 0};
        array_.reset(::SafeArrayCreate(VT_BSTR, 1, &bound));
        for (LONG i = 0; i < static_cast<LONG>(values.size()); ++i) {
            const unique_bstr value(::SysAllocString(values[static_cast<size_t>(i)].c_str()));
            EXPECT_EQ(::SafeArrayPutElement(array_.get(), &i, value.get()), S_OK);
        }
    }
    // What RunScript gets; the array it leaves is ours again.
    LONG run(_Control* control, const std::wstring& path) {
        SAFEARRAY* array = array_.release();
        const unique_bstr name(::SysAllocString(path.c_str()));
        LONG result = 0;
        EXPECT_EQ(control->RunScript(name.get(), &array, &result), S_OK);
        array_.reset(array);
        return result;
    }
    std::wstring operator[](LONG index) const {
        unique_bstr value;
        EXPECT_EQ(::SafeArrayGetElement(array_.get(), &index, value.put()), S_OK);
        return from_bstr(value.get());
    }

private:
    tarn::unique_safearray array_;
};

struct Error {
    LONG number = 0;
    std::wstring source;
    std::wstring description;
};

Error last_error(_Acad* acad) {
    Error error;
    unique_bstr source;
    unique_bstr description;
    EXPECT_EQ(acad->get_ErrNumber(&error.number), S_OK);
    EXPECT_EQ(acad->get_ErrSource(source.put()), S_OK);
    EXPECT_EQ(acad->get_ErrDescription(description.put()), S_OK);
    error.source = from_bstr(source.get());
    error.description = from_bstr(description.get());
    return error;
}

class ScriptClient : public ::testing::Test {
protected:
    void start(const std::wstring& arguments) {
        const std::wstring program = tarn::testsupport::environment(L"DRAFTHAND_CADSIM");
        ASSERT_FALSE(program.empty()) << "DRAFTHAND_CADSIM names no cadsim.exe";
        dxf_ = temp_path(L"drafthand_script_" + std::to_wstring(::GetTickCount()) + L".dxf");
        cadsim_.emplace(program, L"--dxf \"" + dxf_ + L"\" " + arguments);
        ASSERT_TRUE(cadsim_->started()) << "cadsim.exe did not start: " << cadsim_->start_error();
        ASSERT_TRUE(cadsim_->wait_ready()) << "cadsim.exe did not show its prompt";
        ASSERT_TRUE(drafthand::testing::link_to_cad(acad_, control_)) << "no Control of cadsim";
    }

    void TearDown() override {
        control_.reset();
        acad_.reset();
        // A hung program does not close when asked; the destructor ends it.
        if (cadsim_ && !cadsim_->close(10000)) {
            cadsim_.reset();
        }
        if (!dxf_.empty()) {
            ::DeleteFileW(dxf_.c_str());
        }
    }

    LONG run(const std::wstring& script, Variables& variables) {
        const std::wstring path = write_script(L"drafthand_script_client.txt", script);
        const LONG result = variables.run(control_.get(), path);
        ::DeleteFileW(path.c_str());
        return result;
    }

    std::optional<tarn::testsupport::CadsimProcess> cadsim_;
    std::wstring dxf_;
    com_ptr<_Acad> acad_;
    com_ptr<_Control> control_;
};

TEST_F(ScriptClient, SetsReadsDrawsPicksBranchesAndWritesTheVariablesBack) {
    start(L"--pick 12.5,-3.25");
    if (HasFatalFailure()) {
        return;
    }
    Variables vars({L"3", L"", L"", L"", L"", L"", L"untouched"});
    const LONG result = run(L"// LUPREC, a line, the history, a picked point\r\n"
                            L"SET_VARIABLE\tLUPREC\t%USER0%\r\n"
                            L"GET_VARIABLE\tLUPREC\t%USER1%\r\n"
                            L"SEND_COMMAND\t\"^C^Cline^M3,4^M30,40^M^M\"\r\n"
                            L"GET_HISTORY\t%USER2%\t\"ｺﾏﾝﾄﾞ: line\"\r\n"
                            L"GET_POSITION\t%USER3%\t%USER4%\t-\r\n"
                            L"?%USER4%==-*>GOTO\t*below\r\n"
                            L"%USER5% = above\r\n"
                            L"EXIT\r\n"
                            L"*below\r\n"
                            L"%USER5% = below at %USER3%\r\n"
                            L"%COMMAND_TIMEOUT% = -5\r\n"
                            L"%PATTERN_MATCH% = false\r\n",
                            vars);
    ASSERT_EQ(result, kSuccess) << utf8(last_error(acad_.get()).description);
    EXPECT_EQ(vars[0], L"3");
    EXPECT_EQ(vars[1], L"3");
    EXPECT_EQ(vars[2].rfind(L"ｺﾏﾝﾄﾞ: line", 0), 0u) << utf8(vars[2]);
    EXPECT_NE(vars[2].find(L"30,40"), std::wstring::npos) << utf8(vars[2]);
    EXPECT_EQ(vars[3], L"12.5");
    EXPECT_EQ(vars[4], L"-3.25");
    EXPECT_EQ(vars[5], L"below at 12.5");
    EXPECT_EQ(vars[6], L"untouched");
    EXPECT_EQ(last_error(acad_.get()).number, 0);

    std::map<int, double> line;
    for (int attempt = 0; attempt < 100 && line.size() < 5; ++attempt) {
        line = first_line(read_file(dxf_));
        if (line.size() < 5) {
            ::Sleep(50);
        }
    }
    EXPECT_EQ(line, (std::map<int, double>{{0, 0}, {10, 3}, {20, 4}, {11, 30}, {21, 40}}));

    // The script's settings stay, and the properties read them; a put after
    // that follows the property's own rule.
    LONG timeout = 0;
    VARIANT_BOOL pattern = VARIANT_TRUE;
    EXPECT_EQ(control_->get_CommandTimeOut(&timeout), S_OK);
    EXPECT_EQ(timeout, -5);
    EXPECT_EQ(control_->get_PatternMatch(&pattern), S_OK);
    EXPECT_EQ(pattern, VARIANT_FALSE);
    EXPECT_EQ(control_->put_CommandTimeOut(-7), S_OK);
    EXPECT_EQ(control_->get_CommandTimeOut(&timeout), S_OK);
    EXPECT_EQ(timeout, -1);
    EXPECT_EQ(control_->put_CommandTimeOut(2500), S_OK);
    Variables readback({L""});
    EXPECT_EQ(run(L"%USER0% = %COMMAND_TIMEOUT%\r\n", readback), kSuccess);
    EXPECT_EQ(readback[0], L"2500");
}

TEST_F(ScriptClient, FailuresReachTheLastErrorRecord) {
    start(L"");
    if (HasFatalFailure()) {
        return;
    }
    Variables vars({L"", L"", L"kept"});
    EXPECT_EQ(run(L"%USER0% = set before\r\n"
                  L"\r\n"
                  L"// a comment counts as a line\r\n"
                  L"SEND_COMMAND\t^C^C\r\n"
                  L"NO_SUCH_COMMAND\t1\r\n"
                  L"%USER1% = never\r\n",
                  vars),
              kScriptFailed);
    Error error = last_error(acad_.get());
    EXPECT_EQ(error.number, kScriptFailed);
    EXPECT_EQ(error.source, L"Drafthand.Control.lExecuteCommand");
    EXPECT_EQ(error.description,
              kRunFailed + L"5行目: 未定義のスクリプトコマンドが指定されています。");
    EXPECT_EQ(vars[0], L"set before");
    EXPECT_EQ(vars[1], L"");
    EXPECT_EQ(vars[2], L"kept");

    // An operation's failure keeps its number and source.
    EXPECT_EQ(run(L"%COMMAND_TIMEOUT% = 300\r\nWAIT_PROMPT\tnever shown\r\n", vars),
              kCommandFailed);
    error = last_error(acad_.get());
    EXPECT_EQ(error.source, L"Drafthand.Control.WaitPrompt");
    EXPECT_EQ(error.description,
              kRunFailed + L"2行目: 待機時間内に指定した応答がありませんでした。");

    // Failures before the first line carry no line number.
    Variables eleven(std::vector<std::wstring>(11));
    const std::wstring missing = temp_path(L"drafthand_no_such_script.txt");
    EXPECT_EQ(eleven.run(control_.get(), missing), kScriptFailed);
    error = last_error(acad_.get());
    EXPECT_EQ(error.source, L"Drafthand.Control.RunScript");
    EXPECT_EQ(error.description, L"ユーザー変数が10個を超えています。");
    EXPECT_EQ(vars.run(control_.get(), missing), 53);
    EXPECT_EQ(last_error(acad_.get()).description,
              L"スクリプトファイルを開くことができませんでした。");
    const unique_bstr name(::SysAllocString(missing.c_str()));
    LONG result = 0;
    EXPECT_EQ(control_->RunScript(name.get(), nullptr, &result), S_OK);
    EXPECT_EQ(result, 9);
    EXPECT_EQ(control_->RunScript(name.get(), nullptr, nullptr), E_POINTER);

    // A good run starts with a clear record.
    EXPECT_EQ(run(L"// nothing to do\r\n*label\r\n", vars), kSuccess);
    error = last_error(acad_.get());
    EXPECT_EQ(error.number, 0);
    EXPECT_EQ(error.source, L"");
    EXPECT_EQ(error.description, L"");
}

// Presses a button of the message box with the given title once it shows, and
// notes its owner and buttons.
class BoxPresser {
public:
    BoxPresser(const wchar_t* title, int button)
        : thread_([this, title, button] {
              for (int i = 0; i < 200 && box_ == nullptr; ++i) {
                  // Visible only once its dialog set-up has removed the
                  // buttons it does not use.
                  const HWND box = ::FindWindowW(L"#32770", title);
                  if (box != nullptr && ::IsWindowVisible(box)) {
                      box_ = box;
                  } else {
                      ::Sleep(100);
                  }
              }
              if (box_ == nullptr) {
                  return;
              }
              owner_ = ::GetWindow(box_, GW_OWNER);
              for (int id : {IDOK, IDCANCEL, IDYES, IDNO}) {
                  if (::GetDlgItem(box_, id) != nullptr) {
                      buttons_.push_back(id);
                  }
              }
              ::PostMessageW(box_, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                             reinterpret_cast<LPARAM>(::GetDlgItem(box_, button)));
          }) {}
    BoxPresser(const BoxPresser&) = delete;
    BoxPresser& operator=(const BoxPresser&) = delete;
    ~BoxPresser() { join(); }
    void join() {
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    bool found() const { return box_ != nullptr; }
    HWND owner() const { return owner_; }
    const std::vector<int>& buttons() const { return buttons_; }

private:
    std::atomic<HWND> box_{nullptr};
    HWND owner_ = nullptr;
    std::vector<int> buttons_;
    std::thread thread_;
};

TEST_F(ScriptClient, ShowMessageOverTheCadWindowAnswersTheButtonPressed) {
    start(L"");
    if (HasFatalFailure()) {
        return;
    }
    // A failure on record, which ShowMessage leaves alone.
    Variables vars({L""});
    EXPECT_EQ(vars.run(control_.get(), temp_path(L"drafthand_no_such_script.txt")), 53);

    const HWND main = cadsim_->main;
    {
        BoxPresser presser(L"確認", IDNO);
        const unique_bstr message(::SysAllocString(L"一行目\r\n二行目"));
        const unique_bstr title(::SysAllocString(L"確認"));
        LONG answer = 0;
        EXPECT_EQ(control_->ShowMessage(message.get(), MB_YESNOCANCEL | MB_ICONQUESTION,
                                        title.get(), &answer),
                  S_OK);
        presser.join();
        ASSERT_TRUE(presser.found());
        EXPECT_EQ(answer, IDNO);
        EXPECT_EQ(presser.owner(), main);
        EXPECT_EQ(presser.buttons(), (std::vector<int>{IDCANCEL, IDYES, IDNO}));
    }
    EXPECT_EQ(last_error(acad_.get()).number, 53);

    // Late-bound with the message alone: an OK box titled "Drafthand".
    com_ptr<IDispatch> late;
    ASSERT_EQ(control_->QueryInterface(IID_IDispatch, late.put_void()), S_OK);
    LPOLESTR name[] = {const_cast<LPOLESTR>(L"ShowMessage")};
    DISPID id = 0;
    ASSERT_EQ(late->GetIDsOfNames(IID_NULL, name, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    tarn::unique_variant message;
    message.get()->vt = VT_BSTR;
    message.get()->bstrVal = ::SysAllocString(L"既定の箱");
    DISPPARAMS params{message.get(), nullptr, 1, 0};
    tarn::unique_variant answer;
    {
        BoxPresser presser(L"Drafthand", IDOK);
        EXPECT_EQ(late->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                               answer.put(), nullptr, nullptr),
                  S_OK);
        presser.join();
        ASSERT_TRUE(presser.found());
        EXPECT_EQ(presser.owner(), main);
        EXPECT_EQ(presser.buttons(), std::vector<int>{IDOK});
    }
    ASSERT_EQ(answer.get()->vt, VT_I4);
    EXPECT_EQ(answer.get()->lVal, IDOK);
    EXPECT_EQ(last_error(acad_.get()).number, 53);
}

_Control* g_to_terminate = nullptr;
void CALLBACK terminate_from_timer(HWND, UINT, UINT_PTR, DWORD) {
    if (g_to_terminate != nullptr) {
        g_to_terminate->Terminate();
    }
}

TEST_F(ScriptClient, TerminateFromAClientTimerCancelsAWaitingRun) {
    start(L"");
    if (HasFatalFailure()) {
        return;
    }
    // A stop request from before the run is cleared by it.
    EXPECT_EQ(control_->Terminate(), S_OK);
    Variables vars({L"", L""});
    EXPECT_EQ(run(L"%USER0% = ran\r\n", vars), kSuccess);
    EXPECT_EQ(vars[0], L"ran");

    // A limit far beyond the timer: the run ends by the timer or fails.
    EXPECT_EQ(control_->put_CommandTimeOut(20000), S_OK);
    g_to_terminate = control_.get();
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 400, terminate_from_timer);
    ASSERT_NE(timer, 0u);
    const DWORD start_time = ::GetTickCount();
    const LONG result = run(L"%USER0% = waiting\r\n"
                            L"WAIT_PROMPT\tnever shown\r\n"
                            L"%USER1% = after the wait\r\n",
                            vars);
    const DWORD elapsed = ::GetTickCount() - start_time;
    ::KillTimer(nullptr, timer);
    g_to_terminate = nullptr;
    EXPECT_EQ(result, kCancelByUser);
    EXPECT_GE(elapsed, 300u);
    EXPECT_LT(elapsed, 15000u);
    EXPECT_NE(last_error(acad_.get()).number, kCancelByUser);
    EXPECT_EQ(vars[0], L"waiting");
    EXPECT_EQ(vars[1], L"");
}

// ---- a CAD program that hangs, dies or refuses ----------------------------

// The documented limit of one message to the CAD program, and a margin for a
// loaded machine.
constexpr DWORD kAnswerLimitMs = 10000;
constexpr DWORD kMarginMs = 10000;

enum class Entry { send_command, run_script };

struct FaultCase {
    const char* name;
    Entry entry;
    const wchar_t* cadsim_arguments;
    bool suspend;                   // the CAD program's threads are suspended before the call
    bool drawn_before;              // a LINE finished before the fault, which must stay saved
    const wchar_t* expected_prompt; // what the call waits for
    LONG number;
    const wchar_t* source;
};

class FaultyCad : public ScriptClient, public ::testing::WithParamInterface<FaultCase> {};

// A LINE that ends at once, then the entry point: it returns within the
// bound with one failure, and the drawing saved before the fault stays.
TEST_P(FaultyCad, EndsWithinTheBoundWithOneFailure) {
    const FaultCase& row = GetParam();
    start(row.cadsim_arguments);
    if (HasFatalFailure()) {
        return;
    }
    ASSERT_EQ(control_->put_CommandTimeOut(-1), S_OK); // only the link can end the waits
    LONG result = 0;
    if (row.drawn_before) {
        // Posted, not waited for: a hang may follow the command at once.
        const unique_bstr line(::SysAllocString(L"^C^Cline^M0,0^M1,1^M^M"));
        ASSERT_EQ(control_->PostCommand(line.get(), &result), S_OK);
        ASSERT_EQ(result, kSuccess);
        for (int attempt = 0; attempt < 100 && first_line(read_file(dxf_)).size() < 5; ++attempt) {
            ::Sleep(50);
        }
        ::Sleep(300); // the hang has begun
    }
    if (row.suspend) {
        ASSERT_GT(tarn::suspend_threads(cadsim_->id()), 0);
    }

    const std::wstring command = L"line^M2,2^M3,3^M^M";
    const DWORD start_tick = ::GetTickCount();
    if (row.entry == Entry::send_command) {
        const unique_bstr text(::SysAllocString(command.c_str()));
        const unique_bstr prompt(::SysAllocString(row.expected_prompt));
        ASSERT_EQ(control_->SendCommand(text.get(), prompt.get(), &result), S_OK);
    } else {
        Variables none({L""});
        result = run(L"SEND_COMMAND\t\"" + command + L"\"\t\"" + row.expected_prompt +
                         L"\"\r\nSEND_COMMAND\t\"" + command + L"\"\r\n",
                     none);
    }
    const DWORD elapsed = ::GetTickCount() - start_tick;

    EXPECT_LE(elapsed, kAnswerLimitMs + kMarginMs);
    std::printf("fault matrix: %s: result 0x%08lX after %lu ms\n", row.name,
                static_cast<unsigned long>(result), static_cast<unsigned long>(elapsed));
    EXPECT_EQ(result, row.number);
    const Error error = last_error(acad_.get());
    EXPECT_EQ(error.number, row.number);
    EXPECT_EQ(error.source, row.source);
    EXPECT_EQ(error.description, row.entry == Entry::send_command
                                     ? kNotRunning
                                     : kRunFailed + L"1行目: " + kNotRunning);
    if (row.drawn_before) {
        EXPECT_EQ(first_line(read_file(dxf_)),
                  (std::map<int, double>{{0, 0}, {10, 0}, {20, 0}, {11, 1}, {21, 1}}));
    }
    cadsim_.reset(); // a hung program does not close when asked
}

constexpr FaultCase kFaults[] = {
    {"SendCommandHangsDuringTheSend", Entry::send_command, L"--hang-after 1", false, true,
     L"ｺﾏﾝﾄﾞ: ", kLinkFailed, L"Drafthand.Control.PostCommand"},
    {"SendCommandHangsDuringTheWait", Entry::send_command, L"--hang-after 2", false, true,
     L"点を指定: ", kLinkFailed, L"Drafthand.Control.GetPrompt"},
    {"SendCommandSuspended", Entry::send_command, L"", true, true, L"ｺﾏﾝﾄﾞ: ", kLinkFailed,
     L"Drafthand.Control.PostCommand"},
    {"SendCommandDiesHalfWay", Entry::send_command, L"--die-after 2", false, true, L"点を指定: ",
     kLinkFailed, L"Drafthand.Control.GetPrompt"},
    {"SendCommandRefused", Entry::send_command, L"--refuse-copydata", false, false, L"ｺﾏﾝﾄﾞ: ",
     kCommandFailed, L"Drafthand.Control.PostCommand"},
    {"RunScriptHangsDuringTheSend", Entry::run_script, L"--hang-after 1", false, true, L"ｺﾏﾝﾄﾞ: ",
     kLinkFailed, L"Drafthand.Control.PostCommand"},
    {"RunScriptHangsDuringTheWait", Entry::run_script, L"--hang-after 2", false, true,
     L"点を指定: ", kLinkFailed, L"Drafthand.Control.GetPrompt"},
    {"RunScriptSuspended", Entry::run_script, L"", true, true, L"ｺﾏﾝﾄﾞ: ", kLinkFailed,
     L"Drafthand.Control.PostCommand"},
    {"RunScriptDiesHalfWay", Entry::run_script, L"--die-after 2", false, true, L"点を指定: ",
     kLinkFailed, L"Drafthand.Control.GetPrompt"},
    {"RunScriptRefused", Entry::run_script, L"--refuse-copydata", false, false, L"ｺﾏﾝﾄﾞ: ",
     kCommandFailed, L"Drafthand.Control.PostCommand"},
};

INSTANTIATE_TEST_SUITE_P(Faults, FaultyCad, ::testing::ValuesIn(kFaults),
                         [](const ::testing::TestParamInfo<FaultCase>& test) {
                             return std::string(test.param.name);
                         });

} // namespace
