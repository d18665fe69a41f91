// The two published classes. Acad is created through the class factory;
// Control only by a successful Acad.Search.
#pragma once

#include "Drafthand_h.h"

#include "drafthand/records.h"

#include <windows.h>

namespace drafthand::win {

HRESULT create_acad(REFIID iid, void** out);
HRESULT create_control(ThreadRecords& records, _Control** out);

} // namespace drafthand::win
