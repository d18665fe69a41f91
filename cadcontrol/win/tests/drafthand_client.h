// What the C++ clients of the registered Drafthand.dll share: finding the
// running CAD program and taking its Control.
#pragma once

#include "Drafthand_h.h"

#include "drafthand/errors.h"
#include "tarn/testsupport/wait.h"
#include "tarn/unique.h"

namespace drafthand::testing {

// Searches until the CAD program is found (it may still be starting) or the
// limit passes; the last Search result, 0 when the call itself failed.
inline LONG search_until_found(_Acad* acad, DWORD limit_ms = 30000) {
    LONG result = 0;
    tarn::testsupport::wait_until(
        [&] {
            result = 0;
            return acad->Search(&result) != S_OK || result == kSuccess;
        },
        limit_ms, 100);
    return result;
}

// A new Acad linked to the running CAD program, and its Control; both empty
// when either step failed.
inline bool link_to_cad(tarn::com_ptr<_Acad>& acad, tarn::com_ptr<_Control>& control) {
    control.reset();
    if (::CoCreateInstance(CLSID_Acad, nullptr, CLSCTX_INPROC_SERVER, IID__Acad, acad.put_void()) !=
            S_OK ||
        search_until_found(acad.get()) != kSuccess || acad->get_Control(control.put()) != S_OK ||
        !control) {
        control.reset();
        return false;
    }
    return true;
}

} // namespace drafthand::testing
