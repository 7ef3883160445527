# Cross-compiling the 32-bit Windows program with mingw-w64 (posix thread
# model), for the ward PCs that still run 32-bit Windows 7. Its test
# executables run only where this machine has 32-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(triple i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

# GCC's 32-bit default is the x87 unit, whose 80-bit intermediates give other
# results than the 64-bit program (round(0.49999999999999994) gives 0, and
# 26/160*119 differs in the last bit). SSE2 arithmetic is the same on both.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
