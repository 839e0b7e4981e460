# shellcheck shell=bash
# The Update button against the emulated Zentor: the confirmation box, and
# whole updates followed to their end.

case_confirmation() {
  use_emulated_zentor present || return
  start_orvane
  drive ask window 30000 timeout 0 status 102 update off timeout 4000 status 118 update on \
    click update confirm timeout 0 update off close off timeout 5000 sleep 500 || return
  shoot confirmation || return
  # Cancel gives both buttons back and leaves the status line as it was.
  drive cancel window 5000 answer cancel update on close on timeout 0 status 118 \
    timeout 5000 key escape gone || return
  expect_orvane_exit 10
}

# SCENARIO, the status IDs the run shows (ID? where one may pass too quickly
# to be seen from outside; the last is where the run ends), the progress
# position at the end (- for not checked), and whether the key-block backup is
# kept or deleted.
case_update_run() {
  local scenario sequence progress backup
  read -r scenario sequence progress backup <<<"$1"
  local final="${sequence##*,}"
  local steps="window 30000 timeout 4000 status 118 click update confirm answer ok follow 240000"
  # Ended: the last status stays, only Close is enabled, and the probe stays
  # stopped although the device is still there.
  steps+=" timeout 0 status $final update off close on hold 2500 sequence $sequence"
  if [[ "$progress" != - ]]; then steps+=" timeout 5000 progress $progress"; fi
  use_emulated_zentor "$scenario" || return
  start_orvane
  drive_words run "$steps" || return
  shoot update-ended || return
  drive end window 5000 click close gone || return
  expect_orvane_exit 10 || return
  if [[ "$backup" == kept ]]; then
    backup_file >/dev/null || fail "the key-block backup file is gone after a failed update"
  elif backup_file >/dev/null; then
    fail "the key-block backup file is still there after a complete update"
  fi
}
