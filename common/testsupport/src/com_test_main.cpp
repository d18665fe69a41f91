// The main of a test program whose tests call COM objects on its one
// apartment thread.
#include <gtest/gtest.h>

#include <objbase.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        return 2;
    }
    const int result = RUN_ALL_TESTS();
    ::CoUninitialize();
    return result;
}
