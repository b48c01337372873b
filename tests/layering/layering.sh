#!/usr/bin/env bash
# The layers of the source tree, checked with grep. The build already
# refuses an include of a folder that a target does not link (each target
# sees only the headers of what it links); this also catches what no
# include path can: toolkit and operating-system headers in the system's
# code, and the build files' own rules. Prints each offence; fails on any.
set -u
cd "${1:-$(dirname "$0")/../..}" || exit 2

failed=0
offence() {
  echo "$1:"
  sed 's/^/  /'
  failed=1
}
# grep -n over the C++ files of some folders: lines matching $1.
includes() {
  local pattern=$1
  shift
  find "$@" -name '*.h' -o -name '*.cpp' 2>/dev/null | sort | xargs -r grep -n -E "$pattern"
}

system_folders=(app settings adapter capture dialogs res)
toolkit='#include *<(Q[A-Za-z]*|qt[a-z]*/|windows\.h|winsock2?\.h|ws2tcpip\.h|commctrl\.h|unistd\.h|pthread\.h|poll\.h|fcntl\.h|dlfcn\.h|sys/[a-z_]+\.h)>'

hits=$(includes "$toolkit" "${system_folders[@]}" ui/*.h ui/*.cpp)
[ -n "$hits" ] && offence "Toolkit or operating-system headers outside ui/<backend>/, platform/ and pondel/" <<<"$hits"

portable_ui=$(ls ui/*.h ui/*.cpp)
hits=$(includes '#include *"(app|settings|adapter|capture|dialogs|res|pondel)/' $portable_ui ui/*/)
[ -n "$hits" ] && offence "ui/ includes the system's folders or res/" <<<"$hits"
hits=$(grep -n -E '\bIDR_|\bIDD_|\bIDC_|\bIDS_' $portable_ui ui/*/*.h ui/*/*.cpp 2>/dev/null | grep -v -E '//.*\bID[A-Z]_')
[ -n "$hits" ] && offence "ui/ names the system's resources" <<<"$hits"

hits=$(includes '#include *"ui/automation' "${system_folders[@]}" extcap)
[ -n "$hits" ] && offence "The system drives its windows through test code (ui/automation*.h)" <<<"$hits"

hits=$(includes '#include *"(adapter|app|settings|capture|dialogs|res|ui)/' platform)
[ -n "$hits" ] && offence "platform/ includes the layers above it" <<<"$hits"

hits=$(find . -name CMakeLists.txt -not -path './build*' | xargs grep -n -E '^\s*(include_directories|add_compile_options|add_compile_definitions|link_libraries)\s*\(')
[ -n "$hits" ] && offence "Build settings for a whole folder instead of a target" <<<"$hits"

for folder in "${system_folders[@]}" platform ui; do
  grep -q -E "add_library\(tarnwick_${folder}\b" "$folder/CMakeLists.txt" 2>/dev/null ||
    echo "$folder/CMakeLists.txt" | offence "A folder that is not a target of its own (tarnwick_$folder)"
done

[ $failed -eq 0 ] && echo "The layers hold."
exit $failed
