#!/usr/bin/env bash
# Installs what is missing, builds, starts the simulated drive and then the program on
# its staged data with the given arguments (drive 1 on a pseudo-terminal linked at the
# program's "drive1.pty", the port the settings list; drive 2 on UDP port 20000 of
# 127.0.0.1 and ::1; the user USER has no password there, as the automatic login of the
# settings gives none). The drive is stopped when the program ends; the program's exit
# code is returned. Without a display give -NoForm.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
vt_install_missing

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != offscreen ] &&
  ! printf '%s\n' "$@" | grep -qix -- '-noform\(:.*\)\?'; then
  echo "run.sh: no display: give -NoForm to run without windows" >&2
  exit 2
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target vorlixtalk drivesim
app=build/app/vorlixtalk

ready=$(mktemp)
build/tools/drivesim/drivesim --pty="$PWD/$app/drive1.pty" --udp4=127.0.0.1:20000 --udp6=20000 \
  --user-password= --log="$app/drivesim.log" </dev/null >"$ready" &
drive=$!
trap 'kill -TERM "$drive" 2>/dev/null; wait "$drive" 2>/dev/null || true; rm -f "$ready"' EXIT
for _ in $(seq 100); do
  grep -q '^ready$' "$ready" && break
  kill -0 "$drive" 2>/dev/null || { echo "run.sh: the simulated drive did not start" >&2; exit 1; }
  sleep 0.1
done
grep -q '^ready$' "$ready" || { echo "run.sh: the simulated drive is not ready" >&2; exit 1; }

status=0
"$app/vorlixtalk" "$@" || status=$?
exit "$status"
