// The registered type library against the published interface: slot order,
// dispatch identifiers, flags, parameter names, defaults and help strings.
#include "Drafthand_h.h"

#include "tarn/unique.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace {

using tarn::com_ptr;
using tarn::from_bstr;

struct Slot {
    const wchar_t* name;
    INVOKEKIND kind;
    DISPID id;
};

constexpr INVOKEKIND kGet = INVOKE_PROPERTYGET;
constexpr INVOKEKIND kPut = INVOKE_PROPERTYPUT;
constexpr INVOKEKIND kFunc = INVOKE_FUNC;

const std::vector<Slot> kAcadSlots = {
    {L"Title", kGet, 0},
    {L"Version", kGet, 0x6803001D},
    {L"ExecuteTimeOut", kGet, 0x6803001C},
    {L"ExecuteTimeOut", kPut, 0x6803001C},
    {L"MainWindowHandle", kGet, 0x6803001B},
    {L"MainWindowThreadID", kGet, 0x6803001A},
    {L"MainWindowProcessID", kGet, 0x68030019},
    {L"MainWindowClass", kGet, 0x68030018},
    {L"MainWindowTitle", kGet, 0x68030017},
    {L"TextWindowHandle", kGet, 0x68030016},
    {L"TextWindowThreadID", kGet, 0x68030015},
    {L"TextWindowProcessID", kGet, 0x68030014},
    {L"TextWindowClass", kGet, 0x68030013},
    {L"TextWindowTitle", kGet, 0x68030012},
    {L"CommandWindowHandle", kGet, 0x68030011},
    {L"CommandWindowThreadID", kGet, 0x68030010},
    {L"CommandWindowProcessID", kGet, 0x6803000F},
    {L"CommandWindowClass", kGet, 0x6803000E},
    {L"CommandWindowTitle", kGet, 0x6803000D},
    {L"HistoryWindowHandle", kGet, 0x6803000C},
    {L"HistoryWindowThreadID", kGet, 0x6803000B},
    {L"HistoryWindowProcessID", kGet, 0x6803000A},
    {L"HistoryWindowClass", kGet, 0x68030009},
    {L"HistoryWindowTitle", kGet, 0x68030008},
    {L"MainCompareTitle", kGet, 0x68030007},
    {L"MainCompareTitle", kPut, 0x68030007},
    {L"TextCompareTitle", kGet, 0x68030006},
    {L"TextCompareTitle", kPut, 0x68030006},
    {L"CommandCompareTitle", kGet, 0x68030005},
    {L"CommandCompareTitle", kPut, 0x68030005},
    {L"HistoryCompareTitle", kGet, 0x68030004},
    {L"HistoryCompareTitle", kPut, 0x68030004},
    {L"ErrDescription", kGet, 0x68030003},
    {L"ErrSource", kGet, 0x68030002},
    {L"ErrNumber", kGet, 0x68030001},
    {L"Execute", kFunc, 0x60030020},
    {L"Search", kFunc, 0x60030021},
    {L"Control", kGet, 0x68030000},
    {L"ControlExists", kFunc, 0x60030022},
    {L"RemoveControl", kFunc, 0x60030023},
};

const std::vector<Slot> kControlSlots = {
    {L"CommandTimeOut", kGet, 0x68030003}, {L"CommandTimeOut", kPut, 0x68030003},
    {L"CheckInterval", kGet, 0x68030002},  {L"CheckInterval", kPut, 0x68030002},
    {L"PostNullChar", kGet, 0x68030001},   {L"PostNullChar", kPut, 0x68030001},
    {L"PatternMatch", kGet, 0x68030000},   {L"PatternMatch", kPut, 0x68030000},
    {L"Active", kFunc, 0x60030005},        {L"PostCommand", kFunc, 0x60030006},
    {L"SendCommand", kFunc, 0x60030007},   {L"GetPrompt", kFunc, 0x60030008},
    {L"WaitPrompt", kFunc, 0x60030009},    {L"GetHistory", kFunc, 0x6003000A},
    {L"GetVariable", kFunc, 0x6003000B},   {L"SetVariable", kFunc, 0x6003000C},
    {L"GetPosition", kFunc, 0x6003000D},   {L"RunScript", kFunc, 0x6003000E},
    {L"ShowMessage", kFunc, 0x6003000F},   {L"Terminate", kFunc, 0x60030010},
};

class TypeLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::LoadRegTypeLib(LIBID_Drafthand, 1, 0, 0x409, library_.put()), S_OK);
    }

    // The vtable view of a dual interface.
    com_ptr<ITypeInfo> interface_view(REFIID iid) {
        com_ptr<ITypeInfo> info;
        EXPECT_EQ(library_->GetTypeInfoOfGuid(iid, info.put()), S_OK);
        HREFTYPE reference = 0;
        com_ptr<ITypeInfo> view;
        if (SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &reference))) {
            info->GetRefTypeInfo(reference, view.put());
        }
        return view ? std::move(view) : std::move(info);
    }

    void expect_slots(REFIID iid, const std::vector<Slot>& slots) {
        com_ptr<ITypeInfo> info = interface_view(iid);
        ASSERT_TRUE(info);
        TYPEATTR* attributes = nullptr;
        ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
        EXPECT_EQ(attributes->cFuncs, slots.size());
        EXPECT_EQ(attributes->wTypeFlags &
                      (TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE),
                  TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE);
        info->ReleaseTypeAttr(attributes);
        for (UINT i = 0; i < slots.size(); ++i) {
            FUNCDESC* desc = nullptr;
            ASSERT_EQ(info->GetFuncDesc(i, &desc), S_OK);
            tarn::unique_bstr name;
            info->GetDocumentation(desc->memid, name.put(), nullptr, nullptr, nullptr);
            EXPECT_EQ(from_bstr(name.get()), slots[i].name) << "slot " << i;
            EXPECT_EQ(desc->memid, slots[i].id) << "slot " << i;
            EXPECT_EQ(desc->invkind, slots[i].kind) << "slot " << i;
            // Seven IUnknown and IDispatch slots come first.
            EXPECT_EQ(desc->oVft, static_cast<SHORT>((7 + i) * sizeof(void*))) << "slot " << i;
            info->ReleaseFuncDesc(desc);
        }
    }

    // The member's name and its parameters' names as late-bound clients see
    // them (the dispatch view, without the retval).
    std::vector<std::wstring> parameter_names(REFIID iid, DISPID id) {
        com_ptr<ITypeInfo> info;
        EXPECT_EQ(library_->GetTypeInfoOfGuid(iid, info.put()), S_OK);
        BSTR names[8] = {};
        UINT count = 0;
        EXPECT_EQ(info->GetNames(id, names, 8, &count), S_OK);
        std::vector<std::wstring> result;
        for (UINT i = 0; i < count; ++i) {
            result.push_back(from_bstr(names[i]));
            ::SysFreeString(names[i]);
        }
        return result;
    }

    // The default of an optional parameter, as text.
    std::wstring default_of(REFIID iid, DISPID id, UINT parameter) {
        com_ptr<ITypeInfo> info = interface_view(iid);
        TYPEATTR* attributes = nullptr;
        info->GetTypeAttr(&attributes);
        const UINT count = attributes->cFuncs;
        info->ReleaseTypeAttr(attributes);
        for (UINT i = 0; i < count; ++i) {
            FUNCDESC* desc = nullptr;
            info->GetFuncDesc(i, &desc);
            std::wstring result = L"<none>";
            if (desc->memid == id && parameter < static_cast<UINT>(desc->cParams)) {
                const PARAMDESC& param = desc->lprgelemdescParam[parameter].paramdesc;
                if ((param.wParamFlags & PARAMFLAG_FOPT) != 0 &&
                    (param.wParamFlags & PARAMFLAG_FHASDEFAULT) != 0) {
                    tarn::unique_variant value;
                    ::VariantChangeType(value.get(), &param.pparamdescex->varDefaultValue, 0,
                                        VT_BSTR);
                    result = from_bstr(value.get()->bstrVal);
                }
                info->ReleaseFuncDesc(desc);
                return result;
            }
            info->ReleaseFuncDesc(desc);
        }
        return L"<no member>";
    }

    com_ptr<ITypeLib> library_;
};

TEST_F(TypeLibrary, LibraryAttributes) {
    tarn::unique_bstr name;
    tarn::unique_bstr help;
    ASSERT_EQ(library_->GetDocumentation(-1, name.put(), help.put(), nullptr, nullptr), S_OK);
    EXPECT_EQ(from_bstr(name.get()), L"Drafthand");
    EXPECT_EQ(from_bstr(help.get()), L"Drafthand ActiveX DLL");
    TLIBATTR* attributes = nullptr;
    ASSERT_EQ(library_->GetLibAttr(&attributes), S_OK);
    EXPECT_EQ(attributes->lcid, 0x409u);
    library_->ReleaseTLibAttr(attributes);

    com_ptr<ITypeInfo> acad;
    ASSERT_EQ(library_->GetTypeInfoOfGuid(CLSID_Acad, acad.put()), S_OK);
    com_ptr<ITypeInfo> control;
    ASSERT_EQ(library_->GetTypeInfoOfGuid(CLSID_Control, control.put()), S_OK);
    TYPEATTR* type = nullptr;
    control->GetTypeAttr(&type);
    EXPECT_EQ(type->wTypeFlags & TYPEFLAG_FCANCREATE, 0);
    control->ReleaseTypeAttr(type);
    acad->GetTypeAttr(&type);
    EXPECT_NE(type->wTypeFlags & TYPEFLAG_FCANCREATE, 0);
    acad->ReleaseTypeAttr(type);
}

TEST_F(TypeLibrary, AcadSlotsInOrder) {
    expect_slots(IID__Acad, kAcadSlots);
}

TEST_F(TypeLibrary, ControlSlotsInOrder) {
    expect_slots(IID__Control, kControlSlots);
}

// The parameters of every member that has any, as the interface tables spell
// them. A type library keeps one spelling per name whatever the case, so a
// stray "value" elsewhere would show here as a lower-case "Value".
const std::map<std::wstring, std::vector<std::wstring>> kParameters = {
    {L"Execute", {L"PathName", L"Parameter", L"hWnd", L"ExecuteMode"}},
    {L"PostCommand", {L"AcadCommand"}},
    {L"SendCommand", {L"AcadCommand", L"CommandPrompt"}},
    {L"GetPrompt", {L"CommandPrompt"}},
    {L"WaitPrompt", {L"CommandPrompt"}},
    {L"GetHistory", {L"HistoryText", L"MatchString"}},
    {L"GetVariable", {L"SystemVariable", L"Value"}},
    {L"SetVariable", {L"SystemVariable", L"Value"}},
    {L"GetPosition", {L"X", L"Y", L"Z"}},
    {L"RunScript", {L"PathName", L"UserVariable"}},
    {L"ShowMessage", {L"Message", L"Button", L"Title"}},
};

TEST_F(TypeLibrary, EveryMemberAndParameterKeepsItsSpelling) {
    for (const auto* table : {&kAcadSlots, &kControlSlots}) {
        const IID& iid = table == &kAcadSlots ? IID__Acad : IID__Control;
        for (const Slot& slot : *table) {
            if (slot.kind == kPut) {
                continue; // same identifier as its get
            }
            std::vector<std::wstring> expected = {slot.name};
            const auto parameters = kParameters.find(slot.name);
            if (parameters != kParameters.end()) {
                expected.insert(expected.end(), parameters->second.begin(),
                                parameters->second.end());
            }
            EXPECT_EQ(parameter_names(iid, slot.id), expected);
        }
    }
}

TEST_F(TypeLibrary, DefaultsAndHelpStrings) {
    EXPECT_EQ(default_of(IID__Control, 0x60030007, 1), L"ｺﾏﾝﾄﾞ: ");
    EXPECT_EQ(default_of(IID__Control, 0x60030009, 0), L"ｺﾏﾝﾄﾞ: ");
    EXPECT_EQ(default_of(IID__Control, 0x6003000A, 1), L"");
    EXPECT_EQ(default_of(IID__Control, 0x6003000F, 1), L"0");
    EXPECT_EQ(default_of(IID__Control, 0x6003000F, 2), L"Drafthand");
    EXPECT_EQ(default_of(IID__Control, 0x60030006, 0), L"<none>");

    com_ptr<ITypeInfo> acad = interface_view(IID__Acad);
    tarn::unique_bstr help;
    ASSERT_EQ(acad->GetDocumentation(0, nullptr, help.put(), nullptr, nullptr), S_OK);
    EXPECT_EQ(from_bstr(help.get()), L"Drafthandオブジェクトのタイトル");
}

TEST_F(TypeLibrary, Enumerations) {
    const struct {
        const wchar_t* name;
        LONG value;
    } expected[] = {
        {L"WaitNone", 0},
        {L"WaitExit", 1},
        {L"WaitInit", 2},
        {L"WaitPrompt", 3},
        {L"CancelByUser", static_cast<LONG>(0x80040201u)},
        {L"FileNotFound", static_cast<LONG>(0x80040265u)},
        {L"ExecuteFailed", static_cast<LONG>(0x80040266u)},
        {L"WaitFailed", static_cast<LONG>(0x80040268u)},
        {L"SearchFailed", static_cast<LONG>(0x8004026Fu)},
        {L"LinkFailed", static_cast<LONG>(0x80040270u)},
        {L"CommandFailed", static_cast<LONG>(0x80040271u)},
        {L"ScriptFailed", static_cast<LONG>(0x80040272u)},
    };
    for (const auto& item : expected) {
        ITypeInfo* found[1] = {};
        MEMBERID ids[1] = {};
        USHORT count = 1;
        std::wstring name = item.name;
        ASSERT_EQ(library_->FindName(name.data(), 0, found, ids, &count), S_OK);
        ASSERT_EQ(count, 1) << "enumerator missing";
        com_ptr<ITypeInfo> info = com_ptr<ITypeInfo>::attach(found[0]);
        TYPEATTR* attributes = nullptr;
        info->GetTypeAttr(&attributes);
        bool seen = false;
        for (UINT i = 0; i < attributes->cVars; ++i) {
            VARDESC* var = nullptr;
            info->GetVarDesc(i, &var);
            if (var->memid == ids[0]) {
                EXPECT_EQ(var->lpvarValue->lVal, item.value);
                seen = true;
            }
            info->ReleaseVarDesc(var);
        }
        info->ReleaseTypeAttr(attributes);
        EXPECT_TRUE(seen);
    }
}

} // namespace
