# What is released, made by scripts/package.sh: on Windows the MSI per
# architecture (the msi target; the zip holds the same files), on Linux the
# Debian package (cpack -G DEB, in a build configured for /usr).
if(WIN32)
  install(FILES ${PROJECT_SOURCE_DIR}/docs/windows-readme.txt DESTINATION . RENAME README.txt)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(architecture x64)
  else()
    set(architecture x86)
  endif()
  set(msi ${CMAKE_BINARY_DIR}/Tarnwick-${PROJECT_VERSION}-${architecture}.msi)
  add_custom_command(OUTPUT ${msi}
    COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR} -DVERSION=${PROJECT_VERSION}
            -DARCH=${architecture} -DOUTPUT=${msi}
            -P ${PROJECT_SOURCE_DIR}/packaging/windows/make_msi.cmake
    DEPENDS tarnwick tarnwick-extcap Pondel tarnwick-extcap-launcher
            ${PROJECT_SOURCE_DIR}/packaging/windows/tarnwick.wxs
            ${PROJECT_SOURCE_DIR}/packaging/windows/make_msi.cmake
            ${PROJECT_SOURCE_DIR}/docs/windows-readme.txt
    VERBATIM)
  add_custom_target(msi DEPENDS ${msi})
  return()
endif()

# Linux: what a Debian package holds beyond the programs (app/, extcap/,
# tools/vornex_sim/): the documents, the manual pages, the changelog and
# copyright that Debian asks for; gzipped as Debian wants, without a time in
# the gzip header.
include(GNUInstallDirs)
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/tarnwick)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/vornex-protocol.md
              ${PROJECT_SOURCE_DIR}/packaging/debian/copyright
        DESTINATION ${doc_dir})
string(TIMESTAMP release_date "%a, %d %b %Y %H:%M:%S +0000" UTC)  # SOURCE_DATE_EPOCH, if set
configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in
               ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
set(gzipped "")
foreach(page tarnwick vornex-sim tarnwick-extcap)
  list(APPEND gzipped ${PROJECT_SOURCE_DIR}/docs/man/${page}.1)
endforeach()
list(APPEND gzipped ${CMAKE_BINARY_DIR}/packaging/changelog)
set(outputs "")
foreach(file IN LISTS gzipped)
  get_filename_component(name ${file} NAME)
  set(output ${CMAKE_BINARY_DIR}/packaging/${name}.gz)
  add_custom_command(OUTPUT ${output} COMMAND gzip -9nc ${file} > ${output} DEPENDS ${file}
                     VERBATIM)
  list(APPEND outputs ${output})
endforeach()
add_custom_target(package_documents ALL DEPENDS ${outputs})
list(POP_BACK outputs changelog)
install(FILES ${outputs} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${changelog} DESTINATION ${doc_dir})

# The Debian package (CPack's DEB generator: the install rules above are the
# package's contents, so a package and cmake --install cannot differ).
# Staged with DESTDIR, so that the link into Wireshark's extcap folder
# (extcap/install_extcap.cmake) lands in the package, not on this machine.
set(CPACK_PACKAGE_NAME tarnwick)
set(CPACK_PACKAGE_VENDOR "The Tarnwick developers")
set(CPACK_PACKAGE_CONTACT "The Tarnwick developers <tarnwick@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "capture ARCNET messages for Wireshark")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_SET_DESTDIR ON)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_NAME tarnwick)
set(CPACK_DEBIAN_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# dpkg-shlibdeps finds the stand-in library, the package's own, in the build.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/bin)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "wireshark | tshark")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_DESCRIPTION "Tarnwick records the frames on an ARCNET network (BACnet over
ARCNET, as in building-automation networks) into a pcap file that Wireshark
opens, plus a readable hex dump. It captures from a USB adapter, a PCI card
or a network server device reached over TCP/IP.
.
The package holds the program, tarnwick-extcap (so that Wireshark and tshark
capture from the adapters themselves), the device simulator vornex-sim and a
stand-in adapter library that simulates an ARCNET network until the maker's
library is at hand.")
include(CPack)
