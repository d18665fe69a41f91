#include "tarn/testsupport/com_tests.h"

#include <gtest/gtest.h>

#include <objbase.h>

namespace tarn::testsupport {

int run_com_tests(int& argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        return 2;
    }
    const int result = RUN_ALL_TESTS();
    ::CoUninitialize();
    return result;
}

} // namespace tarn::testsupport
