# shellcheck shell=bash
# Sourced by the scripts that start the program and see it come up.

# sample_written FOLDER: waits up to 10 s for the sample file that the
# program writes at start before its main window opens (arcnet.tmp, 207
# bytes), then gives the window a second; fails when the file never comes.
sample_written() {
  for _ in $(seq 100); do
    if [ "$(stat -c %s "$1/arcnet.tmp" 2>/dev/null || echo 0)" = 207 ]; then
      sleep 1
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# start_and_close_windows_program PROGRAM FOLDER: under scripts/wine.sh,
# starts PROGRAM (a Unix path) in FOLDER, waits for its sample file and
# closes its main window as the desktop does (taskkill without /f, which
# fails when the program has no window); fails when any step does.
start_and_close_windows_program() {
  (cd "$2" && exec "$WINE" "$1") &
  local program=$!
  sample_written "$2" && "$WINE" taskkill /im "$(basename "$1")" >/dev/null
  local closed=$?
  wait $program
  return $closed
}
