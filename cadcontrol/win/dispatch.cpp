#include "dispatch.h"

#include <vector>

namespace drafthand::win {
namespace {

// mingw declares the source arguments of the Variant functions non-const;
// they only read them.
VARIANT* readable(const VARIANT& value) {
    return const_cast<VARIANT*>(&value);
}

bool kind_matches(INVOKEKIND kind, WORD flags) {
    if ((flags & DISPATCH_PROPERTYPUT) != 0) {
        return kind == INVOKE_PROPERTYPUT;
    }
    if ((flags & DISPATCH_PROPERTYPUTREF) != 0) {
        return kind == INVOKE_PROPERTYPUTREF;
    }
    return (kind == INVOKE_FUNC && (flags & DISPATCH_METHOD) != 0) ||
           (kind == INVOKE_PROPERTYGET && (flags & DISPATCH_PROPERTYGET) != 0);
}

// The VARIANT type a parameter is declared with, and whether it is passed by
// reference. Enumerations are 32-bit integers.
HRESULT declared_type(ITypeInfo* info, const TYPEDESC& declared, VARTYPE& type, bool& by_ref) {
    const TYPEDESC* desc = &declared;
    by_ref = false;
    if (desc->vt == VT_PTR) {
        by_ref = true;
        desc = desc->lptdesc;
    }
    if (desc->vt == VT_SAFEARRAY) {
        type = static_cast<VARTYPE>(VT_ARRAY | desc->lptdesc->vt);
        return S_OK;
    }
    if (desc->vt != VT_USERDEFINED) {
        type = desc->vt;
        return S_OK;
    }
    tarn::com_ptr<ITypeInfo> referenced;
    HRESULT hr = info->GetRefTypeInfo(desc->hreftype, referenced.put());
    if (FAILED(hr)) {
        return hr;
    }
    TYPEATTR* attributes = nullptr;
    hr = referenced->GetTypeAttr(&attributes);
    if (FAILED(hr)) {
        return hr;
    }
    const TYPEKIND kind = attributes->typekind;
    referenced->ReleaseTypeAttr(attributes);
    if (kind != TKIND_ENUM) {
        return DISP_E_TYPEMISMATCH;
    }
    type = VT_I4;
    return S_OK;
}

// Element types read and written through a VARIANT's 8-byte value field.
bool simple_element(VARTYPE type) {
    switch (type) {
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_I8:
    case VT_UI8:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_BOOL:
    case VT_ERROR:
    case VT_BSTR:
        return true;
    default:
        return false;
    }
}

HRESULT bounds_of(SAFEARRAY* array, LONG& lower, LONG& upper) {
    if (array == nullptr || ::SafeArrayGetDim(array) != 1 ||
        FAILED(::SafeArrayGetLBound(array, 1, &lower)) ||
        FAILED(::SafeArrayGetUBound(array, 1, &upper))) {
        return DISP_E_TYPEMISMATCH;
    }
    return S_OK;
}

// Copies every element of one one-dimensional array into another of the same
// bounds, converted to the target's element type.
HRESULT copy_elements(SAFEARRAY* source, VARTYPE source_element, SAFEARRAY* target,
                      VARTYPE element) {
    const auto usable = [](VARTYPE type) { return type == VT_VARIANT || simple_element(type); };
    LONG lower = 0;
    LONG upper = -1;
    LONG target_lower = 0;
    LONG target_upper = -1;
    if (!usable(source_element) || !usable(element) || FAILED(bounds_of(source, lower, upper)) ||
        FAILED(bounds_of(target, target_lower, target_upper)) || lower != target_lower ||
        upper != target_upper) {
        return DISP_E_TYPEMISMATCH;
    }
    for (LONG index = lower; index <= upper; ++index) {
        tarn::unique_variant item;
        tarn::unique_variant converted;
        HRESULT hr = S_OK;
        if (source_element == VT_VARIANT) {
            hr = ::SafeArrayGetElement(source, &index, item.put());
        } else {
            item.get()->vt = source_element;
            hr = ::SafeArrayGetElement(source, &index, &item.get()->byref);
        }
        if (SUCCEEDED(hr)) {
            hr = element == VT_VARIANT
                     ? ::VariantCopyInd(converted.put(), item.get())
                     : ::VariantChangeType(converted.put(), item.get(), 0, element);
        }
        if (SUCCEEDED(hr)) {
            void* value = element == VT_VARIANT ? static_cast<void*>(converted.get())
                          : element == VT_BSTR  ? static_cast<void*>(converted.get()->bstrVal)
                                                : static_cast<void*>(&converted.get()->byref);
            hr = ::SafeArrayPutElement(target, &index, value);
        }
        if (FAILED(hr)) {
            return DISP_E_TYPEMISMATCH;
        }
    }
    return S_OK;
}

// A new array of the given element type with the source's bounds and
// converted elements (a script's array of VARIANT for a declared array of
// BSTR).
HRESULT convert_array(SAFEARRAY* source, VARTYPE source_element, VARTYPE element,
                      tarn::unique_safearray& target) {
    LONG lower = 0;
    LONG upper = -1;
    if (FAILED(bounds_of(source, lower, upper))) {
        return DISP_E_TYPEMISMATCH;
    }
    SAFEARRAYBOUND bound{static_cast<ULONG>(upper - lower + 1), lower};
    target.reset(::SafeArrayCreate(element, 1, &bound));
    if (!target) {
        return E_OUTOFMEMORY;
    }
    return copy_elements(source, source_element, target.get(), element);
}

} // namespace

namespace detail {

// Converts a client's argument (possibly by reference) to the declared type.
HRESULT convert_argument(const VARIANT& source, VARTYPE type, VARIANT* target) {
    tarn::unique_variant plain;
    HRESULT hr = ::VariantCopyInd(plain.put(), readable(source));
    if (FAILED(hr)) {
        return DISP_E_TYPEMISMATCH;
    }
    if (type == VT_VARIANT) {
        return ::VariantCopy(target, plain.get());
    }
    if ((type & VT_ARRAY) == 0) {
        hr = ::VariantChangeType(target, plain.get(), 0, type);
        return FAILED(hr) ? DISP_E_TYPEMISMATCH : S_OK;
    }
    if ((plain.get()->vt & VT_ARRAY) == 0) {
        return DISP_E_TYPEMISMATCH;
    }
    if (plain.get()->vt == type) {
        return ::VariantCopy(target, plain.get());
    }
    tarn::unique_safearray converted;
    hr = convert_array(plain.get()->parray, static_cast<VARTYPE>(plain.get()->vt & VT_TYPEMASK),
                       static_cast<VARTYPE>(type & VT_TYPEMASK), converted);
    if (FAILED(hr)) {
        return hr;
    }
    target->vt = type;
    target->parray = converted.release();
    return S_OK;
}

// Writes an in/out result back into the client's by-reference argument, in
// the client's own type.
HRESULT write_back(VARIANT& source, const VARIANT& value) {
    if ((source.vt & VT_BYREF) == 0 || source.byref == nullptr) {
        return S_OK;
    }
    const auto target = static_cast<VARTYPE>(source.vt & ~VT_BYREF);
    if (target == VT_VARIANT) {
        VARIANT* inner = source.pvarVal;
        if (inner == nullptr) {
            return S_OK;
        }
        if ((inner->vt & VT_BYREF) != 0) {
            return write_back(*inner, value);
        }
        if ((inner->vt & VT_ARRAY) != 0 && (value.vt & VT_ARRAY) != 0) {
            // The script keeps its own array; its elements take the results.
            return copy_elements(value.parray, static_cast<VARTYPE>(value.vt & VT_TYPEMASK),
                                 inner->parray, static_cast<VARTYPE>(inner->vt & VT_TYPEMASK));
        }
        ::VariantClear(inner);
        return ::VariantCopy(inner, readable(value));
    }
    tarn::unique_variant converted;
    if ((target & VT_ARRAY) != 0) {
        if ((value.vt & VT_ARRAY) == 0) {
            return DISP_E_TYPEMISMATCH;
        }
        return copy_elements(value.parray, static_cast<VARTYPE>(value.vt & VT_TYPEMASK),
                             *source.pparray, static_cast<VARTYPE>(target & VT_TYPEMASK));
    }
    HRESULT hr = ::VariantChangeType(converted.get(), readable(value), 0, target);
    if (FAILED(hr)) {
        return hr;
    }
    VARIANT& v = *converted.get();
    switch (target) {
    case VT_BSTR:
        ::SysFreeString(*source.pbstrVal);
        *source.pbstrVal = std::exchange(v.bstrVal, nullptr);
        v.vt = VT_EMPTY;
        return S_OK;
    case VT_I1:
    case VT_UI1:
        *source.pbVal = v.bVal;
        return S_OK;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
        *source.piVal = v.iVal;
        return S_OK;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_ERROR:
        *source.plVal = v.lVal;
        return S_OK;
    case VT_R4:
        *source.pfltVal = v.fltVal;
        return S_OK;
    case VT_R8:
    case VT_DATE:
        *source.pdblVal = v.dblVal;
        return S_OK;
    case VT_CY:
    case VT_I8:
    case VT_UI8:
        *source.pllVal = v.llVal;
        return S_OK;
    default:
        return DISP_E_TYPEMISMATCH;
    }
}

} // namespace detail

using detail::convert_argument;
using detail::write_back;

HRESULT load_type_info(REFIID iid, tarn::com_ptr<ITypeInfo>& client_view,
                       tarn::com_ptr<ITypeInfo>& vtable_view) {
    try {
        tarn::com_ptr<ITypeLib> library;
        HRESULT hr = ::LoadTypeLibEx(module_path().c_str(), REGKIND_NONE, library.put());
        if (FAILED(hr)) {
            return hr;
        }
        tarn::com_ptr<ITypeInfo> info;
        hr = library->GetTypeInfoOfGuid(iid, info.put());
        if (FAILED(hr)) {
            return hr;
        }
        TYPEATTR* attributes = nullptr;
        hr = info->GetTypeAttr(&attributes);
        if (FAILED(hr)) {
            return hr;
        }
        const bool dispatch_view = attributes->typekind == TKIND_DISPATCH;
        info->ReleaseTypeAttr(attributes);
        tarn::com_ptr<ITypeInfo> vtable = info.copy();
        if (dispatch_view) {
            // A dual interface: ITypeInfo::Invoke calls through the vtable
            // description, which also lists the retval parameters.
            HREFTYPE reference = 0;
            if (SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &reference))) {
                tarn::com_ptr<ITypeInfo> described;
                if (SUCCEEDED(info->GetRefTypeInfo(reference, described.put()))) {
                    vtable = std::move(described);
                }
            }
        }
        client_view = std::move(info);
        vtable_view = std::move(vtable);
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

FunctionTable::~FunctionTable() {
    for (FUNCDESC* function : functions_) {
        info_->ReleaseFuncDesc(function);
    }
}

HRESULT FunctionTable::load(ITypeInfo* info) noexcept {
    std::vector<FUNCDESC*> functions;
    const auto release_all = [&] {
        for (FUNCDESC* function : functions) {
            info->ReleaseFuncDesc(function);
        }
    };
    try {
        TYPEATTR* attributes = nullptr;
        HRESULT hr = info->GetTypeAttr(&attributes);
        if (FAILED(hr)) {
            return hr;
        }
        const UINT count = attributes->cFuncs;
        info->ReleaseTypeAttr(attributes);
        functions.reserve(count);
        // By index, not GetFuncIndexOfMemId: Wine's indexes for that do not
        // agree with GetFuncDesc.
        for (UINT index = 0; index < count; ++index) {
            FUNCDESC* function = nullptr;
            hr = info->GetFuncDesc(index, &function);
            if (FAILED(hr)) {
                release_all();
                return hr;
            }
            functions.push_back(function);
        }
    } catch (const std::bad_alloc&) {
        release_all();
        return E_OUTOFMEMORY;
    }
    info->AddRef();
    info_ = tarn::com_ptr<ITypeInfo>::attach(info);
    functions_ = std::move(functions);
    return S_OK;
}

const FUNCDESC* FunctionTable::find(DISPID member, WORD flags) const {
    for (const FUNCDESC* function : functions_) {
        if (function->memid == member && kind_matches(function->invkind, flags)) {
            return function;
        }
    }
    return nullptr;
}

HRESULT invoke_with_conversion(const FunctionTable& functions, void* instance, DISPID member,
                               WORD flags, DISPPARAMS* params, VARIANT* result,
                               EXCEPINFO* exception, UINT* argument_error) noexcept {
    try {
        DISPPARAMS no_arguments{nullptr, nullptr, 0, 0};
        if (params == nullptr) {
            params = &no_arguments;
        }
        if ((params->cArgs > 0 && params->rgvarg == nullptr) ||
            params->cNamedArgs > params->cArgs) {
            return E_INVALIDARG;
        }
        const FUNCDESC* function = functions.find(member, flags);
        if (function == nullptr) {
            return DISP_E_MEMBERNOTFOUND;
        }
        const FUNCDESC& desc = *function;
        ITypeInfo* info = functions.info();
        HRESULT hr = S_OK;
        const bool put =
            desc.invkind == INVOKE_PROPERTYPUT || desc.invkind == INVOKE_PROPERTYPUTREF;
        if (params->cNamedArgs > 0) {
            const bool put_value = put && params->cNamedArgs == 1 &&
                                   params->rgdispidNamedArgs != nullptr &&
                                   params->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT;
            if (!put_value) {
                return DISP_E_NONAMEDARGS;
            }
        } else if (put) {
            return DISP_E_PARAMNOTOPTIONAL;
        }

        // Declared parameters the client supplies (the retval is ours).
        UINT declared = 0;
        while (declared < static_cast<UINT>(desc.cParams) &&
               (desc.lprgelemdescParam[declared].paramdesc.wParamFlags & PARAMFLAG_FRETVAL) == 0) {
            ++declared;
        }
        if (params->cArgs > declared) {
            return DISP_E_BADPARAMCOUNT;
        }

        // Client argument of declared parameter i, or null when not given.
        const UINT positional = params->cArgs - params->cNamedArgs;
        const auto argument_of = [&](UINT i) -> VARIANT* {
            if (put && i + 1 == declared) {
                return &params->rgvarg[0];
            }
            if (i >= positional) {
                return nullptr;
            }
            VARIANT* argument = &params->rgvarg[params->cArgs - 1 - i];
            const bool missing =
                argument->vt == VT_ERROR && argument->scode == DISP_E_PARAMNOTFOUND;
            return missing ? nullptr : argument;
        };
        const auto argument_index = [&](UINT i) -> UINT {
            return put && i + 1 == declared ? 0 : params->cArgs - 1 - i;
        };

        std::vector<tarn::unique_variant> storage(declared);
        std::vector<VARIANT> passed(declared); // declaration order
        std::vector<VARIANT*> write_backs(declared, nullptr);
        for (UINT i = 0; i < declared; ++i) {
            const ELEMDESC& element = desc.lprgelemdescParam[i];
            VARTYPE type = VT_EMPTY;
            bool by_ref = false;
            hr = declared_type(info, element.tdesc, type, by_ref);
            if (FAILED(hr)) {
                return hr;
            }
            VARIANT* argument = argument_of(i);
            VARIANT* value = storage[i].get();
            if (argument == nullptr) {
                const PARAMDESC& param = element.paramdesc;
                if ((param.wParamFlags & PARAMFLAG_FOPT) == 0) {
                    return DISP_E_BADPARAMCOUNT;
                }
                if ((param.wParamFlags & PARAMFLAG_FHASDEFAULT) != 0 && param.pparamdescex) {
                    hr = convert_argument(param.pparamdescex->varDefaultValue, type, value);
                    if (FAILED(hr)) {
                        return hr;
                    }
                } else {
                    value->vt = VT_ERROR;
                    value->scode = DISP_E_PARAMNOTFOUND;
                }
            } else if (by_ref && argument->vt == (type | VT_BYREF)) {
                // Already what the method takes: it writes the client's value.
                passed[i] = *argument;
                continue;
            } else {
                hr = convert_argument(*argument, type, value);
                if (FAILED(hr)) {
                    if (argument_error != nullptr) {
                        *argument_error = argument_index(i);
                    }
                    return DISP_E_TYPEMISMATCH;
                }
                if (by_ref) {
                    write_backs[i] = argument;
                }
            }
            if (by_ref) {
                VariantInit(&passed[i]);
                passed[i].vt = static_cast<VARTYPE>(type | VT_BYREF);
                passed[i].byref = type == VT_VARIANT ? static_cast<void*>(value)
                                                     : static_cast<void*>(&value->byref);
            } else {
                passed[i] = *value; // storage keeps ownership
            }
        }

        std::vector<VARIANT> reversed(passed.rbegin(), passed.rend());
        DISPID put_id = DISPID_PROPERTYPUT;
        DISPPARAMS converted{reversed.empty() ? nullptr : reversed.data(), put ? &put_id : nullptr,
                             declared, put ? 1u : 0u};
        tarn::unique_variant ignored_result;
        UINT ignored_error = 0;
        hr = info->Invoke(instance, member, flags, &converted,
                          result != nullptr ? result : ignored_result.get(), exception,
                          argument_error != nullptr ? argument_error : &ignored_error);
        if (FAILED(hr)) {
            return hr;
        }
        for (UINT i = 0; i < declared; ++i) {
            if (write_backs[i] != nullptr) {
                const HRESULT written = write_back(*write_backs[i], *storage[i].get());
                if (FAILED(written)) {
                    return written;
                }
            }
        }
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

HRESULT to_bstr(const std::wstring& text, BSTR* out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = tarn::make_bstr(text).release();
    return *out == nullptr ? E_OUTOFMEMORY : S_OK;
}

} // namespace drafthand::win
