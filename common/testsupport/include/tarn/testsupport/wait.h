// Waiting for something another process does. Windows only.
#pragma once

#include <windows.h>

#include <functional>

namespace tarn::testsupport {

// Default limit for what must happen, not a speed target: an emulated machine
// takes tens of seconds to start a program.
inline constexpr DWORD kDefaultWaitMs = 120000;

// Asks done() every poll_ms until it holds or limit_ms have passed; success
// returns at once. done() is asked once more at the limit.
bool wait_until(const std::function<bool()>& done, DWORD limit_ms = kDefaultWaitMs,
                DWORD poll_ms = 50);

} // namespace tarn::testsupport
