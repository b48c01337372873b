# Cross-compiling Tarnwick.exe for 32-bit Windows with mingw-w64 (Debian's
# g++-mingw-w64-i686): the build whose ServerInitBlock has the 4-byte
# pointer of the maker's 32-bit library. Built, not run: this kernel runs no
# 32-bit programs.
set(TARNWICK_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
