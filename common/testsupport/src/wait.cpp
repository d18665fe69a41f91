#include "tarn/testsupport/wait.h"

#include <chrono>
#include <thread>

namespace tarn::testsupport {

bool wait_until(const std::function<bool()>& done, DWORD limit_ms, DWORD poll_ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit_ms);
    while (std::chrono::steady_clock::now() < end) {
        if (done()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(poll_ms));
    }
    return done();
}

} // namespace tarn::testsupport
