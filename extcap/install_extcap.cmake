# Run by cmake --install: puts tarnwick-extcap where Wireshark looks for
# extcap programs, as a relative symbolic link to the installed program
# (which finds its library from where it really lies), so that the link
# holds in a staged tree such as a package's too.
#
#   TARNWICK_EXTCAP_DIR set at configure time: that folder.
#   An install into the home folder (a user install, such as
#   cmake --install build --prefix ~/.local): the personal extcap folder,
#   $XDG_CONFIG_HOME/wireshark/extcap, by default ~/.config/wireshark/extcap.
#   Any other install (a system one, such as the default /usr/local): the
#   global extcap folder of this machine's Wireshark.
set(home "$ENV{HOME}")
set(user_install FALSE)
if(home)
  cmake_path(IS_PREFIX home "${CMAKE_INSTALL_PREFIX}" NORMALIZE user_install)
endif()

if(TARNWICK_EXTCAP_DIR)
  set(folder "${TARNWICK_EXTCAP_DIR}")
elseif(user_install)
  set(config "$ENV{XDG_CONFIG_HOME}")
  if(NOT IS_ABSOLUTE "${config}")
    set(config "${home}/.config")
  endif()
  set(folder "${config}/wireshark/extcap")
else()
  set(folder "${TARNWICK_GLOBAL_EXTCAP_DIR}")
endif()

set(program "${CMAKE_INSTALL_PREFIX}/${TARNWICK_EXTCAP_PROGRAM}")
cmake_path(RELATIVE_PATH program BASE_DIRECTORY "${folder}" OUTPUT_VARIABLE target)
set(link "$ENV{DESTDIR}${folder}/tarnwick-extcap")
message(STATUS "Installing: ${link} -> ${target} (for Wireshark)")
file(MAKE_DIRECTORY "$ENV{DESTDIR}${folder}")
file(CREATE_LINK "${target}" "${link}" SYMBOLIC)
