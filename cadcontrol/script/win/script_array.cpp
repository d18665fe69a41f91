#include "drafthand/script/script_array.h"

#include "tarn/unique.h"

#include <algorithm>

namespace drafthand::script {
namespace {

using tarn::from_bstr;

// The text of one element, or false when it has none.
bool read_element(SAFEARRAY* array, VARTYPE type, LONG index, std::wstring& text) {
    if (type == VT_BSTR) {
        BSTR value = nullptr;
        if (FAILED(::SafeArrayGetElement(array, &index, &value))) {
            return false;
        }
        text = from_bstr(value);
        ::SysFreeString(value);
        return true;
    }
    VARIANT value;
    ::VariantInit(&value);
    if (FAILED(::SafeArrayGetElement(array, &index, &value))) {
        return false;
    }
    VARIANT as_text;
    ::VariantInit(&as_text);
    bool ok = true;
    if (value.vt == VT_EMPTY) {
        text.clear();
    } else if (SUCCEEDED(::VariantChangeType(&as_text, &value, 0, VT_BSTR))) {
        text = from_bstr(as_text.bstrVal);
    } else {
        ok = false;
    }
    ::VariantClear(&as_text);
    ::VariantClear(&value);
    return ok;
}

void write_element(SAFEARRAY* array, VARTYPE type, LONG index, const std::wstring& text) {
    const tarn::unique_bstr value(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
    if (!value) {
        return;
    }
    if (type == VT_BSTR) {
        ::SafeArrayPutElement(array, &index, value.get());
        return;
    }
    VARIANT variant;
    ::VariantInit(&variant);
    variant.vt = VT_BSTR;
    variant.bstrVal = value.get();
    // Copies the variant; the string stays ours.
    ::SafeArrayPutElement(array, &index, &variant);
}

int32_t fail(ErrorRecord& record, int32_t number) {
    record = ErrorRecord{number, kComponentName, general_error_description(number)};
    return number;
}

} // namespace

int32_t RunScriptOnArray(ScriptInterpreter& interpreter, const std::wstring& path,
                         SAFEARRAY** array) noexcept {
    ErrorRecord& record = interpreter.control().last_error();
    try {
        SAFEARRAY* const elements = array == nullptr ? nullptr : *array;
        if (elements == nullptr || ::SafeArrayGetDim(elements) != 1) {
            return interpreter.RunScript(path, nullptr);
        }
        VARTYPE type = VT_EMPTY;
        LONG lower = 0;
        LONG upper = -1;
        if (FAILED(::SafeArrayGetVartype(elements, &type)) ||
            FAILED(::SafeArrayGetLBound(elements, 1, &lower)) ||
            FAILED(::SafeArrayGetUBound(elements, 1, &upper))) {
            record.clear();
            return fail(record, runtime_error::IndexOutOfRange);
        }
        if (type != VT_BSTR && type != VT_VARIANT) {
            record.clear();
            return fail(record, runtime_error::TypeMismatch);
        }
        // More than ten elements fail before anything is read; eleven
        // placeholders say so.
        const LONG count = upper - lower + 1;
        UserVariables before(static_cast<std::size_t>(
            std::min<LONG>(std::max<LONG>(count, 0), kMaxUserVariables + 1)));
        if (count <= static_cast<LONG>(kMaxUserVariables)) {
            for (LONG k = 0; k < count; ++k) {
                if (!read_element(elements, type, lower + k, before[static_cast<std::size_t>(k)])) {
                    record.clear();
                    return fail(record, runtime_error::TypeMismatch);
                }
            }
        }
        UserVariables variables = before;
        const int32_t result = interpreter.RunScript(path, &variables);
        if (count <= static_cast<LONG>(kMaxUserVariables)) {
            for (LONG k = 0; k < count; ++k) {
                const auto n = static_cast<std::size_t>(k);
                if (variables[n] != before[n]) {
                    write_element(elements, type, lower + k, variables[n]);
                }
            }
        }
        return result;
    } catch (...) {
        record.clear();
        return fail(record, runtime_error::OutOfMemory);
    }
}

} // namespace drafthand::script
