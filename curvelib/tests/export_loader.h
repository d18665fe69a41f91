// Binds the auto_tarn5 exports by name, the way the drafting application does.
#pragma once

#include "curvelib.h"

#include <string>

using Tarn1 = int32_t(TARN_CALL*)(double, double, double, double, double, double, double, double);
using Tarn2 = int32_t(TARN_CALL*)(double, double, double, double, double, double, double, double,
                                  double, double);
using Tarn3 = int32_t(TARN_CALL*)(double, double, double, double, double, double, double, double,
                                  double);
using Tarn4 = double(TARN_CALL*)(double, double, double, double, double, double, double, double);
using Tarn5 = int32_t(TARN_CALL*)(double, double, double, double, double, double, double, double,
                                  double);
using Tarn6 = int32_t(TARN_CALL*)(double, double, double, double, double, double, double, double,
                                  double, double, double, double);
using Tarn7 = int32_t(TARN_CALL*)(double, double, double, double, double, double, double, double,
                                  double, double);
using TestFunction = double(TARN_CALL*)(double);

struct CurveLibrary {
    Tarn1 tarn1 = nullptr;
    Tarn2 tarn2 = nullptr;
    Tarn3 tarn3 = nullptr;
    Tarn4 tarn4 = nullptr;
    Tarn5 tarn5 = nullptr;
    Tarn6 tarn6 = nullptr;
    Tarn7 tarn7 = nullptr;
    TestFunction test = nullptr;
    std::string error; // empty when everything was bound
};

// Loads the library once (by bare name on Windows) and binds every export.
const CurveLibrary& curve_library();

// The name under which Test is exported on this platform.
const char* test_export_name();
