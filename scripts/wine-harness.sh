# shellcheck shell=bash
# Running the Windows build under Wine on a display of its own. Source this
# file, then:
#   wine_harness_start WORK_DIR [DISPLAY]
#       a private Wine prefix in WORK_DIR (created once per run), an X display
#       (a fresh Xvfb unless DISPLAY is given), a persistent wineserver, and
#       cleanup of all of it when the shell exits;
#   wine_install_emulated_zentor SCENARIO_FILE, wine_remove_emulated_zentor
#       the emulated Zentor behind hid.dll and setupapi.dll for Orvane.exe,
#       and Wine's own DLLs back;
#   wine_start_program NAME LOG_DIR EXE [ARGUMENT...]   (in the background)
#   wine_run_program NAME LOG_DIR SECONDS EXE [ARGUMENT...]   (waits)
#   wine_wait_exit PID SECONDS, wine_stop_program PID
#   wine_screenshot PNG_FILE
# Wine's own processes keep inherited pipes open, so every program's output
# goes to files, never to a pipe.

WINE_HARNESS_WORK=""
WINE_HARNESS_XVFB_PID=""
WINE_HARNESS_PIDS=()
WINE_HARNESS_PROGRAM_PID=""
WINE_HARNESS_LOADER=""
WINE_HARNESS_SERVER=""
WINE_HARNESS_EMULATED=""
WINE_HARNESS_REPOSITORY="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# Where the emulated Zentor's DLLs are built, and the variable through which
# they find their scenario file (the emulation's own name for it).
WINE_EMULATOR_DLL_DIR="${WINE_EMULATOR_DLL_DIR:-}"
WINE_ZENTOR_SCENARIO_VARIABLE="${WINE_ZENTOR_SCENARIO_VARIABLE:-ORVANE_EMU_SCENARIO}"

wine_harness_log() {
  printf '[wine %s] %s\n' "$(date +%H:%M:%S)" "$*" >&2
}

wine_harness_find_tools() {
  # The wine wrapper insists on a 32-bit loader that these machines cannot
  # run; the 64-bit loader runs the x64 programs directly.
  local candidate
  for candidate in /usr/lib/wine/wine64 "$(command -v wine64 || true)" "$(command -v wine || true)"; do
    if [[ -n "$candidate" && -x "$candidate" ]]; then
      WINE_HARNESS_LOADER="$candidate"
      break
    fi
  done
  for candidate in /usr/lib/wine/wineserver "$(command -v wineserver || true)"; do
    if [[ -n "$candidate" && -x "$candidate" ]]; then
      WINE_HARNESS_SERVER="$candidate"
      break
    fi
  done
  if [[ -z "$WINE_HARNESS_LOADER" || -z "$WINE_HARNESS_SERVER" ]]; then
    wine_harness_log "wine64 and wineserver are needed"
    return 1
  fi
  local tool
  for tool in Xvfb xwd /usr/bin/convert; do
    if ! command -v "$tool" >/dev/null; then
      wine_harness_log "$tool is needed"
      return 1
    fi
  done
}

wine_harness_start() {
  local work_dir="$1" display="${2:-}"
  wine_harness_find_tools || return 1
  mkdir -p "$work_dir"
  WINE_HARNESS_WORK="$(cd "$work_dir" && pwd)"
  trap wine_harness_stop EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  export WINEDEBUG="-all"
  export WINEPREFIX="$WINE_HARNESS_WORK/prefix"
  export WINELOADER="$WINE_HARNESS_LOADER"
  unset WINEDLLOVERRIDES
  # Wine ties a session to the display its first process saw: the display
  # comes first, then anything that runs wine.
  if [[ -n "$display" ]]; then
    export DISPLAY="$display"
  else
    wine_start_xvfb || return 1
  fi
  wine_create_prefix
}

wine_start_xvfb() {
  local display_file="$WINE_HARNESS_WORK/xvfb.display"
  : >"$display_file"
  # -displayfd lets the server pick a free display itself, which no probing
  # for lock files from here could do without a race against other runs.
  Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 3>"$display_file" \
    >"$WINE_HARNESS_WORK/xvfb.log" 2>&1 &
  WINE_HARNESS_XVFB_PID=$!
  local tries
  for ((tries = 0; tries < 100; tries++)); do
    if [[ -s "$display_file" ]]; then
      DISPLAY=":$(tr -d '[:space:]' <"$display_file")"
      export DISPLAY
      wine_harness_log "Xvfb on $DISPLAY"
      return 0
    fi
    if ! kill -0 "$WINE_HARNESS_XVFB_PID" 2>/dev/null; then break; fi
    sleep 0.1
  done
  wine_harness_log "Xvfb did not start (see $WINE_HARNESS_WORK/xvfb.log)"
  return 1
}

# The prefix belongs to this run alone; within the run it is made once and
# every program shares it, since making one costs about ten seconds.
wine_create_prefix() {
  if [[ -f "$WINEPREFIX/.orvane-prefix-ready" ]]; then
    "$WINE_HARNESS_SERVER" -p
    return 0
  fi
  local started=$SECONDS
  mkdir -p "$WINEPREFIX"
  # A persistent server keeps the prefix's services running between programs,
  # so that they never start under a program's DLL overrides.
  "$WINE_HARNESS_SERVER" -p
  # No Mono or Gecko: their installers would wait for a click nobody gives.
  WINEDLLOVERRIDES="mscoree,mshtml=" "$WINE_HARNESS_LOADER" wineboot -i \
    >"$WINE_HARNESS_WORK/wineboot.log" 2>&1 || {
    wine_harness_log "wineboot failed (see $WINE_HARNESS_WORK/wineboot.log)"
    return 1
  }
  # Without a window manager (Xvfb), unmanaged windows spare Wine its wait of
  # about two seconds for each window it hides; on a user's desktop the
  # window manager keeps managing them.
  local managed=""
  if [[ -n "$WINE_HARNESS_XVFB_PID" ]]; then
    managed=$'[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\n"Managed"="N"\n'
  fi
  wine_import_registry "prefix" <<EOF || return 1
Windows Registry Editor Version 5.00

$managed
[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"MS UI Gothic"="IPAGothic"
"MS Shell Dlg"="IPAGothic"
"MS Shell Dlg 2"="IPAGothic"
EOF
  touch "$WINEPREFIX/.orvane-prefix-ready"
  wine_harness_log "prefix ready in $((SECONDS - started)) s"
}

# Imports the .reg text on standard input into the prefix.
wine_import_registry() {
  local name="$1" file="$WINE_HARNESS_WORK/$1.reg"
  cat >"$file"
  "$WINE_HARNESS_LOADER" regedit /S "$(wine_windows_path "$file")" \
    >"$WINE_HARNESS_WORK/regedit-$name.log" 2>&1 || {
    wine_harness_log "regedit failed for $name"
    return 1
  }
}

# A Linux path as the Windows programs see it, through drive Z:.
wine_windows_path() {
  local path
  path="$(realpath -m "$1")"
  printf 'Z:%s' "${path//\//\\}"
}

# Puts the emulated Zentor in place of the system's HID stack for Orvane.exe
# only: its hid.dll and setupapi.dll go into system32, where the program loads
# them from, and only Orvane.exe prefers them to Wine's own. The scenario file
# is named to the DLLs through the environment of the programs started later.
wine_install_emulated_zentor() {
  local scenario="$1" dll_dir="$WINE_EMULATOR_DLL_DIR" dll
  local installer="$WINE_HARNESS_REPOSITORY/emulator/windows/install_emulation.sh"
  for dll in hid.dll setupapi.dll; do
    if [[ ! -f "$dll_dir/$dll" ]]; then
      wine_harness_log "the emulated $dll is not built (${dll_dir:-WINE_EMULATOR_DLL_DIR unset}/$dll)"
      return 1
    fi
  done
  if [[ ! -f "$scenario" ]]; then
    wine_harness_log "no scenario file $scenario"
    return 1
  fi
  # Wine's own DLLs are kept for wine_remove_emulated_zentor.
  for dll in hid.dll setupapi.dll; do
    if [[ ! -f "$WINE_HARNESS_WORK/wine-$dll" ]]; then
      cp "$WINEPREFIX/drive_c/windows/system32/$dll" "$WINE_HARNESS_WORK/wine-$dll"
    fi
  done
  WINE_HARNESS_EMULATED=1
  "$installer" "$WINEPREFIX" "$dll_dir" Orvane.exe >"$WINE_HARNESS_WORK/install-emulation.log" 2>&1 || {
    wine_harness_log "installing the emulated Zentor failed (see $WINE_HARNESS_WORK/install-emulation.log)"
    return 1
  }
  export "$WINE_ZENTOR_SCENARIO_VARIABLE=$(wine_windows_path "$scenario")"
  wine_harness_log "emulated Zentor installed, scenario $scenario"
}

wine_remove_emulated_zentor() {
  [[ -n "$WINE_HARNESS_EMULATED" ]] || return 0
  local dll
  for dll in hid.dll setupapi.dll; do
    cp "$WINE_HARNESS_WORK/wine-$dll" "$WINEPREFIX/drive_c/windows/system32/$dll"
  done
  wine_import_registry "wine-hid-stack" <<'EOF' || return 1
Windows Registry Editor Version 5.00

[-HKEY_CURRENT_USER\Software\Wine\AppDefaults\Orvane.exe\DllOverrides]
EOF
  unset "$WINE_ZENTOR_SCENARIO_VARIABLE"
  WINE_HARNESS_EMULATED=""
}

# Starts a Windows program in the background; its PID is left in
# WINE_HARNESS_PROGRAM_PID (not printed: the program must stay a child of this
# shell so that the cleanup finds it).
wine_start_program() {
  local name="$1" log_dir="$2" exe="$3"
  shift 3
  mkdir -p "$log_dir"
  "$WINE_HARNESS_LOADER" "$exe" "$@" >"$log_dir/$name.out" 2>"$log_dir/$name.err" </dev/null &
  WINE_HARNESS_PROGRAM_PID=$!
  WINE_HARNESS_PIDS+=("$WINE_HARNESS_PROGRAM_PID")
}

# Runs a Windows program to its end, at most SECONDS; returns its exit code
# (124 when it had to be stopped).
wine_run_program() {
  local name="$1" log_dir="$2" seconds="$3" exe="$4" code=0
  shift 4
  mkdir -p "$log_dir"
  timeout --kill-after=5 "$seconds" "$WINE_HARNESS_LOADER" "$exe" "$@" \
    >"$log_dir/$name.out" 2>"$log_dir/$name.err" </dev/null || code=$?
  return "$code"
}

# Whether the process ends within SECONDS; reaps it when it does.
wine_wait_exit() {
  local pid="$1" seconds="$2" deadline
  deadline=$((SECONDS + seconds))
  while kill -0 "$pid" 2>/dev/null; do
    if ((SECONDS >= deadline)); then return 1; fi
    sleep 0.1
  done
  wait "$pid" 2>/dev/null || true
}

wine_stop_program() {
  local pid="$1"
  if kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null || true
    wine_wait_exit "$pid" 5 || kill -KILL "$pid" 2>/dev/null || true
  fi
  wait "$pid" 2>/dev/null || true
}

# The screen, cut to what is drawn on it. A capture of the root window alone
# shows some of Wine's windows (the About box among them) as black squares, so
# each mapped top-level window is captured on its own and laid over the root
# capture, bottom-most first.
wine_screenshot() {
  local png="$1" shots line window size x y index=0 code=0
  local layers=()
  # A folder of its own, so that screenshots may be taken from a background
  # job while the script takes others.
  shots="$(mktemp -d "$WINE_HARNESS_WORK/screenshot.XXXXXX")"
  mkdir -p "$(dirname "$png")"
  xwd -root -display "$DISPLAY" -silent >"$shots/root.xwd" || return 1
  # xwininfo lists the children top-most first; each line ends in the
  # window's size and its absolute position, as in "261x126+1+1  +1+1".
  while read -r line; do
    window="${line%% *}"
    read -r size x y <<<"$(sed -E 's/.* ([0-9]+x[0-9]+)[-+][-0-9]+[-+][-0-9]+ +\+?(-?[0-9]+)\+?(-?[0-9]+)$/\1 \2 \3/' <<<"$line")"
    [[ "$size" =~ ^[0-9]+x[0-9]+$ && "$size" != 1x1 ]] || continue
    # Unmapped windows cannot be captured; xwd fails on them.
    if xwd -id "$window" -display "$DISPLAY" -silent >"$shots/$index.xwd" 2>/dev/null; then
      layers=("$shots/$index.xwd" -geometry "+$x+$y" -composite "${layers[@]}")
      index=$((index + 1))
    fi
  done < <(xwininfo -root -children -display "$DISPLAY" | grep -E '^ +0x[0-9a-f]+ ')
  # Each layer went in front of those below it in the list, so the last
  # window listed (the bottom-most) is composited first.
  /usr/bin/convert "$shots/root.xwd" "${layers[@]}" -trim +repage "$png" || code=$?
  rm -rf "$shots"
  return "$code"
}

wine_harness_stop() {
  local pid
  for pid in "${WINE_HARNESS_PIDS[@]}"; do
    wine_stop_program "$pid"
  done
  WINE_HARNESS_PIDS=()
  if [[ -n "$WINE_HARNESS_SERVER" && -n "${WINEPREFIX:-}" && -d "$WINEPREFIX" ]]; then
    "$WINE_HARNESS_SERVER" -k >/dev/null 2>&1 || true
    "$WINE_HARNESS_SERVER" -w >/dev/null 2>&1 || true
  fi
  if [[ -n "$WINE_HARNESS_XVFB_PID" ]]; then
    kill "$WINE_HARNESS_XVFB_PID" 2>/dev/null || true
    wait "$WINE_HARNESS_XVFB_PID" 2>/dev/null || true
    WINE_HARNESS_XVFB_PID=""
  fi
  if [[ -n "$WINE_HARNESS_WORK" && -z "${WINE_HARNESS_KEEP:-}" ]]; then
    rm -rf "$WINE_HARNESS_WORK"
  fi
  WINE_HARNESS_WORK=""
}
