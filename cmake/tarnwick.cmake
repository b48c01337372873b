# What every target of ours shares: its compiler options, and the rule by
# which the folders see each other's headers.

# Where a folder keeps what it writes once per operating system (platform/,
# pondel/): posix/ or win32/, with the same file names in each.
if(WIN32)
  set(TARNWICK_OS win32)
else()
  set(TARNWICK_OS posix)
endif()

# Warnings, and the sanitizers that a preset asks for, for every target of
# ours (each links this privately); nothing is set for the whole tree.
add_library(tarnwick_options INTERFACE)
if(MSVC)
  target_compile_options(tarnwick_options INTERFACE /W4 $<$<BOOL:${TARNWICK_WERROR}>:/WX>)
else()
  target_compile_options(tarnwick_options INTERFACE -Wall -Wextra -Wpedantic
                                                    $<$<BOOL:${TARNWICK_WERROR}>:-Werror>)
endif()
if(TARNWICK_SANITIZE)
  target_compile_options(tarnwick_options INTERFACE -fsanitize=${TARNWICK_SANITIZE}
                         -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(tarnwick_options INTERFACE -fsanitize=${TARNWICK_SANITIZE})
endif()

# tarnwick_headers(<target> [HEADERS <header>...])
#
# Headers are included by their path from the top ("receive/rx_dlg.h"), but
# the top folder itself is on no include path. Each target gets an include
# folder of its own holding, under the same paths, one-line headers that
# include its real ones (by default every header of the current folder), and
# hands it on to whatever links the target. So a folder sees exactly the
# headers of the targets it links, and an include of anything else does not
# compile: the layers are stated once, in target_link_libraries.
function(tarnwick_headers target)
  cmake_parse_arguments(ARG "" "" "HEADERS" ${ARGN})
  if(NOT ARG_HEADERS)
    file(GLOB ARG_HEADERS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  endif()
  set(root ${PROJECT_BINARY_DIR}/include/${target})
  set(wanted "")
  foreach(header IN LISTS ARG_HEADERS)
    get_filename_component(real ${header} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    file(RELATIVE_PATH name ${PROJECT_SOURCE_DIR} ${real})
    # Written only when it changes, so a new configure rebuilds nothing.
    file(CONFIGURE OUTPUT ${root}/${name} CONTENT "#include \"${real}\"\n" @ONLY)
    list(APPEND wanted ${root}/${name})
  endforeach()
  # A header that is gone leaves no forwarder behind.
  file(GLOB_RECURSE present ${root}/*.h)
  foreach(stale IN LISTS present)
    if(NOT stale IN_LIST wanted)
      file(REMOVE ${stale})
    endif()
  endforeach()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()
