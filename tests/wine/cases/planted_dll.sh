# shellcheck shell=bash
# A hid.dll left beside the program must not be loaded, even when Wine is told
# to prefer native DLLs: the program takes hid.dll from the system folder. The
# same planted DLL beside an ordinary program is loaded, which shows that the
# planting itself works and the first result means something.

readonly PLANTED_MARKER="planted-hid-loaded.txt"

# A folder in the artifacts holding a copy of the program and the planted DLL.
plant_beside() {
  local exe="$1" folder="$CASE_DIR/folder"
  mkdir -p "$folder"
  cp "$exe" "$folder/"
  cp "$PLANTED_HID_DLL" "$folder/hid.dll"
  printf '%s\n' "$folder"
}

# DEVICE: none, or the scenario of an emulated Zentor in the system folder,
# which the program must then find through the system's hid.dll.
case_planted_hid_ignored() {
  local device="$1" folder probing="hold 2500"
  if [[ "$device" != none ]]; then
    use_emulated_zentor "$device" || return
    probing="timeout 4000 status 118 update on"
  fi
  folder="$(plant_beside "$ORVANE_EXE")"
  WINEDLLOVERRIDES="hid=n,b" start_orvane "$folder/Orvane.exe"
  drive_words probe "window 30000 timeout 0 status 102 timeout 5000 $probing key escape gone" || return
  expect_orvane_exit 10 || return
  if [[ -e "$folder/$PLANTED_MARKER" ]]; then
    fail "Orvane.exe loaded the hid.dll beside it: $(head -1 "$folder/$PLANTED_MARKER")"
  fi
}

case_planted_hid_control() {
  local folder code=0
  folder="$(plant_beside "$ORDINARY_HID_USER_EXE")"
  WINEDLLOVERRIDES="hid=n,b" wine_run_program ordinary "$CASE_DIR" 30 \
    "$folder/$(basename "$ORDINARY_HID_USER_EXE")" || code=$?
  ((code == 0)) || fail "the ordinary program could not load hid.dll (exit code $code)" || return
  [[ -s "$folder/$PLANTED_MARKER" ]] ||
    fail "the planted hid.dll was not loaded even by a program that looks in its own folder" || return
  grep -q "$(basename "$ORDINARY_HID_USER_EXE")" "$folder/$PLANTED_MARKER" ||
    fail "the marker does not name the ordinary program: $(cat "$folder/$PLANTED_MARKER")"
}
