// RunScript on the caller's UserVariable array as automation passes it: a
// SAFEARRAY of BSTR (early-bound callers) or of VARIANT (script clients).
// Element k (counted from the lower bound) is variable k. Every element the
// script changed is written back, also after a failed or cancelled run;
// elements it did not change keep their value and type.
#pragma once

#include "drafthand/script/interpreter.h"

#include <windows.h>
// oleauto.h needs windows.h first.
#include <oleauto.h>

namespace drafthand::script {

// The result convention of RunScript: -1, CancelByUser or an error number with
// the last-error record filled. An array without dimensions, or of more than
// one dimension, is the index-out-of-range error (9); an array whose elements
// cannot be read as text is the type-mismatch error (13). Never throws.
int32_t RunScriptOnArray(ScriptInterpreter& interpreter, const std::wstring& path,
                         SAFEARRAY** array) noexcept;

} // namespace drafthand::script
