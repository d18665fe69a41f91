// The argument conversion in front of ITypeInfo::Invoke: script arguments to
// declared types and results back into the script's variables.
#include "dispatch.h"

#include "tarn/testsupport/variant.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace drafthand::win {
namespace {

using detail::convert_argument;
using detail::write_back;
using tarn::testsupport::by_ref;

// A script's array: VARIANT elements, lower bound 0.
tarn::unique_safearray script_array(const std::vector<VARIANT>& items) {
    SAFEARRAYBOUND bound{static_cast<ULONG>(items.size()), 0};
    tarn::unique_safearray array(::SafeArrayCreate(VT_VARIANT, 1, &bound));
    for (LONG i = 0; i < static_cast<LONG>(items.size()); ++i) {
        ::SafeArrayPutElement(array.get(), &i, const_cast<VARIANT*>(&items[i]));
    }
    return array;
}

void set_string(tarn::unique_variant& variant, const wchar_t* value) {
    VARIANT* v = variant.put();
    v->vt = VT_BSTR;
    v->bstrVal = ::SysAllocString(value);
}

TEST(ArgumentConversion, ScalarsByReference) {
    tarn::unique_variant empty; // an uninitialised script variable
    tarn::unique_variant converted;
    ASSERT_EQ(convert_argument(by_ref(empty.get()), VT_BSTR, converted.get()), S_OK);
    EXPECT_EQ(converted.get()->vt, VT_BSTR);
    EXPECT_EQ(from_bstr(converted.get()->bstrVal), L"");

    tarn::unique_variant number;
    number.get()->vt = VT_I2;
    number.get()->iVal = 7;
    ASSERT_EQ(convert_argument(by_ref(number.get()), VT_R8, converted.put()), S_OK);
    EXPECT_EQ(converted.get()->dblVal, 7.0);
    converted.get()->dblVal = 2.5;
    // The script variable takes the result in the result's type.
    VARIANT reference = by_ref(number.get());
    ASSERT_EQ(write_back(reference, *converted.get()), S_OK);
    EXPECT_EQ(number.get()->vt, VT_R8);
    EXPECT_EQ(number.get()->dblVal, 2.5);

    // A typed reference keeps its type.
    short typed = 1;
    VARIANT typed_reference;
    ::VariantInit(&typed_reference);
    typed_reference.vt = VT_BYREF | VT_I2;
    typed_reference.piVal = &typed;
    converted.get()->dblVal = 41.6;
    ASSERT_EQ(write_back(typed_reference, *converted.get()), S_OK);
    EXPECT_EQ(typed, 42);

    tarn::unique_variant null_value;
    null_value.get()->vt = VT_NULL;
    EXPECT_EQ(convert_argument(*null_value.get(), VT_BSTR, converted.put()), DISP_E_TYPEMISMATCH);
    tarn::unique_variant word;
    set_string(word, L"abc");
    EXPECT_EQ(convert_argument(*word.get(), VT_I4, converted.put()), DISP_E_TYPEMISMATCH);
}

TEST(ArgumentConversion, ScriptArraysBecomeStringArraysAndTakeTheResultsInPlace) {
    tarn::unique_variant number;
    number.get()->vt = VT_I4;
    number.get()->lVal = 5;
    tarn::unique_variant first;
    set_string(first, L"a");
    tarn::unique_variant nothing;
    tarn::unique_safearray elements = script_array({*first.get(), *number.get(), *nothing.get()});
    tarn::unique_variant variable;
    variable.get()->vt = VT_ARRAY | VT_VARIANT;
    variable.get()->parray = elements.release();
    SAFEARRAY* const original = variable.get()->parray;

    tarn::unique_variant converted;
    ASSERT_EQ(convert_argument(by_ref(variable.get()), VT_ARRAY | VT_BSTR, converted.get()), S_OK);
    ASSERT_EQ(converted.get()->vt, VT_ARRAY | VT_BSTR);
    BSTR* strings = nullptr;
    ASSERT_EQ(::SafeArrayAccessData(converted.get()->parray, reinterpret_cast<void**>(&strings)),
              S_OK);
    EXPECT_EQ(from_bstr(strings[0]), L"a");
    EXPECT_EQ(from_bstr(strings[1]), L"5");
    EXPECT_EQ(from_bstr(strings[2]), L"");
    // The method writes its results into the converted array.
    ::SysFreeString(strings[2]);
    strings[2] = ::SysAllocString(L"written");
    ::SafeArrayUnaccessData(converted.get()->parray);

    VARIANT reference = by_ref(variable.get());
    ASSERT_EQ(write_back(reference, *converted.get()), S_OK);
    EXPECT_EQ(variable.get()->parray, original); // the script's own array
    LONG index = 2;
    tarn::unique_variant element;
    ASSERT_EQ(::SafeArrayGetElement(original, &index, element.put()), S_OK);
    EXPECT_EQ(element.get()->vt, VT_BSTR);
    EXPECT_EQ(from_bstr(element.get()->bstrVal), L"written");
    index = 1;
    ASSERT_EQ(::SafeArrayGetElement(original, &index, element.put()), S_OK);
    EXPECT_EQ(from_bstr(element.get()->bstrVal), L"5");
}

TEST(ArgumentConversion, ArraysThatCannotConvert) {
    tarn::unique_variant converted;
    tarn::unique_variant scalar;
    set_string(scalar, L"x");
    EXPECT_EQ(convert_argument(*scalar.get(), VT_ARRAY | VT_BSTR, converted.get()),
              DISP_E_TYPEMISMATCH);

    SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
    tarn::unique_variant matrix;
    matrix.get()->vt = VT_ARRAY | VT_VARIANT;
    matrix.get()->parray = ::SafeArrayCreate(VT_VARIANT, 2, bounds);
    EXPECT_EQ(convert_argument(*matrix.get(), VT_ARRAY | VT_BSTR, converted.put()),
              DISP_E_TYPEMISMATCH);

    tarn::unique_variant null_element;
    null_element.get()->vt = VT_NULL;
    tarn::unique_variant with_null;
    with_null.get()->vt = VT_ARRAY | VT_VARIANT;
    with_null.get()->parray = script_array({*null_element.get()}).release();
    EXPECT_EQ(convert_argument(*with_null.get(), VT_ARRAY | VT_BSTR, converted.put()),
              DISP_E_TYPEMISMATCH);
}

} // namespace
} // namespace drafthand::win
