# Cross-compiling Tarnwick.exe for 64-bit Windows with mingw-w64 (Debian's
# g++-mingw-w64-x86-64). The tests run under Wine.
set(TARNWICK_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
