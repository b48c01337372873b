# Makes Tarnwick's MSI from a Windows build folder (cmake -P; run by the
# build's msi target, and by the upgrade test for an older version):
#   -DBUILD_DIR=... -DVERSION=1.0.0 -DARCH=x64|x86 -DOUTPUT=....msi
# Its files are those the build installs, stripped (in BUILD_DIR/stage, from
# which scripts/package.sh also makes the zip), and the stand-in for
# Wireshark's extcap folder (in BUILD_DIR/stage-msi).
set(here ${CMAKE_CURRENT_LIST_DIR})
file(REMOVE_RECURSE ${BUILD_DIR}/stage ${BUILD_DIR}/stage-msi)
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${BUILD_DIR}/stage --strip
                OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${BUILD_DIR}/stage-msi
                        --strip --component msi
                OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
# wixl takes its sources by paths relative to where it runs.
file(COPY ${here}/../../res/tarnwick.ico DESTINATION ${BUILD_DIR}/stage-msi)

# The upgrade code ties every version of one architecture together; the
# product code is new for each version (a major upgrade) and made from the
# version, so that one release always makes the same package.
if(ARCH STREQUAL "x64")
  set(upgrade_code 1df9f9ee-fe94-4749-b7ea-f0b26acaf208)
  set(platform x64)
  set(program_files ProgramFiles64Folder)
  set(win64 yes)
else()
  set(upgrade_code 06ca074c-74c4-4952-8fcb-91253740493d)
  set(platform Intel)
  set(program_files ProgramFilesFolder)
  set(win64 no)
endif()
string(UUID product_code NAMESPACE ${upgrade_code} NAME ${VERSION} TYPE SHA1 UPPER)
# The package code names these very bytes: made from the files it holds.
set(contents ${VERSION})
file(GLOB_RECURSE staged ${BUILD_DIR}/stage/* ${BUILD_DIR}/stage-msi/*)
list(SORT staged)
foreach(file IN LISTS staged)
  file(SHA256 ${file} hash)
  string(APPEND contents ";${hash}")
endforeach()
string(UUID package_code NAMESPACE ${upgrade_code} NAME "${contents}" TYPE SHA1 UPPER)

# A release (SOURCE_DATE_EPOCH set) makes the same bytes each time: the
# files' times in the cabinet are the commit's, and so is the creation time
# in the summary, which wixl takes from the clock (faketime sets it).
set(clock "")
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  file(GLOB_RECURSE staged ${BUILD_DIR}/stage/* ${BUILD_DIR}/stage-msi/*)
  execute_process(COMMAND touch -d @$ENV{SOURCE_DATE_EPOCH} ${staged} COMMAND_ERROR_IS_FATAL ANY)
  find_program(FAKETIME faketime REQUIRED)
  string(TIMESTAMP now "%Y-%m-%d %H:%M:%S" UTC)
  set(clock ${CMAKE_COMMAND} -E env TZ=UTC ${FAKETIME} -f ${now})
endif()
find_program(WIXL wixl REQUIRED)
find_program(MSIBUILD msibuild REQUIRED)
execute_process(
  COMMAND ${clock} ${WIXL} --arch ${ARCH} -o ${OUTPUT}
          -D Version=${VERSION} -D ProductCode=${product_code} -D UpgradeCode=${upgrade_code}
          -D ProgramFiles=${program_files} -D Win64=${win64} -D Stage=stage
          -D Launcher=stage-msi/tarnwick-extcap-launcher.exe -D Icon=stage-msi/tarnwick.ico
          ${here}/tarnwick.wxs
  WORKING_DIRECTORY ${BUILD_DIR}
  COMMAND_ERROR_IS_FATAL ANY)
# What wixl cannot write: the package code (it makes a random one), and the
# condition that puts the stand-in into Wireshark's folder only where a
# Wireshark was found.
execute_process(
  COMMAND ${MSIBUILD} ${OUTPUT}
          -s "Tarnwick ${VERSION}" "The Tarnwick developers" "${platform};1033" "{${package_code}}"
  COMMAND_ERROR_IS_FATAL ANY)
execute_process(
  COMMAND ${MSIBUILD} ${OUTPUT}
          -q "UPDATE Component SET Condition = 'WIRESHARKFOUND' WHERE Component = 'WiresharkLauncher'"
  COMMAND_ERROR_IS_FATAL ANY)
