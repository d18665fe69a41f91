#include "tarn/testsupport/com_tests.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <cstdio>

namespace tarn::testsupport {

int run_com_tests(int& argc, char** argv) {
    // Unbuffered: a program that dies keeps what it had printed (the C
    // runtime buffers a redirected stdout whole).
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    ::testing::InitGoogleTest(&argc, argv);
    if (const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); FAILED(hr)) {
        std::fprintf(stderr, "CoInitializeEx failed: 0x%08lX\n", static_cast<unsigned long>(hr));
        return 2;
    }
    const int result = RUN_ALL_TESTS();
    ::CoUninitialize();
    return result;
}

} // namespace tarn::testsupport
