# The Windows zips (cpack -G ZIP in a Windows build folder): Tarnwick.exe,
# Pondel.dll and a short read-me, one zip per architecture.
if(NOT WIN32)
  return()
endif()

install(FILES ${PROJECT_SOURCE_DIR}/docs/windows-readme.txt DESTINATION . RENAME README.txt)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(architecture x64)
else()
  set(architecture x86)
endif()
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Tarnwick)
set(CPACK_PACKAGE_VENDOR "The Tarnwick developers")
set(CPACK_PACKAGE_FILE_NAME "Tarnwick-${PROJECT_VERSION}-windows-${architecture}")
set(CPACK_STRIP_FILES ON)
include(CPack)
