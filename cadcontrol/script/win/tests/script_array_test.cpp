// RunScriptOnArray with the arrays automation clients pass: BSTR arrays from
// early-bound callers, VARIANT arrays from script clients.
#include "drafthand/script/script_array.h"
#include "fake_control.h"
#include "tarn/unique.h"

#include <gtest/gtest.h>

namespace drafthand::script {
namespace {

using testing::FakeControl;

tarn::unique_safearray make_array(VARTYPE type, ULONG count, LONG lower = 0) {
    SAFEARRAYBOUND bound{count, lower};
    return tarn::unique_safearray(::SafeArrayCreate(type, 1, &bound));
}

void put_text(SAFEARRAY* array, LONG index, const wchar_t* text) {
    const tarn::unique_bstr value(::SysAllocString(text));
    if (::SafeArrayGetDim(array) == 1) {
        VARTYPE type = VT_EMPTY;
        ::SafeArrayGetVartype(array, &type);
        if (type == VT_BSTR) {
            ::SafeArrayPutElement(array, &index, value.get());
            return;
        }
    }
    VARIANT variant;
    variant.vt = VT_BSTR;
    variant.bstrVal = value.get();
    ::SafeArrayPutElement(array, &index, &variant);
}

std::wstring text_at(SAFEARRAY* array, LONG index) {
    BSTR value = nullptr;
    ::SafeArrayGetElement(array, &index, &value);
    const tarn::unique_bstr owned(value);
    return value == nullptr ? std::wstring() : std::wstring(value);
}

VARIANT variant_at(SAFEARRAY* array, LONG index) {
    VARIANT value;
    ::VariantInit(&value);
    ::SafeArrayGetElement(array, &index, &value);
    return value;
}

class ScriptArray : public ::testing::Test {
protected:
    int32_t run(const wchar_t* script, SAFEARRAY** array) {
        control.add_script(L"s.txt", script);
        return RunScriptOnArray(interpreter, L"s.txt", array);
    }
    FakeControl control;
    ScriptInterpreter interpreter{control};
};

TEST_F(ScriptArray, StringArrayIsReadAndWrittenBackAlsoAfterAFailure) {
    auto array = make_array(VT_BSTR, 3);
    put_text(array.get(), 0, L"in");
    put_text(array.get(), 2, L"keep");
    SAFEARRAY* raw = array.get();
    EXPECT_EQ(run(L"%USER1%=%USER0%-out\r\n%USER0%=changed\r\nUNDEFINED\r\n", &raw),
              acPrivateError::ScriptFailed);
    EXPECT_EQ(text_at(raw, 0), L"changed");
    EXPECT_EQ(text_at(raw, 1), L"in-out");
    EXPECT_EQ(text_at(raw, 2), L"keep");
}

TEST_F(ScriptArray, VariantArrayOfAScriptClient) {
    auto array = make_array(VT_VARIANT, 4);
    put_text(array.get(), 0, L"YES");
    VARIANT number;
    number.vt = VT_I4;
    number.lVal = 42;
    LONG index = 1;
    ::SafeArrayPutElement(array.get(), &index, &number);
    SAFEARRAY* raw = array.get();
    EXPECT_EQ(run(L"?%USER0%==YES>%USER2%=%USER1%+%USER3%.\r\n", &raw), -1);
    VARIANT stored = variant_at(raw, 2);
    EXPECT_EQ(stored.vt, VT_BSTR);
    EXPECT_EQ(std::wstring(stored.bstrVal), L"42+.");
    ::VariantClear(&stored);
    VARIANT untouched = variant_at(raw, 1);
    EXPECT_EQ(untouched.vt, VT_I4) << "elements the script left alone keep their type";
    VARIANT empty = variant_at(raw, 3);
    EXPECT_EQ(empty.vt, VT_EMPTY);
}

TEST_F(ScriptArray, LowerBoundIsElementZero) {
    auto array = make_array(VT_BSTR, 2, 1);
    SAFEARRAY* raw = array.get();
    EXPECT_EQ(run(L"%USER0%=first\r\n%USER1%=second\r\n", &raw), -1);
    EXPECT_EQ(text_at(raw, 1), L"first");
    EXPECT_EQ(text_at(raw, 2), L"second");
}

TEST_F(ScriptArray, ShapesThatCannotHoldVariables) {
    SAFEARRAY* none = nullptr;
    EXPECT_EQ(run(L"EXIT", &none), runtime_error::IndexOutOfRange);
    EXPECT_EQ(run(L"EXIT", nullptr), runtime_error::IndexOutOfRange);

    SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
    tarn::unique_safearray square(::SafeArrayCreate(VT_BSTR, 2, bounds));
    SAFEARRAY* raw = square.get();
    EXPECT_EQ(run(L"EXIT", &raw), runtime_error::IndexOutOfRange);

    auto numbers = make_array(VT_I4, 2);
    raw = numbers.get();
    EXPECT_EQ(run(L"EXIT", &raw), runtime_error::TypeMismatch);
    EXPECT_EQ(control.error.number, runtime_error::TypeMismatch);

    auto eleven = make_array(VT_BSTR, 11);
    raw = eleven.get();
    EXPECT_EQ(run(L"%USER0%=x", &raw), acPrivateError::ScriptFailed);
    EXPECT_EQ(control.error.description, L"ユーザー変数が10個を超えています。");
    EXPECT_EQ(text_at(raw, 0), L"");

    auto ten = make_array(VT_BSTR, 10);
    raw = ten.get();
    EXPECT_EQ(run(L"%USER9%=x", &raw), -1);
    EXPECT_EQ(text_at(raw, 9), L"x");

    auto empty = make_array(VT_VARIANT, 0);
    raw = empty.get();
    EXPECT_EQ(run(L"SHOW_MESSAGE\t-\tno variables", &raw), -1);
}

} // namespace
} // namespace drafthand::script
