# Run by cmake --install: puts tarnwick-extcap where Wireshark looks for
# extcap programs.
#
#   TARNWICK_EXTCAP_DIR set at configure time: that folder.
#   An install into the home folder (a user install, such as
#   cmake --install build --prefix ~/.local): the personal extcap folder,
#   $XDG_CONFIG_HOME/wireshark/extcap, by default ~/.config/wireshark/extcap.
#   Any other install (a system one, such as the default /usr/local): the
#   global extcap folder of this machine's Wireshark.
#
# On Linux a symbolic link to the installed program, which finds its library
# from where it really lies. Windows has no such links: the program and
# Pondel.dll are copied (Wireshark runs only the programs there).
set(home "$ENV{HOME}")
if(WIN32)
  set(home "$ENV{USERPROFILE}")
endif()
set(user_install FALSE)
if(home)
  cmake_path(IS_PREFIX home "${CMAKE_INSTALL_PREFIX}" NORMALIZE user_install)
endif()

if(TARNWICK_EXTCAP_DIR)
  set(folder "${TARNWICK_EXTCAP_DIR}")
elseif(user_install AND WIN32)
  set(folder "$ENV{APPDATA}/Wireshark/extcap")
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
set(destination "$ENV{DESTDIR}${folder}")
file(MAKE_DIRECTORY "${destination}")
if(WIN32)
  message(STATUS "Installing: ${destination} (tarnwick-extcap for Wireshark)")
  file(COPY "${program}" "${CMAKE_INSTALL_PREFIX}/${TARNWICK_EXTCAP_LIBRARY}"
       DESTINATION "${destination}")
else()
  get_filename_component(name "${program}" NAME)
  message(STATUS "Installing: ${destination}/${name} -> ${program} (for Wireshark)")
  file(CREATE_LINK "${program}" "${destination}/${name}" SYMBOLIC)
endif()
