# shellcheck shell=bash
# The periodic probe of the main dialog against a Zentor that is plugged in
# while the program runs.

# The device arrives 3 s after the program first looked, taking effect at the
# next probe: until then 102 stays and Update stays disabled. The probes come
# about a second apart and the one that meets the device shows 118, so 118
# follows a plugging within about a second.
case_device_attached_later() {
  use_emulated_zentor attached-later || return
  start_orvane
  drive probe window 30000 timeout 0 status 102 update off hold 2500 \
    timeout 3500 status 118 update on sequence 102,118 || return
  drive end window 5000 key escape gone || return
  expect_orvane_exit 10 || return
  local first attached
  first="$(trace_tick list)"
  attached="$(trace_tick attach)"
  [[ -n "$attached" ]] || fail "the trace shows no arrival of the device" || return
  # Without that delay the hold above would prove nothing.
  ((attached - first >= 3000)) || fail "the device arrived only $((attached - first)) ms after the first listing" || return
  local gap
  gap="$(tr -d '\0' <"$CASE_DIR/trace.log" | awk '$3 == "list" { if (last && $1 - last > gap) gap = $1 - last; last = $1 }
    $3 == "attach" { print gap + 0; exit }')"
  ((gap <= 1200)) || fail "the probes before the arrival were up to $gap ms apart" || return
  # The probe that met the device opened it at once.
  tr -d '\0' <"$CASE_DIR/trace.log" | awk '$3 == "attach" { on = 1; next } on && $3 == "list" && n++ { exit 1 }
    on && $3 == "preparsed" { found = 1; exit } END { exit !found }' ||
    fail "the probe that met the device did not open it"
}
