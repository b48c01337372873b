# What the two mingw-w64 toolchain files share. The -posix compilers, whose
# C++ runtime has std::thread; the runtime linked statically, so that
# Tarnwick.exe and Pondel.dll need no MinGW DLL beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${TARNWICK_MINGW_TRIPLET})

set(CMAKE_C_COMPILER ${TARNWICK_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARNWICK_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TARNWICK_MINGW_TRIPLET}-windres)
set(CMAKE_STRIP ${TARNWICK_MINGW_TRIPLET}-strip CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${TARNWICK_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No link time in the programs (the PE header and a DLL's export table): the
# same sources link to the same bytes, and a release's strip writes the
# commit's time into the header.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -Wl,--no-insert-timestamp")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -Wl,--no-insert-timestamp")

# Test programs run under Wine (ctest, and GoogleTest's discovery at build
# time). 64-bit Wine only: this kernel runs no 32-bit programs.
if(TARNWICK_MINGW_TRIPLET STREQUAL "x86_64-w64-mingw32" AND EXISTS /usr/lib/wine/wine64)
  set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
endif()

# The libraries of a link resolve each other in any order, as with the
# Windows linker: GNU ld scans archives once, left to right, and a static
# library that calls Pondel may come after Pondel's import library.
set(CMAKE_USER_MAKE_RULES_OVERRIDE ${CMAKE_CURRENT_LIST_DIR}/mingw_rules.cmake)
