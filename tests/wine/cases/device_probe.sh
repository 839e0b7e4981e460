# shellcheck shell=bash
# The periodic probe of the main dialog against a Zentor that is plugged in
# while the program runs.

# The device arrives 3 s after the program first looked: until then 102 stays
# and Update stays disabled; 118 and Update follow within about a second.
case_device_attached_later() {
  use_emulated_zentor attached-later || return
  start_orvane
  drive probe window 30000 timeout 0 status 102 update off hold 2500 \
    timeout 2500 status 118 update on sequence 102,118 || return
  drive end window 5000 key escape gone || return
  expect_orvane_exit 10 || return
  local first attached
  first="$(trace_tick list)"
  attached="$(trace_tick attach)"
  [[ -n "$attached" ]] || fail "the trace shows no arrival of the device" || return
  # Without that delay the hold above would prove nothing.
  ((attached - first >= 3000)) || fail "the device arrived only $((attached - first)) ms after the first listing"
}
