#!/usr/bin/env bash
# The layers of the source tree, checked with grep. The build already
# refuses an include of a folder that a target does not link (each target
# sees only the headers of what it links); this also catches what no
# include path can: toolkit and operating-system headers in the system's
# code, folders that include each other in a loop, and the build files' own
# rules. Prints each offence; fails on any.
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

system_folders=(app settings adapter connect capture receive dialogs extcap res)
toolkit='#include *<(Q[A-Za-z]*|qt[a-z]*/|windows\.h|winsock2?\.h|ws2tcpip\.h|commctrl\.h|unistd\.h|pthread\.h|poll\.h|fcntl\.h|dlfcn\.h|sys/[a-z_]+\.h)>'

hits=$(includes "$toolkit" "${system_folders[@]}" ui/*.h ui/*.cpp)
[ -n "$hits" ] && offence "Toolkit or operating-system headers outside ui/<backend>/, platform/ and pondel/" <<<"$hits"

portable_ui=$(ls ui/*.h ui/*.cpp)
hits=$(includes '#include *"(app|settings|adapter|connect|capture|receive|dialogs|extcap|res|pondel)/' $portable_ui ui/*/)
[ -n "$hits" ] && offence "ui/ includes the system's folders or res/" <<<"$hits"
hits=$(grep -n -E '\bIDR_|\bIDD_|\bIDC_|\bIDS_' $portable_ui ui/*/*.h ui/*/*.cpp 2>/dev/null | grep -v -E '//.*\bID[A-Z]_')
[ -n "$hits" ] && offence "ui/ names the system's resources" <<<"$hits"

hits=$(includes '#include *"ui/automation' "${system_folders[@]}")
[ -n "$hits" ] && offence "The system drives its windows through test code (ui/automation*.h)" <<<"$hits"

hits=$(includes '#include *"(adapter|app|settings|connect|capture|receive|dialogs|extcap|res|ui)/' platform)
[ -n "$hits" ] && offence "platform/ includes the layers above it" <<<"$hits"

hits=$(find . -name CMakeLists.txt -not -path './build*' | xargs grep -n -E '^\s*(include_directories|add_compile_options|add_compile_definitions|link_libraries)\s*\(')
[ -n "$hits" ] && offence "Build settings for a whole folder instead of a target" <<<"$hits"

# One operating system per file: a system's code lives in its own files
# (posix/, win32/, chosen by the build), so #if on Windows is left only in
# the Windows folders and where an interface must say it, the adapter
# library's calling convention.
hits=$(find . \( -path './build*' -o -path ./.git -o -path ./platform/win32 -o -path ./ui/win32 \
         -o -path ./pondel/win32 \) -prune -o \( -name '*.h' -o -name '*.cpp' -o -name '*.in' \) \
         -print | grep -v -x ./adapter/com20020.h | sort |
       xargs -r grep -n -E '^\s*#\s*(if|elif|ifdef|ifndef)\b.*\b_WIN(32|64)\b')
[ -n "$hits" ] && offence "#if on the operating system outside its own folders" <<<"$hits"

# The folders include each other as layers: no loop, however long (static
# libraries that link each other in a circle would still build).
edges=$(for folder in "${system_folders[@]}" platform ui pondel tools; do
  grep -rhoE '#include *"[a-z_]+/' --include='*.h' --include='*.cpp' "$folder" |
    sed -E 's/#include *"//; s:/$::' | sort -u | grep -vx "$folder" | sed "s/^/$folder /"
done)
hits=$(tsort <<<"$edges" 2>&1 >/dev/null)
[ -n "$hits" ] && offence "Folders that include each other" <<<"$hits"

# One library per folder, named after it: a folder is one layer, and what
# it links is what it may include. Besides it a folder holds only test code
# kept out of the programs (tarnwick_*_automation) and, in res/, the
# compiled Windows resources.
for folder in "${system_folders[@]}" platform ui $(ls -d ui/*/ | sed 's:/$::'); do
  libraries=$(sed -n -E 's/^\s*add_library\(([A-Za-z0-9_]+)( .*)?$/\1/p' "$folder/CMakeLists.txt" 2>/dev/null |
              grep -v -E '_automation$|_resource_script$' | xargs)
  # Not through a pipe: offence must run in this shell to mark the failure.
  [ "$libraries" = "tarnwick_${folder//\//_}" ] ||
    offence "A folder that is not exactly one library of its own (tarnwick_${folder//\//_})" \
      <<<"$folder/CMakeLists.txt: ${libraries:-none}"
done

# A folder's sources are built by its own CMakeLists.txt, or by its
# parent's where the parent picks among its subfolders (a backend, an
# operating system); never from elsewhere in the tree.
hits=$(find . -path './build*' -prune -o -path ./.git -prune -o -name '*.cpp' -printf '%h\n' |
       sort -u | while read -r dir; do
         [ -f "$dir/CMakeLists.txt" ] || [ -f "$(dirname "$dir")/CMakeLists.txt" ] || echo "$dir"
       done)
[ -n "$hits" ] && offence "Sources that no CMakeLists.txt of their folder or its parent builds" <<<"$hits"
hits=$(find . -name CMakeLists.txt -not -path './build*' |
       xargs grep -n -E '(\.\./|_SOURCE_DIR\}/)[^ )"]*\.(cpp|c|rc)\b')
[ -n "$hits" ] && offence "Sources built from another folder's CMakeLists.txt" <<<"$hits"

[ $failed -eq 0 ] && echo "The layers hold."
exit $failed
