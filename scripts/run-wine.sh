#!/usr/bin/env bash
# Runs the Windows build, build/mingw-x64/app/Orvane.exe, under Wine against
# the emulated Zentor, in a Wine prefix of its own that is removed afterwards.
# Builds nothing: build the mingw-x64 preset first (scripts/run.sh does).
#
#   scripts/run-wine.sh [SCENARIO_FILE]
#
# With a reachable $DISPLAY the program opens there and you click through it
# yourself. Otherwise it runs on a private Xvfb display, and the driver clicks
# Update, answers the confirmation with OK and follows the update to its end.
# Either way the status texts are printed in the order they were shown, and
# the driver's log, screenshots during and after the update and the emulated
# device's trace go to artifacts/wine-run/.
#
# SCENARIO_FILE describes the emulated machine (emulator/windows/README.md);
# the default is one Zentor with its old firmware. Environment:
# ORVANE_WINE_BUILD (default build/mingw-x64), WINE_EMULATOR_DLL_DIR (default
# its emulator/windows).
set -euo pipefail

repository="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${ORVANE_WINE_BUILD:-$repository/build/mingw-x64}"
orvane_exe="$build/app/Orvane.exe"
driver_exe="$build/tests/wine/orvane-wine-driver.exe"
WINE_EMULATOR_DLL_DIR="${WINE_EMULATOR_DLL_DIR:-$build/emulator/windows}"
scenario_source="${1:-$repository/tests/wine/scenarios/present.txt}"
artifacts="$repository/artifacts/wine-run"

# shellcheck source=SCRIPTDIR/wine-harness.sh
source "$repository/scripts/wine-harness.sh"

missing=()
for file in "$orvane_exe" "$driver_exe" "$WINE_EMULATOR_DLL_DIR/hid.dll" "$WINE_EMULATOR_DLL_DIR/setupapi.dll" \
  "$scenario_source"; do
  [[ -f "$file" ]] || missing+=("$file")
done
if ((${#missing[@]} > 0)); then
  printf 'run-wine: missing (build the mingw-x64 preset first): %s\n' "${missing[@]}" >&2
  exit 1
fi

# Screenshots while the driver follows the update: one for each new status
# text or box in its log, and one every few seconds during the long phases.
shoot_while_running() {
  local log="$1" folder="$2" shown=0 count number=0 last=$SECONDS line name
  while true; do
    count="$(grep -c -E '^ *[0-9.]+ (status|box opened) ' "$log" 2>/dev/null)" || count=0
    if ((count > shown)); then
      shown=$count
      line="$(grep -E '^ *[0-9.]+ (status|box opened) ' "$log" | tail -n 1)"
      name="$(awk '{ print ($2 == "status") ? "status-" $3 : "box" }' <<<"$line")"
    elif ((SECONDS - last >= 3)); then
      name="running"
    else
      sleep 0.2
      continue
    fi
    number=$((number + 1))
    wine_screenshot "$folder/$(printf '%02d' "$number")-$name.png" || true
    last=$SECONDS
  done
}

print_status_sequence() {
  local log="$1"
  printf '\nStatus texts as shown (seconds since the driver started):\n'
  grep -E '^ *[0-9.]+ status ' "$log" | sed -E 's/^ *([0-9.]+) status /  \1  /' || true
  grep -E '^ *[0-9.]+ (run ended|progress|FAIL) ' "$log" | sed -E 's/^ *[0-9.]+ /  /' || true
}

display=""
if [[ -n "${DISPLAY:-}" ]] && xdpyinfo -display "$DISPLAY" >/dev/null 2>&1; then
  display="$DISPLAY"
fi

rm -rf "$artifacts"
mkdir -p "$artifacts"
# The emulation writes its trace beside the scenario file it reads.
cp "$scenario_source" "$artifacts/scenario.txt"
wine_harness_start "$(mktemp -d "${TMPDIR:-/tmp}/orvane-wine-run.XXXXXX")" "$display"
wine_install_emulated_zentor "$artifacts/scenario.txt"

wine_start_program orvane "$artifacts" "$orvane_exe"
orvane_pid="$WINE_HARNESS_PROGRAM_PID"
driver_code=0
if [[ -n "$display" ]]; then
  printf 'Orvane.exe is open on %s: click Update and answer OK; close the program when you are done.\n' "$display"
  # The driver only watches: it logs what the dialog shows until it closes.
  wine_run_program driver "$artifacts" 86400 "$driver_exe" window 60000 timeout 86400000 gone || driver_code=$?
else
  printf 'Orvane.exe runs headless on Xvfb %s; the driver clicks Update and OK.\n' "$DISPLAY"
  : >"$artifacts/driver.out"
  shoot_while_running "$artifacts/driver.out" "$artifacts" &
  shooter_pid=$!
  WINE_HARNESS_PIDS+=("$shooter_pid")
  wine_run_program driver "$artifacts" 1200 "$driver_exe" window 30000 timeout 10000 status 118 \
    click update confirm answer ok follow 900000 sleep 500 || driver_code=$?
  wine_stop_program "$shooter_pid"
  wine_screenshot "$artifacts/update-ended.png" || true
  wine_run_program closing "$artifacts" 60 "$driver_exe" window 5000 click close gone || true
fi
wine_wait_exit "$orvane_pid" 10 || wine_stop_program "$orvane_pid"

print_status_sequence "$artifacts/driver.out"
printf '\nLogs, screenshots and the device trace: %s\n' "$artifacts"
exit "$driver_code"
