#!/usr/bin/env bash
# The programs that ship hold no test code: none of the symbols that the
# automation libraries define (ui/automation.cpp and a backend's
# automation.cpp) is defined in them. Prints each offence; fails on any.
#
#   no_test_code_shipped.sh NM "AUTOMATION_FILE;..." PROGRAM...
set -u
nm=$1
IFS=';' read -r -a automation <<<"$2"
shift 2

# Code and data of their own, by name: not the copies of templates and
# inline functions that every user of a header gets (weak in ELF; in PE
# strong, but each in a section of its own, named .text$<symbol>).
symbols=$("$nm" --format=sysv --defined-only --extern-only "${automation[@]}" |
  awk -F'|' 'NF == 7 && $3 ~ /^ *[TDBR] *$/ && $7 !~ /\$/ { gsub(/ /, "", $1); print $1 }' |
  sort -u)
if [ -z "$symbols" ]; then
  echo "The automation libraries define no symbol: nothing was checked."
  exit 1
fi

failed=0
for program in "$@"; do
  defined=$("$nm" --defined-only "$program" | awk 'NF == 3 { print $3 }' | sort -u)
  if [ -z "$defined" ]; then
    echo "$program has no symbol table (stripped?): nothing was checked."
    failed=1
    continue
  fi
  shipped=$(comm -12 <(echo "$symbols") <(echo "$defined"))
  if [ -n "$shipped" ]; then
    echo "$program holds test code:"
    c++filt <<<"$shipped" | sed 's/^/  /'
    failed=1
  fi
done
[ $failed -eq 0 ] && echo "No test code in $(printf '%s ' "${@##*/}")"
exit $failed
