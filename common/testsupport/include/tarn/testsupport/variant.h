// A VARIANT argument that refers to another, as a script passes a variable.
// Windows only.
#pragma once

#include <oleauto.h>
#include <windows.h>

namespace tarn::testsupport {

// Not owning: target must outlive the call it is passed to.
inline VARIANT by_ref(VARIANT* target) {
    VARIANT reference;
    ::VariantInit(&reference);
    reference.vt = VT_BYREF | VT_VARIANT;
    reference.pvarVal = target;
    return reference;
}

} // namespace tarn::testsupport
