# Cross build for 32-bit Windows with mingw-w64 on Debian.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TARN_MINGW_TRIPLE i686-w64-mingw32)
# Doubles are computed in SSE2 registers, as on x64, so that both builds round
# every operation the same way and give the same bits; the x87 unit's excess
# precision would not. The calling convention is unchanged (doubles still come
# back on the x87 stack). Callers may hand us a 4-byte aligned stack, so
# functions realign it where SSE spills need 16 bytes.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
