// A C++ automation client of the registered Drafthand.dll: early-bound through
// the generated header and late-bound through IDispatch, against a running
// cadsim.exe where one is given (DRAFTHAND_CADSIM, a Windows path).
#include "Drafthand_h.h"
#include "drafthand_client.h"

#include "drafthand/errors.h"

#include "tarn/ansi_text.h"
#include "tarn/testsupport/cadsim_process.h"
#include "tarn/testsupport/files.h"
#include "tarn/testsupport/variant.h"
#include "tarn/unique.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

using tarn::com_ptr;
using tarn::from_bstr;
using tarn::unique_bstr;
using tarn::testsupport::by_ref;

using drafthand::kSuccess;
using namespace std::string_view_literals;
constexpr LONG kSearchFailed = drafthand::acPrivateError::SearchFailed;
constexpr LONG kLinkFailed = drafthand::acPrivateError::LinkFailed;
constexpr LONG kCommandFailed = drafthand::acPrivateError::CommandFailed;
const std::wstring kNotRunning = L"AutoCADが起動していないか、応答がありません。";
const std::wstring kSearchError = L"AutoCADを検索中にエラーが発生しました。";

com_ptr<_Acad> create_acad() {
    com_ptr<_Acad> acad;
    const HRESULT hr =
        ::CoCreateInstance(CLSID_Acad, nullptr, CLSCTX_INPROC_SERVER, IID__Acad, acad.put_void());
    EXPECT_EQ(hr, S_OK);
    return acad;
}

// Reads a string property through a pointer to member.
template <typename Object>
std::wstring get_string(Object* object, HRESULT (STDMETHODCALLTYPE Object::*getter)(BSTR*)) {
    unique_bstr value;
    EXPECT_EQ((object->*getter)(value.put()), S_OK);
    return from_bstr(value.get());
}

template <typename Object>
LONG get_long(Object* object, HRESULT (STDMETHODCALLTYPE Object::*getter)(LONG*)) {
    LONG value = 12345;
    EXPECT_EQ((object->*getter)(&value), S_OK);
    return value;
}

LONG search(_Acad* acad) {
    LONG result = 0;
    EXPECT_EQ(acad->Search(&result), S_OK);
    return result;
}

struct Error {
    LONG number;
    std::wstring source;
    std::wstring description;
};

Error last_error(_Acad* acad) {
    return {get_long(acad, &_Acad::get_ErrNumber), get_string(acad, &_Acad::get_ErrSource),
            get_string(acad, &_Acad::get_ErrDescription)};
}

TEST(Fresh, DefaultsOfANewAcad) {
    com_ptr<_Acad> acad = create_acad();
    ASSERT_TRUE(acad);
    EXPECT_EQ(get_string(acad.get(), &_Acad::get_Title), L"Drafthand");
    EXPECT_EQ(get_string(acad.get(), &_Acad::get_Version), L"1.00.00");
    EXPECT_EQ(get_long(acad.get(), &_Acad::get_ExecuteTimeOut), 300000);
    EXPECT_EQ(acad->put_ExecuteTimeOut(-5), S_OK);
    EXPECT_EQ(get_long(acad.get(), &_Acad::get_ExecuteTimeOut), -1);
    for (auto getter : {&_Acad::get_MainWindowHandle, &_Acad::get_MainWindowThreadID,
                        &_Acad::get_MainWindowProcessID, &_Acad::get_TextWindowHandle,
                        &_Acad::get_CommandWindowThreadID, &_Acad::get_HistoryWindowProcessID}) {
        EXPECT_EQ(get_long(acad.get(), getter), 0);
    }
    for (auto getter : {&_Acad::get_MainWindowClass, &_Acad::get_TextWindowTitle,
                        &_Acad::get_CommandWindowClass, &_Acad::get_HistoryWindowTitle}) {
        EXPECT_EQ(get_string(acad.get(), getter), L"");
    }
    EXPECT_EQ(get_string(acad.get(), &_Acad::get_MainCompareTitle), L"AutoCAD LT");
    EXPECT_EQ(get_string(acad.get(), &_Acad::get_TextCompareTitle), L"AutoCAD LT ﾃｷｽﾄ");
    EXPECT_EQ(get_string(acad.get(), &_Acad::get_CommandCompareTitle), L"Headlands");
    EXPECT_EQ(get_string(acad.get(), &_Acad::get_HistoryCompareTitle), L"MountTam");
    const Error error = last_error(acad.get());
    EXPECT_EQ(error.number, 0);
    EXPECT_EQ(error.source, L"");
    EXPECT_EQ(error.description, L"");
    com_ptr<_Control> control;
    EXPECT_EQ(acad->get_Control(control.put()), S_OK);
    EXPECT_FALSE(control);
    VARIANT_BOOL exists = VARIANT_TRUE;
    EXPECT_EQ(acad->ControlExists(&exists), S_OK);
    EXPECT_EQ(exists, VARIANT_FALSE);
}

TEST(Fresh, CompareTitlesAreSharedAndResetByANewAcad) {
    com_ptr<_Acad> first = create_acad();
    unique_bstr title = tarn::make_bstr(L"x"sv);
    EXPECT_EQ(first->put_MainCompareTitle(title.get()), S_OK);
    EXPECT_EQ(first->put_HistoryCompareTitle(nullptr), S_OK); // a null BSTR is empty
    EXPECT_EQ(get_string(first.get(), &_Acad::get_MainCompareTitle), L"x");
    EXPECT_EQ(get_string(first.get(), &_Acad::get_TextCompareTitle), L"AutoCAD LT ﾃｷｽﾄ");
    EXPECT_EQ(get_string(first.get(), &_Acad::get_HistoryCompareTitle), L"");
    com_ptr<_Acad> second = create_acad();
    EXPECT_EQ(get_string(first.get(), &_Acad::get_MainCompareTitle), L"AutoCAD LT");
    EXPECT_EQ(get_string(second.get(), &_Acad::get_HistoryCompareTitle), L"MountTam");
}

TEST(Fresh, ControlIsNotCreatable) {
    com_ptr<IUnknown> control;
    const HRESULT hr = ::CoCreateInstance(CLSID_Control, nullptr, CLSCTX_INPROC_SERVER,
                                          IID_IUnknown, control.put_void());
    EXPECT_TRUE(FAILED(hr)) << hr;
    EXPECT_FALSE(control);
}

TEST(NoCad, SearchReportsNotRunning) {
    com_ptr<_Acad> acad = create_acad();
    EXPECT_EQ(search(acad.get()), kSearchFailed);
    const Error error = last_error(acad.get());
    EXPECT_EQ(error.number, kSearchFailed);
    EXPECT_EQ(error.source, L"Drafthand.Acad.Search");
    EXPECT_EQ(error.description, kNotRunning);
    com_ptr<_Control> control;
    EXPECT_EQ(acad->get_Control(control.put()), S_OK);
    EXPECT_FALSE(control);
}

TEST(NoCad, EachThreadHasItsOwnRecords) {
    com_ptr<_Acad> acad = create_acad();
    unique_bstr title = tarn::make_bstr(L"changed"sv);
    acad->put_MainCompareTitle(title.get());
    EXPECT_EQ(search(acad.get()), kSearchFailed);

    LONG other_number = 1;
    std::wstring other_title;
    std::thread other([&] {
        if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
            return;
        }
        {
            com_ptr<_Acad> own = create_acad();
            other_number = get_long(own.get(), &_Acad::get_ErrNumber);
            other_title = get_string(own.get(), &_Acad::get_MainCompareTitle);
        }
        ::CoUninitialize();
    });
    other.join();
    EXPECT_EQ(other_number, 0);
    EXPECT_EQ(other_title, L"AutoCAD LT");
    // Creating an Acad on the other thread reset nothing here.
    EXPECT_EQ(get_long(acad.get(), &_Acad::get_ErrNumber), kSearchFailed);
    EXPECT_EQ(get_string(acad.get(), &_Acad::get_MainCompareTitle), L"changed");
}

// Late-bound calls as a script client makes them.
class Late {
public:
    explicit Late(IUnknown* object) { object->QueryInterface(IID_IDispatch, dispatch_.put_void()); }

    DISPID id(const wchar_t* name) {
        DISPID result = DISPID_UNKNOWN;
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        EXPECT_EQ(dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &result), S_OK)
            << "no member named that";
        return result;
    }
    // Arguments in the order written; returns the HRESULT.
    HRESULT call(const wchar_t* name, WORD flags, std::vector<VARIANT> arguments, VARIANT* result,
                 UINT* argument_error = nullptr) {
        std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
        DISPID put = DISPID_PROPERTYPUT;
        const bool is_put = flags == DISPATCH_PROPERTYPUT;
        DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), is_put ? &put : nullptr,
                          static_cast<UINT>(reversed.size()), is_put ? 1u : 0u};
        UINT error = 0;
        return dispatch_->Invoke(id(name), IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result,
                                 nullptr, argument_error ? argument_error : &error);
    }
    IDispatch* get() { return dispatch_.get(); }

private:
    com_ptr<IDispatch> dispatch_;
};

VARIANT long_value(LONG value) {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

TEST(LateBound, PropertiesAndArgumentChecks) {
    com_ptr<_Acad> acad = create_acad();
    Late late(acad.get());
    ASSERT_TRUE(late.get());
    constexpr WORD kGet = DISPATCH_METHOD | DISPATCH_PROPERTYGET;

    tarn::unique_variant result;
    EXPECT_EQ(late.call(L"Version", kGet, {}, result.put()), S_OK);
    ASSERT_EQ(result.get()->vt, VT_BSTR);
    EXPECT_EQ(from_bstr(result.get()->bstrVal), L"1.00.00");
    // The default member is Title.
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(late.get()->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_PROPERTYGET, &none,
                                 result.put(), nullptr, nullptr),
              S_OK);
    EXPECT_EQ(from_bstr(result.get()->bstrVal), L"Drafthand");

    // A script's variable holding a number given by reference to a put.
    tarn::unique_variant held;
    held.get()->vt = VT_I2;
    held.get()->iVal = -9;
    EXPECT_EQ(late.call(L"ExecuteTimeOut", DISPATCH_PROPERTYPUT, {by_ref(held.get())}, nullptr),
              S_OK);
    EXPECT_EQ(get_long(acad.get(), &_Acad::get_ExecuteTimeOut), -1);

    tarn::unique_variant word;
    word.get()->vt = VT_BSTR;
    word.get()->bstrVal = ::SysAllocString(L"abc");
    UINT argument_error = 99;
    EXPECT_EQ(
        late.call(L"ExecuteTimeOut", DISPATCH_PROPERTYPUT, {*word.get()}, nullptr, &argument_error),
        DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argument_error, 0u);
    EXPECT_EQ(late.call(L"Search", DISPATCH_METHOD, {long_value(1)}, result.put()),
              DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(late.call(L"Execute", DISPATCH_METHOD, {}, result.put()), DISP_E_BADPARAMCOUNT);

    // Malformed parameter blocks are refused, not read past.
    DISPID put_id = DISPID_PROPERTYPUT;
    DISPPARAMS named_without_value{nullptr, &put_id, 0, 1};
    EXPECT_EQ(late.get()->Invoke(late.id(L"ExecuteTimeOut"), IID_NULL, 0, DISPATCH_PROPERTYPUT,
                                 &named_without_value, nullptr, nullptr, nullptr),
              E_INVALIDARG);
    DISPPARAMS put_without_name{held.get(), nullptr, 1, 0};
    EXPECT_EQ(late.get()->Invoke(late.id(L"ExecuteTimeOut"), IID_NULL, 0, DISPATCH_PROPERTYPUT,
                                 &put_without_name, nullptr, nullptr, nullptr),
              DISP_E_PARAMNOTOPTIONAL);
    DISPPARAMS arguments_missing{nullptr, nullptr, 2, 0};
    EXPECT_EQ(late.get()->Invoke(late.id(L"Search"), IID_NULL, 0, DISPATCH_METHOD,
                                 &arguments_missing, nullptr, nullptr, nullptr),
              E_INVALIDARG);
    EXPECT_EQ(
        late.get()->Invoke(0x12345, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
        DISP_E_MEMBERNOTFOUND);

    EXPECT_EQ(late.call(L"Search", DISPATCH_METHOD, {}, result.put()), S_OK);
    ASSERT_EQ(result.get()->vt, VT_I4);
    EXPECT_EQ(result.get()->lVal, kSearchFailed);
    // Called as a statement: no result wanted.
    EXPECT_EQ(late.call(L"Search", DISPATCH_METHOD, {}, nullptr), S_OK);
}

LONG prompt_of(_Control* control, std::wstring& prompt) {
    unique_bstr value = tarn::make_bstr(L"before"sv);
    LONG result = 0;
    EXPECT_EQ(control->GetPrompt(value.in_out(), &result), S_OK);
    prompt = from_bstr(value.get());
    return result;
}

// Polls until the stand-in shows its idle prompt.
bool wait_idle(_Control* control) {
    std::wstring prompt;
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (prompt_of(control, prompt) == kSuccess && prompt == L"ｺﾏﾝﾄﾞ: ") {
            return true;
        }
        ::Sleep(50);
    }
    return false;
}

class WithCad : public ::testing::Test {
protected:
    void start(const std::wstring& arguments) {
        const std::wstring program = tarn::testsupport::environment(L"DRAFTHAND_CADSIM");
        ASSERT_FALSE(program.empty()) << "DRAFTHAND_CADSIM names no cadsim.exe";
        dxf_ = tarn::testsupport::temp_path(L"drafthand_client_" +
                                            std::to_wstring(::GetTickCount()) + L".dxf");
        cad_.emplace(program, L"--dxf \"" + dxf_ + L"\" " + arguments);
        ASSERT_TRUE(cad_->started()) << "cadsim.exe did not start: " << cad_->start_error();
        ASSERT_TRUE(cad_->wait_ready()) << "cadsim.exe did not show its prompt";
    }
    void TearDown() override {
        if (cad_ && !cad_->close()) {
            cad_.reset(); // ends it
        }
        if (!dxf_.empty()) {
            ::DeleteFileW(dxf_.c_str());
        }
    }
    std::optional<tarn::testsupport::CadsimProcess> cad_;
    std::wstring dxf_;
};

class Lt : public WithCad {
protected:
    void SetUp() override {
        start(L"");
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        acad_ = create_acad();
        ASSERT_EQ(drafthand::testing::search_until_found(acad_.get()), kSuccess);
        ASSERT_EQ(acad_->get_Control(control_.put()), S_OK);
        ASSERT_TRUE(control_);
        ASSERT_TRUE(wait_idle(control_.get()));
    }
    com_ptr<_Acad> acad_;
    com_ptr<_Control> control_;
};

struct DescendantSearch {
    const char* caption;
    HWND found;
};

BOOL CALLBACK match_caption(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<DescendantSearch*>(context);
    char caption[256] = {};
    ::GetWindowTextA(window, caption, 256);
    if (std::string(caption) == search->caption) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND find_descendant(HWND parent, const char* caption) {
    DescendantSearch search{caption, nullptr};
    ::EnumChildWindows(parent, match_caption, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void expect_window(_Acad* acad, HRESULT (STDMETHODCALLTYPE _Acad::*handle)(LONG*),
                   HRESULT (STDMETHODCALLTYPE _Acad::*thread)(LONG*),
                   HRESULT (STDMETHODCALLTYPE _Acad::*process_id)(LONG*),
                   HRESULT (STDMETHODCALLTYPE _Acad::*class_name)(BSTR*),
                   HRESULT (STDMETHODCALLTYPE _Acad::*title)(BSTR*), HWND expected,
                   DWORD expected_process) {
    ASSERT_NE(expected, nullptr);
    EXPECT_EQ(get_long(acad, handle), static_cast<LONG>(reinterpret_cast<INT_PTR>(expected)));
    DWORD process = 0;
    const DWORD thread_id = ::GetWindowThreadProcessId(expected, &process);
    EXPECT_EQ(get_long(acad, thread), static_cast<LONG>(thread_id));
    EXPECT_EQ(get_long(acad, process_id), static_cast<LONG>(expected_process));
    EXPECT_EQ(process, expected_process);
    char buffer[260] = {};
    ::GetClassNameA(expected, buffer, 260);
    EXPECT_EQ(get_string(acad, class_name), tarn::from_ansi(buffer));
    char caption[512] = {};
    ::GetWindowTextA(expected, caption, 512);
    EXPECT_EQ(get_string(acad, title), tarn::from_ansi(caption));
}

TEST_F(Lt, WindowPropertiesMatchTheStandInsWindows) {
    HWND main = ::FindWindowW(nullptr, L"AutoCAD LT - [Drawing1.dwg]");
    HWND text_window = ::FindWindowW(nullptr, L"AutoCAD LT ﾃｷｽﾄ");
    ASSERT_NE(text_window, nullptr);
    HWND command = find_descendant(text_window, "Headlands");
    HWND history = find_descendant(text_window, "MountTam");
    const DWORD pid = cad_->id();
    expect_window(acad_.get(), &_Acad::get_MainWindowHandle, &_Acad::get_MainWindowThreadID,
                  &_Acad::get_MainWindowProcessID, &_Acad::get_MainWindowClass,
                  &_Acad::get_MainWindowTitle, main, pid);
    expect_window(acad_.get(), &_Acad::get_TextWindowHandle, &_Acad::get_TextWindowThreadID,
                  &_Acad::get_TextWindowProcessID, &_Acad::get_TextWindowClass,
                  &_Acad::get_TextWindowTitle, text_window, pid);
    expect_window(acad_.get(), &_Acad::get_CommandWindowHandle, &_Acad::get_CommandWindowThreadID,
                  &_Acad::get_CommandWindowProcessID, &_Acad::get_CommandWindowClass,
                  &_Acad::get_CommandWindowTitle, command, pid);
    expect_window(acad_.get(), &_Acad::get_HistoryWindowHandle, &_Acad::get_HistoryWindowThreadID,
                  &_Acad::get_HistoryWindowProcessID, &_Acad::get_HistoryWindowClass,
                  &_Acad::get_HistoryWindowTitle, history, pid);
    EXPECT_EQ(get_string(acad_.get(), &_Acad::get_MainWindowTitle), L"AutoCAD LT - [Drawing1.dwg]");
    VARIANT_BOOL exists = VARIANT_FALSE;
    EXPECT_EQ(acad_->ControlExists(&exists), S_OK);
    EXPECT_EQ(exists, VARIANT_TRUE);
    EXPECT_EQ(last_error(acad_.get()).number, 0);
}

TEST_F(Lt, PostCommandDrawsALine) {
    LONG result = 0;
    unique_bstr command = tarn::make_bstr(L"^C^Cline^M0,0^M10,20^M^M"sv);
    EXPECT_EQ(control_->PostCommand(command.get(), &result), S_OK);
    EXPECT_EQ(result, kSuccess);
    std::string dxf;
    for (int attempt = 0; attempt < 100 && dxf.find("LINE") == std::string::npos; ++attempt) {
        ::Sleep(50);
        dxf = tarn::testsupport::read_file(dxf_);
    }
    EXPECT_NE(dxf.find("\nLINE"), std::string::npos) << dxf;
    EXPECT_TRUE(wait_idle(control_.get()));

    // A command far longer than 255 bytes goes whole: it draws nothing, but
    // the stand-in takes it and shows it in its history.
    std::wstring long_command = L"^C^C";
    long_command.append(1000, L'x');
    long_command += L"^M";
    command = tarn::make_bstr(long_command);
    EXPECT_EQ(control_->PostCommand(command.get(), &result), S_OK);
    EXPECT_EQ(result, kSuccess);
    unique_bstr history;
    ASSERT_EQ(control_->GetHistory(history.put(), nullptr, &result), S_OK);
    EXPECT_EQ(result, kSuccess);
    EXPECT_NE(from_bstr(history.get()).find(std::wstring(1000, L'x')), std::wstring::npos);
}

TEST_F(Lt, GetPromptAndGetHistory) {
    std::wstring prompt;
    EXPECT_EQ(prompt_of(control_.get(), prompt), kSuccess);
    EXPECT_EQ(prompt, L"ｺﾏﾝﾄﾞ: ");

    LONG result = 0;
    unique_bstr command = tarn::make_bstr(L"^C^Cline^M"sv);
    ASSERT_EQ(control_->PostCommand(command.get(), &result), S_OK);
    ASSERT_EQ(result, kSuccess);
    for (int attempt = 0; attempt < 100 && prompt == L"ｺﾏﾝﾄﾞ: "; ++attempt) {
        ::Sleep(50);
        prompt_of(control_.get(), prompt);
    }
    EXPECT_NE(prompt, L"ｺﾏﾝﾄﾞ: ");

    unique_bstr whole;
    ASSERT_EQ(control_->GetHistory(whole.put(), nullptr, &result), S_OK);
    EXPECT_EQ(result, kSuccess);
    const std::wstring history = from_bstr(whole.get());
    EXPECT_NE(history.find(L"line"), std::wstring::npos);

    unique_bstr match = tarn::make_bstr(L"ｺﾏﾝﾄﾞ: "sv);
    unique_bstr tail;
    ASSERT_EQ(control_->GetHistory(tail.put(), match.get(), &result), S_OK);
    EXPECT_EQ(result, kSuccess);
    const size_t last = history.rfind(L"ｺﾏﾝﾄﾞ: ");
    ASSERT_NE(last, std::wstring::npos);
    EXPECT_EQ(from_bstr(tail.get()), history.substr(last));

    unique_bstr nowhere = tarn::make_bstr(L"no such text"sv);
    unique_bstr empty = tarn::make_bstr(L"old"sv);
    ASSERT_EQ(control_->GetHistory(empty.in_out(), nowhere.get(), &result), S_OK);
    EXPECT_EQ(result, kSuccess);
    EXPECT_EQ(from_bstr(empty.get()), L"");
    command = tarn::make_bstr(L"^C^C"sv);
    control_->PostCommand(command.get(), &result);
}

TEST_F(Lt, LateBoundInOutArgumentsAsScriptsPassThem) {
    // Something in the history first: an empty one cannot be read.
    LONG posted = 0;
    unique_bstr command = tarn::make_bstr(L"^C^Cline^M^C^C"sv);
    ASSERT_EQ(control_->PostCommand(command.get(), &posted), S_OK);
    ASSERT_TRUE(wait_idle(control_.get()));

    Late late(control_.get());
    tarn::unique_variant prompt; // an uninitialised script variable
    tarn::unique_variant result;
    ASSERT_EQ(late.call(L"GetPrompt", DISPATCH_METHOD, {by_ref(prompt.get())}, result.put()), S_OK);
    EXPECT_EQ(result.get()->lVal, kSuccess);
    ASSERT_EQ(prompt.get()->vt, VT_BSTR);
    EXPECT_EQ(from_bstr(prompt.get()->bstrVal), L"ｺﾏﾝﾄﾞ: ");

    // MatchString left out takes its default, the empty text.
    tarn::unique_variant history;
    history.get()->vt = VT_I4; // any type: it is replaced by the text
    ASSERT_EQ(late.call(L"GetHistory", DISPATCH_METHOD, {by_ref(history.get())}, result.put()),
              S_OK);
    EXPECT_EQ(result.get()->lVal, kSuccess);
    ASSERT_EQ(history.get()->vt, VT_BSTR);
    const std::wstring whole = from_bstr(history.get()->bstrVal);
    ASSERT_NE(whole.rfind(L"ｺﾏﾝﾄﾞ: "), std::wstring::npos) << "history without an idle prompt";

    tarn::unique_variant match;
    match.get()->vt = VT_BSTR;
    match.get()->bstrVal = ::SysAllocString(L"ｺﾏﾝﾄﾞ: ");
    ASSERT_EQ(late.call(L"GetHistory", DISPATCH_METHOD,
                        {by_ref(history.get()), by_ref(match.get())}, result.put()),
              S_OK);
    EXPECT_EQ(from_bstr(history.get()->bstrVal), whole.substr(whole.rfind(L"ｺﾏﾝﾄﾞ: ")));

    // A C++ client passing the declared type by reference writes in place.
    unique_bstr direct;
    VARIANT typed;
    ::VariantInit(&typed);
    typed.vt = VT_BYREF | VT_BSTR;
    typed.pbstrVal = direct.put();
    ASSERT_EQ(late.call(L"GetPrompt", DISPATCH_METHOD, {typed}, result.put()), S_OK);
    EXPECT_EQ(from_bstr(direct.get()), L"ｺﾏﾝﾄﾞ: ");

    EXPECT_EQ(late.call(L"GetPrompt", DISPATCH_METHOD, {}, result.put()), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(
        late.call(L"PostCommand", DISPATCH_METHOD, {long_value(1), long_value(2)}, result.put()),
        DISP_E_BADPARAMCOUNT);
    tarn::unique_variant object;
    object.get()->vt = VT_DISPATCH;
    object.get()->pdispVal = late.get();
    late.get()->AddRef();
    EXPECT_EQ(late.call(L"PostCommand", DISPATCH_METHOD, {*object.get()}, result.put()),
              DISP_E_TYPEMISMATCH);

    // Properties of Control with their put rules.
    tarn::unique_variant value;
    EXPECT_EQ(late.call(L"CheckInterval", DISPATCH_PROPERTYPUT, {long_value(-10)}, nullptr), S_OK);
    EXPECT_EQ(late.call(L"CheckInterval", DISPATCH_PROPERTYGET, {}, value.put()), S_OK);
    EXPECT_EQ(value.get()->lVal, 0);
    EXPECT_EQ(late.call(L"CommandTimeOut", DISPATCH_PROPERTYPUT, {long_value(-3)}, nullptr), S_OK);
    EXPECT_EQ(late.call(L"CommandTimeOut", DISPATCH_PROPERTYGET, {}, value.put()), S_OK);
    EXPECT_EQ(value.get()->lVal, -1);
    EXPECT_EQ(late.call(L"PatternMatch", DISPATCH_PROPERTYGET, {}, value.put()), S_OK);
    EXPECT_EQ(value.get()->vt, VT_BOOL);
    EXPECT_EQ(value.get()->boolVal, VARIANT_TRUE);
}

TEST_F(Lt, ControlDefaultsAndObjectsShareTheThreadsRecords) {
    EXPECT_EQ(get_long(control_.get(), &_Control::get_CommandTimeOut), 60000);
    EXPECT_EQ(get_long(control_.get(), &_Control::get_CheckInterval), 100);
    VARIANT_BOOL flag = VARIANT_FALSE;
    EXPECT_EQ(control_->get_PostNullChar(&flag), S_OK);
    EXPECT_EQ(flag, VARIANT_TRUE);

    // A second Acad clears the shared window table: the first one's Control
    // then loses its link, and the failure is seen through both objects.
    com_ptr<_Acad> second = create_acad();
    EXPECT_EQ(get_long(acad_.get(), &_Acad::get_MainWindowHandle), 0);
    LONG result = 0;
    unique_bstr command = tarn::make_bstr(L"^C"sv);
    EXPECT_EQ(control_->PostCommand(command.get(), &result), S_OK);
    EXPECT_EQ(result, kLinkFailed);
    EXPECT_EQ(last_error(second.get()).source, L"Drafthand.Control.PostCommand");
    EXPECT_EQ(last_error(acad_.get()).description, kNotRunning);
    // A search through the second brings the old Control back to life.
    EXPECT_EQ(search(second.get()), kSuccess);
    EXPECT_EQ(last_error(acad_.get()).number, 0);
    EXPECT_EQ(control_->PostCommand(command.get(), &result), S_OK);
    EXPECT_EQ(result, kSuccess);

    // Two searches hand out two different Control objects.
    com_ptr<_Control> first_control;
    com_ptr<_Control> second_control;
    second->get_Control(first_control.put());
    EXPECT_EQ(search(second.get()), kSuccess);
    second->get_Control(second_control.put());
    EXPECT_NE(first_control.get(), second_control.get());

    EXPECT_EQ(second->RemoveControl(), S_OK);
    com_ptr<_Control> none;
    second->get_Control(none.put());
    EXPECT_FALSE(none);
    EXPECT_EQ(get_long(second.get(), &_Acad::get_TextWindowHandle), 0);
}

TEST_F(Lt, ClosedStandInBreaksTheLink) {
    ASSERT_TRUE(cad_->close());
    VARIANT_BOOL exists = VARIANT_TRUE;
    LONG result = 0;
    unique_bstr command = tarn::make_bstr(L"^C"sv);
    EXPECT_EQ(control_->PostCommand(command.get(), &result), S_OK);
    EXPECT_EQ(result, kLinkFailed);
    EXPECT_EQ(last_error(acad_.get()).source, L"Drafthand.Control.PostCommand");
    unique_bstr prompt = tarn::make_bstr(L"kept"sv);
    EXPECT_EQ(control_->GetPrompt(prompt.in_out(), &result), S_OK);
    EXPECT_EQ(result, kLinkFailed);
    EXPECT_EQ(from_bstr(prompt.get()), L"kept");
    EXPECT_EQ(last_error(acad_.get()).source, L"Drafthand.Control.GetPrompt");

    EXPECT_EQ(acad_->ControlExists(&exists), S_OK);
    EXPECT_EQ(exists, VARIANT_FALSE);
    EXPECT_EQ(get_long(acad_.get(), &_Acad::get_MainWindowHandle), 0);
    EXPECT_EQ(get_string(acad_.get(), &_Acad::get_HistoryWindowTitle), L"");
    com_ptr<_Control> none;
    acad_->get_Control(none.put());
    EXPECT_FALSE(none);
    EXPECT_EQ(search(acad_.get()), kSearchFailed);
    EXPECT_EQ(last_error(acad_.get()).description, kNotRunning);
}

class Refusing : public WithCad {};

TEST_F(Refusing, RefusedCommandIsCommandFailed) {
    start(L"--refuse-copydata");
    if (IsSkipped() || HasFatalFailure()) {
        return;
    }
    com_ptr<_Acad> acad = create_acad();
    ASSERT_EQ(drafthand::testing::search_until_found(acad.get()), kSuccess);
    com_ptr<_Control> control;
    acad->get_Control(control.put());
    ASSERT_TRUE(control);
    LONG result = 0;
    unique_bstr command = tarn::make_bstr(L"line^M"sv);
    EXPECT_EQ(control->PostCommand(command.get(), &result), S_OK);
    EXPECT_EQ(result, kCommandFailed);
    const Error error = last_error(acad.get());
    EXPECT_EQ(error.source, L"Drafthand.Control.PostCommand");
    EXPECT_EQ(error.description, kNotRunning);
}

class FullProduct : public WithCad {};

TEST_F(FullProduct, FoundOnlyWithTheFullProductsTitles) {
    start(L"--product full");
    if (IsSkipped() || HasFatalFailure()) {
        return;
    }
    com_ptr<_Acad> acad = create_acad();
    // Give the stand-in time to show its windows before the negative search.
    com_ptr<_Acad> probe = create_acad();
    unique_bstr main = tarn::make_bstr(L"AutoCAD - ["sv);
    unique_bstr text_title = tarn::make_bstr(L"AutoCAD ﾃｷｽﾄ"sv);
    probe->put_MainCompareTitle(main.get());
    probe->put_TextCompareTitle(text_title.get());
    ASSERT_EQ(drafthand::testing::search_until_found(probe.get()), kSuccess);

    acad = create_acad(); // default titles again
    EXPECT_EQ(search(acad.get()), kSearchFailed);
    EXPECT_EQ(last_error(acad.get()).description, kNotRunning);
    acad->put_MainCompareTitle(main.get());
    acad->put_TextCompareTitle(text_title.get());
    EXPECT_EQ(search(acad.get()), kSuccess);
    EXPECT_EQ(get_string(acad.get(), &_Acad::get_MainWindowTitle), L"AutoCAD - [Drawing1.dwg]");
    EXPECT_EQ(get_string(acad.get(), &_Acad::get_TextWindowTitle), L"AutoCAD ﾃｷｽﾄ");
}

} // namespace
