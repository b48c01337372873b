#!/usr/bin/env bash
# The Debian package of dist/ as a user meets it, on this machine: installed
# with apt-get, tshark lists the three interfaces, the installed tarnwick
# starts and opens its window, the installed extcap captures in tshark, and
# the removal leaves nothing of ours. It installs as root (CI's user) and
# removes the package again whatever happens; it refuses to run where
# tarnwick is installed already.
set -euo pipefail
cd "$(dirname "$0")/.."
deb=$(ls dist/tarnwick_*_amd64.deb)
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
if dpkg-query -W -f='${Status}' tarnwick 2>/dev/null | grep -q installed; then
  echo "tarnwick is installed on this machine already; not testing the package over it" >&2
  exit 1
fi

work=$(mktemp -d)
chmod 755 "$work"
program=""
remove() {
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get remove --purge -y -q tarnwick >/dev/null
}
cleanup() {
  [ -n "$program" ] && kill "$program" 2>/dev/null
  dpkg-query -W tarnwick >/dev/null 2>&1 && remove
  $sudo rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "$deb: $*" >&2
  exit 1
}

$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "./$deb" \
  >"$work/apt.log" 2>&1 || fail "apt-get install failed: $(cat "$work/apt.log")"
echo "installed $(dpkg-query -W -f='${Package} ${Version}' tarnwick) with apt-get"
mapfile -t files < <(dpkg -L tarnwick)
libraries=$(printf '%s\n' "${files[@]}" | grep -i pondel)
[ "$libraries" = /usr/lib/x86_64-linux-gnu/tarnwick/libPondel.so ] ||
  fail "the library lies at: $libraries"

# Every user's tshark lists the interfaces (nobody's, with a home of its own).
mkdir "$work/home"
$sudo chown nobody "$work/home"
listed=$($sudo setpriv --reuid=nobody --regid=nogroup --clear-groups env HOME="$work/home" tshark -D 2>&1 |
  grep -c "tarnwick-arcnet-" || true)
[ "$listed" = 3 ] || fail "tshark -D lists $listed Tarnwick interfaces for an ordinary user"
echo "tshark -D lists the 3 Tarnwick interfaces for an ordinary user"

# The installed program starts on its library, writes the sample file and
# keeps its main window up.
mkdir -m 700 "$work/runtime"
(cd "$work" && HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen exec tarnwick) &
program=$!
. scripts/start-program.sh
sample_written "$work" || fail "the installed tarnwick wrote no sample file"
kill -0 "$program" 2>/dev/null || fail "the installed tarnwick did not stay up"
kill "$program"
wait "$program" 2>/dev/null || true
program=""
echo "the installed tarnwick started, wrote arcnet.tmp and kept its window up"

# Two seconds of a live capture through the installed extcap.
HOME="$work/home" tshark -q -i tarnwick-arcnet-usb -a duration:2 -w "$work/live.pcapng" 2>"$work/tshark.log" ||
  fail "tshark could not capture: $(cat "$work/tshark.log")"
frames=$(tshark -r "$work/live.pcapng" -Y arcnet 2>/dev/null | wc -l)
[ "$frames" -gt 0 ] || fail "tshark captured no ARCNET frame through the installed extcap"
echo "tshark captured $frames ARCNET frames in 2 s through the installed tarnwick-extcap"

remove
left=()
for file in "${files[@]}"; do
  [ -e "$file" ] || [ -L "$file" ] || continue
  [ -d "$file" ] && [ -n "$(dpkg -S "$file" 2>/dev/null)" ] && continue  # another package's folder
  [ -d "$file" ] && [ "$(ls -A "$file")" ] && continue
  left+=("$file")
done
[ ${#left[@]} -eq 0 ] || fail "left behind after removal: ${left[*]}"
echo "removed tarnwick; none of its ${#files[@]} files and folders is left"
