#!/usr/bin/env bash
# The Windows build of Orvane under Wine, on a private Xvfb display and a
# private Wine prefix, driven from a second process as a user would drive it.
# Runs after the mingw-x64 build; builds nothing itself.
#
#   tests/wine/run.sh [PATTERN]   only the cases whose name contains PATTERN
#
# Environment: ORVANE_WINE_BUILD (default build/mingw-x64), WINE_EMULATOR_DLL_DIR
# (default: the build's emulator/windows), WINE_HARNESS_KEEP=1 keeps the
# prefix. Screenshots and driver logs go to artifacts/wine/<case>/.
# Exit code: 0 when no case failed (pending cases are listed), 1 otherwise.
set -euo pipefail

WINE_TESTS_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
REPOSITORY="$(cd "$WINE_TESTS_DIR/../.." && pwd)"
BUILD="${ORVANE_WINE_BUILD:-$REPOSITORY/build/mingw-x64}"
ARTIFACTS="$REPOSITORY/artifacts/wine"
ORVANE_EXE="$BUILD/app/Orvane.exe"
DRIVER_EXE="$BUILD/tests/wine/orvane-wine-driver.exe"
PLANTED_HID_DLL="$BUILD/tests/wine/hid.dll"
ORDINARY_HID_USER_EXE="$BUILD/tests/wine/ordinary-hid-user.exe"
WINE_EMULATOR_DLL_DIR="${WINE_EMULATOR_DLL_DIR:-$BUILD/emulator/windows}"
PATTERN="${1:-}"

# shellcheck source=SCRIPTDIR/../../scripts/wine-harness.sh
source "$REPOSITORY/scripts/wine-harness.sh"
# shellcheck source=SCRIPTDIR/support.sh
source "$WINE_TESTS_DIR/support.sh"
# shellcheck source=SCRIPTDIR/cases/main_dialog.sh
source "$WINE_TESTS_DIR/cases/main_dialog.sh"
# shellcheck source=SCRIPTDIR/cases/update.sh
source "$WINE_TESTS_DIR/cases/update.sh"
# shellcheck source=SCRIPTDIR/cases/planted_dll.sh
source "$WINE_TESTS_DIR/cases/planted_dll.sh"
# shellcheck source=SCRIPTDIR/cases/device_probe.sh
source "$WINE_TESTS_DIR/cases/device_probe.sh"
# shellcheck source=SCRIPTDIR/cases/ui_framework.sh
source "$WINE_TESTS_DIR/cases/ui_framework.sh"

# name | case function | its argument
CASES=(
  "escape-ends-program|case_start_and_end|key escape"
  "close-button-ends-program|case_start_and_end|click close"
  "enter-on-close-ends-program|case_start_and_end|key enter"
  "close-request-ends-program|case_start_and_end|close-request"
  "about-box-ok|case_about_box|ok"
  "about-box-escape|case_about_box|escape"
  "planted-hid-ignored|case_planted_hid_ignored|none"
  "planted-hid-taken-by-ordinary-program|case_planted_hid_control|"
  "planted-hid-ignored-with-zentor|case_planted_hid_ignored|present"
  "confirmation-box|case_confirmation|"
  "ui-framework-checks|case_ui_framework|"
  "device-attached-later|case_device_attached_later|"
  "cancel-sends-nothing|case_cancel_sends_nothing|"
  "update-completes|case_update_run|present 102,118,104?,106?,110,111?,113,114,119,116,117 16384 deleted - check_only_first_zentor"
  "update-fails-in-programming|case_update_run|write-fails 102,118,104?,106?,110,111?,113,114?,115 - kept"
  "update-erase-unconfirmed|case_update_run|erase-unconfirmed 102,118,104?,106?,110,111?,121,113,114,119,116,117 16384 deleted - check_blank_check"
  "update-device-removed|case_update_run|removed-after-found 102,118,102 - none 2500 check_removed_before_click,check_nothing_sent"
  "update-handshake-refused|case_update_run|handshake-refused 102,118,104?,105 - none - check_handshake_only"
  "update-key-read-unanswered|case_update_run|key-read-unanswered 102,118,104?,106?,107 - none - check_stopped_at_first_key_read"
  "update-erase-unanswered|case_update_run|erase-unanswered 102,118,104?,106?,110,111?,112 - kept - check_key_block_captured_before_erase"
  "update-verify-differs|case_update_run|verify-differs 102,118,104?,106?,110,111?,113,114,119?,115 - kept - prepare_backup,check_failed_on_chunk_7,check_backup_unchanged"
  "update-key-block-from-backup|case_key_block_from_backup|"
  "update-first-of-two-zentors|case_update_run|two-zentors 102,118,104?,106?,110,111?,113,114,119,116,117 16384 deleted - check_only_first_zentor,check_second_zentor_untouched"
)

missing=()
for file in "$ORVANE_EXE" "$DRIVER_EXE" "$PLANTED_HID_DLL" "$ORDINARY_HID_USER_EXE"; do
  [[ -f "$file" ]] || missing+=("$file")
done
if ((${#missing[@]} > 0)); then
  printf 'wine tests: not built (run the mingw-x64 build first): %s\n' "${missing[@]}" >&2
  exit 1
fi

rm -rf "$ARTIFACTS"
mkdir -p "$ARTIFACTS"
started=$SECONDS
wine_harness_start "$(mktemp -d "${TMPDIR:-/tmp}/orvane-wine.XXXXXX")"
printf 'wine tests: prefix and display ready after %d s\n' "$((SECONDS - started))"

passed=()
failed=()
waiting=()
for row in "${CASES[@]}"; do
  IFS='|' read -r name function argument <<<"$row"
  [[ -z "$PATTERN" || "$name" == *"$PATTERN"* ]] || continue
  CASE_DIR="$ARTIFACTS/$name"
  CASE_REASON=""
  mkdir -p "$CASE_DIR"
  case_started=$SECONDS
  code=0
  "$function" "$argument" || code=$?
  end_case
  elapsed=$((SECONDS - case_started))
  if ((code == 0)); then
    passed+=("$name")
    printf 'PASS     %-40s %3d s\n' "$name" "$elapsed"
  elif ((code == CASE_PENDING)); then
    waiting+=("$name: $CASE_REASON")
    printf 'PENDING  %-40s %3d s  %s\n' "$name" "$elapsed" "$CASE_REASON"
  else
    failed+=("$name: ${CASE_REASON:-exit code $code}")
    printf 'FAIL     %-40s %3d s  %s\n' "$name" "$elapsed" "${CASE_REASON:-exit code $code}"
  fi
done

printf '\nwine tests: %d passed, %d failed, %d pending, %d s; logs and screenshots in %s\n' \
  "${#passed[@]}" "${#failed[@]}" "${#waiting[@]}" "$((SECONDS - started))" "$ARTIFACTS"
for line in "${waiting[@]}"; do printf '  pending: %s\n' "$line"; done
for line in "${failed[@]}"; do printf '  failed:  %s\n' "$line"; done
((${#failed[@]} == 0))
