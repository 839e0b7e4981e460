# shellcheck shell=bash
# What the Wine test cases share: starting Orvane.exe, running the driver,
# screenshots, and how a case reports failure or that it is pending. Each case
# runs with its own folder CASE_DIR under the artifacts; a case returns 0 when
# it passed, 1 when it failed and 77 when it cannot run yet, with the reason
# in CASE_REASON.

# shellcheck disable=SC2034 # read by the runner that sources this file
CASE_DIR=""
CASE_REASON=""
ORVANE_PID=""
readonly CASE_PENDING=77

fail() {
  CASE_REASON="$*"
  return 1
}

pending() {
  CASE_REASON="$*"
  return "$CASE_PENDING"
}

# Starts Orvane.exe (or the given copy of it) in the background.
start_orvane() {
  local exe="${1:-$ORVANE_EXE}"
  wine_start_program orvane "$CASE_DIR" "$exe"
  ORVANE_PID="$WINE_HARNESS_PROGRAM_PID"
}

# Runs the driver with the steps; its log is CASE_DIR/NAME.out. On failure the
# reason is the driver's own FAIL line.
drive() {
  local name="$1" code=0
  shift
  wine_run_program "$name" "$CASE_DIR" 240 "$DRIVER_EXE" "$@" || code=$?
  if ((code == 0)); then return 0; fi
  local reason
  reason="$(grep -m1 -E '^ *[0-9.]+ FAIL ' "$CASE_DIR/$name.out" | sed -E 's/^ *[0-9.]+ FAIL //' || true)"
  if [[ -z "$reason" ]]; then
    reason="driver exit code $code (see $CASE_DIR/$name.err)"
  fi
  fail "$name: $reason"
}

# The steps are given as one string in the tables of cases.
drive_words() {
  local name="$1" words=()
  read -ra words <<<"$2"
  drive "$name" "${words[@]}"
}

expect_orvane_exit() {
  local seconds="$1"
  if ! wine_wait_exit "$ORVANE_PID" "$seconds"; then
    fail "Orvane.exe was still running ${seconds} s after its dialog closed"
    return 1
  fi
}

shoot() {
  local name="$1"
  wine_screenshot "$CASE_DIR/$name.png" || fail "screenshot $name failed"
}

# The emulated Zentor with a scenario from tests/wine/scenarios, or the case is
# pending while the emulated DLLs are not built. The scenario is copied into
# the case's folder, so that its trace lands there.
use_emulated_zentor() {
  local scenario="$CASE_DIR/scenario.txt"
  if [[ ! -f "$WINE_EMULATOR_DLL_DIR/hid.dll" || ! -f "$WINE_EMULATOR_DLL_DIR/setupapi.dll" ]]; then
    pending "the emulated hid.dll and setupapi.dll are not built in $WINE_EMULATOR_DLL_DIR"
    return
  fi
  cp "$WINE_TESTS_DIR/scenarios/$1.txt" "$scenario"
  wine_install_emulated_zentor "$scenario" || fail "the emulated Zentor could not be installed"
}

# The key-block backup file in the prefix's temporary folder, if there is one.
# Wine 8 gives each user C:\users\NAME\Temp; later versions use
# AppData\Local\Temp.
backup_file() {
  local file
  for file in "$WINEPREFIX"/drive_c/users/*/Temp/zentor.tmp \
    "$WINEPREFIX"/drive_c/users/*/AppData/Local/Temp/zentor.tmp; do
    if [[ -e "$file" ]]; then
      printf '%s\n' "$file"
      return 0
    fi
  done
  return 1
}

# Leaves the prefix as the next case expects it: no program running, Wine's
# own HID stack for Orvane.exe, no key block kept from an earlier device.
end_case() {
  local backup
  if [[ -n "$ORVANE_PID" ]]; then
    wine_stop_program "$ORVANE_PID"
    ORVANE_PID=""
  fi
  wine_remove_emulated_zentor
  if backup="$(backup_file)"; then rm -f "$backup"; fi
}

# The reports that the program sent in the N-th process that loaded the
# scenario (from 1), one line each: the interface's place in the scenario and
# the report in hexadecimal. A running or killed process leaves zero bytes
# after the trace's last line; they are dropped.
trace_sets() {
  local run="$1"
  tr -d '\0' <"$CASE_DIR/trace.log" |
    awk -v run="$run" '$2 == "-" && $3 == "start" { n++ } n == run && $3 == "set" { print $2, $5 }'
}

# How many lines of the whole trace show the EVENT (list, attach, remove, ...).
trace_count() {
  tr -d '\0' <"$CASE_DIR/trace.log" | awk -v event="$1" '$3 == event { n++ } END { print n + 0 }'
}

# The first tick of the EVENT in the trace, empty when there is none.
trace_tick() {
  tr -d '\0' <"$CASE_DIR/trace.log" | awk -v event="$1" '$3 == event { print $1; exit }'
}

# The command codes of the N-th process's reports, in order, one a line.
trace_commands() {
  trace_sets "$1" | awk '{ print substr($2, 3, 2) }'
}

# The user's temporary folder of the prefix, where the backup is kept.
temporary_folder() {
  local folder
  for folder in "$WINEPREFIX"/drive_c/users/*/AppData/Local/Temp "$WINEPREFIX"/drive_c/users/*/Temp; do
    if [[ -d "$folder" ]]; then
      printf '%s\n' "$folder"
      return 0
    fi
  done
  return 1
}

# LENGTH bytes of FILE from OFFSET, as hexadecimal on one line.
file_bytes() {
  od -An -v -tx1 -j "$2" -N "$3" "$1" | tr -d ' \n'
}
