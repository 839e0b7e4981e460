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
# position at the end (- for not checked), whether the key-block backup is
# kept, deleted or never made (none), optionally how many ms to wait after 118
# before clicking Update (- for none), and a comma-separated list of
# functions: those named prepare_* run before the program starts, the others
# check the case's files after it ended.
case_update_run() {
  local scenario sequence progress backup pause hooks
  read -r scenario sequence progress backup pause hooks <<<"$1"
  local final="${sequence##*,}" hook
  local steps="window 30000 timeout 4000 status 118"
  if [[ -n "$pause" && "$pause" != - ]]; then steps+=" sleep $pause"; fi
  steps+=" click update confirm answer ok follow 240000"
  # Ended: the last status stays, only Close is enabled, and the probe stays
  # stopped although the device may still be there.
  steps+=" timeout 0 status $final update off close on hold 2500 sequence $sequence"
  if [[ "$progress" != - ]]; then steps+=" timeout 5000 progress $progress"; fi
  use_emulated_zentor "$scenario" || return
  local hook_list=()
  IFS=',' read -ra hook_list <<<"${hooks:-}"
  for hook in "${hook_list[@]}"; do
    if [[ "$hook" == prepare_* ]]; then "$hook" || return; fi
  done
  start_orvane
  drive_words run "$steps" || return
  shoot update-ended || return
  drive end window 5000 click close gone || return
  expect_orvane_exit 10 || return
  expect_backup "$backup" || return
  for hook in "${hook_list[@]}"; do
    if [[ "$hook" != prepare_* ]]; then "$hook" || return; fi
  done
}

# WANTED: kept, deleted or none.
expect_backup() {
  case "$1" in
    kept) backup_file >/dev/null || fail "the key-block backup file is gone after a failed update" ;;
    deleted) ! backup_file >/dev/null || fail "the key-block backup file is still there after a complete update" ;;
    none) ! backup_file >/dev/null || fail "a key-block backup file was written although no key block was read" ;;
    *) fail "unknown backup expectation $1" ;;
  esac
}

# A backup of 512 bytes in place before the run: the program takes the key
# block from it and reads none from the device.
prepare_backup() {
  local folder
  folder="$(temporary_folder)" || {
    fail "the prefix has no temporary folder"
    return
  }
  head -c 512 /dev/urandom >"$folder/zentor.tmp"
  cp "$folder/zentor.tmp" "$CASE_DIR/planted-backup.bin"
}

# Whether the backup planted by prepare_backup is there, unchanged.
check_backup_unchanged() {
  local backup
  backup="$(backup_file)" || {
    fail "the planted backup file is gone"
    return
  }
  cmp -s "$backup" "$CASE_DIR/planted-backup.bin" || fail "the planted backup file was changed"
}

check_nothing_sent() {
  local sent
  sent="$(trace_sets 1 | wc -l)"
  ((sent == 0)) || fail "$sent reports were sent to the device"
}

check_removed_before_click() {
  [[ -n "$(trace_tick remove)" ]] || fail "the trace shows no removal of the device"
}

# The handshake was the only command: no key-block read followed the refusal.
check_handshake_only() {
  local commands
  commands="$(trace_commands 1 | tr '\n' ' ')"
  [[ "$commands" == "21 " ]] || fail "commands sent: ${commands:-none}, expected the handshake alone"
}

# The handshake, then the first key-block read, then nothing: no erase.
check_stopped_at_first_key_read() {
  local reports
  reports="$(trace_sets 1 | awk '{ print substr($2, 1, 12) }' | tr '\n' ' ')"
  [[ "$reports" == "002100000000 002700f00000 " ]] ||
    fail "reports sent: ${reports:-none}, expected the handshake and the first key-block read"
}

# Handshake, the key block read as 13 chunks at 0xF000 + 32k and read once
# more to confirm it (two readings that must agree), the erase, and nothing
# after the unanswered erase.
check_key_block_captured_before_erase() {
  local expected="0021" k reading reports
  for reading in 1 2; do
    for ((k = 0; k < 13; k++)); do expected+=" $(printf '002700%04x' $((0xF000 + 32 * k)))"; done
  done
  expected+=" 0022"
  reports="$(trace_sets 1 | awk '{ c = substr($2, 3, 2); print (c == "27" ? substr($2, 1, 10) : substr($2, 1, 4)) }' | tr '\n' ' ')"
  [[ "$reports" == "$expected " ]] ||
    fail "$(wc -w <<<"$reports") reports sent ($(grep -o '0027' <<<"$reports" | wc -l) key-block reads), expected the handshake, two readings of the 13 key-block chunks at 0xF000 + 32k and the erase"
}

# No key-block read before the erase; the verification failed on the 8th
# read, chunk 7 (0xE0) of its page, and nothing was sent after it.
check_failed_on_chunk_7() {
  local commands last
  commands="$(trace_commands 1 | awk '$1 == "22" { exit } { print }' | tr '\n' ' ')"
  [[ "$commands" == "21 " ]] || fail "before the erase: ${commands}, expected the handshake alone" || return
  last="$(trace_sets 1 | tail -1 | awk '{ print substr($2, 3, 2), substr($2, 9, 2) }')"
  [[ "$last" == "27 e0" ]] || fail "the last report sent was not the read of chunk 7: $last"
  local reads programming
  reads="$(trace_commands 1 | grep -c '^27$')"
  ((reads == 8)) || fail "$reads reads sent, expected the eight of one page" || return
  # 119 may pass unseen before the failure, so the trace shows that the
  # reads were the verification's: programming came before and not after.
  programming="$(trace_commands 1 | awk '$1 == "23" { n++ } $1 == "27" { exit } END { print n + 0 }')"
  ((programming > 0)) || fail "the failing read came before any page was programmed" || return
  ! trace_commands 1 | awk '$1 == "27" { seen = 1 } seen && $1 != "27" { found = 1 } END { exit !found }' ||
    fail "programming commands followed the verification reads"
}

# The erase was not confirmed: the 32 blank-check reads at n * 0x10000 follow
# it, the first at least 10 s after it, and then the programming starts.
check_blank_check() {
  local expected="" n reports
  for ((n = 0; n < 32; n++)); do expected+="$(printf '0027%02x0000' "$n") "; done
  reports="$(trace_sets 1 | awk '{ c = substr($2, 3, 2) } c == "22" { on = 1; next } on && c != "27" { exit } on { print substr($2, 1, 10) }' | tr '\n' ' ')"
  [[ "$reports" == "$expected" ]] || fail "after the erase the reads were: ${reports:-none}" || return
  local pause
  pause="$(tr -d '\0' <"$CASE_DIR/trace.log" | awk '$3 == "set" && substr($5, 3, 2) == "22" { erase = $1; next }
    erase && $3 == "set" { print $1 - erase; exit }')"
  ((pause >= 9900)) || fail "the first blank-check read came ${pause} ms after the erase, expected the 10 s pause"
}

# Every report went to the first Zentor (place 1, after the other device).
check_only_first_zentor() {
  local places
  places="$(trace_sets 1 | awk '{ print $1 }' | sort -u | tr '\n' ' ')"
  [[ "$places" == "1 " ]] || fail "reports went to the interfaces at places: ${places:-none}"
}

# The second Zentor's flash is as it started: erased apart from its key block.
check_second_zentor_untouched() {
  local first="$CASE_DIR/first.flash" second="$CASE_DIR/second.flash"
  [[ -f "$first" && -f "$second" ]] || fail "a state file is missing" || return
  [[ "$(file_bytes "$first" 0 16)" != "ffffffffffffffffffffffffffffffff" ]] ||
    fail "the first Zentor's flash was not programmed" || return
  local written
  written="$({ head -c $((0xF000)) "$second"; tail -c +$((0xF200 + 1)) "$second"; } | tr -d '\377' | wc -c)"
  ((written == 0)) || fail "the second Zentor's flash holds $written written bytes outside its key block"
}

# Cancel at the confirmation: nothing reaches the device, the probe stops
# while the box is open and runs again afterwards, and the dialog is ready as
# before.
case_cancel_sends_nothing() {
  use_emulated_zentor present || return
  start_orvane
  drive ask window 30000 timeout 4000 status 118 update on click update confirm \
    timeout 0 update off close off || return
  local asking answered later
  asking="$(trace_count list)"
  sleep 2.5
  answered="$(trace_count list)"
  ((answered == asking)) || fail "the probe listed devices $((answered - asking)) times while the box was open" || return
  # Each probe shows 118 again and enables Update; the hold sees no change.
  drive cancel window 5000 answer cancel timeout 2000 update on close on timeout 0 status 118 \
    hold 3000 || return
  later="$(trace_count list)"
  ((later - answered >= 2)) || fail "the probe ran $((later - answered)) times in 3 s after Cancel" || return
  drive end window 5000 timeout 0 status 118 update on timeout 5000 key escape gone || return
  expect_orvane_exit 10 || return
  check_nothing_sent || return
  local reads
  reads="$(trace_count get)"
  ((reads == 0)) || fail "$reads reads were made from the device"
}

# A failed run after the erase, then the program started again on the same
# flash: the second run takes the key block from the backup file, reads none
# from the device, and writes the device's own key block back.
case_key_block_from_backup() {
  head -c 512 /dev/urandom >"$CASE_DIR/key-block.bin"
  use_emulated_zentor kept-key-first-run || return
  start_orvane
  drive failing window 30000 timeout 4000 status 118 click update confirm answer ok follow 60000 \
    timeout 0 status 115 update off close on || return
  drive failing-end window 5000 click close gone || return
  expect_orvane_exit 10 || return
  local flash="$CASE_DIR/zentor.flash" original backup
  original="$(file_bytes "$CASE_DIR/key-block.bin" 0 416)"
  backup="$(backup_file)" || fail "the failed run left no backup file" || return
  [[ "$(file_bytes "$backup" 0 416)" == "$original" ]] ||
    fail "the backup file does not hold the device's key block" || return
  [[ "$(file_bytes "$flash" $((0xF000)) 416 | tr -d f)" == "" ]] ||
    fail "the failed run did not leave the key block erased" || return

  use_emulated_zentor kept-key-second-run || return
  start_orvane
  drive again window 30000 timeout 4000 status 118 click update confirm answer ok follow 240000 \
    timeout 0 status 117 update off close on sequence 102,118,104?,106?,110,111?,113,114,119,116,117 \
    timeout 5000 progress 16384 || return
  drive again-end window 5000 click close gone || return
  expect_orvane_exit 10 || return
  ! backup_file >/dev/null || fail "the backup file is still there after the update succeeded" || return
  local commands
  commands="$(trace_commands 2 | awk '$1 == "22" { exit } { print }' | tr '\n' ' ')"
  [[ "$commands" == "21 " ]] || fail "the second run sent before the erase: ${commands:-nothing}" || return
  [[ "$(file_bytes "$flash" $((0xF000)) 416)" == "$original" ]] ||
    fail "the flash does not hold the device's original key block after the second run" || return
  # The rest of the key-block area is the firmware's own: blank.
  [[ "$(file_bytes "$flash" $((0xF1A0)) 96 | tr -d f)" == "" ]] ||
    fail "bytes 0xF1A0 to 0xF1FF are not the firmware's blank bytes"
}
